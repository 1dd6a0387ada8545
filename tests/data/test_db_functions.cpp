// The shared data routines: narrowing, roll-forward and deletions, with
// failures injected midway to show that they are all-or-nothing.
#include "support/testsupport.h"

#include "data/db_functions.h"
#include "kit/app_state.h"

using namespace nettora;
using namespace nettora::test;

class Routines : public DataDirTest {
protected:
    // The whole database as text, to compare before and after.
    QString dump()
    {
        QString out;
        for (const auto &t : allTables()) {
            Statement st = dm1->db().prepare(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t.name));
            while (st.step())
                for (int i = 0; i < st.columnCount(); ++i)
                    out += st.column(i).toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
        return out;
    }
    // Makes the engine refuse the n-th write of a kind on a table, the way
    // a full disk or a damaged file would fail midway.
    void failOn(const QString &when, const QString &table)
    {
        dm1->db().exec(QStringLiteral("CREATE TEMP TRIGGER injected %1 ON \"%2\" BEGIN "
                                      "SELECT RAISE(ABORT, 'injected failure'); END")
                           .arg(when, table));
    }
    int marked() { return countRows("Cash", "Updated IS NOT NULL") + countRows("Notes", "Updated IS NOT NULL"); }

    // Client 1 with statements 1 (three cash rows, a note) and 2 (one cash
    // row); client 2 with statement 3 (one cash row).
    void seed()
    {
        c1 = addClient("Ann", "Able");
        c2 = addClient("Bob", "Baker");
        s1 = addStatement(c1, "12/31/2025", "Annual");
        s2 = addStatement(c1, "06/30/2025", "Half");
        s3 = addStatement(c2, "12/31/2025", "Annual");
        for (const char *n : {"Checking", "Savings", "Brokerage"})
            addRow(dm1->tblCash, c1, s1, {{"RegisteredName", QString::fromLatin1(n)}, {"Balance", "100.25"}});
        addRow(dm1->tblNotes, c1, s1, {{"Description", "Note"}, {"Details", "Long text\nwith lines"}});
        addRow(dm1->tblCash, c1, s2, {{"RegisteredName", "Old"}, {"Balance", "5"}});
        addRow(dm1->tblCash, c2, s3, {{"RegisteredName", "Other client"}, {"Balance", "7"}});
        dm1->tblNettora->setIndexName("IDA");
        dm1->tblNettora->first();
        dm1->tblNettora->edit();
        dm1->tblNettora->setAsFloat("NetWorth", 300.75);
        dm1->tblNettora->setAsFloat("CashOnHand", 300.75);
        dm1->tblNettora->post();
    }
    QString id(qint64 v) { return QString::number(v); }

    qint64 c1 = 0, c2 = 0, s1 = 0, s2 = 0, s3 = 0;
};

TEST_F(Routines, FilterStatementTablesNarrowsToOneStatementOrTheWholeClient)
{
    seed();
    FilterStatementTables(id(c1), id(s1));
    EXPECT_EQ(dm1->tblClient->recordCount(), 1);
    EXPECT_EQ(dm1->tblClient->asString("FirstName"), "Ann");
    EXPECT_EQ(dm1->tblNettora->recordCount(), 1);
    EXPECT_EQ(CurrentStatementId(), id(s1));
    EXPECT_EQ(CurrentClientId(), id(c1));
    EXPECT_EQ(dm1->tblCash->recordCount(), 3);
    EXPECT_EQ(dm1->tblCash->asString("RegisteredName"), "Brokerage");  // browse index

    FilterStatementTables(id(c1), QString());
    EXPECT_EQ(dm1->tblNettora->recordCount(), 2);
    EXPECT_EQ(CurrentStatementId(), id(s2));  // newest first
    EXPECT_EQ(dm1->tblCash->recordCount(), 4);


    EXPECT_THROW(FilterStatementTables("1 or Id = 2", QString()), EngineError);
    EXPECT_THROW(FilterStatementTables(id(c1), "1 and ClientId = \"2\""), EngineError);
}

TEST_F(Routines, ClearAllFiltersLeavesOnlyNotesFiltered)
{
    seed();
    FilterStatementTables(id(c2), id(s3));
    ClearAllFilters();
    for (Table *t : dm1->tables())
        EXPECT_EQ(t->filtered(), t == dm1->tblNotes) << t->tableName().toStdString();
    EXPECT_EQ(dm1->tblCash->recordCount(), 5);
}

TEST_F(Routines, PreparerDisplayName)
{
    const struct {
        const char *first, *middle, *last, *company, *expected;
    } cases[] = {
        {"Jane", "Q", "Doe", "", "Jane Q. Doe"},
        {"Jane", "", "Doe", "", "Jane Doe"},
        {"Jane", "Q", "Doe", "Doe & Co CPA", "Doe & Co CPA"},
        {"", "", "", "", " "},
    };
    Table *u = dm1->tblUser;
    for (const auto &c : cases) {
        u->first();
        u->edit();
        u->setAsString("FirstName", c.first);
        u->setAsString("MiddleInitial", c.middle);
        u->setAsString("LastName", c.last);
        u->setAsString("Company", c.company);
        u->post();
        EXPECT_EQ(PreparerDisplayName(), QString::fromUtf8(c.expected));
    }
}

TEST_F(Routines, RollForwardCopiesTheStatementAndItsRowsLeavingTheSourceAlone)
{
    seed();
    const QString before = dump();
    FilterStatementTables(id(c1), id(s1));
    const QString n = QString::number(CopyStatement("03/31/2026", "1st Quarter"));
    EXPECT_EQ(n, "4");
    EXPECT_EQ(marked(), 0);

    // The new statement row: typed date and description, the source's totals.
    EXPECT_TRUE(dm1->tblNettora->filtered());
    EXPECT_EQ(dm1->tblNettora->recordCount(), 3);  // all the client's statements
    FilterStatementTables(id(c1), n);
    EXPECT_EQ(dm1->tblNettora->asString("Date"), "03/31/2026");
    EXPECT_EQ(dm1->tblNettora->asString("Description"), "1st Quarter");
    EXPECT_EQ(dm1->tblNettora->asString("ClientId"), id(c1));
    EXPECT_DOUBLE_EQ(dm1->tblNettora->asFloat("NetWorth"), 300.75);
    EXPECT_EQ(dm1->tblNettora->asString("TotalAssets"), "");  // empty stays empty

    QStringList copied;
    for (dm1->tblCash->first(); !dm1->tblCash->eof(); dm1->tblCash->next()) {
        copied << dm1->tblCash->asString("RegisteredName") + "=" + dm1->tblCash->asString("Balance");
        EXPECT_EQ(dm1->tblCash->asString("StatementId"), n);
    }
    EXPECT_EQ(copied, (QStringList{"Brokerage=100.25", "Checking=100.25", "Savings=100.25"}));
    EXPECT_EQ(dm1->tblNotes->asString("Details"), "Long text\nwith lines");

    // Everything that was there before is there unchanged.
    ClearAllFilters();
    const QString after = dump();
    const QStringList beforeLines = before.split('\n');
    const QStringList afterLines = after.split('\n');
    for (int i = 0; i < beforeLines.size(); ++i)
        EXPECT_TRUE(afterLines[i].startsWith(beforeLines[i])) << allTables()[size_t(i)].name.toStdString();
    EXPECT_EQ(countRows("Cash"), 8);
    EXPECT_EQ(countRows("Notes"), 2);
}

TEST_F(Routines, FailedRollForwardLeavesTheDatabaseAsItWas)
{
    seed();
    const QString before = dump();
    failOn("BEFORE INSERT", "Notes");  // after the cash rows were copied
    FilterStatementTables(id(c1), id(s1));
    try {
        CopyStatement("03/31/2026", "Q1");
        ADD_FAILURE() << "no failure";
    } catch (const EngineError &e) {
        EXPECT_TRUE(e.text().contains("injected failure"));
    }
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(marked(), 0);
    // The cursors recover: the next operation sees the real data.
    ClearAllFilters();
    EXPECT_EQ(dm1->tblCash->recordCount(), 5);
}

TEST_F(Routines, DeleteStatementRemovesItAndItsRowsOnly)
{
    seed();
    DeleteStatement(id(c1), id(s1));
    EXPECT_EQ(countRows("Nettora"), 2);
    EXPECT_EQ(countRows("Cash", QStringLiteral("StatementId = '%1'").arg(s1)), 0);
    EXPECT_EQ(countRows("Notes"), 0);
    EXPECT_EQ(countRows("Cash"), 2);
}

TEST_F(Routines, FailedStatementDeletionChangesNothing)
{
    seed();
    const QString before = dump();
    failOn("BEFORE DELETE", "Notes");
    EXPECT_THROW(DeleteStatement(id(c1), id(s1)), EngineError);
    EXPECT_EQ(dump(), before);
}

TEST_F(Routines, DeleteClientTakesEveryRowCarryingItsIdOrphansIncluded)
{
    seed();
    addRow(dm1->tblIncomes, c1, 999, {{"Type", "All Other Income"}, {"Amount", "10"}});  // statement long gone
    ClearAllFilters();
    dm1->tblClient->setIndexName("LF");
    dm1->tblClient->first();  // Able, Ann
    EXPECT_EQ(ClientDeletionQuestion(),
              "Are you sure you want to \"Delete\" this \"Client\" and  the associated \"Financial Statements\"?");
    EXPECT_TRUE(DeleteClientWithStatements());
    EXPECT_TRUE(m_dialogs->shown().empty());

    EXPECT_EQ(countRows("Client"), 1);
    EXPECT_EQ(countRows("Nettora", QStringLiteral("ClientId = '%1'").arg(c1)), 0);
    for (const auto &t : allTables())
        if (t.schedule) {
            EXPECT_EQ(countRows(t.name, QStringLiteral("ClientId = '%1'").arg(c1)), 0) << t.name.toStdString();
        }
    EXPECT_EQ(countRows("Cash", QStringLiteral("ClientId = '%1'").arg(c2)), 1);
    for (Table *t : dm1->tables())
        EXPECT_EQ(t->filtered(), t == dm1->tblNotes);
}

TEST_F(Routines, DeleteClientWithoutStatementsAndTheRefusals)
{
    const qint64 lone = addClient("No", "Statements");
    ClearAllFilters();
    FilterStatementTables(id(lone), QString());
    dm1->tblClient->first();
    EXPECT_TRUE(DeleteClientWithStatements());
    EXPECT_EQ(countRows("Client"), 0);
    EXPECT_FALSE(dm1->tblClient->filtered());

    EXPECT_FALSE(DeleteClientWithStatements());  // none left to delete
    EXPECT_FALSE(dm1->tblClient->filtered());
}

// A client whose statements are all gone still takes its schedule rows along.
TEST_F(Routines, DeleteClientWithoutStatementsTakesItsScheduleRows)
{
    seed();
    dm1->db().exec(QStringLiteral("DELETE FROM \"Nettora\" WHERE \"ClientId\" = '%1'").arg(c2));
    addRow(dm1->tblNotes, c2, s3, {{"Description", "Left behind"}});
    ClearAllFilters();
    dm1->tblClient->setIndexName("LF");
    dm1->tblClient->last();  // Baker, Bob
    ASSERT_EQ(dm1->tblClient->asString("Id"), id(c2));
    EXPECT_TRUE(DeleteClientWithStatements());

    EXPECT_EQ(countRows("Client"), 1);
    for (const auto &t : allTables())
        if (t.schedule) {
            EXPECT_EQ(countRows(t.name, QStringLiteral("ClientId = '%1'").arg(c2)), 0) << t.name.toStdString();
        }
    EXPECT_EQ(countRows("Cash", QStringLiteral("ClientId = '%1'").arg(c1)), 4);
    EXPECT_EQ(countRows("Nettora"), 2);
}

TEST_F(Routines, FailedClientDeletionChangesNothing)
{
    seed();
    const QString before = dump();
    failOn("BEFORE DELETE", "Client");  // the very last step
    dm1->tblClient->first();
    EXPECT_THROW(DeleteClientWithStatements(), EngineError);
    EXPECT_EQ(dump(), before);
    EXPECT_FALSE(dm1->tblClient->filtered());
}

TEST_F(Routines, CloseAndReopenTheDatabase)
{
    seed();
    CloseDatabase();
    EXPECT_FALSE(dm1->tblClient->active());
    ASSERT_TRUE(ReopenDatabase());
    EXPECT_EQ(dm1->tblClient->recordCount(), 2);

    CloseDatabase();
    QFile::remove(dataDir() + "/nettora.db");
    QFile f(dataDir() + "/nettora.db");
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(4096, 'z'));
    f.close();
    QString error;
    EXPECT_FALSE(ReopenDatabase(&error));
    EXPECT_EQ(error, "Error:  Directory is Invalid\n\r");
    EXPECT_TRUE(m_dialogs->shown().empty());

    // A file gone missing is not silently replaced by an empty database.
    QFile::remove(dataDir() + "/nettora.db");
    EXPECT_FALSE(ReopenDatabase());
    EXPECT_FALSE(QFile::exists(dataDir() + "/nettora.db"));
}

TEST(Version, FourNumbers)
{
    EXPECT_EQ(ProgramVersion(), "5.6.8.0");
}
