// Every menu entry and top link, run from each window that shows one
// statement, followed by a save in that window. Two clients with a statement
// and cash rows each: whatever the action did to the shared filters, the
// saved row lands on the window's own statement and both statements keep
// right totals. An action that leaves a window with typing in it asks
// first: what is discarded is written nowhere, what is saved lands on the
// window's own client.
#include "support/testsupport.h"

#include "kit/btn_functions.h"
#include "app/fsmain.h"
#include "app/windows.h"
#include "calc/section_totals.h"
#include "clients/clientadd.h"
#include "data/db_functions.h"
#include "kit/app_state.h"
#include "entry/assets.h"
#include "kit/shell_open.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <cctype>

using namespace nettora;
using namespace nettora::test;

namespace {

enum class Window { Assets, ClientInformation, Workspace };
// When the action comes: with the window resting, while a new row is being
// typed, or while an existing row is being edited.
enum class Moment { Resting, Typing, Editing };

struct Action {
    const char *name;
    HoverLabel *ScreenFrame::*label;
    // Leaves the window whatever this build holds; OPTIONS, BACKUP and
    // RESTORE leave it only when their window is part of the build.
    bool alwaysLeaves;
    // Asks about unsaved typing first; the links that come back do not.
    bool asks;
};

const Action kActions[] = {
    {"OPTIONS", &ScreenFrame::mOptions, false, true},   {"SECURITY", &ScreenFrame::mSecurity, true, true},
    {"CHECK", &ScreenFrame::mCheckUpdate1, false, false}, {"UPDATE", &ScreenFrame::mCheckUpdate2, false, false},
    {"BACKUP", &ScreenFrame::mBackup, false, true},      {"RESTORE", &ScreenFrame::mRestore, false, true},
    {"HOME", &ScreenFrame::mExit, true, true},           {"help", &ScreenFrame::mHelp, false, false},
    {"about", &ScreenFrame::mAbout, false, false},        {"affiliate", &ScreenFrame::mAffiliate, false, false},
};

struct Case {
    Window window;
    Moment moment;
    int action;  // into kActions
};

std::string describe(const Case &c)
{
    std::string name = c.window == Window::Assets              ? "Assets"
                       : c.window == Window::ClientInformation ? "ClientInformation"
                                                               : "Workspace";
    name += c.moment == Moment::Resting ? "Resting" : c.moment == Moment::Typing ? "Typing" : "Editing";
    for (const char *p = kActions[c.action].name; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p)))
            name += *p;
    return name;
}

std::string caseName(const ::testing::TestParamInfo<Case> &info)
{
    return describe(info.param);
}

void PrintTo(const Case &c, std::ostream *os)
{
    *os << describe(c);
}

std::vector<Case> allCases()
{
    std::vector<Case> out;
    for (int a = 0; a < int(std::size(kActions)); ++a) {
        out.push_back({Window::Assets, Moment::Resting, a});
        out.push_back({Window::Assets, Moment::Typing, a});
        out.push_back({Window::Assets, Moment::Editing, a});
        out.push_back({Window::ClientInformation, Moment::Typing, a});
        out.push_back({Window::Workspace, Moment::Typing, a});
    }
    return out;
}

}  // namespace

class FrameActions : public DataDirTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        setShellHandler([](const QString &) { return false; });
        // Under the ID index (newest first) and the LF index, the other
        // client's statement and client row come first once filters are off.
        young = seedClient("Zed", "Young");
        youngStatement = addStatement(young, "12/31/2025", "Annual");
        able = seedClient("Ann", "Able");
        ableStatement = addStatement(able, "06/30/2025", "Half");
        addRow(dm1->tblCash, young, youngStatement,
               {{"RegisteredName", "Young savings"}, {"Type", "Savings Account"}, {"Balance", "100"}});
        addRow(dm1->tblCash, young, youngStatement,
               {{"RegisteredName", "Young checking"}, {"Type", "Checking Account"}, {"Balance", "250"}});
        for (const char *amount : {"1000", "4000"})
            addRow(dm1->tblCash, able, ableStatement, {{"RegisteredName", "Able cash"}, {"Type", "Checking Account"},
                                                       {"Balance", amount}});
        for (auto [c, s] : {std::pair{young, youngStatement}, std::pair{able, ableStatement}}) {
            FilterStatementTables(QString::number(c), QString::number(s));
            RecalcCash();
        }
        ClearAllFilters();
    }
    void TearDown() override
    {
        setShellHandler({});
        closeScreenWindows();
        DataDirTest::TearDown();
    }

    qint64 seedClient(const char *first, const char *last)
    {
        Table *c = dm1->tblClient;
        c->append();
        c->setAsString("FirstName", QString::fromLatin1(first));
        c->setAsString("LastName", QString::fromLatin1(last));
        c->setAsString("FullName2", QStringLiteral("%1 %2").arg(QLatin1String(first), QLatin1String(last)));
        c->setAsString("MaritalStatus", QStringLiteral("Single"));
        c->setAsString("Dependents", QStringLiteral("0"));
        c->post();
        return dm1->db().lastInsertRowId();
    }
    double total(qint64 statement, const char *field)
    {
        Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM Nettora WHERE Id = ?").arg(QLatin1String(field)));
        st.bind(1, statement);
        return st.step() ? st.columnInt(0) / 10000.0 : -1;
    }
    int cashRows(qint64 client, qint64 statement)
    {
        return countRows(QStringLiteral("Cash"),
                         QStringLiteral("ClientId = '%1' AND StatementId = '%2'").arg(client).arg(statement));
    }
    // Clicks the entry; a modal window it brings up is closed as the user would.
    void run(ScreenFrame *w, const Action &a)
    {
        QTimer::singleShot(0, [] {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                modal->reject();
        });
        click(w->*a.label);
        QApplication::processEvents();
    }
    // The window is there as the workspace leaves it: the young client's
    // statement made current.
    ScreenFrame *openWindow(Window kind)
    {
        if (kind == Window::Workspace) {
            // As the client window hands over in "Add": the client's
            // statements, a new one begun on the add page.
            FilterStatementTables(QString::number(young), QString());
            appState().clientMode = ClientMode::Add;
            auto *workspace = new TfrmFSMain;
            workspace->show();
            workspace->openForMode();
            QApplication::processEvents();
            return workspace;
        }
        FilterStatementTables(QString::number(young), QString::number(youngStatement));
        appState().clientMode = ClientMode::Edit;
        QWidget *w = kind == Window::Assets ? OpenAssetsWindow() : OpenClientInformationWindow();
        QApplication::processEvents();
        return qobject_cast<ScreenFrame *>(w);
    }
    static bool anotherWindowShown(const QPointer<ScreenFrame> &left)
    {
        for (QWidget *x : QApplication::topLevelWidgets())
            if (qobject_cast<ScreenFrame *>(x) && x != left.data() && x->isVisible())
                return true;
        return false;
    }
    void expectTotals(double youngCash)
    {
        for (const char *field : {"CashOnHand", "TotalAssets", "NetWorth"}) {
            EXPECT_DOUBLE_EQ(total(youngStatement, field), youngCash) << field;
            EXPECT_DOUBLE_EQ(total(ableStatement, field), 5000) << field;
        }
    }

    qint64 young = 0, youngStatement = 0, able = 0, ableStatement = 0;
};

TEST_P(FrameActions, TheNextSaveLandsOnTheWindowsOwnStatement)
{
    const Case c = GetParam();
    const Action &action = kActions[c.action];
    QPointer<ScreenFrame> w = openWindow(c.window);
    ASSERT_FALSE(w.isNull());

    if (c.window == Window::Assets) {
        auto *assets = qobject_cast<TfrmAssets *>(w.data());
        ASSERT_NE(assets, nullptr);
        EntryPage *cash = assets->page(1);
        // A new row of 500, or the 100 of the savings row made 600: either
        // way the young statement's cash comes to 850.
        const bool editing = c.moment == Moment::Editing;
        const QString name = editing ? QStringLiteral("Young savings") : QStringLiteral("Trust account");
        const auto typeRow = [&] {
            if (editing) {
                const QStringList rows = cash->grid->rowTexts();
                for (int i = 0; i < rows.size(); ++i)
                    if (rows[i].contains(name))
                        cash->grid->selectRow(i);
                click(cash->editButton);
                type(cash->editor("d1_5"), "600");
                return;
            }
            click(cash->addButton);
            type(cash->editor("d1_1"), name);
            type(cash->editor("d1_2"), "Savings Account");
            type(cash->editor("d1_5"), "500");
        };
        if (c.moment != Moment::Resting)
            typeRow();
        const bool asked = c.moment != Moment::Resting && action.asks;
        if (asked)
            m_dialogs->answerSaveQuestions({SaveChoice::Discard});
        run(w, action);
        EXPECT_EQ(m_dialogs->texts().contains("Save the changes to Assets - Cash?"), asked);
        m_dialogs->clear();
        if (w.isNull() || !w->isVisible()) {
            EXPECT_TRUE(action.alwaysLeaves || anotherWindowShown(w)) << "left for nothing";
            EXPECT_EQ(countRows("Cash"), 4) << "a discarded row was stored on the way out";
            EXPECT_EQ(countRows("Cash", "Balance = 1000000 AND RegisteredName = 'Young savings'"), 1);
            expectTotals(350);
            return;
        }
        EXPECT_FALSE(action.alwaysLeaves);
        ASSERT_EQ(assets->activePage(), cash);
        if (c.moment != Moment::Resting) {
            // The row being typed is still there, as typed.
            EXPECT_EQ(appState().entry, EntryState::Closed);
            EXPECT_TRUE(cash->okButton->isVisible());
            EXPECT_EQ(cash->editorText("d1_1"), name);
            EXPECT_EQ(cash->editorText("d1_5"), editing ? "600" : "500");
        } else {
            typeRow();
        }
        click(cash->okButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(appState().entry, EntryState::Open);
        const int youngRows = editing ? 2 : 3;
        EXPECT_EQ(cashRows(young, youngStatement), youngRows);
        EXPECT_EQ(cashRows(able, ableStatement), 2);
        EXPECT_EQ(countRows("Cash"), youngRows + 2);
        EXPECT_EQ(countRows("Cash", QStringLiteral("RegisteredName = '%1' AND ClientId = '%2' AND StatementId = '%3'")
                                        .arg(name)
                                        .arg(young)
                                        .arg(youngStatement)),
                  1);
        expectTotals(850);
        EXPECT_EQ(cash->totalLabel->text(), "Total: $850.00");
        EXPECT_EQ(cash->grid->rowTexts().size(), youngRows);
        // Personal Information opens on the window's own client and statement.
        click(assets->findChild<HoverLabel *>(QStringLiteral("s1")));
        QApplication::processEvents();
        TfrmClientAdd *info = nullptr;
        for (QWidget *x : QApplication::topLevelWidgets())
            if (auto *i = qobject_cast<TfrmClientAdd *>(x); i && i->isVisible())
                info = i;
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->lineEdit("FirstName")->text(), "Zed");
        EXPECT_EQ(CurrentStatementId(), QString::number(youngStatement));
        return;
    }

    if (c.window == Window::Workspace) {
        auto *workspace = qobject_cast<TfrmFSMain *>(w.data());
        ASSERT_NE(workspace, nullptr);
        ASSERT_EQ(workspace->currentPage(), workspace->tsAdd);
        type(workspace->addDate, "03/31/2026");
        type(workspace->addDescription, "1st Quarter");
        if (action.asks)
            m_dialogs->answerSaveQuestions({SaveChoice::Discard});
        run(w, action);
        EXPECT_EQ(m_dialogs->texts().contains("Save the changes to Add Financial Statement?"), action.asks);
        m_dialogs->clear();
        if (w.isNull() || !w->isVisible()) {
            EXPECT_TRUE(action.alwaysLeaves || anotherWindowShown(w)) << "left for nothing";
            EXPECT_EQ(countRows("Nettora"), 2) << "a statement was stored on the way out";
            expectTotals(350);
            return;
        }
        EXPECT_FALSE(action.alwaysLeaves);
        ASSERT_EQ(workspace->currentPage(), workspace->tsAdd);
        click(workspace->addOkButton);
        EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();
        EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1' AND Description = '1st Quarter'").arg(young)), 1);
        EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1'").arg(able)), 1);
        EXPECT_EQ(countRows("Nettora"), 3);
        EXPECT_EQ(workspace->dbClient->rowTexts().size(), 2);
        expectTotals(350);
        return;
    }

    auto *info = qobject_cast<TfrmClientAdd *>(w.data());
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->currentPage(), info->tsClientPersonal);
    type(info->editor("City"), "Dallas");
    // Saved, the typing lands on the window's own client wherever the
    // action leads; kept, it is saved by the next link.
    if (action.asks)
        m_dialogs->answerSaveQuestions({SaveChoice::Save});
    run(w, action);
    EXPECT_EQ(m_dialogs->texts().contains("Save the changes to Personal Information?"), action.asks);
    if (w.isNull() || !w->isVisible()) {
        EXPECT_TRUE(action.alwaysLeaves || anotherWindowShown(w)) << "left for nothing";
        // The page was saved before leaving, onto its own client.
        EXPECT_EQ(stored("Client", young, "City"), "Dallas");
        EXPECT_EQ(stored("Client", able, "City"), "");
        expectTotals(350);
        return;
    }
    EXPECT_FALSE(action.alwaysLeaves);
    // A personal-information change, then the reporting description; the
    // typing kept by the action is saved as the link leaves the page.
    const bool stillTyped = stored("Client", young, "City") != QLatin1String("Dallas");
    m_dialogs->clear();
    if (stillTyped)
        m_dialogs->answerSaveQuestions({SaveChoice::Save});
    click(info->personalLink);
    EXPECT_EQ(m_dialogs->texts(), stillTyped ? QStringList{"Save the changes to Personal Information?"} : QStringList());
    EXPECT_EQ(stored("Client", young, "City"), "Dallas");
    m_dialogs->clear();
    ASSERT_EQ(info->currentPage(), info->tsClientPersonal);
    EXPECT_EQ(info->lineEdit("FirstName")->text(), "Zed");
    type(info->editor("Address"), "12 Elm Street");
    click(info->okButton(info->tsClientPersonal));
    click(info->reportingDateLink);
    ASSERT_EQ(info->currentPage(), info->tsClientReporting);
    EXPECT_EQ(info->lineEdit("Description")->text(), "Annual");
    type(info->editor("Description"), "Year end");
    click(info->okButton(info->tsClientReporting));
    EXPECT_TRUE(m_dialogs->shown().empty()) << m_dialogs->texts().join("|").toStdString();

    EXPECT_EQ(stored("Client", young, "Address"), "12 Elm Street");
    EXPECT_EQ(stored("Client", young, "City"), "Dallas");
    EXPECT_EQ(stored("Client", able, "Address"), "");
    EXPECT_EQ(stored("Client", able, "City"), "");
    EXPECT_EQ(stored("Client", young, "ClientDescription"), "Zed Young - Year end.");
    EXPECT_EQ(stored("Client", able, "ClientDescription"), "");
    EXPECT_EQ(stored("Nettora", youngStatement, "Description"), "Year end");
    EXPECT_EQ(stored("Nettora", ableStatement, "Description"), "Half");
    expectTotals(350);
}

INSTANTIATE_TEST_SUITE_P(EveryEntry, FrameActions, ::testing::ValuesIn(allCases()), caseName);
