#include "calc/section_totals.h"
#include "data/db_functions.h"
#include "support/testsupport.h"

#include <functional>
#include <vector>

using namespace nettora;
using namespace nettora::test;

namespace {

using Fields = std::vector<std::pair<QString, QString>>;
using Expected = std::vector<std::pair<QString, double>>;

enum class Side { Asset, Liability, Outside };

struct TypeCase {
    QString type, annual, monthly;
};

const std::vector<TypeCase> incomeTypes = {
    {"Salaries and Wages (Individual)", "Salary", "MSalary"},
    {"Salaries and Wages (Spouse)", "Salary_Spouse", "MSalary_Spouse"},
    {"Bonuses and Commissions", "Bonus", "MBonus"},
    {"Dividends and Interest Income", "Dividends", "MDividends"},
    {"Net Real Estate Income", "RealEstateIncome", "MRealEstateIncome"},
    {"Oil and Gas Income / Royalties", "OilIncome", "MOilIncome"},
    {"All Other Income", "OtherIncome", "MOtherIncome"},
};

const std::vector<TypeCase> expenditureTypes = {
    {"Alimony, Child Support, etc.", "Alimony_Exp", "MAlimony_Exp"},
    {"Auto, Life and Health Insurance Premium", "Insurance_Exp", "MInsurance_Exp"},
    {"Installment Payment (Auto, Credit Card, etc.)", "Installment_Exp", "MInstallment_Exp"},
    {"Lease Obligation", "Lease_Exp", "MLease_Exp"},
    {"Mortgage Payment", "Mortgage_Exp", "MMortgage_Exp"},
    {"Other Debt Service", "OtherDebt_Exp", "MOtherDebt_Exp"},
    {"Rental Payment", "Rental_Exp", "MRental_Exp"},
    {"All Other Obligations", "Other_Exp", "MOther_Exp"},
};

class SectionTotals : public DataDirTest {
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        client = addClient("Ann", "Lee");
        newStatements();
    }

    // A fresh statement to work on, and a second one of the same client whose
    // rows must never be counted.
    void newStatements()
    {
        stmt = addStatement(client);
        other = addStatement(client, "12/31/2024", "Prior");
    }

    void narrow(qint64 statementId) { FilterStatementTables(QString::number(client), QString::number(statementId)); }

    void add(Table *t, qint64 statementId, const Fields &fields)
    {
        t->append();
        t->setAsString("ClientId", QString::number(client));
        t->setAsString("StatementId", QString::number(statementId));
        for (const auto &[name, value] : fields)
            t->setAsString(name, value);
        t->post();
    }

    void setStatement(const Fields &fields)
    {
        Table *n = dm1->tblNettora;
        n->edit();
        for (const auto &[name, value] : fields)
            n->setAsString(name, value);
        n->post();
    }

    double value(const QString &field) { return dm1->tblNettora->asFloat(field); }
    QString text(const QString &field) { return dm1->tblNettora->asString(field); }

    void expectValues(const Expected &expected)
    {
        for (const auto &[field, v] : expected)
            EXPECT_DOUBLE_EQ(value(field), v) << field.toStdString();
    }

    // The cursor sits on the first row of its view.
    static void expectOnFirstRow(Table *t)
    {
        if (t->isEmpty())
            return;
        const Bookmark here = t->bookmark();
        t->first();
        EXPECT_EQ(here, t->bookmark()) << t->tableName().toStdString();
    }

    qint64 client = 0, stmt = 0, other = 0;
};

struct SumCase {
    const char *label;
    std::function<void()> recalc;
    Table *table;
    std::vector<Fields> rows;
    Expected expected;
    Side side;
    double contribution;  // to total assets or total liabilities
};

std::vector<SumCase> sumCases()
{
    return {
        {"cash", RecalcCash, dm1->tblCash,
         {{{"Balance", "100.25"}}, {{"Balance", "200.5"}}, {{"Balance", ""}}},
         {{"CashOnHand", 300.75}}, Side::Asset, 300.75},
        {"personal assets", RecalcPersonalAssets, dm1->tblPersonalAssets,
         {{{"Value", "1500"}}, {{"Value", "2500"}}},
         {{"PersonalAssets", 4000}}, Side::Asset, 4000},
        {"business assets", RecalcBusinessAssets, dm1->tblBusinessAssets,
         {{{"Value", "10000.1"}}, {{"Value", "0.9"}}},
         {{"BusinessAssets", 10001}}, Side::Asset, 10001},
        {"life insurance", RecalcLifeInsurance, dm1->tblLifeInsurance,
         {{{"FaceValue", "250000"}, {"CashValue", "12000"}}, {{"FaceValue", "100000"}, {"CashValue", "3000"}}},
         {{"LifeFace", 350000}, {"LifeCash", 15000}}, Side::Asset, 15000},
        {"autos", RecalcAutos, dm1->tblAuto,
         {{{"CurrentValue", "20000"}, {"MonthlyPayment", "300"}, {"PurchasePrice", "30000"}},
          {{"CurrentValue", "15000"}, {"MonthlyPayment", "200"}, {"PurchasePrice", "25000"}}},
         {{"AutoTotal", 35000}, {"AutoPaymentTotal", 500}, {"AutoPayments", 6000}, {"AutoPurchasePrice", 55000}},
         Side::Asset, 35000},
        {"auto loans", RecalcAutoLoans, dm1->tblAuto2,
         {{{"LoanBalance", "8000"}}, {{"LoanBalance", "4000.5"}}},
         {{"AutoLiability", 12000.5}}, Side::Liability, 12000.5},
        {"bank notes", RecalcBankNotes, dm1->tblBank,
         {{{"Amount", "5000"}}, {{"Amount", "2500"}}},
         {{"BankLiability", 7500}}, Side::Liability, 7500},
        {"credit cards", RecalcCreditCards, dm1->tblCreditCards,
         {{{"CurrentBalance", "1200"}, {"CreditLimit", "10000"}}, {{"CurrentBalance", "800"}, {"CreditLimit", "5000"}}},
         {{"CreditCardLiability", 2000}, {"CreditCardLimit", 15000}}, Side::Liability, 2000},
        {"taxes", RecalcTaxes, dm1->tblTaxes,
         {{{"Amount", "3000"}}},
         {{"TaxLiability", 3000}}, Side::Liability, 3000},
        {"other liabilities", RecalcOtherLiabilities, dm1->tblOther,
         {{{"Amount", "900"}, {"MonthlyPayment", "50"}}, {{"Amount", "100"}, {"MonthlyPayment", "25"}}},
         {{"OtherLiability", 1000}, {"OtherLiabilityMonthlyPayment", 75}}, Side::Liability, 1000},
        {"contingent", RecalcContingent, dm1->tblContingent,
         {{{"Amount", "40000"}, {"MonthlyPayment", "300"}}},
         {{"ContingentLiability", 40000}, {"ContingentLiabilityMonthlyPayment", 300}}, Side::Outside, 0},
    };
}

// Each schedule sums its rows of the current statement only, then refreshes
// what depends on it; an empty schedule writes zeros and refreshes all the
// same. Contingent liabilities stay outside the totals.
TEST_F(SectionTotals, ScheduleSumsAndFollowUps)
{
    for (const bool empty : {false, true}) {
        for (const SumCase &c : sumCases()) {
            SCOPED_TRACE(std::string(c.label) + (empty ? " (empty)" : ""));
            newStatements();
            for (const Fields &row : c.rows) {
                add(c.table, other, row);  // same rows on another statement
                if (!empty)
                    add(c.table, stmt, row);
            }
            narrow(stmt);
            // Totals consistent with 1000 of other assets and 400 of
            // mortgages, but a stale net worth.
            setStatement({{"OtherAssetsTotal", "1000"}, {"MortgageLiabilitiesTotals", "400"},
                          {"TotalAssets", "1000"}, {"TotalLiabilities", "400"},
                          {"NetWorth", "7"}, {"TotalLiabilitiesandNetWorth", "7"}});
            c.table->last();

            c.recalc();

            for (const auto &[field, v] : c.expected) {
                EXPECT_DOUBLE_EQ(value(field), empty ? 0 : v) << field.toStdString();
                EXPECT_FALSE(text(field).isEmpty()) << field.toStdString();
            }
            const double x = empty ? 0 : c.contribution;
            switch (c.side) {
            case Side::Asset:
                expectValues({{"TotalAssets", 1000 + x}, {"TotalLiabilities", 400}, {"NetWorth", 600 + x},
                              {"TotalLiabilitiesandNetWorth", 1000 + x}});
                break;
            case Side::Liability:
                expectValues({{"TotalAssets", 1000}, {"TotalLiabilities", 400 + x}, {"NetWorth", 600 - x},
                              {"TotalLiabilitiesandNetWorth", 1000}});
                break;
            case Side::Outside:
                expectValues({{"TotalAssets", 1000}, {"TotalLiabilities", 400}, {"NetWorth", 7},
                              {"TotalLiabilitiesandNetWorth", 7}});
                break;
            }
            EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
            EXPECT_EQ(c.table->recordCount(), empty ? 0 : int(c.rows.size()));
            expectOnFirstRow(c.table);
        }
    }
}

TEST_F(SectionTotals, CashFillsEmptyHeadlineTotals)
{
    narrow(stmt);
    RecalcCash();
    for (const QString &field : headlineTotals())
        EXPECT_EQ(text(field), "0") << field.toStdString();
    EXPECT_EQ(text("Salary"), "");  // not a headline total
}

TEST_F(SectionTotals, InvestmentsSplitByExactType)
{
    const std::vector<std::tuple<QString, QString, double>> rows = {
        {"SEP/IRA", "IRA", 100},
        {"Stock", "Stocks", 200},
        {"Stock", "Stocks", 250},
        {"Mutual Fund", "MutualFunds", 400},
        {"Retirement Account", "Retirement", 500},
        {"401K", "401K", 600},
        {"Other Retirement Account", "Other", 700},
        {"Other", "", 800},  // offered by the entry list, but no field of its own
        {"bond", "", 900},   // the match is exact
        {"", "", 1000},
    };
    double market = 0;
    for (const auto &[type, field, v] : rows) {
        add(dm1->tblInvestments, stmt,
            {{"InvestmentType", type}, {"MarketValue", QString::number(v)}, {"PurchasePrice", QString::number(v / 2)}});
        add(dm1->tblInvestments, other, {{"InvestmentType", type}, {"MarketValue", "1000000"}});
        market += v;
    }
    narrow(stmt);
    setStatement({{"Bonds", "55"}, {"CashOnHand", "50"}});  // no bond rows: must become 0

    RecalcInvestments();

    expectValues({{"InvestmentTotals", market}, {"InvestmentPurchasePrice", market / 2}, {"IRA", 100},
                  {"Stocks", 450}, {"Bonds", 0}, {"MutualFunds", 400}, {"Retirement", 500}, {"401K", 600},
                  {"Other", 700}, {"TotalAssets", market + 50}, {"NetWorth", market + 50},
                  {"TotalLiabilitiesandNetWorth", market + 50}});
    expectOnFirstRow(dm1->tblInvestments);
}

TEST_F(SectionTotals, OtherAssetsSplitAndOnlyTheirTotalCounts)
{
    const std::vector<std::pair<QString, double>> rows = {
        {"Restricted or Margin Account", 100},
        {"Accounts and Notes Receivable", 200},
        {"Accounts and Notes Receivable", 300},
        {"All Other Assets", 400},
        {"Collectibles", 800},
    };
    for (const auto &[type, v] : rows) {
        add(dm1->tblOtherAssets, stmt, {{"Type", type}, {"Value", QString::number(v)}});
        add(dm1->tblOtherAssets, other, {{"Type", type}, {"Value", "1000000"}});
    }
    narrow(stmt);

    RecalcOtherAssets();

    expectValues({{"MarginAccounts", 100}, {"NotesReceivable", 500}, {"OtherAssets", 400},
                  {"OtherAssetsTotal", 1800}, {"TotalAssets", 1800}, {"NetWorth", 1800}});
    expectOnFirstRow(dm1->tblOtherAssets);
}

// Shares of whole percentages per property: empty counts as 0 %, a value that
// cannot be read as a number counts as the whole.
TEST_F(SectionTotals, RealEstateSharesPerRowAndTotals)
{
    struct Row {
        const char *description, *owned, *market, *owed, *balance;
        double tMarket, tLiability;
    };
    const std::vector<Row> rows = {
        {"A half", "50", "200000", "50", "100000", 100000, 50000},
        {"B empty", "", "80000", "", "30000", 0, 0},
        {"C whole", "100", "60000", "100", "20000", 60000, 20000},
        {"D third", "25", "40000", "10", "5000", 10000, 500},
        {"E unreadable", "50", "10000", "50", "4000", 10000, 4000},
    };
    for (const Row &r : rows) {
        add(dm1->tblRealEstate, stmt,
            {{"Description", r.description}, {"PercentOwned", r.owned}, {"MarketValue", r.market},
             {"PercentLiability", r.owed}, {"CurrentBalance", r.balance}});
        add(dm1->tblRealEstate, other, {{"Description", r.description}, {"PercentOwned", "100"},
                                        {"MarketValue", "1000000"}, {"CurrentBalance", "1000000"}});
    }
    // A stored percentage whose text is not a number.
    dm1->db().exec(QStringLiteral("UPDATE \"RealEstate\" SET \"PercentOwned\" = 9e999, \"PercentLiability\" = 9e999 "
                                  "WHERE \"Description\" = 'E unreadable' AND \"StatementId\" = '%1'")
                       .arg(stmt));
    narrow(stmt);
    setStatement({{"CashOnHand", "1000"}});

    RecalcRealEstate();

    Table *t = dm1->tblRealEstate;
    expectOnFirstRow(t);
    int seen = 0;
    for (t->first(); !t->eof(); t->next(), ++seen) {
        const Row &r = rows[size_t(seen)];
        SCOPED_TRACE(r.description);
        EXPECT_EQ(t->asString("Description"), r.description);
        EXPECT_DOUBLE_EQ(t->asFloat("TMarketValue"), r.tMarket);
        EXPECT_DOUBLE_EQ(t->asFloat("TCurrentLiability"), r.tLiability);
    }
    EXPECT_EQ(seen, int(rows.size()));
    expectValues({{"RealEstateTotals", 180000}, {"RealEstateTotalsAsset", 390000},
                  {"MortgageLiabilitiesTotals", 74500}, {"TMortgageLiabilitiesTotals", 159000},
                  {"TotalAssets", 181000}, {"TotalLiabilities", 74500}, {"NetWorth", 106500},
                  {"TotalLiabilitiesandNetWorth", 181000}});
    EXPECT_EQ(countRows("RealEstate", QStringLiteral("\"TMarketValue\" IS NOT NULL")), int(rows.size()));
}

TEST_F(SectionTotals, SavingAMortgageMovesLiabilitiesAndNetWorthTogether)
{
    add(dm1->tblRealEstate, stmt, {{"PercentOwned", "100"}, {"MarketValue", "300000"},
                                   {"PercentLiability", "100"}, {"CurrentBalance", "100000"}});
    narrow(stmt);
    setStatement({{"BankLiability", "5000"}});
    RecalcRealEstate();
    expectValues({{"MortgageLiabilitiesTotals", 100000}, {"TotalLiabilities", 105000}, {"NetWorth", 195000}});

    add(dm1->tblRealEstate, stmt, {{"PercentLiability", "50"}, {"CurrentBalance", "40000"}});
    RecalcRealEstate();
    expectValues({{"MortgageLiabilitiesTotals", 120000}, {"TotalLiabilities", 125000}, {"NetWorth", 175000},
                  {"TotalLiabilitiesandNetWorth", 300000}});
}

struct ByTypeCase {
    const char *label;
    std::function<void()> recalc;
    Table *table;
    const std::vector<TypeCase> &types;
    QString total, monthlyTotal;
};

std::vector<ByTypeCase> byTypeCases()
{
    return {
        {"income", RecalcIncome, dm1->tblIncomes, incomeTypes, "IncomeTotal", "MIncomeTotal"},
        {"expenditures", RecalcExpenditures, dm1->tblExpenditure, expenditureTypes, "ExpenseTotal", "MExpenseTotal"},
    };
}

TEST_F(SectionTotals, IncomeAndExpendituresSplitByTypeWithMonthlyFigures)
{
    for (const ByTypeCase &c : byTypeCases()) {
        SCOPED_TRACE(c.label);
        newStatements();
        double total = 0;
        for (size_t i = 0; i < c.types.size(); ++i) {
            const double amount = 1200.0 * double(i + 1);
            add(c.table, stmt, {{"Type", c.types[i].type}, {"Amount", QString::number(amount)}});
            add(c.table, other, {{"Type", c.types[i].type}, {"Amount", "1000000"}});
            total += amount;
        }
        // A second row of the first type, one of no listed type and one that
        // differs only in letter case count in the annual total alone.
        add(c.table, stmt, {{"Type", c.types[0].type}, {"Amount", "600"}});
        add(c.table, stmt, {{"Type", "Lottery"}, {"Amount", "2400"}});
        add(c.table, stmt, {{"Type", c.types[1].type.toLower()}, {"Amount", "3600"}});
        total += 600 + 2400 + 3600;
        narrow(stmt);
        setStatement({{"CashOnHand", "100"}});
        const int shown = c.table->recordCount();

        c.recalc();

        for (size_t i = 0; i < c.types.size(); ++i) {
            const double amount = 1200.0 * double(i + 1) + (i == 0 ? 600 : 0);
            EXPECT_DOUBLE_EQ(value(c.types[i].annual), amount) << c.types[i].annual.toStdString();
            EXPECT_DOUBLE_EQ(value(c.types[i].monthly), amount / 12) << c.types[i].monthly.toStdString();
        }
        expectValues({{c.total, total}, {c.monthlyTotal, total / 12}});
        EXPECT_EQ(c.table->filter(), QStringLiteral("StatementId = \"%1\"").arg(stmt));
        EXPECT_TRUE(c.table->filtered());
        EXPECT_EQ(c.table->recordCount(), shown);
        expectOnFirstRow(c.table);
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
    }
}

TEST_F(SectionTotals, IncomeRefreshesTotalAssetsAndExpendituresDoNot)
{
    narrow(stmt);
    setStatement({{"CashOnHand", "100"}});
    RecalcExpenditures();
    EXPECT_EQ(text("TotalAssets"), "");
    RecalcIncome();
    EXPECT_DOUBLE_EQ(value("TotalAssets"), 100);
}

TEST_F(SectionTotals, EmptyIncomeOrExpenditureViewWritesZerosAndShowsNoRows)
{
    for (const ByTypeCase &c : byTypeCases()) {
        SCOPED_TRACE(c.label);
        newStatements();
        add(c.table, other, {{"Type", c.types[0].type}, {"Amount", "1000"}});
        narrow(stmt);
        Fields stale;
        for (const TypeCase &t : c.types)
            stale.insert(stale.end(), {{t.annual, "5"}, {t.monthly, "5"}});
        stale.insert(stale.end(), {{c.total, "5"}, {c.monthlyTotal, "5"}});
        setStatement(stale);

        c.recalc();

        for (const auto &[field, unused] : stale)
            EXPECT_EQ(text(field), "0") << field.toStdString();
        EXPECT_EQ(c.table->filter(), QStringLiteral("StatementId = \"\""));
        EXPECT_TRUE(c.table->isEmpty());
    }
}

// The real-estate run leaves income and expense totals as the income and
// expenditure runs wrote them, real-estate income and mortgage payments
// included.
TEST_F(SectionTotals, RealEstateRunKeepsIncomeAndExpenseTotals)
{
    add(dm1->tblIncomes, stmt, {{"Type", "Salaries and Wages (Individual)"}, {"Amount", "50000"}});
    add(dm1->tblIncomes, stmt, {{"Type", "Net Real Estate Income"}, {"Amount", "10000"}});
    add(dm1->tblExpenditure, stmt, {{"Type", "Mortgage Payment"}, {"Amount", "24000"}});
    add(dm1->tblExpenditure, stmt, {{"Type", "Rental Payment"}, {"Amount", "6000"}});
    add(dm1->tblRealEstate, stmt, {{"PercentOwned", "100"}, {"MarketValue", "250000"}});
    narrow(stmt);

    RecalcIncome();
    RecalcExpenditures();
    const Expected after = {{"IncomeTotal", 60000}, {"MIncomeTotal", 5000},
                            {"ExpenseTotal", 30000}, {"MExpenseTotal", 2500}};
    expectValues(after);

    RecalcRealEstate();
    expectValues(after);
    EXPECT_DOUBLE_EQ(value("RealEstateTotals"), 250000);
}

TEST_F(SectionTotals, TotalAssetsAndLiabilitiesTakeTheirComponentsOnly)
{
    struct Component {
        const char *field;
        bool asset, liability;
    };
    const std::vector<Component> components = {
        {"CashOnHand", true, false},       {"InvestmentTotals", true, false},
        {"RealEstateTotals", true, false}, {"AutoTotal", true, false},
        {"LifeCash", true, false},         {"PersonalAssets", true, false},
        {"BusinessAssets", true, false},   {"OtherAssetsTotal", true, false},
        {"AutoLiability", false, true},    {"BankLiability", false, true},
        {"CreditCardLiability", false, true}, {"MortgageLiabilitiesTotals", false, true},
        {"TaxLiability", false, true},     {"OtherLiability", false, true},
        // Shown or kept, but outside the totals.
        {"MarginAccounts", false, false},  {"NotesReceivable", false, false},
        {"OtherAssets", false, false},     {"LifeFace", false, false},
        {"RealEstateTotalsAsset", false, false}, {"InvestmentPurchasePrice", false, false},
        {"AutoPurchasePrice", false, false}, {"ContingentLiability", false, false},
        {"TMortgageLiabilitiesTotals", false, false}, {"CreditCardLimit", false, false},
    };
    narrow(stmt);
    Fields seed;
    double assets = 0, liabilities = 0, v = 1;
    for (const Component &c : components) {
        seed.emplace_back(c.field, QString::number(v));
        if (c.asset)
            assets += v;
        if (c.liability)
            liabilities += v;
        v *= 2;  // every subset of components has its own sum
    }
    setStatement(seed);

    RecalcTotalAssets();
    RecalcTotalLiabilities();

    expectValues({{"TotalAssets", assets}, {"TotalLiabilities", liabilities}});
}

TEST_F(SectionTotals, NetWorthBalancesTheStatement)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"1000", "400"}, {"0.3", "0.1"}, {"100", "250.55"}, {"", ""}, {"1234567.8912", "0.0001"},
    };
    narrow(stmt);
    for (const auto &[assets, liabilities] : cases) {
        SCOPED_TRACE((assets + " / " + liabilities).toStdString());
        setStatement({{"TotalAssets", assets}, {"TotalLiabilities", liabilities}});
        RecalcNetWorth();
        EXPECT_DOUBLE_EQ(value("NetWorth"), assets.toDouble() - liabilities.toDouble());
        EXPECT_EQ(value("TotalLiabilitiesandNetWorth"), value("TotalAssets"));
    }
}

TEST_F(SectionTotals, FillEmptyTotalsFillsOnlyEmptyHeadlinesAndDoesNotPost)
{
    narrow(stmt);
    setStatement({{"CashOnHand", "5"}, {"NetWorth", "-3"}});
    Table *n = dm1->tblNettora;

    n->edit();
    FillEmptyTotals();
    EXPECT_EQ(n->state(), RecordState::Edit);
    for (const QString &field : headlineTotals()) {
        const QString expected = field == "CashOnHand" ? "5" : field == "NetWorth" ? "-3" : "0";
        EXPECT_EQ(text(field), expected) << field.toStdString();
    }
    EXPECT_EQ(text("Salary"), "");
    n->cancel();
    EXPECT_EQ(text("TotalAssets"), "");  // nothing was posted

    // A new statement row, before its first post.
    n->append();
    FillEmptyTotals();
    EXPECT_EQ(n->state(), RecordState::Insert);
    for (const QString &field : headlineTotals())
        EXPECT_EQ(text(field), "0") << field.toStdString();
    n->cancel();
}

TEST_F(SectionTotals, RecalcAllComputesEveryFigureOfTheStatement)
{
    add(dm1->tblCash, stmt, {{"Balance", "1000"}});
    add(dm1->tblInvestments, stmt, {{"InvestmentType", "Stock"}, {"MarketValue", "2000"}});
    add(dm1->tblRealEstate, stmt, {{"PercentOwned", "50"}, {"MarketValue", "200000"},
                                   {"PercentLiability", "50"}, {"CurrentBalance", "100000"}});
    add(dm1->tblAuto, stmt, {{"CurrentValue", "15000"}, {"MonthlyPayment", "250"}});
    add(dm1->tblLifeInsurance, stmt, {{"FaceValue", "500000"}, {"CashValue", "4000"}});
    add(dm1->tblPersonalAssets, stmt, {{"Value", "3000"}});
    add(dm1->tblBusinessAssets, stmt, {{"Value", "5000"}});
    add(dm1->tblOtherAssets, stmt, {{"Type", "All Other Assets"}, {"Value", "6000"}});
    add(dm1->tblAuto2, stmt, {{"LoanBalance", "7000"}});
    add(dm1->tblBank, stmt, {{"Amount", "8000"}});
    add(dm1->tblCreditCards, stmt, {{"CurrentBalance", "900"}});
    add(dm1->tblTaxes, stmt, {{"Amount", "1100"}});
    add(dm1->tblOther, stmt, {{"Amount", "1200"}});
    add(dm1->tblContingent, stmt, {{"Amount", "50000"}});
    add(dm1->tblIncomes, stmt, {{"Type", "Salaries and Wages (Individual)"}, {"Amount", "50000"}});
    add(dm1->tblIncomes, stmt, {{"Type", "Net Real Estate Income"}, {"Amount", "10000"}});
    add(dm1->tblExpenditure, stmt, {{"Type", "Mortgage Payment"}, {"Amount", "12000"}});
    for (Table *t : dm1->statementAndSchedules())
        if (t != dm1->tblNettora && t->def().fieldIndex("Amount") >= 0)
            add(t, other, {{"Amount", "1000000"}});
    narrow(stmt);

    RecalcAll();

    const double assets = 1000 + 2000 + 100000 + 15000 + 4000 + 3000 + 5000 + 6000;
    const double liabilities = 7000 + 8000 + 900 + 50000 + 1100 + 1200;
    expectValues({{"CashOnHand", 1000}, {"Stocks", 2000}, {"RealEstateTotals", 100000},
                  {"AutoPayments", 3000}, {"LifeFace", 500000}, {"OtherAssets", 6000},
                  {"MortgageLiabilitiesTotals", 50000}, {"ContingentLiability", 50000},
                  {"IncomeTotal", 60000}, {"RealEstateIncome", 10000}, {"ExpenseTotal", 12000},
                  {"MMortgage_Exp", 1000}, {"TotalAssets", assets}, {"TotalLiabilities", liabilities},
                  {"NetWorth", assets - liabilities}, {"TotalLiabilitiesandNetWorth", assets}});
    EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
    for (Table *t : dm1->statementAndSchedules()) {
        EXPECT_EQ(t->state(), RecordState::Browse) << t->tableName().toStdString();
        expectOnFirstRow(t);
    }
}

struct OverflowCase {
    const char *label;
    std::function<void()> recalc;
    Table *table;
    std::vector<Fields> rows;
    Fields statement;  // stored figures before the run
    QString named;     // the figure the refusal names
};

std::vector<OverflowCase> overflowCases()
{
    const QString big = "890000000000000";  // each in range, their sum is not
    return {
        {"two large cash rows", RecalcCash, dm1->tblCash, {{{"Balance", big}}, {{"Balance", big}}}, {}, "CashOnHand"},
        {"percent owned of 999", RecalcRealEstate, dm1->tblRealEstate,
         {{{"Description", "A"}, {"PercentOwned", "50"}, {"MarketValue", "1000"}},
          {{"Description", "B"}, {"PercentOwned", "999"}, {"MarketValue", "900000000000000"}}},
         {}, "TMarketValue"},
        {"monthly payment times 12", RecalcAutos, dm1->tblAuto, {{{"MonthlyPayment", "800000000000000"}}}, {},
         "AutoPayments"},
        {"total assets", RecalcPersonalAssets, dm1->tblPersonalAssets, {{{"Value", big}}},
         {{"CashOnHand", big}, {"PersonalAssets", "5"}}, "TotalAssets"},
        {"net worth", RecalcBankNotes, dm1->tblBank, {{{"Amount", "-" + big}}},
         {{"TotalAssets", big}, {"BankLiability", "7"}}, "NetWorth"},
        {"annual income", RecalcIncome, dm1->tblIncomes,
         {{{"Type", "Bonuses and Commissions"}, {"Amount", big}}, {{"Type", "Bonuses and Commissions"}, {"Amount", big}}},
         {{"IncomeTotal", "3"}}, "IncomeTotal"},
    };
}

}  // namespace

// A figure too large to store stops the whole recalculation before anything
// is written, the schedule's own rows included, with a message that says
// which figure it is.
TEST_F(SectionTotals, FigureTooLargeToStoreRefusesTheRecalculationAndWritesNothing)
{
    const auto everything = [this] {
        QString out;
        for (const auto &t : allTables()) {
            Statement st = dm1->db().prepare(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t.name));
            while (st.step())
                for (int i = 0; i < st.columnCount(); ++i)
                    out += st.column(i).toString() + QLatin1Char('|');
        }
        return out;
    };
    for (const OverflowCase &c : overflowCases()) {
        SCOPED_TRACE(c.label);
        newStatements();
        for (const Fields &row : c.rows)
            add(c.table, stmt, row);
        narrow(stmt);
        setStatement(c.statement);
        const QString before = everything();
        try {
            c.recalc();
            ADD_FAILURE() << "recalculated";
        } catch (const EngineError &e) {
            EXPECT_TRUE(e.text().startsWith("The statement cannot be recalculated: ")) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(c.named)) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains("922,337,203,685,477.00")) << e.text().toStdString();
        }
        EXPECT_EQ(everything(), before);
        EXPECT_EQ(dm1->tblNettora->state(), RecordState::Browse);
        EXPECT_EQ(c.table->state(), RecordState::Browse);
    }
}

TEST_F(SectionTotals, NoStatementInViewIsAnErrorNotANewBlankRow)
{
    dm1->tblNettora->setFilter(QStringLiteral("Id = 999"));
    dm1->tblNettora->setFiltered(true);
    const int before = countRows(QStringLiteral("Nettora"));
    EXPECT_THROW(RecalcCash(), EngineError);
    EXPECT_THROW(RecalcAll(), EngineError);
    EXPECT_EQ(countRows(QStringLiteral("Nettora")), before);
}
