// The statement workspace: adding, rolling forward and deleting statements,
// the net worth panel, the section labels and OK by mode, as real widgets
// over a real data directory.
#include "support/window_fixture.h"

#include "kit/btn_functions.h"
#include "kit/money.h"
#include "calc/section_totals.h"
#include "clients/client_fields.h"
#include "data/filter.h"
#include "data/schema.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>

using namespace nettora;
using namespace nettora::test;

TEST(Money, FormatsDollarsAndCents)
{
    const struct {
        double amount;
        const char *text;
    } cases[] = {
        {0, "$0.00"},           {1234.5, "$1,234.50"},         {-250, "-$250.00"},
        {999.996, "$1,000.00"}, {1234567.891, "$1,234,567.89"}, {-0.004, "$0.00"},
        {12.3456, "$12.35"},    {-1000000, "-$1,000,000.00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatMoney(c.amount), c.text) << c.amount;
}

class Workspace : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        makeHome();
        ann = addClient("Ann", "Able");
        setClient({{"FullName", composeFullName("Ann", QString(), "Able")},
                   {"FullName2", composeFullName2("Ann", QString(), "Able")}});
    }
    // The workspace as the client window opens it for Ann.
    TfrmFSMain *open(const QString &mode) { return openWorkspace(ann, mode); }
    // A statement whose totals are those of its schedule rows.
    qint64 statementWithCash(const QString &date, const QString &description, std::initializer_list<const char *> balances)
    {
        const qint64 s = addStatement(ann, date, description);
        for (const char *b : balances)
            addRow(dm1->tblCash, ann, s, {{"RegisteredName", QString::fromLatin1(b)}, {"Balance", QString::fromLatin1(b)}});
        FilterStatementTables(QString::number(ann), QString::number(s));
        RecalcAll();
        ClearAllFilters();
        return s;
    }
    // The stored form of each headline total, read past the cursors.
    QStringList storedTotals(qint64 statement)
    {
        QStringList out;
        for (const QString &f : headlineTotals()) {
            Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM \"Nettora\" WHERE Id = ?").arg(f));
            st.bind(1, statement);
            st.step();
            out << st.columnText(0);
        }
        return out;
    }
    qint64 ann = 0;
};

TEST_F(Workspace, NewStatementFromTheAddPageShowsZeroInEveryTotal)
{
    TfrmFSMain *fs = open("Add");
    ASSERT_EQ(fs->currentPage(), fs->tsAdd);
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Insert);
    EXPECT_EQ(fs->focusWidget(), fs->addDate);
    EXPECT_EQ(fs->windowTitle(), WindowCaption());
    saveScreenshot(fs, "workspace_add");

    type(fs->addDate, "12/31/2025");
    type(fs->addDescription, "Annual");
    click(fs->addOkButton);
    EXPECT_TRUE(m_dialogs->shown().empty());
    ASSERT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts(), QStringList{"12/31/2025\tAnnual"});
    EXPECT_FALSE(fs->bOK->isVisible());
    EXPECT_TRUE(fs->assetsLink->isVisible());
    for (const QString &f : headlineTotals()) {
        ASSERT_NE(fs->totalLabel(f), nullptr) << f.toStdString();
        EXPECT_EQ(fs->totalLabel(f)->text(), "$0.00") << f.toStdString();
    }
    ASSERT_EQ(countRows("Nettora"), 1);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1'").arg(ann)), 1);
    dm1->tblNettora->first();
    EXPECT_EQ(storedTotals(dm1->tblNettora->asInteger("Id")), QStringList(headlineTotals().size(), "0"));
    saveScreenshot(fs, "workspace_select_new");
}

TEST_F(Workspace, AddPageReportsTheFirstMissingItemAndKeepsTheRowPending)
{
    TfrmFSMain *fs = open("Add");
    const struct {
        const char *date, *description, *message;
        QLineEdit *TfrmFSMain::*focus;
    } cases[] = {
        {"", "", "Please enter the reporting date.", &TfrmFSMain::addDate},
        {"", "Annual", "Please enter the reporting date.", &TfrmFSMain::addDate},
        {"12/31/2025", "", "Please enter a description.", &TfrmFSMain::addDescription},
    };
    for (const auto &c : cases) {
        m_dialogs->clear();
        type(fs->addDate, c.date);
        type(fs->addDescription, c.description);
        click(fs->addOkButton);
        EXPECT_EQ(m_dialogs->texts(), QStringList{c.message});
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_EQ(fs->focusWidget(), fs->*c.focus) << c.message;
        EXPECT_EQ(fs->currentPage(), fs->tsAdd);
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Insert);
        EXPECT_EQ(countRows("Nettora"), 0);
    }
    // Cancel gives the new row up.
    click(fs->addCancelButton);
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
    EXPECT_EQ(countRows("Nettora"), 0);
    EXPECT_TRUE(fs->dbClient->rowTexts().isEmpty());
}

// What a statement's date may be, on the add page and on the roll-forward
// page alike: stored month/day/year in full, or refused naming the box.
namespace {
const struct {
    const char *typed, *stored;  // stored nullptr: refused
} kStatementDates[] = {
    {"06/31/2026", nullptr}, {"02/29/2025", nullptr},       {"13/01/2026", nullptr},
    {"02/29/2024", "02/29/2024"}, {"1/2/26", "01/02/2026"}, {"12/31/49", "12/31/2049"},
};

QString dateRefusal(const char *typed)
{
    return QStringLiteral("'%1' is not a valid date in Statement Date. Type it as month/day/year, like 12/31/2025.")
        .arg(QLatin1String(typed));
}
}  // namespace

TEST_F(Workspace, NewStatementDatesAreRealDatesStoredInFull)
{
    // A date stored before is shown as it was typed then.
    addStatement(ann, "1/5/09", "Old");
    TfrmFSMain *fs = open("Add");
    int rows = 1;
    for (const auto &c : kStatementDates) {
        SCOPED_TRACE(c.typed);
        if (fs->currentPage() != fs->tsAdd)
            click(fs->addLink);
        m_dialogs->clear();
        type(fs->addDate, c.typed);
        type(fs->addDescription, c.typed);
        click(fs->addOkButton);
        if (!c.stored) {
            EXPECT_EQ(m_dialogs->texts(), QStringList{dateRefusal(c.typed)});
            EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
            EXPECT_EQ(fs->currentPage(), fs->tsAdd);
            EXPECT_EQ(fs->focusWidget(), fs->addDate);
            EXPECT_EQ(dm1->tblNettora->state(), RecordState::Insert);
            EXPECT_EQ(countRows("Nettora"), rows);
            continue;
        }
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join('|').toStdString();
        EXPECT_EQ(fs->currentPage(), fs->tsSelect);
        EXPECT_EQ(countRows("Nettora", QStringLiteral("Date = '%1' AND Description = '%2'")
                                           .arg(QLatin1String(c.stored), QLatin1String(c.typed))),
                  1);
        EXPECT_EQ(countRows("Nettora"), ++rows);
    }
    EXPECT_TRUE(fs->dbClient->rowTexts().contains("1/5/09\tOld"));
}

TEST_F(Workspace, DescriptionsHoldThirtyCharactersWhateverTheirScript)
{
    addStatement(ann, "1/5/09", "Old");
    TfrmFSMain *fs = open("Update");
    fs->dbClient->selectRow(fs->dbClient->rowTexts().indexOf("1/5/09\tOld"));
    click(fs->bOK);
    ASSERT_EQ(fs->currentPage(), fs->tsUpdate);
    const QString thirty = QString::fromUtf8("\xF0\x9F\x98\x80").repeated(30);
    for (QLineEdit *description : {fs->addDescription, fs->updateDescription}) {
        SCOPED_TRACE(description->objectName().toStdString());
        // Typed through the input method, as emoji are; each is one character.
        description->clear();
        for (const QString &text : {thirty, QStringLiteral("x")}) {
            QInputMethodEvent e;
            e.setCommitString(text);
            QApplication::sendEvent(description, &e);
        }
        EXPECT_EQ(description->text(), thirty);  // the one more is refused
    }
    type(fs->updateDate, QStringLiteral("12/31/2025"));
    m_dialogs->clear();
    click(fs->updateOkButton);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"The financial statement was successfully updated."});
    EXPECT_EQ(countRows("Nettora", QStringLiteral("Description = '%1'").arg(thirty)), 1);
}

TEST_F(Workspace, RolledForwardDatesAreRealDatesStoredInFull)
{
    const qint64 source = addStatement(ann, "1/5/09", "Old");
    TfrmFSMain *fs = open("Update");
    int rows = 1;
    for (const auto &c : kStatementDates) {
        SCOPED_TRACE(c.typed);
        if (fs->currentPage() != fs->tsUpdate) {
            appState().clientMode = ClientMode::Update;
            fs->dbClient->selectRow(fs->dbClient->rowTexts().indexOf("1/5/09\tOld"));
            click(fs->bOK);
            ASSERT_EQ(fs->currentPage(), fs->tsUpdate);
        }
        m_dialogs->clear();
        type(fs->updateDate, c.typed);
        type(fs->updateDescription, c.typed);
        click(fs->updateOkButton);
        if (!c.stored) {
            EXPECT_EQ(m_dialogs->texts(), QStringList{dateRefusal(c.typed)});
            EXPECT_EQ(fs->currentPage(), fs->tsUpdate);
            EXPECT_EQ(fs->focusWidget(), fs->updateDate);
            EXPECT_EQ(countRows("Nettora"), rows);
            continue;
        }
        EXPECT_EQ(m_dialogs->texts(), QStringList{"The financial statement was successfully updated."});
        EXPECT_EQ(fs->currentPage(), fs->tsSelect);
        EXPECT_EQ(countRows("Nettora", QStringLiteral("Date = '%1' AND Description = '%2'")
                                           .arg(QLatin1String(c.stored), QLatin1String(c.typed))),
                  1);
        EXPECT_EQ(countRows("Nettora"), ++rows);
    }
    EXPECT_EQ(stored("Nettora", source, "Date"), "1/5/09");
}

TEST_F(Workspace, APendingNewRowIsNeverPostedByLeavingWhenDiscarded)
{
    addStatement(ann, "12/31/2024", "Annual");
    // Another add link, going home, and a menu window that may not exist.
    const struct {
        const char *how;
        std::function<void(TfrmFSMain *)> leave;
    } ways[] = {
        {"add link again", [](TfrmFSMain *fs) { click(fs->addLink); click(fs->addCancelButton); }},
        {"HOME", [](TfrmFSMain *fs) { click(fs->mExit); }},
        {"OPTIONS", [](TfrmFSMain *fs) { click(fs->mOptions); }},
        {"closing", [](TfrmFSMain *fs) { fs->close(); }},
    };
    for (const auto &w : ways) {
        TfrmFSMain *fs = open("Add");
        ASSERT_EQ(fs->currentPage(), fs->tsAdd);
        type(fs->addDate, "01/01/2030");
        type(fs->addDescription, "Typed");
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({SaveChoice::Discard});
        w.leave(fs);
        QApplication::processEvents();
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Save the changes to Add Financial Statement?"}) << w.how;
        EXPECT_EQ(countRows("Nettora"), 1) << w.how;
        closeScreenWindows(home);
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse) << w.how;
        EXPECT_EQ(countRows("Nettora"), 1) << w.how;
    }
}

TEST_F(Workspace, OpensOnTheAddPageWhenThereIsNoDatedStatementExceptInDeleteMode)
{
    const struct {
        const char *mode;
        bool undatedStatement;
        const char *page;
    } cases[] = {
        {"Update", false, "tsAdd"}, {"Print", false, "tsAdd"},  {"Delete", false, "tsSelect"},
        {"Email", true, "tsAdd"},   {"Delete", true, "tsSelect"},
    };
    for (const auto &c : cases) {
        Transaction cleanup(dm1->db());  // each case starts from Ann without statements
        if (c.undatedStatement)
            addStatement(ann, "", "Draft");
        ClearAllFilters();
        appState().clientMode = clientModeNamed(QString::fromLatin1(c.mode));
        FilterStatementTables(QString::number(ann), QString());
        auto *fs = new TfrmFSMain;
        fs->show();
        EXPECT_EQ(fs->currentPage()->objectName(), c.page) << c.mode << c.undatedStatement;
        delete fs;
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
    }
}

TEST_F(Workspace, AnUndatedStatementIsCompletedOnTheAddPage)
{
    const qint64 s = addStatement(ann, "", "");
    appState().clientMode = ClientMode::Update;
    FilterStatementTables(QString::number(ann), QString());
    auto *fs = new TfrmFSMain;
    fs->show();
    ASSERT_EQ(fs->currentPage(), fs->tsAdd);
    type(fs->addDate, "06/30/2025");
    type(fs->addDescription, "Half");
    click(fs->addOkButton);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(countRows("Nettora"), 1);
    EXPECT_EQ(fs->dbClient->rowTexts(), QStringList{"06/30/2025\tHalf"});
    EXPECT_EQ(storedTotals(s), QStringList(headlineTotals().size(), "0"));
    EXPECT_TRUE(fs->bOK->isVisible());
    EXPECT_EQ(fs->lblHeader->text(), "Select Financial Statement to Update");
}

TEST_F(Workspace, PanelFollowsTheSelectedStatement)
{
    statementWithCash("12/31/2024", "Annual", {"1234.5"});
    const qint64 s2 = statementWithCash("12/31/2025", "Annual", {"100", "20.25"});
    {
        // A negative net worth reads with a leading minus.
        Statement st = dm1->db().prepare("UPDATE Nettora SET NetWorth = -2500000 WHERE Id = ?");
        st.bind(1, s2);
        st.run();
    }
    TfrmFSMain *fs = open("Update");
    ASSERT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts(), (QStringList{"12/31/2024\tAnnual", "12/31/2025\tAnnual"}));
    EXPECT_EQ(fs->totalLabel("CashOnHand")->text(), "$1,234.50");
    EXPECT_EQ(fs->totalLabel("TotalAssets")->text(), "$1,234.50");
    fs->dbClient->selectRow(1);
    EXPECT_EQ(fs->totalLabel("CashOnHand")->text(), "$120.25");
    EXPECT_EQ(fs->totalLabel("NetWorth")->text(), "-$250.00");
    EXPECT_EQ(fs->totalLabel("TotalLiabilities")->text(), "$0.00");
    saveScreenshot(fs, "workspace_select");
}

TEST_F(Workspace, RollForwardCopiesTheStatementAndLeavesTheSourceAlone)
{
    const qint64 source = statementWithCash("12/31/2007", "Annual", {"100", "200", "300"});
    addRow(dm1->tblAuto, ann, source, {{"Description", "Car"}, {"CurrentValue", "5000"}});
    FilterStatementTables(QString::number(ann), QString::number(source));
    RecalcAll();
    const QStringList totals = storedTotals(source);
    ASSERT_EQ(totals[headlineTotals().indexOf("TotalAssets")], QString::number(currencyToStorage(5600)));

    TfrmFSMain *fs = open("Update");
    // Cancel on the update page returns to the list of the client's statements.
    click(fs->bOK);
    ASSERT_EQ(fs->currentPage(), fs->tsUpdate);
    EXPECT_EQ(fs->updateDate->text(), "");
    EXPECT_EQ(fs->focusWidget(), fs->updateDate);
    saveScreenshot(fs, "workspace_update");
    click(fs->updateCancelButton);
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts(), QStringList{"12/31/2007\tAnnual"});

    click(fs->bOK);
    const struct {
        const char *date, *description, *message;
        QLineEdit *TfrmFSMain::*focus;
    } checks[] = {
        {"", "", "Please enter the reporting date.", &TfrmFSMain::updateDate},
        {"12/31/2008", "", "Please enter a description.", &TfrmFSMain::updateDescription},
    };
    for (const auto &c : checks) {
        m_dialogs->clear();
        type(fs->updateDate, c.date);
        type(fs->updateDescription, c.description);
        click(fs->updateOkButton);
        EXPECT_EQ(m_dialogs->texts(), QStringList{c.message});
        EXPECT_EQ(fs->focusWidget(), fs->*c.focus);
        EXPECT_EQ(countRows("Nettora"), 1);
    }
    m_dialogs->clear();
    type(fs->updateDate, "12/31/2008");
    type(fs->updateDescription, "Annual 2008");
    click(fs->updateOkButton);
    ASSERT_EQ(m_dialogs->shown().size(), 1u);
    EXPECT_EQ(m_dialogs->shown()[0].kind, "confirmation");
    EXPECT_EQ(m_dialogs->shown()[0].text, "The financial statement was successfully updated.");
    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts(), (QStringList{"12/31/2007\tAnnual", "12/31/2008\tAnnual 2008"}));

    Statement newest = dm1->db().prepare(QStringLiteral("SELECT max(Id) FROM Nettora"));
    ASSERT_TRUE(newest.step());
    const qint64 copy = newest.columnInt(0);
    ASSERT_NE(copy, source);
    EXPECT_EQ(storedTotals(source), totals);
    EXPECT_EQ(storedTotals(copy), totals);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("Id = %1 AND Date = '12/31/2007' AND Description = 'Annual'").arg(source)), 1);
    for (const char *t : {"Cash", "Auto"}) {
        const QString from = QStringLiteral("StatementId = '%1'").arg(source);
        const QString to = QStringLiteral("StatementId = '%1'").arg(copy);
        EXPECT_EQ(countRows(t, to), countRows(t, from)) << t;
        EXPECT_EQ(countRows(t, "Updated IS NOT NULL"), 0) << t;
    }
    EXPECT_EQ(countRows("Cash", QStringLiteral("StatementId = '%1'").arg(source)), 3);
}

TEST_F(Workspace, DeletingAStatementAsksThenRemovesItWithItsRows)
{
    const qint64 keep = statementWithCash("12/31/2024", "Annual", {"10"});
    const qint64 gone = statementWithCash("12/31/2025", "Annual", {"20", "30"});
    const qint64 bob = addClient("Bob", "Other");
    const qint64 bobs = addStatement(bob);
    addRow(dm1->tblCash, bob, bobs, {{"Balance", "1"}});

    TfrmFSMain *fs = open("Delete");
    ASSERT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->lblHeader->text(), "Select Financial Statement to Delete");
    fs->dbClient->selectRow(1);
    m_dialogs->answerWarnings({false});
    click(fs->bOK);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Are you sure you want to \"Delete\" this financial statement?"});
    EXPECT_EQ(countRows("Nettora"), 3);

    m_dialogs->clear();
    fs->dbClient->selectRow(1);
    m_dialogs->answerWarnings({true});
    click(fs->bOK);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[1].kind, "confirmation");
    EXPECT_EQ(m_dialogs->shown()[1].text, "The financial statement was successfully deleted.");
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->dbClient->rowTexts(), QStringList{"12/31/2024\tAnnual"});
    EXPECT_EQ(countRows("Nettora", QStringLiteral("Id = %1").arg(gone)), 0);
    EXPECT_EQ(countRows("Cash", QStringLiteral("StatementId = '%1'").arg(gone)), 0);
    EXPECT_EQ(countRows("Cash", QStringLiteral("StatementId = '%1'").arg(keep)), 1);
    EXPECT_EQ(countRows("Cash", QStringLiteral("ClientId = '%1'").arg(bob)), 1);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("Id = %1").arg(bobs)), 1);

    m_dialogs->answerWarnings({true});
    click(fs->bOK);
    EXPECT_TRUE(fs->dbClient->rowTexts().isEmpty());
    m_dialogs->clear();
    click(fs->bOK);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"There is no financial statement available to \"Delete\""});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
}

TEST_F(Workspace, SectionLinksNeedAReportingDate)
{
    addStatement(ann, "", "Undated");  // first in date order
    addStatement(ann, "12/31/2025", "Annual");
    TfrmFSMain *fs = open("Add");
    const QString message = "\"Personal Information - Reporting Date\" must be entered before continuing.";

    // The new row on the add page has no date yet, nor has the undated one.
    click(fs->assetsLink);
    EXPECT_EQ(m_dialogs->texts(), QStringList{message});
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Insert);
    click(fs->addCancelButton);
    ASSERT_EQ(fs->dbClient->rowTexts().first(), "\tUndated");
    for (HoverLabel *link : {fs->personalLink, fs->assetsLink, fs->liabilitiesLink, fs->legalLink, fs->notesLink,
        fs->incomeLink, fs->expendituresLink}) {
        m_dialogs->clear();
        click(link);
        EXPECT_EQ(m_dialogs->texts(), QStringList{message}) << link->text().toStdString();
        EXPECT_TRUE(fs->isVisible());
        EXPECT_EQ(appState().clientMode, ClientMode::Add);
    }
    EXPECT_EQ(countRows("Nettora"), 2);

    // A section whose window does not open leaves the workspace as it was.
    fs->dbClient->selectRow(1);
    m_dialogs->clear();
    registerWindowFactory("TfrmNotes", [] { return static_cast<QWidget *>(nullptr); });
    click(fs->notesLink);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_TRUE(fs->isVisible());
    EXPECT_EQ(appState().clientMode, ClientMode::Add);
    registerAllWindows();

    // One that opens takes over in Edit mode.
    QPointer<TfrmFSMain> guard(fs);
    click(fs->personalLink);
    QApplication::processEvents();
    EXPECT_EQ(appState().clientMode, ClientMode::Edit);
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    QWidget *info = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == "TfrmClientAdd")
            info = w;
    EXPECT_NE(info, nullptr);
}

TEST_F(Workspace, SectionLabelsShowOnlyInAddModeAndTakeTheHoverLook)
{
    addStatement(ann, "12/31/2025", "Annual");
    TfrmFSMain *fs = open("Add");
    click(fs->addCancelButton);
    const char *captions[] = {"   Add Financial Statement", "   Personal Information", "   Assets", "   Liabilities",
                              "   Legal", "   Notes", "   Income", "   Expenditures"};
    const HoverLabel *links[] = {fs->addLink, fs->personalLink, fs->assetsLink, fs->liabilitiesLink, fs->legalLink,
        fs->notesLink, fs->incomeLink, fs->expendituresLink};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(links[i]->text(), captions[i]);
        EXPECT_TRUE(links[i]->isVisible());
    }
    hover(fs->liabilitiesLink);
    EXPECT_TRUE(fs->liabilitiesLink->opaque());
    EXPECT_EQ(fs->liabilitiesLink->backgroundColor(), QColor(154, 194, 1));
    EXPECT_EQ(fs->liabilitiesLink->textColor(), QColor(Qt::white));
    EXPECT_EQ(fs->liabilitiesLink->cursor().shape(), Qt::PointingHandCursor);
    moveOver(fs->tsSelect);
    EXPECT_FALSE(fs->liabilitiesLink->opaque());
    EXPECT_EQ(fs->liabilitiesLink->textColor(), QColor(Qt::black));
    EXPECT_TRUE(fs->liabilitiesLink->isVisible());
    EXPECT_FALSE(fs->bOK->isVisible());
    delete fs;

    fs = open("Print");
    moveOver(fs->imMain);
    for (const HoverLabel *l : {fs->addLink, fs->personalLink, fs->expendituresLink})
        EXPECT_FALSE(l->isVisible());
    EXPECT_TRUE(fs->bOK->isVisible());
    EXPECT_TRUE(fs->bCancel->isVisible());
}

TEST_F(Workspace, OkInEditModeNarrowsToTheStatementAndOpensPersonalInformation)
{
    statementWithCash("12/31/2024", "Annual", {"1"});
    const qint64 second = statementWithCash("12/31/2025", "Annual", {"2", "3"});
    TfrmFSMain *fs = open("Edit");
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Edit);
    fs->dbClient->selectRow(1);
    QPointer<TfrmFSMain> guard(fs);
    click(fs->bOK);
    QApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_EQ(CurrentStatementId(), QString::number(second));
    EXPECT_EQ(dm1->tblCash->recordCount(), 2);
    EXPECT_EQ(countRows("Nettora"), 2);
}

TEST_F(Workspace, PrintEmailAndPdfOpenTheirPagesOnOneStatement)
{
    statementWithCash("12/31/2024", "First", {"1"});
    const qint64 second = statementWithCash("12/31/2025", "Second", {"2", "3"});
    const struct {
        const char *mode, *page;
        QLabel *TfrmFSMain::*client;
        QLabel *TfrmFSMain::*statement;
    } cases[] = {
        {"Print", "tsPrint", &TfrmFSMain::lClient, &TfrmFSMain::lStatement},
        {"PDF", "tsPDF", &TfrmFSMain::lClientPdf, &TfrmFSMain::lstatementpdf},
        {"Email", "tsEmail", nullptr, nullptr},
    };
    for (const auto &c : cases) {
        QPointer<TfrmFSMain> fs = open(c.mode);
        fs->dbClient->selectRow(1);
        click(fs->bOK);
        EXPECT_EQ(fs->currentPage()->objectName(), c.page);
        if (c.client) {
            EXPECT_EQ((fs->*c.client)->text(), "Client: Ann Able");
            EXPECT_EQ((fs->*c.statement)->text(), "Statement: Second");
        }
        EXPECT_EQ(dm1->tblNettora->recordCount(), 1) << c.mode;
        EXPECT_EQ(CurrentStatementId(), QString::number(second));
        EXPECT_EQ(dm1->tblCash->recordCount(), 2);
        saveScreenshot(fs, QStringLiteral("workspace_") + QString::fromLatin1(c.page));

        home->hide();
        QPushButton *cancel = fs->currentPage()->findChild<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(cancel, nullptr);
        click(cancel);
        QApplication::processEvents();
        EXPECT_TRUE(home->isVisible()) << c.mode;
        EXPECT_TRUE(fs.isNull() || !fs->isVisible());
        delete fs;
    }
}

TEST_F(Workspace, CancelShowsTheHomeWindowAndClosesTheWorkspace)
{
    addStatement(ann);
    QPointer<TfrmFSMain> fs = open("Update");
    home->hide();
    click(fs->bCancel);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(fs.isNull() || !fs->isVisible());
}

// A roll-forward typed and not done is asked about on the way out: Cancel
// stays with the boxes as typed, Save rolls it forward, Discard drops it.
TEST_F(Workspace, LeavingATypedRollForwardAsks)
{
    addStatement(ann, "12/31/2024", "Annual");
    const QString question = QStringLiteral("Save the changes to Update Financial Statement?");
    for (const SaveChoice choice : {SaveChoice::Cancel, SaveChoice::Save, SaveChoice::Discard}) {
        SCOPED_TRACE(int(choice));
        const int before = countRows("Nettora");
        QPointer<TfrmFSMain> fs = open("Update");
        fs->bOKClick();
        ASSERT_EQ(fs->currentPage(), fs->tsUpdate);
        type(fs->updateDate, "12/31/2025");
        type(fs->updateDescription, "Annual");
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({choice});
        click(fs->mExit);
        QApplication::processEvents();
        ASSERT_FALSE(m_dialogs->shown().empty());
        EXPECT_EQ(m_dialogs->shown()[0].text, question);
        EXPECT_EQ(countRows("Nettora"), before + (choice == SaveChoice::Save ? 1 : 0));
        EXPECT_EQ(!fs.isNull() && fs->isVisible(), choice == SaveChoice::Cancel);
        if (choice == SaveChoice::Cancel) {
            EXPECT_EQ(fs->currentPage(), fs->tsUpdate);
            EXPECT_EQ(fs->updateDate->text(), "12/31/2025");
        }
        closeScreenWindows(home);
        m_dialogs->clear();
    }
}

// A section link clicked with a new statement half typed asks first; Cancel
// goes nowhere and says nothing more, the typing kept.
TEST_F(Workspace, CancellingTheQuestionOfASectionLinkStaysWithTheTyping)
{
    TfrmFSMain *fs = open("Add");
    ASSERT_EQ(fs->currentPage(), fs->tsAdd);
    for (HoverLabel *link : {fs->assetsLink, fs->legalLink, fs->addLink}) {
        type(fs->addDate, "12/31/2025");
        m_dialogs->clear();
        m_dialogs->answerSaveQuestions({SaveChoice::Cancel});
        click(link);
        QApplication::processEvents();
        ASSERT_EQ(m_dialogs->shown().size(), 1u) << m_dialogs->texts().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(m_dialogs->shown()[0].text.startsWith(QStringLiteral("Save the changes to")));
        EXPECT_TRUE(fs->isVisible());
        EXPECT_EQ(fs->currentPage(), fs->tsAdd);
        EXPECT_EQ(fs->addDate->text(), "12/31/2025");
    }
}
