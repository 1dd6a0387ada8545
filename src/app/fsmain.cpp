#include "app/fsmain.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/money.h"
#include "kit/pagetext.h"
#include "calc/section_totals.h"
#include "data/datamodule.h"
#include "data/dates.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>

#include <functional>
#include <optional>

namespace nettora {

namespace {

bool modeIs(ClientMode mode) { return appState().clientMode == mode; }

// The net worth panel: caption, statement field, and whether it is a total.
const struct {
    const char *caption, *field;
    bool total;
} kPanel[] = {
    {"Cash (A):", "CashOnHand", false},
    {"Real Estate (B):", "RealEstateTotals", false},
    {"Securities (C):", "InvestmentTotals", false},
    {"Automobiles (D):", "AutoTotal", false},
    {"Life Insurance (E):", "LifeCash", false},
    {"Personal Assets (F):", "PersonalAssets", false},
    {"Business Assets (G):", "BusinessAssets", false},
    {"Notes Receivable (H):", "NotesReceivable", false},
    {"Margin Accounts (H):", "MarginAccounts", false},
    {"All Other Assets (H):", "OtherAssets", false},
    {"Total Assets:", "TotalAssets", true},
    {"Notes Payable (I):", "BankLiability", false},
    {"Mortgages Payable (J):", "MortgageLiabilitiesTotals", false},
    {"Credit Card Liability (K):", "CreditCardLiability", false},
    {"Auto Liability (L):", "AutoLiability", false},
    {"Tax Liability (L):", "TaxLiability", false},
    {"All Other Liabilities (N):", "OtherLiability", false},
    {"Contingent Liabilities (O):", "ContingentLiability", false},
    {"Total Liabilities:", "TotalLiabilities", true},
    {"Liabilities and Net Worth:", "TotalLiabilitiesandNetWorth", true},
    {"Net Worth:", "NetWorth", true},
};

// The date and description boxes with their texts, as on the add and the
// update page.
struct DateBoxes {
    QLineEdit *date, *description;
};

DateBoxes buildDatePage(QWidget *page, const QString &title, QLabel **name, const QString &nameObject)
{
    using namespace pagetext;
    heading(page, title, 6);
    *name = nameInHeading(page, nameObject, 28, PageWidth - 24);
    line(page, QStringLiteral("As of what date is the information reported in this statement. "), 12, 64);
    caption(page, QStringLiteral("*Date: "), 12, 90, 140);
    auto *date = new QLineEdit(page);
    date->setGeometry(160, 87, 100, 22);
    date->setMaxLength(12);
    line(page, QStringLiteral("mm/dd/yyyy "), 268, 91, 100);
    line(page, QStringLiteral("Enter a statement description.  Ex:  2nd Quarter, Annual,  1st  Half,  etc."), 12, 130);
    caption(page, QStringLiteral("*Statement Description: "), 12, 156, 145);
    auto *description = new QLineEdit(page);
    description->setGeometry(160, 153, 220, 22);
    limitToWidth(description, 30);  // the statement Description field, counted in characters
    line(page, QStringLiteral("* Required Fields."), 12, 196, 200);
    return {date, description};
}

// A caption a little wider than its side link is set a hair closer, so it
// fits inside the link instead of running into the page's edge.
void fitCaption(QLabel *link)
{
    QFont f = link->font();
    const int room = link->contentsRect().width() - 2;
    for (qreal spacing = -0.1; QFontMetrics(f).horizontalAdvance(link->text()) > room && spacing > -0.55;
         spacing -= 0.1)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    link->setFont(f);
}

}  // namespace

QWidget *TfrmFSMain::newPage(const char *name)
{
    auto *page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    return page;
}

TfrmFSMain::TfrmFSMain(QWidget *parent) : ScreenFrame(false, parent)
{
    using namespace pagetext;
    setObjectName(QStringLiteral("TfrmFSMain"));
    Table *statements = dm1->tblNettora;
    QLabel *addName = nullptr, *updateName = nullptr;

    tsSelect = newPage("tsSelect");
    lblHeader = heading(tsSelect, QStringLiteral("Select Financial Statement"), 6);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    lblClientName = nameInHeading(tsSelect, QStringLiteral("lblClientName"), 28, PageWidth - 24);
    dbClient = new DbGrid(statements,
                          {{QStringLiteral("Date"), QStringLiteral("Date"), 67, Qt::AlignLeft | Qt::AlignVCenter, {},
                            QStringLiteral("00/00/0000")},
                           {QStringLiteral("Description"), QStringLiteral("Description"), 0}},
                          tsSelect);
    dbClient->setObjectName(QStringLiteral("dbClient"));
    dbClient->horizontalHeader()->hide();
    // The date column is narrow: the list uses the page's small text so a
    // full mm/dd/yyyy date fits in it.
    dbClient->setFont(textFont());
    dbClient->setGeometry(12, 56, 220, 326);
    int y = 56;
    for (const auto &row : kPanel) {
        QLabel *c = caption(tsSelect, QString::fromLatin1(row.caption), 246, y, 150);
        auto *value = new QLabel(tsSelect);
        value->setObjectName(QString::fromLatin1(row.field));
        value->setFont(c->font());
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setGeometry(396, y, PageWidth - 12 - 396, 16);
        if (!row.total) {
            QFont f = c->font();
            f.setBold(false);
            c->setFont(f);
            value->setFont(f);
        }
        m_totals.emplace_back(QString::fromLatin1(row.field), value);
        y += 15;
        if (row.total || QLatin1String(row.field) == QLatin1String("OtherAssets")
            || QLatin1String(row.field) == QLatin1String("ContingentLiability"))
            y += 3;
    }
    bCancel = button(tsSelect, QStringLiteral("Cancel"), QStringLiteral("bCancel"), PageWidth - 180, 394);
    bOK = button(tsSelect, QStringLiteral("OK"), QStringLiteral("bOK"), PageWidth - 92, 394);
    bOK->setDefault(true);

    tsAdd = newPage("tsAdd");
    const DateBoxes add =
        buildDatePage(tsAdd, QStringLiteral("Add Financial Statement - Reporting Date"), &addName,
                       QStringLiteral("lblAddClientName"));
    addDate = add.date;
    addDescription = add.description;
    addDate->setObjectName(QStringLiteral("DBEdit28"));
    addDescription->setObjectName(QStringLiteral("DBEdit29"));
    m_binder.bind(addDate, statements, QStringLiteral("Date"));
    m_binder.bind(addDescription, statements, QStringLiteral("Description"));
    addCancelButton = button(tsAdd, QStringLiteral("Cancel"), QStringLiteral("TeButton19"), PageWidth - 180, 394);
    addOkButton = button(tsAdd, QStringLiteral("OK"), QStringLiteral("TeButton20"), PageWidth - 92, 394);
    addOkButton->setDefault(true);

    tsUpdate = newPage("tsUpdate");
    const DateBoxes upd = buildDatePage(tsUpdate, QStringLiteral("Update Financial Statement - Reporting Date"),
                                        &updateName, QStringLiteral("lblUpdateClientName"));
    updateDate = upd.date;
    updateDescription = upd.description;
    updateDate->setObjectName(QStringLiteral("Rdate"));
    updateDescription->setObjectName(QStringLiteral("rDescription"));
    updateCancelButton = button(tsUpdate, QStringLiteral("Cancel"), QStringLiteral("TeButton1"), PageWidth - 180, 394);
    updateOkButton = button(tsUpdate, QStringLiteral("OK"), QStringLiteral("TeButton2"), PageWidth - 92, 394);
    updateOkButton->setDefault(true);

    buildOutputPages();
    buildReviewPage();

    for (QWidget *page : {tsSelect, tsAdd, tsUpdate, tsPrint, tsEmail, tsPDF, tsEstatus, tsReview})
        addPage(page);

    const struct {
        HoverLabel **link;
        const char *name, *caption;
        std::function<QWidget *()> open;
    } sections[] = {
        {&addLink, "s1", "   Add Financial Statement", {}},
        {&personalLink, "s2", "   Personal Information", OpenClientInformationWindow},
        {&assetsLink, "s3", "   Assets", OpenAssetsWindow},
        {&liabilitiesLink, "s4", "   Liabilities", OpenLiabilitiesWindow},
        {&legalLink, "s5", "   Legal", OpenLegalWindow},
        {&notesLink, "s6", "   Notes", OpenNotesWindow},
        {&incomeLink, "s7", "   Income", OpenIncomeWindow},
        {&expendituresLink, "s8", "   Expenditures", OpenExpensesWindow},
    };
    for (const auto &s : sections) {
        // The frame runs the action only once typing pending on the page
        // being left is settled: Cancel to its question goes nowhere.
        HoverLabel **const target = s.link;
        std::function<void()> action = [this] { addLinkClick(); };
        if (s.open)
            action = [this, target] { openSection(*target); };
        HoverLabel *link = addSideLink(QString::fromLatin1(s.caption), nullptr, action);
        link->setObjectName(QString::fromLatin1(s.name));
        fitCaption(link);
        *s.link = link;
        if (s.open)
            m_sections.emplace_back(link, s.open);
    }

    // The frame asks about typing pending on the page being left before the
    // review starts.
    reviewLink = addSideLink(QStringLiteral("   Review"), nullptr, [this] { reviewLinkClick(); });
    reviewLink->setObjectName(QStringLiteral("sReview"));
    fitCaption(reviewLink);

    m_nameLabels = {lblClientName, addName, updateName};

    connect(dbClient, &DbGrid::rowChanged, this, &TfrmFSMain::updatePanel);
    connect(bOK, &QPushButton::clicked, this, &TfrmFSMain::bOKClick);
    connect(bCancel, &QPushButton::clicked, this, &TfrmFSMain::bCancelClick);
    connect(addOkButton, &QPushButton::clicked, this, &TfrmFSMain::addOkClick);
    connect(addCancelButton, &QPushButton::clicked, this, &TfrmFSMain::addCancelClick);
    connect(updateOkButton, &QPushButton::clicked, this, &TfrmFSMain::updateOkClick);
    connect(updateCancelButton, &QPushButton::clicked, this, &TfrmFSMain::updateCancelClick);
    // Enter in the boxes reaches OK as the default button of the page; a
    // double-click or Enter on a statement chooses it as OK does.
    connect(dbClient, &DbGrid::rowOpened, this, [this] {
        if (bOK->isVisible())
            bOKClick();
    });
    for (QPushButton *b : {bPrintCancel, bEmailCancel, bPdfCancel})
        connect(b, &QPushButton::clicked, this, &TfrmFSMain::bCancelClick);
    applyModeState();
}

TfrmFSMain::~TfrmFSMain()
{
    if (dm1)
        releaseRow();
}

QLabel *TfrmFSMain::totalLabel(const QString &field) const
{
    for (const auto &[name, label] : m_totals)
        if (name == field)
            return label;
    return nullptr;
}

void TfrmFSMain::showEvent(QShowEvent *event)
{
    ScreenFrame::showEvent(event);
    if (m_formShown)
        return;
    guarded([this] { FormShow(); });
}

void TfrmFSMain::FormShow()
{
    m_formShown = true;
    Table *clients = dm1->tblClient;
    clients->first();
    m_clientId = clients->asString("Id");
    for (QLabel *name : m_nameLabels)
        name->setText(clients->asString("FullName2"));
    setWindowTitle(WindowCaption());
    pcMain->setVisible(true);
    if (dm1->tblNettora->asString("Date").isEmpty() && !modeIs(ClientMode::Delete)) {
        // The statement without a date is the one to complete.
        m_addOnExisting = true;
        showAddPage();
        return;
    }
    showSelectPage();
}

void TfrmFSMain::openForMode()
{
    guarded([&] {
        if (!m_formShown)
            FormShow();
        if (modeIs(ClientMode::Add)) {
            m_addOnExisting = false;
            showAddPage();
        } else if (modeIs(ClientMode::Edit)) {
            showSelectPage();
            Table *statements = dm1->tblNettora;
            statements->first();
            statements->edit();
            dbClient->syncFromCursor();
            updatePanel();
        } else if (!modeIs(ClientMode::Delete)) {
            showSelectPage();
        }
    });
}

void TfrmFSMain::releaseRow()
{
    Table *statements = dm1->tblNettora;
    if (statements->active() && statements->state() != RecordState::Browse)
        statements->cancel();
}

void TfrmFSMain::applyModeState()
{
    const bool add = modeIs(ClientMode::Add);
    for (HoverLabel *s : {addLink, personalLink, assetsLink, liabilitiesLink, legalLink, notesLink, incomeLink,
        expendituresLink})
        s->setVisible(add);
    bOK->setVisible(!add);
    bCancel->setVisible(!add);
    // Below the section links, or in the first place when they are hidden.
    const int slot = add ? int(m_sections.size()) + 1 : 0;
    reviewLink->move(look::SideLinkLeft, look::SideLinkTop + slot * look::SideLinkStep);
}

void TfrmFSMain::afterHoverReset()
{
    if (!reviewLink)  // hover resets also run while the window is being built
        return;
    applyModeState();
    // The link opens its page itself, after the review ran.
    if (currentPage() == tsReview)
        reviewLink->setColors(Qt::white, Green);
}

void TfrmFSMain::showSelectPage()
{
    Table *statements = dm1->tblNettora;
    statements->setIndexName(QStringLiteral("DATEDESCRIPTION"));
    statements->first();
    lblHeader->setText(modeIs(ClientMode::Add) ? QStringLiteral("Select Financial Statement")
                                     : QStringLiteral("Select Financial Statement to ") + modeWord(appState().clientMode));
    openPage(tsSelect);
    dbClient->refresh();
    updatePanel();
}

void TfrmFSMain::updatePanel()
{
    Table *statements = dm1->tblNettora;
    for (const auto &[field, label] : m_totals) {
        // The stored figure as it is; an empty field stays empty.
        const QString stored = statements->asString(field);
        label->setText(stored.isEmpty() ? QString() : formatMoney(statements->asFloat(field)));
    }
}

void TfrmFSMain::openSection(HoverLabel *link)
{
    if (dm1->tblNettora->asString("Date").isEmpty()) {
        dialogs().error(QStringLiteral("\"Personal Information - Reporting Date\" must be entered before continuing."));
        return;
    }
    for (const auto &[section, open] : m_sections) {
        if (section != link)
            continue;
        const ClientMode mode = appState().clientMode;
        appState().clientMode = ClientMode::Edit;
        releaseRow();
        if (open()) {
            close();
            return;
        }
        // Nothing opened (that window is not part of this build): the
        // workspace carries on as it was.
        appState().clientMode = mode;
    }
}

void TfrmFSMain::narrowToClient()
{
    Table *statements = dm1->tblNettora;
    statements->setFilter(QStringLiteral("ClientID = ") + filterText(m_clientId));
    statements->setFiltered(true);
    m_narrowedStatement.clear();
}

void TfrmFSMain::narrowToStatement(const QString &statementId)
{
    Table *statements = dm1->tblNettora;
    statements->setFilter(QStringLiteral("ClientID = %1 and Id = %2").arg(filterText(m_clientId), statementId));
    statements->setFiltered(true);
    statements->first();
    m_narrowedStatement = statementId;
}

void TfrmFSMain::bOKClick()
{
    Table *statements = dm1->tblNettora;
    releaseRow();
    const QString clientId = statements->asString("ClientId");
    const QString statementId = statements->asString("Id");
    const qint64 selected = statements->bookmark();
    guarded([&] {
        if (modeIs(ClientMode::Delete)) {
            if (statementId.isEmpty()) {
                dialogs().error(QStringLiteral("There is no financial statement available to \"Delete\""));
                return;
            }
            if (!dialogs().warning(QStringLiteral("Are you sure you want to \"Delete\" this financial statement?")))
                return;
            if (!guarded([&] { DeleteStatement(clientId, statementId); })) {
                narrowToClient();
                showSelectPage();
                return;
            }
            dialogs().confirmation(QStringLiteral("The financial statement was successfully deleted."));
            mButtons();
            narrowToClient();
            showSelectPage();
            return;
        }
        if (statementId.isEmpty() || modeIs(ClientMode::Add))
            return;
        if (modeIs(ClientMode::Update)) {
            narrowToStatement(statementId);
            showUpdatePage();
            return;
        }
        FilterStatementTables(clientId, statementId);
        if (modeIs(ClientMode::Edit)) {
            if (OpenClientInformationWindow()) {
                close();
                return;
            }
            restoreNarrowing(tsSelect, selected);
            return;
        }
        narrowToStatement(statementId);
        openOutputPage();
    });
}

void TfrmFSMain::showHome()
{
    releaseRow();
    ShowHomeWindow();
    close();
}

void TfrmFSMain::bCancelClick()
{
    showHome();
}

void TfrmFSMain::restoreNarrowing(QWidget *page, qint64 bookmark)
{
    if (m_clientId.isEmpty())
        return;
    const QString one = page == tsSelect || page == tsAdd ? QString() : m_narrowedStatement;
    FilterStatementTables(m_clientId, one);
    Table *statements = dm1->tblNettora;
    if (one.isEmpty()) {
        narrowToClient();
        statements->setIndexName(QStringLiteral("DATEDESCRIPTION"));
    } else {
        narrowToStatement(one);
    }
    if (bookmark && statements->bookmarkValid(bookmark))
        statements->gotoBookmark(bookmark);
    else
        statements->first();
    if (page == tsAdd)
        beginAddRow();  // the boxes keep what was typed
    dbClient->refresh();
    updatePanel();
}

std::optional<ScreenFrame::PendingInput> TfrmFSMain::pendingInput()
{
    QWidget *page = currentPage();
    if (!dm1 || busy())
        return std::nullopt;
    if (page == tsAdd && m_binder.changed())
        return PendingInput{QStringLiteral("Add Financial Statement"),
                            [this] {
                                addOkClick();
                                return currentPage() != tsAdd;
                            },
                            [this] { addCancelClick(); }};
    if (page == tsUpdate && (!updateDate->text().isEmpty() || !updateDescription->text().isEmpty()))
        return PendingInput{QStringLiteral("Update Financial Statement"),
                            [this] {
                                updateOkClick();
                                return currentPage() != tsUpdate;
                            },
                            [this] {
                                updateDate->clear();
                                updateDescription->clear();
                                updateCancelClick();
                            }};
    return std::nullopt;
}

void TfrmFSMain::menuAction(Entry e)
{
    if (e == Entry::CheckUpdate || e == Entry::Help || e == Entry::Affiliate) {
        ScreenFrame::menuAction(e);
        return;
    }
    // The other entries clear every filter, which drops a pending row; the
    // narrowing comes back if this window stays (the about box, or a window
    // that is not part of this build).
    QWidget *page = currentPage();
    const qint64 selected = dm1->tblNettora->bookmark();
    ScreenFrame::menuAction(e);
    if (m_closed)
        return;
    guarded([&] { restoreNarrowing(page, selected); });
}

void TfrmFSMain::closeEvent(QCloseEvent *event)
{
    // An e-mail is on its way on another thread: the window stays until it
    // has its answer and its working file is gone.
    if (busy()) {
        event->ignore();
        return;
    }
    m_closed = true;
    releaseRow();
    ScreenFrame::closeEvent(event);
}

}  // namespace nettora
