// The stored layout every other part relies on: field order, types, widths
// and index names.
#include "support/testsupport.h"

#include "data/filter.h"

using namespace nettora;

namespace {
QStringList fieldNames(const TableDef &t)
{
    QStringList out;
    for (const auto &f : t.fields)
        out << f.name;
    return out;
}
}  // namespace

TEST(Schema, TablesInOpenOrderWithTheirFiles)
{
    QStringList files;
    for (const auto &t : allTables())
        files << t.file;
    EXPECT_EQ(files, (QStringList{"Nettora.ADT", "Cash.ADT", "Investments.ADT", "Legal.ADT", "RealEstate.ADT",
                                  "Auto.ADT", "LifeInsurance.ADT", "PersonalAssets.ADT", "BusinessAssets.ADT",
                                  "OtherAssets.ADT", "Bank.ADT", "CreditCards.ADT", "Taxes.ADT", "Other.ADT",
                                  "Contingent.ADT", "Summary.ADT", "Incomes.ADT", "Expenditure.ADT", "Auto2.ADT",
                                  "User.adt", "Client.ADT", "Notes.adt"}));
}

TEST(Schema, FieldLayouts)
{
    const TableDef &st = *findTable("Nettora");
    ASSERT_EQ(st.fields.size(), 79u);
    const struct {
        int pos;
        const char *name;
        FieldType type;
        int width;
    } statement[] = {{0, "Id", FieldType::AutoInc, 0},        {2, "Date", FieldType::Text, 12},
                     {3, "Description", FieldType::Text, 30}, {12, "401K", FieldType::Currency, 0},
                     {46, "IncomeTotal", FieldType::Currency, 0}, {58, "NetWorth", FieldType::Currency, 0},
                     {76, "MAmount", FieldType::Currency, 0}, {78, "TMortgageLiabilitiesTotals", FieldType::Currency, 0}};
    for (const auto &c : statement) {
        EXPECT_EQ(st.fields[size_t(c.pos)].name, c.name);
        EXPECT_EQ(st.fields[size_t(c.pos)].type, c.type) << c.name;
        EXPECT_EQ(st.fields[size_t(c.pos)].width, c.width) << c.name;
    }
    EXPECT_EQ(fieldNames(*findTable("Cash")),
              (QStringList{"ClientId", "StatementId", "Type", "RegisteredName", "Bank", "AccountNumber", "Balance",
                           "Pledged", "PledgedTo", "Updated"}));
    EXPECT_EQ(fieldNames(*findTable("Contingent")),
              (QStringList{"ClientId", "StatementId", "Description", "ToWhom", "Amount", "Explanation", "Maturity",
                           "MonthlyPayment", "Updated"}));
    const TableDef &legal = *findTable("Legal");
    EXPECT_EQ(legal.fields.size(), 23u);
    EXPECT_EQ(legal.fields[12].name, "Judgement");
    EXPECT_EQ(legal.fields[12].width, 8);
    EXPECT_EQ(legal.fields[20].name, "EstateAssetsExplanation");
    EXPECT_EQ(findTable("Client")->fields.size(), 1u + 31 + 31 + 17);
    EXPECT_EQ(findTable("Summary")->fields.size(), 3u + 22 + 22);
    for (const auto &t : allTables())
        if (t.schedule) {
            EXPECT_EQ(t.fields.front().name, "ClientId");
            EXPECT_EQ(t.fields.back().name, "Updated");
            EXPECT_EQ(t.fields.back().width, 1);
        }
}

TEST(Schema, BrowseIndexesExistUnderAnyLetterCase)
{
    const struct {
        const char *table, *index;
    } cases[] = {{"Nettora", "ID"},         {"Nettora", "ida"},         {"Nettora", "DateDescription"},
                 {"Client", "lf"},          {"Client", "ID"},           {"Cash", "RegisteredName"},
                 {"Cash", "TYPE"},          {"Investments", "Primary"}, {"Investments", "INVESTMENTTYPE"},
                 {"RealEstate", "primary"}, {"LifeInsurance", "Insured"}, {"Notes", "Description"},
                 {"Incomes", "PRIMARY"},    {"Expenditure", "PRIMARY"}, {"Auto2", "Description"},
                 {"Summary", "Primary"}};
    for (const auto &c : cases)
        EXPECT_NE(findTable(c.table)->findIndex(c.index), nullptr) << c.table << " " << c.index;
}

// A view's order must come from its SQL index, not a sort of every matching
// row: the ORDER BY the cursor writes has to match the index term for term.
// The client name search is a range of the same index.
TEST(Schema, NamedIndexesGiveTheirOrderWithoutASort)
{
    Database db;
    db.openPlain(QStringLiteral(":memory:"));
    for (const QString &sql : schemaSql())
        db.exec(sql);
    struct Case {
        QString label, sql;
        std::vector<QVariant> binds;
    };
    std::vector<Case> cases;
    for (const TableDef &t : allTables())
        for (const IndexDef &i : t.indexes) {
            if (i.parts.size() == 1 && i.parts[0].field == autoIncField(t))
                continue;
            QStringList terms;
            for (const IndexPart &p : i.parts)
                terms << indexTermSql(p);
            cases.push_back({t.name + " " + i.name,
                             QStringLiteral("SELECT rowid FROM \"%1\" ORDER BY %2, rowid").arg(t.name, terms.join(", ")),
                             {}});
        }
    const TableDef &client = *findTable("Client");
    for (const char *prefix : {"ma*", "m\u00fc*"}) {
        const CompiledFilter f = compileFilter(client, "Lower(LastName) = " + filterText(QString::fromUtf8(prefix)));
        cases.push_back({QStringLiteral("Client search ") + prefix,
                         QStringLiteral("SELECT rowid FROM \"Client\" WHERE %1 ORDER BY %2, %3, rowid")
                             .arg(f.where, indexTermSql(client.findIndex("LF")->parts[0]),
                                  indexTermSql(client.findIndex("LF")->parts[1])),
                         f.binds});
    }
    for (const Case &c : cases) {
        Statement st = db.prepare("EXPLAIN QUERY PLAN " + c.sql);
        st.bindAll(c.binds);
        QStringList plan;
        while (st.step())
            plan << st.columnText(3);
        EXPECT_FALSE(plan.join('\n').contains("TEMP B-TREE")) << c.label.toStdString() << ": " << plan.join("; ").toStdString();
        EXPECT_TRUE(plan.join('\n').contains("INDEX ix_")) << c.label.toStdString() << ": " << plan.join("; ").toStdString();
    }
}
