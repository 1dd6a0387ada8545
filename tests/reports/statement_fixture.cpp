#include "statement_fixture.h"

#include "cli/cli_commands.h"
#include "data/db_functions.h"

#include <QJsonDocument>

namespace nettora::test {

namespace {

QJsonObject row(std::initializer_list<std::pair<const char *, QJsonValue>> fields)
{
    QJsonObject o;
    for (const auto &[k, v] : fields)
        o.insert(QString::fromLatin1(k), v);
    return o;
}

}  // namespace

QJsonObject statementClient(const StatementOptions &options)
{
    QJsonObject fields = row({{"FirstName", QString::fromLatin1(options.firstName)},
                              {"MiddleInitial", "Q"},
                              {"LastName", "Smith"},
                              {"Birthday", "04/12/1970"},
                              {"Address", "1200 Elm Street"},
                              {"City", "Dallas"},
                              {"State", "TX"},
                              {"Zip", "75001"},
                              {"SSN", "123-45-6789"},
                              {"DriversLicense", "D1234567"},
                              {"DriversLicense_State", "TX"},
                              {"PersonalPhone", "214-555-0101"},
                              {"Email", "john@smith.example"},
                              {"Dependents", "2"},
                              {"MaritalStatus", "Married"},
                              {"Employer", "Acme Industries"},
                              {"Position", "Chief Engineer"},
                              {"YearsEmployed", "7"},
                              {"EAddress", "1 Acme Way"},
                              {"ECity", "Irving"},
                              {"EState", "TX"},
                              {"EZip", "75038"},
                              {"BusinessPhone", "972-555-0199"},
                              {"Accountant", "Carla Diaz CPA"},
                              {"AccountantPhone", "214-555-0110"},
                              {"Attorney", "Hale & Burke"},
                              {"AttorneyPhone", "214-555-0120"},
                              {"Banker", "First National Bank"},
                              {"BankerPhone", "214-555-0130"},
                              {"Advisor", "Summit Advisors"},
                              {"AdvisorPhone", "214-555-0140"}});
    if (options.joint) {
        for (const auto &[k, v] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"SFirstName", "Mary"},          {"SMiddleInitial", "A"},
                 {"SLastName", "Smith"},          {"SBirthday", "09/03/1972"},
                 {"SAddress", "1200 Elm Street"}, {"SCity", "Dallas"},
                 {"SState", "TX"},                {"SZip", "75001"},
                 {"SSSN", "987-65-4321"},         {"SDriversLicense", "D7654321"},
                 {"SDriversLicense_State", "TX"}, {"SPersonalPhone", "214-555-0102"},
                 {"SEmail", "mary@smith.example"}, {"SDependents", "2"},
                 {"SEmployer", "Dallas Medical Center"}, {"SPosition", "Physician"},
                 {"SYearsEmployed", "12"},        {"SEAddress", "5 Health Plaza"},
                 {"SECity", "Dallas"},            {"SEState", "TX"},
                 {"SEZip", "75010"},              {"SBusinessPhone", "214-555-0188"},
                 {"SAccountant", "Ray Ortiz CPA"}, {"SAccountantPhone", "214-555-0150"},
                 {"SAttorney", "Lane Legal"},     {"SAttorneyPhone", "214-555-0160"},
                 {"SBanker", "Lakeside Bank"},    {"SBankerPhone", "214-555-0170"},
                 {"SAdvisor", "North Star Wealth"}, {"SAdvisorPhone", "214-555-0180"}})
            fields.insert(QString::fromLatin1(k), QString::fromLatin1(v));
    }

    QJsonObject schedules;
    if (options.schedules) {
        QJsonArray cash{row({{"Type", "Checking"}, {"RegisteredName", "John and Mary Smith"}, {"Bank", "First National"},
                             {"AccountNumber", "100-2345"}, {"Balance", 12500.55}}),
                        row({{"Type", "Savings"}, {"RegisteredName", "John Smith"}, {"Bank", "Lakeside Bank"},
                             {"AccountNumber", "200-9876"}, {"Balance", 48000}})};
        for (int i = 1; i <= options.extraCashRows; ++i)
            cash.append(row({{"Type", "Certificate"}, {"RegisteredName", QStringLiteral("Account holder %1").arg(i, 3, 10, QLatin1Char('0'))},
                             {"Bank", "Savings & Loan"}, {"AccountNumber", QStringLiteral("CD-%1").arg(i)}, {"Balance", 1000 + i}}));
        schedules.insert(QStringLiteral("Cash"), cash);
        schedules.insert(QStringLiteral("Investments"),
                         QJsonArray{row({{"InvestmentType", "Stock"}, {"Description", "Acme Industries common"},
                                         {"Shares", 250}, {"Exchange", "NYSE"}, {"Pledged", "No"},
                                         {"RegisteredName", "John Smith"}, {"PurchasePrice", 18000},
                                         {"MarketValue", 26250}}),
                                    row({{"InvestmentType", "Mutual Fund"}, {"Description", "Total Market Index"},
                                         {"Shares", 812.5}, {"Exchange", "NASDAQ"}, {"Pledged", "Yes"},
                                         {"RegisteredName", "Mary Smith"}, {"PurchasePrice", 60000},
                                         {"MarketValue", 74300.25}})});
        schedules.insert(QStringLiteral("RealEstate"),
                         QJsonArray{row({{"Type", "Residence"}, {"Description", "1200 Elm Street, Dallas"},
                                         {"YearAcquired", 2004}, {"PercentOwned", 100}, {"MarketValue", 485000},
                                         {"PercentLiability", 100}, {"CurrentBalance", 212000},
                                         {"LienHolder", "Home Mortgage Co"}, {"RegisteredName", "John and Mary Smith"}}),
                                    row({{"Type", "Rental"}, {"Description", "Lake cabin"}, {"YearAcquired", 2015},
                                         {"PercentOwned", 50}, {"MarketValue", 180000}, {"PercentLiability", 50},
                                         {"CurrentBalance", 90000}, {"LienHolder", "Lakeside Bank"},
                                         {"RegisteredName", "John Smith and Paul Green"}})});
        schedules.insert(QStringLiteral("Auto"),
                         QJsonArray{row({{"Model", "Toyota Highlander"}, {"Year", "2022"}, {"Description", "SUV"},
                                         {"PurchasePrice", 42000}, {"CurrentValue", 33500}, {"MonthlyPayment", 610}})});
        schedules.insert(QStringLiteral("LifeInsurance"),
                         QJsonArray{row({{"Insured", "John Smith"}, {"Company", "Mutual Life"}, {"Beneficiary", "Mary Smith"},
                                         {"FaceValue", 500000}, {"CashValue", 42000}, {"Pledged", "No"}})});
        schedules.insert(QStringLiteral("PersonalAssets"),
                         QJsonArray{row({{"Description", "Furniture and household goods"}, {"Value", 35000},
                                         {"Registered", "John and Mary Smith"}})});
        schedules.insert(QStringLiteral("BusinessAssets"),
                         QJsonArray{row({{"Description", "Consulting practice equipment"}, {"Value", 15000},
                                         {"Registered", "Smith Consulting LLC"}})});
        schedules.insert(QStringLiteral("OtherAssets"),
                         QJsonArray{row({{"Type", "Accounts and Notes Receivable"}, {"Registered", "John Smith"},
                                         {"Description", "Loan to Paul Green"}, {"Value", 8000}}),
                                    row({{"Type", "Restricted or Margin Account"}, {"Registered", "John Smith"},
                                         {"Description", "Brokerage margin"}, {"Value", 5000}})});
        schedules.insert(QStringLiteral("Bank"),
                         QJsonArray{row({{"Description", "Line of credit"}, {"Bank", "First National"},
                                         {"Amount", 15000}, {"Registered", "John Smith"}})});
        schedules.insert(QStringLiteral("CreditCards"),
                         QJsonArray{row({{"Description", "Visa Platinum"}, {"CurrentBalance", 2450.75},
                                         {"CreditLimit", 20000}, {"MemberSince", "1998"}})});
        schedules.insert(QStringLiteral("Auto2"),
                         QJsonArray{row({{"Description", "Toyota Highlander loan"}, {"Registered", "John Smith"},
                                         {"LoanBalance", 21800}, {"LienHolder", "Toyota Financial"}})});
        schedules.insert(QStringLiteral("Taxes"),
                         QJsonArray{row({{"Description", "Property tax"}, {"Amount", 9100},
                                         {"Explanation", "Due January 31"}})});
        schedules.insert(QStringLiteral("Other"),
                         QJsonArray{row({{"Description", "Family loan"}, {"Amount", 6000}, {"MonthlyPayment", 250}})});
        schedules.insert(QStringLiteral("Contingent"),
                         QJsonArray{row({{"Description", "Loan guarantee"}, {"ToWhom", "Green Farms LLC"},
                                         {"Amount", 50000}, {"Maturity", "06/30/27"}, {"MonthlyPayment", 0}})});
        schedules.insert(QStringLiteral("Incomes"),
                         QJsonArray{row({{"Type", "Salaries and Wages (Individual)"}, {"Description", "Acme Industries"},
                                         {"Amount", 165000}, {"MAmount", 13750}}),
                                    row({{"Type", "Salaries and Wages (Spouse)"}, {"Description", "Dallas Medical Center"},
                                         {"Amount", 240000}, {"MAmount", 20000}}),
                                    row({{"Type", "Dividends and Interest Income"}, {"Description", "Brokerage account"},
                                         {"Amount", 3600}, {"MAmount", 300}})});
        schedules.insert(QStringLiteral("Expenditure"),
                         QJsonArray{row({{"Type", "Mortgage Payment"}, {"Description", "Home Mortgage Co"},
                                         {"Amount", 26400}, {"MAmount", 2200}}),
                                    row({{"Type", "Auto, Life and Health Insurance Premium"}, {"Description", "Mutual Life"},
                                         {"Amount", 7200}, {"MAmount", 600}})});
        schedules.insert(QStringLiteral("Legal"),
                         QJsonArray{row({{"Will", "Yes"}, {"WillExplanation", "Mary A. Smith"}, {"Divorce", "No"},
                                         {"Partner", "Yes"}, {"Defendant", "No"}, {"DefendantExplanation", "left from before"},
                                         {"Judgement", "Yes"},
                                         {"JudgementExplanation", "A small-claims judgement from 2019, settled in full."}})});
    }
    QJsonObject statement{{QStringLiteral("fields"), row({{"Date", "12/31/2025"}, {"Description", "Annual"}})},
                          {QStringLiteral("schedules"), schedules}};
    return QJsonObject{{QStringLiteral("fields"), fields}, {QStringLiteral("statements"), QJsonArray{statement}}};
}

void StatementTest::load(const QJsonObject &client)
{
    const QJsonObject doc{{QStringLiteral("format"), QStringLiteral("nettora")},
                          {QStringLiteral("version"), 1},
                          {QStringLiteral("clients"), QJsonArray{client}}};
    const auto imported = cli::importDocument(QJsonDocument(doc).toJson());
    ASSERT_EQ(imported.size(), 1u);
    m_clientId = imported[0].clientId;
    m_statementId = imported[0].statementIds.at(0);
    FilterStatementTables(QString::number(m_clientId), QString::number(m_statementId));
    // An answer stored in lower case, as files of older versions may hold:
    // the import takes only "Yes" and "No".
    if (client.value(QStringLiteral("statements")).toArray().at(0).toObject().value(QStringLiteral("schedules"))
            .toObject().contains(QStringLiteral("Legal")))
        setLegal({{"Bankruptcy", QStringLiteral("yes")}, {"BankruptcyExplanation", QStringLiteral("typed in lower case")}});
}

void StatementTest::setLegal(std::initializer_list<std::pair<const char *, QString>> fields)
{
    Table *l = m_dm->tblLegal;
    l->first();
    if (l->eof()) {
        l->append();
        l->setAsString(QStringLiteral("ClientId"), QString::number(m_clientId));
        l->setAsString(QStringLiteral("StatementId"), QString::number(m_statementId));
    } else {
        l->edit();
    }
    for (const auto &[k, v] : fields)
        l->setAsString(QString::fromLatin1(k), v);
    l->post();
}

std::unique_ptr<reports::Report> StatementTest::preparedForm(reports::PageKind page, const reports::FormKind &kind)
{
    std::unique_ptr<reports::Report> r = reports::buildForm(page, kind, reports::Sources::dataModule());
    r->prepare();
    return r;
}

}  // namespace nettora::test
