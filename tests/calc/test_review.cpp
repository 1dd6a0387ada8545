#include "calc/review.h"
#include "data/legal_questions.h"
#include "support/testsupport.h"

#include <cmath>
#include <functional>
#include <limits>

using namespace nettora;
using namespace nettora::test;

namespace {

const QDate Today(2026, 6, 30);

// A statement a lender would take as it is: everything answered and given,
// dated ten days before the review, no schedules and all totals 0.
class ReviewTest : public DataDirTest {
public:
    using DataDirTest::setClient;
    using DataDirTest::setUser;

protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        client = addClient("Ann", "Lee");
        setClient({{"Address", "1 Main St"}, {"City", "Springfield"}, {"State", "IL"}, {"Zip", "62701"},
                   {"SSN", "123-45-6789"}});
        statement = addStatement(client, dated(10));
        legalRow({});
        setUser({{"Preparer", "N"}, {"Compilation", "N"}});
    }

public:
    static QString dated(int daysBefore) { return Today.addDays(-daysBefore).toString(QStringLiteral("MM/dd/yyyy")); }

    // The legal row with every question answered "No" but for the given fields.
    void legalRow(std::initializer_list<std::pair<const char *, QString>> changed)
    {
        m_dm->db().exec(QStringLiteral("DELETE FROM \"Legal\""));
        Table *t = m_dm->tblLegal;
        t->setFiltered(false);
        t->append();
        t->setAsString("ClientId", QString::number(client));
        t->setAsString("StatementId", QString::number(statement));
        for (const legal::Question &q : legal::Questions)
            t->setAsString(q.answerField, QStringLiteral("No"));
        for (const auto &[field, value] : changed)
            t->setAsString(field, value);
        t->post();
    }

    void add(const char *table, std::initializer_list<std::pair<const char *, QString>> fields)
    {
        addRow(m_dm->table(QString::fromLatin1(table)), client, statement, fields);
    }

    void setTotals(std::initializer_list<std::pair<const char *, double>> totals)
    {
        for (const auto &[field, value] : totals) {
            Statement st = m_dm->db().prepare(
                QStringLiteral("UPDATE \"Nettora\" SET \"%1\" = ? WHERE \"Id\" = ?").arg(QLatin1String(field)));
            st.bind(1, qint64(std::llround(value * 10000)));
            st.bind(2, statement);
            st.run();
        }
    }

    void setDate(const QString &date)
    {
        Statement st = m_dm->db().prepare(QStringLiteral("UPDATE \"Nettora\" SET \"Date\" = ? WHERE \"Id\" = ?"));
        st.bind(1, date);
        st.bind(2, statement);
        st.run();
    }

protected:
    Review review() { return reviewStatement(m_dm->db(), statement, Today); }

    static QStringList checks(const Review &r)
    {
        QStringList out;
        for (const Finding &f : r.findings)
            out << severityKey(f.severity) + QLatin1Char(':') + f.check;
        return out;
    }

    qint64 client = 0, statement = 0;
};

TEST_F(ReviewTest, AStatementReadyToSignHasNoFindings)
{
    const Review r = review();
    EXPECT_TRUE(r.findings.empty()) << checks(r).join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(r.hasFix());
}

struct FindingCase {
    const char *name;
    std::function<void(ReviewTest &)> setUp;
    const char *expected;  // "severity:check", or empty when the case must find nothing
};

void PrintTo(const FindingCase &c, std::ostream *os) { *os << c.name; }

class ReviewFindings : public ReviewTest, public ::testing::WithParamInterface<FindingCase> {};

TEST_P(ReviewFindings, FindsWhatALenderWouldSendBackAndNothingElse)
{
    GetParam().setUp(*this);
    const Review r = review();
    const QStringList found = checks(r);
    const QString expected = QString::fromLatin1(GetParam().expected);
    if (expected.isEmpty()) {
        EXPECT_TRUE(found.isEmpty()) << found.join(QLatin1Char(' ')).toStdString();
    } else {
        EXPECT_EQ(found, QStringList{expected});
        ASSERT_EQ(r.findings.size(), 1u);
        EXPECT_FALSE(r.findings[0].message.isEmpty());
        EXPECT_TRUE(r.findings[0].message.endsWith(QLatin1Char('.'))) << r.findings[0].message.toStdString();
        EXPECT_EQ(r.hasFix(), expected.startsWith(QLatin1String("fix:")));
    }
}

using R = ReviewTest;
const FindingCase findingCases[] = {
    {"DateNotADate", [](R &t) { t.setDate(QStringLiteral("13/45/2025")); }, "fix:statement_date_invalid"},
    {"DateEmpty", [](R &t) { t.setDate(QString()); }, "fix:statement_date_invalid"},
    {"Date121DaysOld", [](R &t) { t.setDate(R::dated(121)); }, "fix:statement_date_old"},
    {"Date120DaysOld", [](R &t) { t.setDate(R::dated(120)); }, "look:statement_date_aging"},
    {"Date91DaysOld", [](R &t) { t.setDate(R::dated(91)); }, "look:statement_date_aging"},
    {"Date90DaysOld", [](R &t) { t.setDate(R::dated(90)); }, ""},
    {"LegalUnanswered", [](R &t) { t.legalRow({{"Bankruptcy", QString()}}); }, "fix:legal_unanswered"},
    {"LegalStrayAnswer", [](R &t) { t.legalRow({{"Will", QStringLiteral("yes")}}); }, "fix:legal_unanswered"},
    {"LegalYesUnexplained", [](R &t) { t.legalRow({{"Defendant", QStringLiteral("Yes")}}); },
     "fix:legal_yes_unexplained"},
    {"LegalYesExplained",
     [](R &t) { t.legalRow({{"Will", QStringLiteral("Yes")}, {"WillExplanation", QStringLiteral("Jo Lee")}}); }, ""},
    {"CashPledgedToNobody",
     [](R &t) {
         t.add("Cash", {{"Bank", "First National"}, {"Balance", "100"}, {"Pledged", "Yes"}});
         t.setTotals({{"CashOnHand", 100}});
     },
     "fix:pledged_without_whom"},
    {"CashPledgedToABank",
     [](R &t) {
         t.add("Cash", {{"Bank", "First National"}, {"Balance", "100"}, {"Pledged", "Yes"}, {"PledgedTo", "Bank"}});
         t.setTotals({{"CashOnHand", 100}});
     },
     ""},
    {"PolicyPledgedToNobody",
     [](R &t) {
         t.add("LifeInsurance", {{"Company", "Acme Life"}, {"CashValue", "10"}, {"Pledged", "Yes"}});
         t.setTotals({{"LifeCash", 10}});
     },
     "fix:pledged_without_whom"},
    {"PropertyOwesButHasNoValue",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Lake lot"}, {"PercentLiability", "100"}, {"CurrentBalance", "5000"}});
         t.setTotals({{"TMortgageLiabilitiesTotals", 5000}, {"Mortgage_Exp", 1200}});
     },
     "fix:real_estate_no_value"},
    {"PercentOwnedOver100",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Home"}, {"PercentOwned", "150"}, {"MarketValue", "1000"}});
         t.setTotals({{"RealEstateTotalsAsset", 1000}});
     },
     "fix:percent_out_of_range"},
    {"PercentOwnedZeroWithAValue",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Home"}, {"MarketValue", "1000"}});
         t.setTotals({{"RealEstateTotalsAsset", 1000}});
     },
     "fix:percent_out_of_range"},
    {"PercentOfLiabilityZeroWithABalance",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Home"}, {"PercentOwned", "100"}, {"MarketValue", "1000"},
                              {"CurrentBalance", "500"}});
         t.setTotals({{"RealEstateTotalsAsset", 1000}, {"TMortgageLiabilitiesTotals", 500}, {"Mortgage_Exp", 100}});
     },
     "fix:percent_out_of_range"},
    {"PropertyInOrder",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Home"}, {"PercentOwned", "50"}, {"MarketValue", "1000"},
                              {"PercentLiability", "100"}, {"CurrentBalance", "500"}});
         t.setTotals({{"RealEstateTotalsAsset", 1000}, {"TMortgageLiabilitiesTotals", 500}, {"Mortgage_Exp", 100}});
     },
     ""},
    {"ClientWithoutSocialSecurityNumber", [](R &t) { t.setClient({{"SSN", ""}}); }, "fix:client_ssn_missing"},
    {"ClientWithoutCity", [](R &t) { t.setClient({{"City", ""}}); }, "fix:client_address_missing"},
    {"ClientWithoutLastName", [](R &t) { t.setClient({{"LastName", ""}}); }, "fix:client_name_missing"},
    {"SpouseWithoutAddress",
     [](R &t) { t.setClient({{"SFirstName", "Bo"}, {"SLastName", "Lee"}, {"SSSN", "987-65-4321"}}); },
     "fix:spouse_address_missing"},
    {"SpouseComplete",
     [](R &t) {
         t.setClient({{"SFirstName", "Bo"}, {"SLastName", "Lee"}, {"SSSN", "987-65-4321"}, {"SAddress", "1 Main St"},
                      {"SCity", "Springfield"}, {"SState", "IL"}, {"SZip", "62701"}});
     },
     ""},
    {"CardOverItsLimit",
     [](R &t) {
         t.add("CreditCards", {{"Description", "Visa"}, {"CurrentBalance", "600"}, {"CreditLimit", "500"}});
         t.setTotals({{"CreditCardLiability", 600}});
     },
     "look:credit_card_over_limit"},
    {"CardWithinItsLimit",
     [](R &t) {
         t.add("CreditCards", {{"Description", "Visa"}, {"CurrentBalance", "400"}, {"CreditLimit", "500"}});
         t.setTotals({{"CreditCardLiability", 400}});
     },
     ""},
    {"AutoPaymentsWithoutExpense",
     [](R &t) {
         t.add("Auto", {{"Model", "Civic"}, {"CurrentValue", "9000"}, {"MonthlyPayment", "300"}});
         t.setTotals({{"AutoTotal", 9000}});
     },
     "look:auto_payments_no_expense"},
    {"AutoPaymentsAsInstallment",
     [](R &t) {
         t.add("Auto", {{"Model", "Civic"}, {"CurrentValue", "9000"}, {"MonthlyPayment", "300"}});
         t.setTotals({{"AutoTotal", 9000}, {"Installment_Exp", 3600}});
     },
     ""},
    {"MortgageWithoutExpense",
     [](R &t) {
         t.add("RealEstate", {{"Description", "Home"}, {"PercentOwned", "100"}, {"MarketValue", "1000"},
                              {"PercentLiability", "100"}, {"CurrentBalance", "500"}});
         t.setTotals({{"RealEstateTotalsAsset", 1000}, {"TMortgageLiabilitiesTotals", 500}});
     },
     "look:mortgage_no_expense"},
    {"ContingentMatured",
     [](R &t) {
         t.add("Contingent", {{"Description", "Guarantee"}, {"Amount", "100"}, {"Maturity", "06/29/2026"}});
         t.setTotals({{"ContingentLiability", 100}});
     },
     "look:contingent_matured"},
    {"ContingentNotYetDue",
     [](R &t) {
         t.add("Contingent", {{"Description", "Guarantee"}, {"Amount", "100"}, {"Maturity", "06/30/2026"}});
         t.setTotals({{"ContingentLiability", 100}});
     },
     ""},
    {"ScheduleListedTotalZero", [](R &t) { t.add("Cash", {{"Bank", "First National"}, {"Balance", "100"}}); },
     "look:stale_total"},
    {"ScheduleEmptyTotalNot", [](R &t) { t.setTotals({{"TaxLiability", 50}}); }, "look:stale_total"},
    {"NegativeNetWorth", [](R &t) { t.setTotals({{"NetWorth", -0.01}}); }, "look:negative_net_worth"},
    {"WagesWithoutEmployer",
     [](R &t) {
         t.add("Incomes", {{"Type", "Salaries and Wages (Individual)"}, {"Amount", "50000"}});
         t.setTotals({{"Salary", 50000}, {"IncomeTotal", 50000}});
     },
     "look:income_without_employer"},
    {"WagesWithEmployer",
     [](R &t) {
         t.add("Incomes", {{"Type", "Salaries and Wages (Individual)"}, {"Amount", "50000"}});
         t.setTotals({{"Salary", 50000}, {"IncomeTotal", 50000}});
         t.setClient({{"Employer", "Acme"}});
     },
     ""},
    {"PreparerPageWithoutParticulars", [](R &t) { t.setUser({{"Preparer", "Y"}}); },
     "look:preparer_particulars_missing"},
    {"CompilationWithParticulars",
     [](R &t) {
         t.setUser({{"Compilation", "Y"}, {"Company", "Lee CPA"}, {"Address", "2 Oak St"}, {"City", "Springfield"}});
     },
     ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReviewFindings, ::testing::ValuesIn(findingCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReviewTest, FindingsNameTheirRowAndComeFixesFirst)
{
    add("CreditCards", {{"Description", "Visa"}, {"CurrentBalance", "600"}, {"CreditLimit", "500"}});
    add("Cash", {{"Bank", "First National"}, {"Balance", "100"}, {"Pledged", "Yes"}});
    setTotals({{"CreditCardLiability", 600}, {"CashOnHand", 100}});
    const Review r = review();
    ASSERT_EQ(checks(r), (QStringList{"fix:pledged_without_whom", "look:credit_card_over_limit"}));
    const Finding &pledged = r.findings[0];
    EXPECT_EQ(pledged.table, QStringLiteral("Cash"));
    EXPECT_EQ(pledged.field, QStringLiteral("PledgedTo"));
    EXPECT_EQ(pledged.page, MendPage::Cash);
    EXPECT_EQ(countRows(QStringLiteral("Cash"), QStringLiteral("rowid = %1").arg(pledged.row)), 1);
    EXPECT_EQ(pledged.message, QStringLiteral("The cash account at First National is pledged, but not to whom."));
    EXPECT_EQ(r.findings[1].message, QStringLiteral("The credit card \"Visa\" owes $600.00, over its limit of $500.00."));
    EXPECT_EQ(mendPageWords(r.findings[1].page), QStringLiteral("Liabilities > Credit Cards"));
}

TEST_F(ReviewTest, RowsOfOtherStatementsAreNotReviewed)
{
    const qint64 other = addStatement(client, dated(400), QStringLiteral("Old"));
    addRow(m_dm->tblCreditCards, client, other,
           {{"Description", "Visa"}, {"CurrentBalance", "600"}, {"CreditLimit", "500"}});
    EXPECT_TRUE(review().findings.empty());
}

TEST_F(ReviewTest, AStatementThatIsNotThereIsRefused)
{
    EXPECT_THROW(reviewStatement(m_dm->db(), statement + 100, Today), EngineError);
}

struct RatioCase {
    const char *name;
    std::vector<std::pair<const char *, double>> totals;
    const char *ratio;
    std::optional<double> expected;
};

void PrintTo(const RatioCase &c, std::ostream *os) { *os << c.name; }

class ReviewRatios : public ReviewTest, public ::testing::WithParamInterface<RatioCase> {};

TEST_P(ReviewRatios, AreWorkedOutFromTheStoredTotals)
{
    for (const auto &[field, value] : GetParam().totals)
        setTotals({{field, value}});
    const Review r = review();
    const Ratio *ratio = r.ratio(QString::fromLatin1(GetParam().ratio));
    ASSERT_NE(ratio, nullptr);
    EXPECT_FALSE(ratio->formula.isEmpty());
    if (!GetParam().expected) {
        EXPECT_FALSE(ratio->value.has_value()) << *ratio->value;
        EXPECT_EQ(ratioValueText(*ratio), QStringLiteral("not defined"));
    } else {
        ASSERT_TRUE(ratio->value.has_value());
        EXPECT_NEAR(*ratio->value, *GetParam().expected, 1e-9);
    }
}

const std::vector<std::pair<const char *, double>> assets = {
    {"CashOnHand", 10000}, {"InvestmentTotals", 50000}, {"IRA", 5000}, {"Retirement", 7000}, {"401K", 8000},
    {"LifeCash", 2000}};
const RatioCase ratioCases[] = {
    {"LiquidAssets", assets, "liquid_assets", 10000 + (50000 - 20000) + 2000},
    {"RetirementAssets", assets, "retirement_assets", 20000},
    {"Liquidity", {{"CashOnHand", 30000}, {"TotalLiabilities", 12000}}, "liquidity_ratio", 2.5},
    {"LiquidityNoLiabilities", {{"CashOnHand", 30000}}, "liquidity_ratio", std::nullopt},
    {"LiquidityNegativeLiabilities", {{"CashOnHand", 30000}, {"TotalLiabilities", -1}}, "liquidity_ratio",
     std::nullopt},
    {"MonthlyIncome", {{"IncomeTotal", 120000}}, "monthly_income", 10000},
    {"MonthlyDebt",
     {{"Mortgage_Exp", 12000}, {"Rental_Exp", 1200}, {"Installment_Exp", 2400}, {"Lease_Exp", 1200},
      {"OtherDebt_Exp", 600}, {"Alimony_Exp", 600}, {"Insurance_Exp", 9999}, {"Other_Exp", 9999}},
     "monthly_debt_payments", 1500},
    {"DebtToIncome", {{"IncomeTotal", 120000}, {"Mortgage_Exp", 36000}}, "debt_to_income", 0.3},
    {"DebtToNoIncome", {{"Mortgage_Exp", 36000}}, "debt_to_income", std::nullopt},
    {"MonthsCovered", {{"CashOnHand", 30000}, {"ExpenseTotal", 60000}}, "months_of_expenses_covered", 6},
    {"MonthsCoveredNoExpenses", {{"CashOnHand", 30000}}, "months_of_expenses_covered", std::nullopt},
    {"ContingentToNetWorth", {{"ContingentLiability", 25000}, {"NetWorth", 100000}}, "contingent_to_net_worth",
     0.25},
    {"ContingentToNegativeNetWorth", {{"ContingentLiability", 25000}, {"NetWorth", -5}}, "contingent_to_net_worth",
     std::nullopt},
    {"LoanToValue", {{"TMortgageLiabilitiesTotals", 150000}, {"RealEstateTotalsAsset", 200000}}, "loan_to_value",
     0.75},
    {"LoanToNoValue", {{"TMortgageLiabilitiesTotals", 150000}}, "loan_to_value", std::nullopt},
    {"AdjustedNetWorthWithoutHome", {{"NetWorth", 500000}, {"IRA", 50000}, {"BusinessAssets", 100000}},
     "adjusted_net_worth", 350000},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReviewRatios, ::testing::ValuesIn(ratioCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReviewTest, ResidenceEquityCountsHomesteadsAtTheSharesOwnedAndOwed)
{
    add("RealEstate", {{"Type", "Homestead"}, {"Description", "Home"}, {"PercentOwned", "50"},
                       {"MarketValue", "400000"}, {"TMarketValue", "200000"}, {"PercentLiability", "50"},
                       {"CurrentBalance", "100000"}, {"TCurrentLiability", "50000"}});
    add("RealEstate", {{"Type", "Rental"}, {"Description", "Flat"}, {"PercentOwned", "100"},
                       {"MarketValue", "90000"}, {"TMarketValue", "90000"}});
    setTotals({{"NetWorth", 400000}, {"401K", 30000}, {"BusinessAssets", 20000}});
    const Review r = review();
    EXPECT_DOUBLE_EQ(*r.ratio(QStringLiteral("primary_residence_equity"))->value, 150000);
    EXPECT_DOUBLE_EQ(*r.ratio(QStringLiteral("adjusted_net_worth"))->value, 400000 - 30000 - 20000 - 150000);
}

TEST(ReviewText, RatiosReadAsTheirKind)
{
    EXPECT_EQ(ratioValueText({QStringLiteral("x"), QString(), RatioKind::Money, -1234.5}), QStringLiteral("-$1,234.50"));
    EXPECT_EQ(ratioValueText({QStringLiteral("x"), QString(), RatioKind::Ratio, 0.4567}), QStringLiteral("0.46"));
    EXPECT_EQ(ratioValueText({QStringLiteral("x"), QString(), RatioKind::Months, 6.04}), QStringLiteral("6.0 months"));
    EXPECT_EQ(ratioValueText({QStringLiteral("x"), QString(), RatioKind::Ratio, std::nullopt}),
              QStringLiteral("not defined"));
}

}  // namespace
