#include "clients/clientadd.h"
#include "clients/clientadd_rows.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "clients/client_fields.h"
#include "data/dates.h"
#include "data/datamodule.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"

#include <QCloseEvent>
#include <QDate>

namespace nettora {

using clientadd::beginEditing;

namespace {

const QString kPersonalFirst = QStringLiteral("\"Personal Information\" must be entered before continuing.");
const QString kSpouseFirst = QStringLiteral("\"Spouse Information\" must be entered before continuing.");
const QString kReportingDateFirst =
    QStringLiteral("\"Personal Information - Reporting Date\" must be entered before continuing.");
}  // namespace

TfrmClientAdd::TfrmClientAdd(QWidget *parent) : ScreenFrame(false, parent)
{
    setObjectName(QStringLiteral("TfrmClientAdd"));
    buildPages();

    const struct {
        HoverLabel **link;
        const char *name;
        const char *caption;
        std::function<void()> action;
    } links[] = {
        {&personalLink, "s1", "   Personal Information", [this] { clickPersonal(); }},
        {&reportingDateLink, "s2", "     - Date / Description", [this] { clickClientPage(tsClientReporting); }},
        {&employmentLink, "s3", "     - Employment", [this] { clickClientPage(tsPersonalEmployment); }},
        {&contactsLink, "s4", "     - Contacts", [this] { clickClientPage(tsPersonalContacts); }},
        {&spouseLink, "s5", "   Spouse's Information", [this] { clickClientPage(tsSpouseInfo); }},
        {&spouseEmploymentLink, "s6", "     - Employment", [this] { clickSpousePage(tsSpouseEmployment); }},
        {&spouseContactsLink, "s7", "     - Contacts", [this] { clickSpousePage(tsSpouseContacts); }},
        {&assetsLink, "s8", "   Assets", [this] { clickSection(OpenAssetsWindow); }},
        {&liabilitiesLink, "s9", "   Liabilities", [this] { clickSection(OpenLiabilitiesWindow); }},
        {&incomeLink, "s12", "   Income", [this] { clickSection(OpenIncomeWindow); }},
        {&expendituresLink, "s13", "   Expenditures", [this] { clickSection(OpenExpensesWindow); }},
        {&legalLink, "s10", "   Legal", [this] { clickSection(OpenLegalWindow); }},
        {&notesLink, "s11", "   Notes", [this] { clickSection(OpenNotesWindow); }},
    };
    // The page is opened by the link's own action, after the save of the
    // visible page has passed, so the frame is not told which page a link
    // opens; the highlight follows the page through linkOfPage below.
    for (const auto &l : links) {
        *l.link = addSideLink(QString::fromLatin1(l.caption), nullptr, l.action);
        (*l.link)->setObjectName(QString::fromLatin1(l.name));
    }

    // UPDATE starts the check without saving; CHECK goes through menuAction.
    disconnect(mCheckUpdate2, &HoverLabel::clicked, this, nullptr);
    connect(mCheckUpdate2, &HoverLabel::clicked, this, [this] { clickUpdate(); });
}

QWidget *TfrmClientAdd::editor(const QString &field) const
{
    for (const auto &[page, p] : m_pages)
        if (QWidget *w = p.binder.editorOf(field))
            return w;
    return nullptr;
}

bool TfrmClientAdd::addMode() const
{
    return appState().clientMode == ClientMode::Add;
}

void TfrmClientAdd::showEvent(QShowEvent *event)
{
    ScreenFrame::showEvent(event);
    if (!m_opened) {
        m_opened = true;
        FormShow();
    }
}

void TfrmClientAdd::FormShow()
{
    setWindowTitle(WindowCaption());
    Table *c = dm1->tblClient;
    try {
        if (addMode()) {
            c->append();
        } else {
            m_clientId = CurrentClientId();
            m_statementId = CurrentStatementId();
            if (m_clientId.isEmpty())
                m_clientId = c->asString("Id");
            takeOwnStatement(true);
            beginEditing(c, false);
        }
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showPage(tsClientPersonal);
}

void TfrmClientAdd::showPage(QWidget *page)
{
    Page &p = m_pages.at(page);
    Table *c = dm1->tblClient;
    p.binder.load();
    const bool byFullName = page == tsClientPersonal || page == tsClientReporting;
    p.name->setText(byFullName ? c->asString("FullName2") : pagetext::clientLine(c->asString("ClientDescription")));
    openPage(page);
    if (QWidget *first = p.binder.editorOf(p.firstField))
        first->setFocus();
}

HoverLabel *TfrmClientAdd::linkOf(QWidget *page) const
{
    const std::pair<QWidget *, HoverLabel *> owners[] = {
        {tsClientPersonal, personalLink}, {tsClientReporting, reportingDateLink},
        {tsPersonalEmployment, employmentLink}, {tsPersonalContacts, contactsLink},
        {tsSpouseInfo, spouseLink},          {tsSpouseEmployment, spouseEmploymentLink},
        {tsSpouseContacts, spouseContactsLink}};
    for (const auto &[w, link] : owners)
        if (w == page)
            return link;
    return nullptr;
}

void TfrmClientAdd::afterHoverReset()
{
    // The links open their pages themselves (after the save), so the frame
    // does not know which link owns the open page.
    if (HoverLabel *open = linkOf(currentPage()))
        open->setColors(Qt::white, Green);
}

void TfrmClientAdd::closePage()
{
    pcMain->setVisible(false);
    ResetSubMenuFont();
}

void TfrmClientAdd::cancelPage(QWidget *page)
{
    closePage();
    try {
        if (page == tsClientReporting)
            dm1->tblNettora->cancel();
        else
            dm1->tblClient->cancel();
    } catch (const EngineError &e) {
        dialogs().error(e.text());
    }
}

// -------------------------------------------------------------- navigation

void TfrmClientAdd::clickPersonal()
{
    Table *c = dm1->tblClient;
    try {
        if (addMode()) {
            // Whatever was typed into the unsaved row is dropped by the new
            // one, never stored past the checks of the save.
            pageCheckFailed = false;
            c->append();
        } else {
            GetButtonFunction();
            if (pageCheckFailed)
                return;
            takeOwnStatement();
            beginEditing(c, false);
        }
    } catch (const EngineError &e) {
        dialogs().error(e.text());
        return;
    }
    showPage(tsClientPersonal);
}

void TfrmClientAdd::clickClientPage(QWidget *page)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    GetButtonFunction();
    if (pageCheckFailed)
        return;
    if (!guarded([&] {
            takeOwnStatement();
            beginEditing(page == tsClientReporting ? dm1->tblNettora : dm1->tblClient, false);
        }))
        return;
    showPage(page);
}

void TfrmClientAdd::showField(QWidget *page, const QString &field)
{
    if (currentPage() != page) {
        if (page == tsClientPersonal)
            clickPersonal();
        else if (page == tsSpouseEmployment || page == tsSpouseContacts)
            clickSpousePage(page);
        else
            clickClientPage(page);
    }
    QWidget *w = editor(field);
    if (currentPage() == page && w && page->isAncestorOf(w) && w->isEnabled())
        w->setFocus(Qt::OtherFocusReason);
}

void TfrmClientAdd::clickSpousePage(QWidget *page)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    if (currentValue(QStringLiteral("SFirstName")).isEmpty() || currentValue(QStringLiteral("SLastName")).isEmpty()) {
        dialogs().error(kSpouseFirst);
        return;
    }
    clickClientPage(page);
}

void TfrmClientAdd::clickSection(const std::function<QWidget *()> &open)
{
    if (addMode()) {
        dialogs().error(kPersonalFirst);
        return;
    }
    if (!currentPage()) {
        // The section window opens on this window's statement.
        if (!guarded([this] { takeOwnStatement(); }))
            return;
    }
    if (currentValue(QStringLiteral("Date")).isEmpty()) {
        dialogs().error(kReportingDateFirst);
        return;
    }
    GetButtonFunction();
    if (pageCheckFailed)
        return;
    // The section windows may not be part of this build yet.
    if (open())
        close();
}

std::optional<ScreenFrame::PendingInput> TfrmClientAdd::pendingInput()
{
    QWidget *page = currentPage();
    if (!page || !dm1 || !m_pages.at(page).binder.changed())
        return std::nullopt;
    return PendingInput{m_pages.at(page).title,
                        [this] {
                            GetButtonFunction();
                            return !pageCheckFailed;
                        },
                        [this, page] { cancelPage(page); }};
}

void TfrmClientAdd::menuAction(Entry e)
{
    // Typing was asked about before a leaving entry; every entry still
    // saves the page first, and one that fails its checks keeps the window.
    GetButtonFunction();
    if (pageCheckFailed)
        return;
    ScreenFrame::menuAction(e);
    if (m_closed)
        return;
    guarded([this] { takeOwnStatement(true); });
}

void TfrmClientAdd::takeOwnStatement(bool always)
{
    if (m_clientId.isEmpty())
        return;  // a new client not saved yet has nothing to go back to
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    // An open page's row is pending; narrowing would drop it.
    if (currentPage() && (c->state() != RecordState::Browse || st->state() != RecordState::Browse))
        return;
    if (!always && c->filtered() && st->filtered() && c->asString("Id") == m_clientId
        && st->asString("Id") == m_statementId)
        return;
    FilterStatementTables(m_clientId, m_statementId);
}

void TfrmClientAdd::clickUpdate()
{
    CheckForUpdate();
}

void TfrmClientAdd::closeEvent(QCloseEvent *event)
{
    m_closed = true;
    // A row left pending here must not be posted later by another window.
    if (dm1) {
        for (Table *t : {dm1->tblClient, dm1->tblNettora})
            if (t->active())
                t->cancel();
    }
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
