// Filter expressions: the accepted forms, refusals, and values that must be
// taken literally however hostile.
#include "support/testsupport.h"

#include "data/filter.h"

using namespace nettora;
using namespace nettora::test;

namespace {
const TableDef &clientDef() { return *findTable(QStringLiteral("Client")); }
const TableDef &cashDef() { return *findTable(QStringLiteral("Cash")); }
}  // namespace

TEST(FilterCompile, AcceptsEveryFormTheProgramWrites)
{
    const struct {
        const TableDef &table;
        const char *expr;
        size_t binds;
    } cases[] = {
        {clientDef(), "Id = 12", 1},
        {*findTable("Nettora"), "ClientId = \"3\"", 1},
        {*findTable("Nettora"), "ClientId = \"3\" and id = 7", 2},
        {*findTable("Nettora"), "ClientID = \"3\" and Id = 7", 2},
        {cashDef(), "ClientId = \"3\" and Statementid = \"7\"", 2},
        {cashDef(), "ClientID = \"3\" and StatementId = \"7\" and Updated = NULL", 2},
        {*findTable("Incomes"), "StatementId = \"7\"", 1},
        {*findTable("Incomes"), "StatementId = \"7\" and Type = \"All Other Income\"", 2},
        {clientDef(), "FirstName = \"John\" and MiddleInitial = \"\" and LastName = \"Smith\"", 2},
        {clientDef(), "Lower(LastName) = \"sm*\"", 2},
        {clientDef(), "LOWER(firstname) = \"jo*\"", 2},
        {clientDef(), "lastname = null", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expr);
        const CompiledFilter f = compileFilter(c.table, QString::fromLatin1(c.expr));
        EXPECT_FALSE(f.where.isEmpty());
        EXPECT_EQ(f.binds.size(), c.binds);
    }
}

TEST(FilterCompile, RefusesEverythingElseWithAClearMessage)
{
    const char *bad[] = {
        "Id > 5",
        "Id = 5 or Id = 6",
        "LastName like \"Sm%\"",
        "LastName = 'Smith'",
        "LastName = \"Smith",
        "Nickname = \"x\"",
        "Lower(Id) = \"1*\"",
        "Upper(LastName) = \"SM*\"",
        "Id = 1; DELETE FROM Client",
        "(Id = 1)",
        "Id = 1 and",
        "Id = \"abc\"",
        "= 5",
        "LastName = Smith",
    };
    for (const char *e : bad) {
        SCOPED_TRACE(e);
        try {
            compileFilter(clientDef(), QString::fromLatin1(e));
            ADD_FAILURE() << "accepted";
        } catch (const EngineError &err) {
            EXPECT_TRUE(err.text().startsWith("Invalid filter expression on table Client")) << err.text().toStdString();
        }
    }
}

TEST(FilterCompile, DoubledQuoteIsOneQuoteAndOnlyTheFinalStarIsAWildcard)
{
    CompiledFilter f = compileFilter(clientDef(), QStringLiteral("LastName = \"O\"\"Neil*\""));
    ASSERT_EQ(f.binds.size(), 1u);
    EXPECT_EQ(f.binds[0].toString(), "O\"Neil*");  // no Lower(): every * is literal

    f = compileFilter(clientDef(), QStringLiteral("Lower(LastName) = \"a*b**\""));
    ASSERT_EQ(f.binds.size(), 2u);
    EXPECT_EQ(f.binds[0].toString(), "a*b*");
    EXPECT_EQ(filterText(QStringLiteral("say \"hi\"")), "\"say \"\"hi\"\"\"");
}

TEST(DateText, TwoDigitYearsAndRefusals)
{
    const struct {
        const char *in;
        const char *iso;
    } cases[] = {
        {"01/02/26", "2026-01-02"}, {"12/31/49", "2049-12-31"}, {"01/01/50", "1950-01-01"},
        {"1/2/2031", "2031-01-02"}, {"2030-07-04", "2030-07-04"}, {"02/30/26", ""},
        {"13/01/26", ""},           {"tomorrow", ""},             {"01-02-26", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(dateTextToIso(QString::fromLatin1(c.in)), QString::fromLatin1(c.iso)) << c.in;
    EXPECT_EQ(dateIsoToText(QStringLiteral("2026-01-02")), "01/02/26");
}

class FilterOnData : public DataDirTest {
protected:
    QStringList lastNamesMatching(const QString &expr)
    {
        Table *c = dm1->tblClient;
        c->setIndexName(QStringLiteral("LF"));
        c->setFilter(expr);
        c->setFiltered(true);
        QStringList out;
        for (c->first(); !c->eof(); c->next())
            out << c->asString("LastName");
        return out;
    }
    QStringList search(const QString &typed)
    {
        return lastNamesMatching(QStringLiteral("Lower(LastName) = ") + filterText(foldCase(typed) + "*"));
    }
};

TEST_F(FilterOnData, PrefixSearchIsCaseInsensitiveAndAnchored)
{
    for (const char *n : {"Smith", "SMALL", "Osmond", "smythe", "Sm", "Schmidt"})
        addClient("A", QString::fromLatin1(n));
    EXPECT_EQ(search("sm"), (QStringList{"Sm", "SMALL", "Smith", "smythe"}));
    EXPECT_EQ(search("SMI"), QStringList{"Smith"});
    EXPECT_EQ(search("").size(), 6);
    EXPECT_TRUE(search("zz").isEmpty());
}

TEST_F(FilterOnData, NonAsciiNamesFoldTheSameWayAsTheProgram)
{
    addClient("A", QStringLiteral("Ångström"));
    addClient("B", QStringLiteral("Åberg"));
    addClient("C", QStringLiteral("Aalto"));
    EXPECT_EQ(search(QStringLiteral("ÅN")), QStringList{QStringLiteral("Ångström")});
    EXPECT_EQ(search(QStringLiteral("å")).size(), 2);
}

TEST_F(FilterOnData, HostileCharactersAreStoredAndFoundLiterally)
{
    const QStringList names = {"O\"Brien", "O'Brien", "100%", "10_0", "Star*", "Star", "Sta", "a\"\"b", "x\" or \"1"};
    for (const QString &n : names)
        addClient("Z", n);
    for (const QString &n : names) {
        SCOPED_TRACE(n.toStdString());
        EXPECT_EQ(lastNamesMatching(QStringLiteral("LastName = ") + filterText(n)), QStringList{n});
    }
    EXPECT_EQ(search("o\""), QStringList{"O\"Brien"});
    EXPECT_EQ(search("o'"), QStringList{"O'Brien"});
    EXPECT_EQ(search("100%"), QStringList{"100%"});
    EXPECT_TRUE(search("1%").isEmpty());  // % is no wildcard
    EXPECT_EQ(search("10_"), QStringList{"10_0"});
    EXPECT_TRUE(search("1_").isEmpty());  // nor is _
    EXPECT_EQ(search("star*"), QStringList{"Star*"});
    EXPECT_EQ(search("x\" or \"").size(), 1);
}

TEST_F(FilterOnData, EmptyAndNullMatchTheSame)
{
    addClient("John", "Smith");
    addClient("John", "Smith", "Q");
    EXPECT_EQ(lastNamesMatching("FirstName = \"John\" and MiddleInitial = \"\" and LastName = \"Smith\"").size(), 1);
    EXPECT_EQ(lastNamesMatching("MiddleInitial = NULL").size(), 1);
    EXPECT_EQ(lastNamesMatching("MiddleInitial = \"Q\"").size(), 1);
}
