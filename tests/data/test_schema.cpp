// The stored layout every other part relies on: field order, types, widths
// and index names.
#include "support/testsupport.h"

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
