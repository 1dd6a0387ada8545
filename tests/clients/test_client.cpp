// The client window: searching, choosing a client by mode, deleting a client
// with everything it owns, as real widgets over a real data directory.
#include "support/testsupport.h"

#include "kit/btn_functions.h"
#include "app/fsmain.h"
#include "app/home.h"
#include "app/windows.h"
#include "clients/client.h"
#include "clients/client_fields.h"
#include "data/db_functions.h"
#include "kit/app_state.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace nettora;
using namespace nettora::test;

class ClientWindow : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        registerAllWindows();
        appState().login = LoginState::Done;
        home = new TfrmMain;
    }
    void TearDown() override
    {
        closeWindows();
        delete home;
        DataDirTest::TearDown();
    }
    // A client as the client information window leaves it: names composed.
    qint64 client(const QString &first, const QString &last)
    {
        const qint64 id = addClient(first, last);
        Table *c = dm1->tblClient;
        c->setFilter(QStringLiteral("Id = %1").arg(id));
        c->setFiltered(true);
        c->first();
        c->edit();
        c->setAsString("FullName", composeFullName(first, QString(), last));
        c->setAsString("FullName2", composeFullName2(first, QString(), last));
        c->post();
        c->setFiltered(false);
        return id;
    }
    // The window as the home window's tile opens it.
    TfrmClient *open(const QString &mode)
    {
        auto *w = qobject_cast<TfrmClient *>(OpenClientWindow(clientModeNamed(mode)));
        EXPECT_NE(w, nullptr);
        QApplication::processEvents();
        return w;
    }
    void closeWindows() { closeScreenWindows(home); }
    static void choose(DbGrid *list, const QString &fullName)
    {
        const int row = list->rowTexts().indexOf(fullName);
        ASSERT_GE(row, 0) << fullName.toStdString();
        list->selectRow(row);
    }

    TfrmMain *home = nullptr;
};

TEST_F(ClientWindow, LastNameSearchIsACaseInsensitivePrefixWithLiteralCharacters)
{
    for (const auto &[first, last] : std::initializer_list<std::pair<const char *, const char *>>{
             {"Ann", "Smith"}, {"Bob", "SMALL"}, {"Cy", "Osmond"}, {"Di", "O\"Neil"}, {"Ed", "Per%cent"},
             {"Flo", "Under_score"}, {"Gus", "Star*man"}})
        client(first, last);
    TfrmClient *w = open("Edit");
    ASSERT_EQ(w->dbClient->rowTexts().size(), 7);

    const struct {
        const char *typed;
        QStringList listed;
    } cases[] = {
        {"sm", {"SMALL Bob", "Smith Ann"}},
        {"SM", {"SMALL Bob", "Smith Ann"}},
        {"o\"", {"O\"Neil Di"}},
        {"per%", {"Per%cent Ed"}},
        {"p%", {}},
        {"under_", {"Under_score Flo"}},
        {"u_", {}},
        {"star*", {"Star*man Gus"}},
        {"s*", {}},
        {"x", {}},
    };
    for (const auto &c : cases) {
        w->edClientSearch->clear();
        QTest::keyClicks(w->edClientSearch, QString::fromUtf8(c.typed));
        EXPECT_EQ(w->dbClient->rowTexts(), c.listed) << c.typed;
    }

    click(w->bReset);
    EXPECT_EQ(w->edClientSearch->text(), "");
    EXPECT_EQ(w->dbClient->rowTexts().size(), 7);
    EXPECT_FALSE(dm1->tblClient->filtered());
    EXPECT_EQ(w->focusWidget(), w->edClientSearch);
}

TEST_F(ClientWindow, DeletePageSearchesFirstNamesAndTheSelectionPageLastNames)
{
    client("Ann", "Smith");
    client("Andy", "Osmond");
    client("Smitty", "Zane");
    TfrmClient *w = open("Delete");
    ASSERT_EQ(w->currentPage(), w->tsDeleteSelect);
    EXPECT_EQ(w->focusWidget(), w->edClientDelete);

    const struct {
        const char *typed;
        QStringList onDeletePage, onSelectionPage;
    } cases[] = {
        {"an", {"Osmond Andy", "Smith Ann"}, {}},
        {"SMI", {"Zane Smitty"}, {"Smith Ann"}},
    };
    for (const auto &c : cases) {
        w->edClientDelete->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(w->dbDeleteClient->rowTexts(), c.onDeletePage) << c.typed;
    }
    w->edClientDelete->clear();
    click(w->bDelete);
    ASSERT_EQ(w->currentPage(), w->tsClient);
    for (const auto &c : cases) {
        w->edClientSearch->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(w->dbClient->rowTexts(), c.onSelectionPage) << c.typed;
    }
    click(w->bReset);
    EXPECT_EQ(w->dbClient->rowTexts().size(), 3);
}

TEST_F(ClientWindow, OpensByModeWithItsHeadingAndSideLinks)
{
    client("Ann", "Able");
    const struct {
        const char *mode, *heading;
        bool addLink, blankLink;
    } cases[] = {
        {"Add", "Select a Client ", true, false},        {"Edit", "Select Client to Edit", false, false},
        {"Update", "Select Client to Update", false, false}, {"Print", "Select Client to Print", false, true},
        {"Email", "Select Client to Email", false, false},   {"PDF", "Select Client to PDF", false, false},
    };
    for (const auto &c : cases) {
        TfrmClient *w = open(c.mode);
        EXPECT_EQ(w->currentPage(), w->tsClient) << c.mode;
        EXPECT_EQ(w->lblHeader->text(), c.heading);
        EXPECT_EQ(w->addClientLink->isVisible(), c.addLink) << c.mode;
        EXPECT_EQ(w->blankStatementLink->isVisible(), c.blankLink) << c.mode;
        EXPECT_EQ(w->focusWidget(), w->edClientSearch) << c.mode;
        EXPECT_EQ(w->dbClient->tableModel()->headerData(0, Qt::Horizontal).toString(), "Select Client");
        EXPECT_EQ(w->lblClientName->text(), "Ann Able");
        EXPECT_EQ(w->size(), QSize(752, 519));
        saveScreenshot(w, QStringLiteral("client_") + QString::fromLatin1(c.mode));
        delete w;
    }
    TfrmClient *w = open("Delete");
    EXPECT_EQ(w->currentPage(), w->tsDeleteSelect);
    EXPECT_FALSE(w->addClientLink->isVisible());
    EXPECT_FALSE(w->blankStatementLink->isVisible());
    EXPECT_EQ(w->addClientLink->text(), "   Add New Client");
    EXPECT_EQ(w->blankStatementLink->text(), "   Print Blank Statement");
    saveScreenshot(w, "client_delete_page");
}

TEST_F(ClientWindow, RefusedOkMessages)
{
    TfrmClient *w = open("Edit");
    click(w->bOK);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"Please select a client to work with."});
    EXPECT_EQ(m_dialogs->shown()[0].kind, "error");

    client("Ann", "Smith");
    client("Bob", "Jones");
    const char *modes[] = {"Edit", "Update", "Print", "Email", "PDF"};
    for (const char *mode : modes) {
        delete w;
        m_dialogs->clear();
        w = open(mode);
        w->edClientSearch->setText("zz");  // matches nobody
        click(w->bOK);
        EXPECT_EQ(m_dialogs->texts(), QStringList{"Please select a client to work with."}) << mode;

        m_dialogs->clear();
        w->edClientSearch->setText("smi");
        ASSERT_EQ(w->dbClient->rowTexts(), QStringList{"Smith Ann"});
        click(w->bOK);
        EXPECT_EQ(m_dialogs->texts(), QStringList{"There are no financial statements available for this client."})
            << mode;
        EXPECT_EQ(m_dialogs->shown()[0].kind, "error");
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->edClientSearch->text(), "smi");
        EXPECT_EQ(w->dbClient->rowTexts(), (QStringList{"Jones Bob", "Smith Ann"})) << mode;
        for (Table *t : dm1->tables())
            EXPECT_TRUE(!t->filtered() || t == dm1->tblNotes) << t->tableName().toStdString();
        EXPECT_EQ(shownWindow<TfrmFSMain>(), nullptr);
    }
}

TEST_F(ClientWindow, OkReachesTheWorkspaceByMode)
{
    const qint64 other = client("Bob", "Jones");
    addStatement(other, "06/30/2024", "Half");
    const qint64 ann = client("Ann", "Smith");
    addStatement(ann, "12/31/2024", "Annual");
    addStatement(ann, "12/31/2025", "Annual");

    const struct {
        const char *mode;
        const char *page;
        const char *heading;
        RecordState state;
    } cases[] = {
        {"Add", "tsAdd", nullptr, RecordState::Insert},
        {"Edit", "tsSelect", "Select Financial Statement to Edit", RecordState::Edit},
        {"Update", "tsSelect", "Select Financial Statement to Update", RecordState::Browse},
        {"Print", "tsSelect", "Select Financial Statement to Print", RecordState::Browse},
        {"Email", "tsSelect", "Select Financial Statement to Email", RecordState::Browse},
        {"PDF", "tsSelect", "Select Financial Statement to PDF", RecordState::Browse},
    };
    for (const auto &c : cases) {
        QPointer<TfrmClient> w = open(c.mode);
        w->edClientSearch->setText("smith");
        click(w->bOK);
        QApplication::processEvents();
        EXPECT_TRUE(w.isNull() || !w->isVisible()) << c.mode;
        EXPECT_EQ(appState().selectedClientId, QString::number(ann));
        TfrmFSMain *fs = shownWindow<TfrmFSMain>();
        ASSERT_NE(fs, nullptr) << c.mode;
        EXPECT_EQ(fs->currentPage()->objectName(), c.page) << c.mode;
        if (c.heading) {
            EXPECT_EQ(fs->lblHeader->text(), c.heading);
        }
        EXPECT_EQ(dm1->tblNettora->state(), c.state) << c.mode;
        if (c.state == RecordState::Edit) {
            EXPECT_EQ(dm1->tblNettora->asString("Date"), "12/31/2024");  // first under date order
        } else if (c.state == RecordState::Browse) {
            EXPECT_EQ(fs->dbClient->rowTexts(), (QStringList{"12/31/2024\tAnnual", "12/31/2025\tAnnual"}));
        }
        EXPECT_EQ(fs->lblClientName->text(), "Ann Smith");
        delete fs;
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
        EXPECT_EQ(countRows("Nettora"), 3) << "nothing was posted by leaving";
        ClearAllFilters();
    }
}

TEST_F(ClientWindow, DeletePageOkOpensTheWorkspaceOrSaysThereIsNothing)
{
    const qint64 ann = client("Ann", "Smith");
    addStatement(ann);
    client("Bob", "Jones");

    TfrmClient *w = open("Delete");
    w->edClientDelete->setText("bob");
    click(w->bOKDelete);
    EXPECT_EQ(m_dialogs->texts(), QStringList{"No financial statements available to delete."});
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(dm1->tblClient->filtered());
    EXPECT_EQ(w->dbDeleteClient->rowTexts(), (QStringList{"Jones Bob", "Smith Ann"}));

    m_dialogs->clear();
    QPointer<TfrmClient> guard(w);
    choose(w->dbDeleteClient, "Smith Ann");
    click(w->bOKDelete);
    EXPECT_TRUE(m_dialogs->shown().empty());
    EXPECT_EQ(appState().clientMode, ClientMode::Delete);
    TfrmFSMain *fs = shownWindow<TfrmFSMain>();
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(fs->currentPage(), fs->tsSelect);
    EXPECT_EQ(fs->lblHeader->text(), "Select Financial Statement to Delete");
    EXPECT_TRUE(fs->bOK->isVisible());
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
}

TEST_F(ClientWindow, DeleteButtonDeletesAClientWithEveryScheduleRow)
{
    const qint64 keep1 = client("Bob", "Jones");
    const qint64 gone = client("Ann", "Smith");
    const qint64 keep2 = client("Cy", "Young");
    for (qint64 c : {keep1, gone, keep2}) {
        const qint64 s1 = addStatement(c, "12/31/2024", "Annual");
        const qint64 s2 = addStatement(c, "12/31/2025", "Annual");
        for (qint64 s : {s1, s2}) {
            addRow(dm1->tblCash, c, s, {{"RegisteredName", "Bank"}, {"Balance", "10"}});
            addRow(dm1->tblAuto, c, s, {{"Description", "Car"}});
            addRow(dm1->tblIncomes, c, s, {{"Type", "Salary"}});
            addRow(dm1->tblNotes, c, s, {{"Description", "Note"}});
        }
        addRow(dm1->tblCreditCards, c, 999, {{"Description", "orphan"}});  // its statement is gone
    }
    const QStringList tables = {"Nettora", "Cash", "Auto", "Incomes", "Notes", "CreditCards"};
    auto rowsOf = [&](qint64 c) {
        int n = 0;
        for (const QString &t : tables)
            n += countRows(t, QStringLiteral("ClientId = '%1'").arg(c));
        return n;
    };
    const int before = rowsOf(keep1);
    ASSERT_EQ(before, 2 + 2 * 4 + 1);

    TfrmClient *w = open("Delete");
    click(w->bDelete);
    EXPECT_EQ(appState().clientMode, ClientMode::Delete);
    EXPECT_EQ(w->currentPage(), w->tsClient);
    EXPECT_EQ(w->lblHeader->text(), "Select Client to Delete");
    saveScreenshot(w, "client_delete_client");

    choose(w->dbClient, "Smith Ann");
    m_dialogs->answerWarnings({false});
    click(w->bOK);
    EXPECT_EQ(rowsOf(gone), before);
    for (Table *t : dm1->tables())
        EXPECT_TRUE(!t->filtered() || t == dm1->tblNotes) << t->tableName().toStdString();

    m_dialogs->clear();
    choose(w->dbClient, "Smith Ann");
    m_dialogs->answerWarnings({true});
    click(w->bOK);
    ASSERT_EQ(m_dialogs->shown().size(), 2u);
    EXPECT_EQ(m_dialogs->shown()[0].text,
              "Are you sure you want to \"Delete\" this \"Client\", Ann Smith, and  the associated \"Financial "
              "Statements\"?");
    EXPECT_EQ(m_dialogs->shown()[1].kind, "confirmation");
    EXPECT_EQ(m_dialogs->shown()[1].text, "The \"Client\" was successfully deleted.");
    EXPECT_EQ(rowsOf(gone), 0);
    EXPECT_EQ(countRows("Client", QStringLiteral("Id = %1").arg(gone)), 0);
    EXPECT_EQ(rowsOf(keep1), before);
    EXPECT_EQ(rowsOf(keep2), before);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentPage(), w->tsClient);
    EXPECT_EQ(w->dbClient->rowTexts(), (QStringList{"Jones Bob", "Young Cy"}));
}

// The question names the client, and afterwards the list is what the search
// box says, with its current row among what it shows: the same search on the
// same client when the answer was No, every remaining client and an empty
// box after a deletion.
TEST_F(ClientWindow, AfterTheDeletionQuestionTheListMatchesTheSearchBox)
{
    const struct {
        bool yes;
        QString box;
        QStringList list;
        QString current;
    } cases[] = {
        {false, "say", {"Sayer Ann", "Saylor Bob"}, "Saylor Bob"},
        {true, "", {"Able Di", "Sayer Ann", "Young Cy"}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.yes ? "Yes" : "No");
        closeWindows();
        for (const auto &t : {QStringLiteral("Client"), QStringLiteral("Nettora")})
            dm1->db().exec(QStringLiteral("DELETE FROM \"%1\"").arg(t));
        client("Ann", "Sayer");
        const qint64 bob = client("Bob", "Saylor");
        client("Cy", "Young");
        client("Di", "Able");
        addStatement(bob);
        m_dialogs->clear();

        TfrmClient *w = open("Delete");
        click(w->bDelete);
        QTest::keyClicks(w->edClientSearch, "say");
        ASSERT_EQ(w->dbClient->rowTexts(), (QStringList{"Sayer Ann", "Saylor Bob"}));
        choose(w->dbClient, "Saylor Bob");
        m_dialogs->answerWarnings({c.yes});
        click(w->bOK);

        ASSERT_FALSE(m_dialogs->shown().empty());
        EXPECT_EQ(m_dialogs->shown()[0].text, "Are you sure you want to \"Delete\" this \"Client\", Bob Saylor, and  "
                                              "the associated \"Financial Statements\"?");
        EXPECT_EQ(countRows("Client"), c.yes ? 3 : 4);
        EXPECT_EQ(w->edClientSearch->text(), c.box);
        EXPECT_EQ(w->dbClient->rowTexts(), c.list);
        const QString current = dm1->tblClient->asString("FullName");
        EXPECT_TRUE(c.list.contains(current)) << current.toStdString();
        if (!c.current.isEmpty()) {
            EXPECT_EQ(current, c.current);
        }
        const int row = w->dbClient->currentIndex().row();
        ASSERT_GE(row, 0);
        EXPECT_EQ(c.list.value(row), current);
        EXPECT_EQ(w->lblClientName->text(), dm1->tblClient->asString("FullName2"));
    }
}

TEST_F(ClientWindow, SideLinksCancelAndOwnLeaving)
{
    client("Ann", "Able");
    // Add New Client hands over to the client information window.
    QPointer<TfrmClient> w = open("Add");
    click(w->addClientLink);
    QApplication::processEvents();
    EXPECT_EQ(appState().clientMode, ClientMode::Add);
    EXPECT_TRUE(w.isNull() || !w->isVisible());
    QWidget *info = nullptr;
    for (QWidget *x : QApplication::topLevelWidgets())
        if (x->isVisible() && x->objectName() == "TfrmClientAdd")
            info = x;
    EXPECT_NE(info, nullptr);
    delete info;

    // Print Blank Statement opens its window; this one stays.
    static int blankOpened = 0;
    blankOpened = 0;
    registerWindowFactory("TfrmPrintBlankStatement", []() -> QWidget * {
        ++blankOpened;
        return nullptr;
    });
    w = open("Print");
    click(w->blankStatementLink);
    EXPECT_EQ(blankOpened, 1);
    EXPECT_TRUE(w->isVisible());
    registerWindowFactory("TfrmPrintBlankStatement", [] { return static_cast<QWidget *>(nullptr); });
    registerAllWindows();

    // Cancel on the delete page goes home.
    delete w;
    home->hide();
    w = open("Delete");
    click(w->bCancelDelete);
    QApplication::processEvents();
    EXPECT_TRUE(home->isVisible());
    EXPECT_TRUE(w.isNull() || !w->isVisible());
}
