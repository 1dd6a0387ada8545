#include "clients/clientadd.h"

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

namespace {

const QString kPersonalFirst = QStringLiteral("\"Personal Information\" must be entered before continuing.");
const QString kSpouseFirst = QStringLiteral("\"Spouse Information\" must be entered before continuing.");
const QString kReportingDateFirst =
    QStringLiteral("\"Personal Information - Reporting Date\" must be entered before continuing.");
const QString kClientExists = QStringLiteral("This client already exists.");

bool isUniqueBreach(const QString &engineText)
{
    return engineText.contains(QLatin1String("UNIQUE constraint failed"));
}

// Puts a row into edit, or begins a new one, unless it is already pending.
// Editing never turns into adding: an edit on an empty view would begin a
// row that no check has passed.
void beginEditing(Table *t, bool append)
{
    if (t->state() == RecordState::Edit || t->state() == RecordState::Insert)
        return;
    if (append) {
        t->append();
        return;
    }
    if (t->isEmpty())
        throw EngineError(QStringLiteral("There is no current row in the table %1.").arg(t->tableName()));
    t->edit();
}

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

void TfrmClientAdd::refuse(const QString &message, const QString &focusField)
{
    pageCheckFailed = true;
    dialogs().error(message);
    if (QWidget *w = editor(focusField))
        w->setFocus();
}

void TfrmClientAdd::reportPostFailure(const QString &engineText)
{
    pageCheckFailed = true;
    dialogs().error(isUniqueBreach(engineText) ? kClientExists : engineText);
}

QString TfrmClientAdd::currentValue(const QString &field) const
{
    if (QWidget *page = currentPage()) {
        const FieldBinder &b = m_pages.at(page).binder;
        if (QWidget *w = b.editorOf(field)) {
            if (auto *e = qobject_cast<QLineEdit *>(w))
                return e->text();
            if (auto *cb = qobject_cast<QComboBox *>(w))
                return cb->currentText();
        }
    }
    Table *t = (field == QLatin1String("Date") || field == QLatin1String("Description")) ? dm1->tblNettora
                                                                                        : dm1->tblClient;
    return t->asString(field);
}

// ------------------------------------------------------------------ saving

void TfrmClientAdd::GetButtonFunction()
{
    pageCheckFailed = false;
    QWidget *page = currentPage();
    if (!page)
        return;
    // Take the focus off the editor being typed in, as the user leaving it would.
    if (QWidget *f = focusWidget(); f && page->isAncestorOf(f))
        page->setFocus();
    if (page == tsClientPersonal)
        UpdatePersonalInformation();
    else if (page == tsClientReporting)
        ReportingDate();
    else if (page == tsPersonalEmployment)
        PersonalEmployment();
    else if (page == tsPersonalContacts)
        PersonalContacts();
    else if (page == tsSpouseInfo)
        UpdateSpouseInformation();
    else if (page == tsSpouseEmployment)
        SpouseEmployment();
    else if (page == tsSpouseContacts)
        SpouseContacts();
}

bool TfrmClientAdd::personalChecks(const QString &p)
{
    Table *c = dm1->tblClient;
    QString message, focus;
    // Each failing check overrides the one before, so the last one is
    // reported; the last name is only looked at with a first name given.
    if (c->asString(p + "FirstName").isEmpty()) {
        message = QStringLiteral("Please enter \"First Name\".");
        focus = p + "FirstName";
    } else if (c->asString(p + "LastName").isEmpty()) {
        message = QStringLiteral("Please enter \"Last Name\".");
        focus = p + "LastName";
    }
    if (c->asString(p + "MaritalStatus").isEmpty()) {
        message = QStringLiteral("Please enter \"Marital Status\".");
        focus = p + "MaritalStatus";
    }
    if (c->asString(p + "Dependents").trimmed().isEmpty()) {
        message = QStringLiteral("Please enter the number of \"Dependants\".");
        focus = p + "Dependents";
    }
    if (message.isEmpty())
        return true;
    refuse(message, focus);
    return false;
}

void TfrmClientAdd::UpdatePersonalInformation()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    const bool adding = addMode();
    if (!storePage(tsClientPersonal, c, adding))
        return;
    if (!personalChecks(QString()))
        return;

    try {
        std::optional<QString> description;
        if (!adding)
            description = st->asString("Description");
        for (const DerivedField &d : personalPageFields(fieldReader(*c), description))
            c->setAsString(d.field, d.value);
    } catch (const EngineError &) {
        c->cancel();
        st->cancel();
        pageCheckFailed = true;
        return;
    }

    if (adding) {
        Database &db = dm1->db();
        QString clientId, statementId;
        try {
            // The client and its first statement are stored together or not at all.
            Transaction tx(db);
            c->post();
            clientId = QString::number(db.lastInsertRowId());
            st->append();
            st->setAsString("ClientId", clientId);
            st->setAsString("Date", QDate::currentDate().toString(QStringLiteral("MM/dd/yyyy")));
            st->post();
            statementId = QString::number(db.lastInsertRowId());
            tx.commit();
        } catch (const EngineError &e) {
            c->cancel();
            st->cancel();
            reportPostFailure(e.text());
            // A fresh row for the next attempt; the editors keep what was typed.
            try {
                c->append();
            } catch (const EngineError &) {
            }
            return;
        }
        appState().selectedClientId = clientId;
        m_clientId = clientId;
        m_statementId = statementId;
        guarded([&] {
            c->setIndexName(QStringLiteral("ID"));
            c->setFilter(QStringLiteral("Id = ") + filterText(clientId));
            c->setFiltered(true);
            c->first();
            FilterStatementTables(clientId, statementId);
        });
    } else {
        const QString id = c->asString("Id");
        try {
            c->post();
        } catch (const EngineError &e) {
            c->cancel();
            reportPostFailure(e.text());
            return;
        }
        appState().selectedClientId = id;
    }
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::UpdateSpouseInformation()
{
    saveClientPage(tsSpouseInfo, QStringLiteral("S"), spousePageFields);
}

void TfrmClientAdd::PersonalEmployment()
{
    saveClientPage(tsPersonalEmployment, std::nullopt, employmentPageFields);
}

void TfrmClientAdd::SpouseEmployment()
{
    saveClientPage(tsSpouseEmployment, std::nullopt, spouseEmploymentPageFields);
}

bool TfrmClientAdd::storePage(QWidget *page, Table *t, bool append)
{
    const bool stored = guarded([&] {
        beginEditing(t, append);
        m_pages.at(page).binder.store(t);
    });
    if (!stored)
        pageCheckFailed = true;
    return stored;
}

void TfrmClientAdd::saveClientPage(QWidget *page, const std::optional<QString> &checkPrefix, Derive derive)
{
    Table *c = dm1->tblClient;
    if (!storePage(page, c, false))
        return;
    if (checkPrefix && !personalChecks(*checkPrefix))
        return;
    if (!derive) {
        // The contacts pages: nothing derived, and posted without the
        // client's narrowing that the other pages renew.
        if (!guarded([c] { c->post(); })) {
            pageCheckFailed = true;
            return;
        }
        closePage();
        return;
    }
    if (!guarded([&] {
            for (const DerivedField &d : derive(fieldReader(*c)))
                c->setAsString(d.field, d.value);
        })) {
        pageCheckFailed = true;
        return;
    }
    postClientTail();
}

void TfrmClientAdd::postClientTail()
{
    Table *c = dm1->tblClient;
    QString id = c->asString("Id");
    try {
        c->post();
    } catch (const EngineError &e) {
        reportPostFailure(e.text());  // the edit stays, to be corrected
        return;
    }
    if (id.isEmpty())
        id = QString::number(dm1->db().lastInsertRowId());
    // The id of the row just posted, not the last row of whatever the table
    // shows, is what becomes the selected client.
    appState().selectedClientId = id;
    guarded([&] {
        c->setIndexName(QStringLiteral("LF"));
        c->setFilter(QStringLiteral("Id = ") + filterText(id));
        c->setFiltered(true);
        c->first();
    });
    appState().clientMode = ClientMode::Edit;
    closePage();
}

void TfrmClientAdd::PersonalContacts()
{
    saveClientPage(tsPersonalContacts, std::nullopt, nullptr);
}

void TfrmClientAdd::SpouseContacts()
{
    saveClientPage(tsSpouseContacts, std::nullopt, nullptr);
}

void TfrmClientAdd::ReportingDate()
{
    Table *c = dm1->tblClient;
    Table *st = dm1->tblNettora;
    // The date as stored, before the page's editors are stored over it.
    QString storedDate;
    const bool began = guarded([&] {
        beginEditing(st, false);
        storedDate = st->asString("Date");
    });
    if (!began) {
        pageCheckFailed = true;
        return;
    }
    if (!storePage(tsClientReporting, st, false))
        return;
    const QString date = st->asString("Date");
    const QString description = st->asString("Description");
    const QString fullName2 = c->asString("FullName2");
    if (date.isEmpty()) {
        refuse(QStringLiteral("Please enter the reporting date."), QStringLiteral("Date"));
        return;
    }
    // A date typed here is a real one, kept in full; one stored before in
    // another form stays as it is until it is changed.
    if (date != storedDate) {
        const QString full = fullDateText(date);
        if (full.isEmpty()) {
            refuse(statementDateRefusal(date), QStringLiteral("Date"));
            return;
        }
        st->setAsString("Date", full);
    }
    if (description.isEmpty()) {
        refuse(QStringLiteral("Please enter a description."), QStringLiteral("Description"));
        return;
    }
    try {
        // The description and the client's line that quotes it change together.
        Transaction tx(dm1->db());
        beginEditing(c, false);
        c->setAsString("ClientDescription", composeClientDescription(fullName2, description));
        c->post();
        st->post();
        tx.commit();
    } catch (const EngineError &e) {
        c->cancel();
        pageCheckFailed = true;
        dialogs().error(e.text());
        return;
    }
    closePage();
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
