#include "calc/review.h"

#include "data/currency.h"
#include "data/dates.h"
#include "data/engine.h"
#include "data/legal_questions.h"
#include "data/schema.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace nettora {

namespace {

// One row as read for the review: every value in the form the windows show
// it (amounts in dollars, dates as the engine keeps them, percents as typed
// numbers). The field positions are the table's, shared by its rows.
struct Row {
    qint64 id = 0;
    std::shared_ptr<const QHash<QString, int>> positions;
    std::vector<QVariant> values;

    QVariant value(const char *field) const
    {
        if (!positions)
            return QVariant();
        const int at = positions->value(QLatin1String(field), -1);
        return at < 0 ? QVariant() : values[size_t(at)];
    }
    QString text(const char *field) const { return value(field).toString().trimmed(); }
    bool blank(const char *field) const { return text(field).isEmpty(); }
    // An empty amount counts as 0, as every total counts it.
    double number(const char *field) const { return value(field).toDouble(); }
};

QVariant shown(FieldType type, const QVariant &stored)
{
    if (stored.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Currency: return stored.toLongLong() / 10000.0;
    case FieldType::Float: return stored.toDouble();
    default: return stored;
    }
}

QString quoted(const QString &name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// The rows of one table that the condition picks, with the fields named
// (all of them when none are).
std::vector<Row> readRows(Database &db, const QString &table, const QString &where, const std::vector<QVariant> &binds,
                          const QStringList &fields = {})
{
    const TableDef *def = findTable(table);
    if (!def)
        throw EngineError(QStringLiteral("The table %1 is not known.").arg(table));
    QStringList cols;
    auto positions = std::make_shared<QHash<QString, int>>();
    std::vector<FieldType> types;
    for (const FieldDef &f : def->fields) {
        if (!fields.isEmpty() && !fields.contains(f.name))
            continue;
        positions->insert(f.name, int(types.size()));
        types.push_back(f.type);
        cols << quoted(f.name);
    }
    Statement st = db.prepare(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE %3 ORDER BY rowid")
                                  .arg(cols.join(QStringLiteral(", ")), quoted(def->name), where));
    st.bindAll(binds);
    std::vector<Row> rows;
    while (st.step()) {
        Row r;
        r.id = st.columnInt(0);
        r.positions = positions;
        r.values.reserve(types.size());
        for (size_t i = 0; i < types.size(); ++i)
            r.values.push_back(shown(types[i], st.column(int(i) + 1)));
        rows.push_back(std::move(r));
    }
    return rows;
}

QString dollars(double amount)
{
    return (amount < 0 ? QStringLiteral("-$") : QStringLiteral("$")) + groupedNumber(std::fabs(amount), 2);
}

QString named(const Row &r, const char *field, const QString &kind)
{
    const QString name = r.text(field);
    return name.isEmpty() ? QStringLiteral("a ") + kind + QStringLiteral(" without a description")
                          : QStringLiteral("the ") + kind + QStringLiteral(" \"") + name + QLatin1Char('"');
}

// A list of words as a sentence says it: "a, b and c".
QString spoken(const QStringList &parts)
{
    if (parts.size() <= 1)
        return parts.value(0);
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}

// The date a date field holds, as MM/dd/yyyy or ISO.
QDate dateOf(const QString &text)
{
    const QString full = fullDateText(text);
    if (!full.isEmpty())
        return QDate::fromString(full, QStringLiteral("MM/dd/yyyy"));
    return QDate::fromString(text, Qt::ISODate);
}

class Reviewer {
public:
    Reviewer(Database &db, qint64 statementId, const QDate &today) : m_db(db), m_today(today)
    {
        m_review.statementId = statementId;
        m_review.today = today;
        const auto statements = readRows(db, QStringLiteral("Nettora"), QStringLiteral("\"Id\" = ?"), {statementId});
        if (statements.empty())
            throw EngineError(QStringLiteral("There is no statement %1.").arg(statementId));
        m_statement = statements.front();
        m_clientId = m_statement.text("ClientId");
        const auto clients = readRows(db, QStringLiteral("Client"), QStringLiteral("\"Id\" = ?"),
                                      {m_clientId.toLongLong()});
        if (!clients.empty())
            m_client = clients.front();
        const auto users = readRows(db, QStringLiteral("User"), QStringLiteral("1"), {});
        if (!users.empty())
            m_user = users.front();
    }

    Review run()
    {
        checkDate();
        checkPeople();
        checkLegal();
        checkAssets();
        checkLiabilities();
        checkIncomeAndExpenses();
        checkStaleTotals();
        checkPreparer();
        if (total("NetWorth") < 0)
            look("negative_net_worth",
                 QStringLiteral("The net worth is negative (%1): lenders read it before anything else.")
                     .arg(dollars(total("NetWorth"))),
                 MendPage::Assets, QStringLiteral("Nettora"), m_review.statementId, QStringLiteral("NetWorth"));
        std::stable_sort(m_review.findings.begin(), m_review.findings.end(),
                         [](const Finding &a, const Finding &b) { return a.severity < b.severity; });
        computeRatios();
        return std::move(m_review);
    }

private:
    // A schedule's rows of the statement, with the fields the checks read:
    // a statement of hundreds of rows is reviewed as fast as it is read.
    const std::vector<Row> &rows(const char *table)
    {
        static const QHash<QString, QStringList> read = {
            {QStringLiteral("Cash"), {"Bank", "Balance", "Pledged", "PledgedTo"}},
            {QStringLiteral("Investments"), {"Description", "MarketValue", "Pledged", "PledgedTo"}},
            {QStringLiteral("LifeInsurance"), {"Company", "CashValue", "Pledged", "PledgedTo"}},
            {QStringLiteral("RealEstate"),
             {"Type", "Description", "PercentOwned", "MarketValue", "TMarketValue", "PercentLiability",
              "CurrentBalance", "TCurrentLiability"}},
            {QStringLiteral("Auto"), {"CurrentValue", "MonthlyPayment"}},
            {QStringLiteral("PersonalAssets"), {"Value"}},
            {QStringLiteral("BusinessAssets"), {"Value"}},
            {QStringLiteral("OtherAssets"), {"Value"}},
            {QStringLiteral("Auto2"), {"LoanBalance"}},
            {QStringLiteral("Bank"), {"Amount"}},
            {QStringLiteral("CreditCards"), {"Description", "CurrentBalance", "CreditLimit"}},
            {QStringLiteral("Taxes"), {"Amount"}},
            {QStringLiteral("Other"), {"Amount"}},
            {QStringLiteral("Contingent"), {"Description", "Amount", "Maturity"}},
            {QStringLiteral("Incomes"), {"Amount"}},
            {QStringLiteral("Expenditure"), {"Amount"}},
        };
        const QString name = QString::fromLatin1(table);
        auto it = m_rows.find(name);
        if (it == m_rows.end())
            it = m_rows.insert(name, readRows(m_db, name, QStringLiteral("\"ClientId\" = ? AND \"StatementId\" = ?"),
                                              {m_clientId, QString::number(m_review.statementId)}, read.value(name)));
        return *it;
    }

    double total(const char *field) const { return m_statement.number(field); }

    void add(Severity s, const char *check, const QString &message, MendPage page, const QString &table, qint64 row,
             const QString &field)
    {
        m_review.findings.push_back({QString::fromLatin1(check), s, message, page, table, row, field});
    }
    void fix(const char *check, const QString &message, MendPage page, const QString &table, qint64 row,
             const QString &field = QString())
    {
        add(Severity::Fix, check, message, page, table, row, field);
    }
    void look(const char *check, const QString &message, MendPage page, const QString &table, qint64 row,
              const QString &field = QString())
    {
        add(Severity::Look, check, message, page, table, row, field);
    }

    void checkDate()
    {
        const QString typed = m_statement.text("Date");
        const QString nettora = QStringLiteral("Nettora");
        const qint64 id = m_review.statementId;
        const QString full = fullDateText(typed);
        if (full.isEmpty()) {
            fix("statement_date_invalid",
                typed.isEmpty() ? QStringLiteral("The statement has no date.")
                                : QStringLiteral("The statement date \"%1\" is not a date.").arg(typed),
                MendPage::ReportingDate, nettora, id, QStringLiteral("Date"));
            return;
        }
        const qint64 age = QDate::fromString(full, QStringLiteral("MM/dd/yyyy")).daysTo(m_today);
        const QString said = QStringLiteral("The statement is dated %1, %2 days before the review; ").arg(full).arg(age);
        if (age > FixAgeDays)
            fix("statement_date_old",
                said + QStringLiteral("lenders take statements up to %1 days old at most.").arg(FixAgeDays),
                MendPage::ReportingDate, nettora, id, QStringLiteral("Date"));
        else if (age > LookAgeDays)
            look("statement_date_aging",
                 said + QStringLiteral("most banks take statements up to %1 days old.").arg(LookAgeDays),
                 MendPage::ReportingDate, nettora, id, QStringLiteral("Date"));
    }

    void checkPerson(bool spouse)
    {
        const QString who = spouse ? QStringLiteral("spouse's") : QStringLiteral("client's");
        const MendPage page = spouse ? MendPage::Spouse : MendPage::Personal;
        const QString prefix = spouse ? QStringLiteral("S") : QString();
        const auto field = [&](const char *name) { return (prefix + QLatin1String(name)).toLatin1(); };
        const auto blank = [&](const char *name) { return m_client.blank(field(name).constData()); };
        const QString client = QStringLiteral("Client");
        if (blank("FirstName") || blank("LastName"))
            fix(spouse ? "spouse_name_missing" : "client_name_missing",
                QStringLiteral("The %1 %2 name is missing.").arg(who, blank("FirstName") ? QStringLiteral("first")
                                                                                        : QStringLiteral("last")),
                page, client, m_client.id, QString::fromLatin1(field(blank("FirstName") ? "FirstName" : "LastName")));
        QStringList missing;
        const char *parts[][2] = {{"Address", "street address"}, {"City", "city"}, {"State", "state"}, {"Zip", "ZIP code"}};
        QString first;
        for (const auto &p : parts)
            if (blank(p[0])) {
                missing << QString::fromLatin1(p[1]);
                if (first.isEmpty())
                    first = QString::fromLatin1(field(p[0]));
            }
        if (!missing.isEmpty())
            fix(spouse ? "spouse_address_missing" : "client_address_missing",
                QStringLiteral("The %1 address has no %2.").arg(who, spoken(missing)), page, client, m_client.id, first);
        if (blank("SSN"))
            fix(spouse ? "spouse_ssn_missing" : "client_ssn_missing",
                QStringLiteral("The %1 social security number is missing.").arg(who), page, client, m_client.id,
                QString::fromLatin1(field("SSN")));
    }

    void checkPeople()
    {
        checkPerson(false);
        // The statement is joint when the spouse has a first name, as it prints.
        if (!m_client.blank("SFirstName"))
            checkPerson(true);
    }

    void checkLegal()
    {
        const std::vector<Row> &legal = rows("Legal");
        const Row none;
        const Row &answers = legal.empty() ? none : legal.front();
        for (int i = 0; i < legal::QuestionCount; ++i) {
            const legal::Question &q = legal::Questions[i];
            const MendPage page = i < legal::QuestionCount / 2 ? MendPage::Legal1 : MendPage::Legal2;
            const QString answer = legal::statedAnswer(answers.text(q.answerField));
            const QString question = QString::fromLatin1(q.text);
            if (answer.isEmpty())
                fix("legal_unanswered", QStringLiteral("The legal question \"%1\" is not answered.").arg(question), page,
                    QStringLiteral("Legal"), answers.id, QString::fromLatin1(q.answerField));
            else if (answer == QLatin1String("Yes") && answers.blank(q.explanationField))
                fix("legal_yes_unexplained",
                    QStringLiteral("The answer \"Yes\" to \"%1\" has nothing under \"%2\".")
                        .arg(question, QString::fromLatin1(q.caption).chopped(1)),
                    page, QStringLiteral("Legal"), answers.id, QString::fromLatin1(q.explanationField));
        }
    }

    void checkPledged(const char *table, MendPage page, const std::function<QString(const Row &)> &name)
    {
        for (const Row &r : rows(table))
            if (r.text("Pledged").compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0 && r.blank("PledgedTo"))
                fix("pledged_without_whom",
                    QStringLiteral("%1 is pledged, but not to whom.").arg(name(r).left(1).toUpper() + name(r).mid(1)),
                    page, QString::fromLatin1(table), r.id, QStringLiteral("PledgedTo"));
    }

    void checkPercent(const Row &r, const QString &property, const char *percent, const char *amount,
                      const QString &amountWords, MendPage page)
    {
        const double p = r.number(percent);
        const QString kind = QLatin1String(percent) == QLatin1String("PercentOwned") ? QStringLiteral("owned")
                                                                                      : QStringLiteral("of liability");
        QString why;
        if (p > 100 || p < 0)
            why = QStringLiteral("%1 has %2% %3, outside 0 to 100.").arg(property, QString::number(p), kind);
        else if (p == 0 && r.number(amount) != 0)
            why = QStringLiteral("%1 has 0% %2 with %3 of %4: none of it counts.")
                      .arg(property, kind, amountWords, dollars(r.number(amount)));
        if (!why.isEmpty())
            fix("percent_out_of_range", why.left(1).toUpper() + why.mid(1), page, QStringLiteral("RealEstate"), r.id,
                QString::fromLatin1(percent));
    }

    void checkAssets()
    {
        checkPledged("Cash", MendPage::Cash, [](const Row &r) {
            const QString bank = r.text("Bank");
            return bank.isEmpty() ? QStringLiteral("a cash account") : QStringLiteral("the cash account at ") + bank;
        });
        checkPledged("Investments", MendPage::Investments,
                     [](const Row &r) { return named(r, "Description", QStringLiteral("investment")); });
        checkPledged("LifeInsurance", MendPage::LifeInsurance, [](const Row &r) {
            const QString company = r.text("Company");
            return company.isEmpty() ? QStringLiteral("a life insurance policy")
                                     : QStringLiteral("the life insurance policy with ") + company;
        });
        for (const Row &r : rows("RealEstate")) {
            const QString property = named(r, "Description", QStringLiteral("property"));
            if (r.number("CurrentBalance") > 0 && r.number("MarketValue") <= 0)
                fix("real_estate_no_value",
                    QStringLiteral("%1 owes %2 but has no market value.")
                        .arg(property.left(1).toUpper() + property.mid(1), dollars(r.number("CurrentBalance"))),
                    MendPage::RealEstate, QStringLiteral("RealEstate"), r.id, QStringLiteral("MarketValue"));
            checkPercent(r, property, "PercentOwned", "MarketValue", QStringLiteral("a market value"),
                         MendPage::RealEstate);
            checkPercent(r, property, "PercentLiability", "CurrentBalance", QStringLiteral("a balance owed"),
                         MendPage::Mortgages);
        }
        // Monthly payments on an auto are paid from income: the expenses
        // should show them as an installment or a lease.
        double payments = 0;
        qint64 firstPaying = 0;
        for (const Row &r : rows("Auto"))
            if (r.number("MonthlyPayment") > 0) {
                payments += r.number("MonthlyPayment");
                if (!firstPaying)
                    firstPaying = r.id;
            }
        if (payments > 0 && total("Installment_Exp") + total("Lease_Exp") <= 0)
            look("auto_payments_no_expense",
                 QStringLiteral("The autos carry monthly payments of %1, but the expenses list no installment or lease "
                                "payment.")
                     .arg(dollars(payments)),
                 MendPage::Expenses, QStringLiteral("Expenditure"), 0, QStringLiteral("Type"));
    }

    void checkLiabilities()
    {
        for (const Row &r : rows("CreditCards")) {
            const double balance = r.number("CurrentBalance"), limit = r.number("CreditLimit");
            if (limit > 0 && balance > limit) {
                const QString card = named(r, "Description", QStringLiteral("credit card"));
                look("credit_card_over_limit",
                     QStringLiteral("%1 owes %2, over its limit of %3.")
                         .arg(card.left(1).toUpper() + card.mid(1), dollars(balance), dollars(limit)),
                     MendPage::CreditCards, QStringLiteral("CreditCards"), r.id, QStringLiteral("CurrentBalance"));
            }
        }
        double owed = 0;
        for (const Row &r : rows("RealEstate"))
            owed += std::max(0.0, r.number("CurrentBalance"));
        if (owed > 0 && total("Mortgage_Exp") <= 0)
            look("mortgage_no_expense",
                 QStringLiteral("The real estate owes %1 on mortgages, but the expenses list no mortgage payment.")
                     .arg(dollars(owed)),
                 MendPage::Expenses, QStringLiteral("Expenditure"), 0, QStringLiteral("Type"));
        for (const Row &r : rows("Contingent")) {
            const QDate maturity = dateOf(r.text("Maturity"));
            if (maturity.isValid() && maturity < m_today) {
                const QString what = named(r, "Description", QStringLiteral("contingent liability"));
                look("contingent_matured",
                     QStringLiteral("%1 matured on %2, before the review.")
                         .arg(what.left(1).toUpper() + what.mid(1), maturity.toString(QStringLiteral("MM/dd/yyyy"))),
                     MendPage::Contingent, QStringLiteral("Contingent"), r.id, QStringLiteral("Maturity"));
            }
        }
    }

    void checkIncomeAndExpenses()
    {
        const struct {
            const char *income;
            bool spouse;
        } earned[] = {{"Salary", false}, {"Bonus", false}, {"Salary_Spouse", true}};
        bool toldClient = false, toldSpouse = false;
        for (const auto &e : earned) {
            bool &told = e.spouse ? toldSpouse : toldClient;
            const char *employer = e.spouse ? "SEmployer" : "Employer";
            if (told || total(e.income) <= 0 || !m_client.blank(employer))
                continue;
            told = true;
            look("income_without_employer",
                 QStringLiteral("The income lists %1 of %2 but the %3 employer is not given.")
                     .arg(dollars(total(e.income)),
                          e.spouse ? QStringLiteral("the spouse's wages") : QStringLiteral("wages or bonuses"),
                          e.spouse ? QStringLiteral("spouse's") : QStringLiteral("client's")),
                 e.spouse ? MendPage::SpouseEmployment : MendPage::Employment, QStringLiteral("Client"), m_client.id,
                 QString::fromLatin1(employer));
        }
    }

    // A schedule whose rows and stored total disagree on being empty was
    // changed without its total being worked out again.
    void checkStaleTotals()
    {
        const struct {
            const char *table, *amount, *total, *words;
            MendPage page;
        } schedules[] = {
            {"Cash", "Balance", "CashOnHand", "cash", MendPage::Cash},
            {"Investments", "MarketValue", "InvestmentTotals", "securities", MendPage::Investments},
            {"RealEstate", "MarketValue", "RealEstateTotalsAsset", "real estate", MendPage::RealEstate},
            {"RealEstate", "CurrentBalance", "TMortgageLiabilitiesTotals", "mortgages", MendPage::Mortgages},
            {"Auto", "CurrentValue", "AutoTotal", "autos", MendPage::Autos},
            {"LifeInsurance", "CashValue", "LifeCash", "life insurance", MendPage::LifeInsurance},
            {"PersonalAssets", "Value", "PersonalAssets", "personal assets", MendPage::PersonalAssets},
            {"BusinessAssets", "Value", "BusinessAssets", "business assets", MendPage::BusinessAssets},
            {"OtherAssets", "Value", "OtherAssetsTotal", "other assets", MendPage::OtherAssets},
            {"Auto2", "LoanBalance", "AutoLiability", "auto loans", MendPage::AutoLoans},
            {"Bank", "Amount", "BankLiability", "notes payable", MendPage::Bank},
            {"CreditCards", "CurrentBalance", "CreditCardLiability", "credit cards", MendPage::CreditCards},
            {"Taxes", "Amount", "TaxLiability", "taxes", MendPage::Taxes},
            {"Other", "Amount", "OtherLiability", "other liabilities", MendPage::OtherLiabilities},
            {"Contingent", "Amount", "ContingentLiability", "contingent liabilities", MendPage::Contingent},
            {"Incomes", "Amount", "IncomeTotal", "income", MendPage::Income},
            {"Expenditure", "Amount", "ExpenseTotal", "expenses", MendPage::Expenses},
        };
        for (const auto &s : schedules) {
            bool listed = false;
            for (const Row &r : rows(s.table))
                listed = listed || r.number(s.amount) != 0;
            const double stored = total(s.total);
            const QString words = QString::fromLatin1(s.words);
            if (!listed && stored != 0)
                look("stale_total",
                     QStringLiteral("The %1 schedule lists nothing, but its stored total is %2: open the schedule "
                                    "to work the totals out again.")
                         .arg(words, dollars(stored)),
                     s.page, QStringLiteral("Nettora"), m_review.statementId, QString::fromLatin1(s.total));
            else if (listed && stored == 0)
                look("stale_total",
                     QStringLiteral("The %1 schedule lists amounts, but its stored total is $0.00: open the schedule "
                                    "to work the totals out again.")
                         .arg(words),
                     s.page, QStringLiteral("Nettora"), m_review.statementId, QString::fromLatin1(s.total));
        }
    }

    void checkPreparer()
    {
        const bool preparer = m_user.text("Preparer") == QLatin1String("Y");
        const bool compilation = m_user.text("Compilation") == QLatin1String("Y");
        if (!preparer && !compilation)
            return;
        QStringList missing;
        QString first;
        const auto want = [&](bool absent, const char *field, const char *words) {
            if (!absent)
                return;
            missing << QString::fromLatin1(words);
            if (first.isEmpty())
                first = QString::fromLatin1(field);
        };
        want(m_user.blank("FirstName") && m_user.blank("LastName") && m_user.blank("Company"), "FirstName", "name");
        want(m_user.blank("Address"), "Address", "address");
        want(m_user.blank("City") && m_user.blank("State") && m_user.blank("Zip"), "City", "city, state and ZIP code");
        if (missing.isEmpty())
            return;
        const QString printed = preparer && compilation ? QStringLiteral("The preparer page and the compilation report are")
                                : preparer             ? QStringLiteral("The preparer page is")
                                                       : QStringLiteral("The compilation report is");
        look("preparer_particulars_missing",
             QStringLiteral("%1 switched on, but the preparer's %2 is not given.").arg(printed, spoken(missing)),
             MendPage::UserInformation, QStringLiteral("User"), m_user.id, first);
    }

    void computeRatios()
    {
        const auto divided = [](double a, double b) -> std::optional<double> {
            if (b <= 0)
                return std::nullopt;
            return a / b;
        };
        const double retirement = total("IRA") + total("Retirement") + total("401K");
        const double liquid = total("CashOnHand") + (total("InvestmentTotals") - retirement) + total("LifeCash");
        const double monthlyIncome = total("IncomeTotal") / 12;
        const double monthlyDebt = (total("Mortgage_Exp") + total("Rental_Exp") + total("Installment_Exp")
                                    + total("Lease_Exp") + total("OtherDebt_Exp") + total("Alimony_Exp"))
                                   / 12;
        double residenceEquity = 0;
        for (const Row &r : rows("RealEstate"))
            if (r.text("Type") == QLatin1String("Homestead"))
                residenceEquity += r.number("TMarketValue") - r.number("TCurrentLiability");
        auto &out = m_review.ratios;
        const auto put = [&](const char *name, RatioKind kind, const char *formula, std::optional<double> value) {
            out.push_back({QString::fromLatin1(name), QString::fromLatin1(formula), kind, value});
        };
        put("liquid_assets", RatioKind::Money,
            "cash + securities other than retirement accounts + cash value of life insurance", liquid);
        put("retirement_assets", RatioKind::Money, "IRA + retirement accounts + 401(k)", retirement);
        put("liquidity_ratio", RatioKind::Ratio, "liquid assets / total liabilities",
            divided(liquid, total("TotalLiabilities")));
        put("monthly_income", RatioKind::Money, "annual income / 12", monthlyIncome);
        put("monthly_debt_payments", RatioKind::Money,
            "(mortgage + rent + installment + lease + other debt + alimony payments) / 12", monthlyDebt);
        put("debt_to_income", RatioKind::Ratio, "monthly debt payments / monthly income",
            divided(monthlyDebt, monthlyIncome));
        put("months_of_expenses_covered", RatioKind::Months, "liquid assets / (annual expenses / 12)",
            divided(liquid, total("ExpenseTotal") / 12));
        put("contingent_to_net_worth", RatioKind::Ratio, "contingent liabilities / net worth",
            divided(total("ContingentLiability"), total("NetWorth")));
        put("loan_to_value", RatioKind::Ratio, "mortgage balances / market value of real estate",
            divided(total("TMortgageLiabilitiesTotals"), total("RealEstateTotalsAsset")));
        put("primary_residence_equity", RatioKind::Money,
            "market value less mortgage of the homestead, at the shares owned and owed", residenceEquity);
        put("adjusted_net_worth", RatioKind::Money,
            "net worth - retirement assets - business assets - primary residence equity",
            total("NetWorth") - retirement - total("BusinessAssets") - residenceEquity);
    }

    Database &m_db;
    QDate m_today;
    Review m_review;
    Row m_statement, m_client, m_user;
    QString m_clientId;
    QHash<QString, std::vector<Row>> m_rows;
};

}  // namespace

QString severityWords(Severity s)
{
    return s == Severity::Fix ? QStringLiteral("Fix before signing") : QStringLiteral("Worth a look");
}

QString severityKey(Severity s)
{
    return s == Severity::Fix ? QStringLiteral("fix") : QStringLiteral("look");
}

QString mendPageWords(MendPage page)
{
    switch (page) {
    case MendPage::ReportingDate: return QStringLiteral("Personal Information > Date / Description");
    case MendPage::Personal: return QStringLiteral("Personal Information");
    case MendPage::Employment: return QStringLiteral("Personal Information > Employment");
    case MendPage::Spouse: return QStringLiteral("Spouse's Information");
    case MendPage::SpouseEmployment: return QStringLiteral("Spouse's Information > Employment");
    case MendPage::Assets: return QStringLiteral("Assets");
    case MendPage::Cash: return QStringLiteral("Assets > Cash");
    case MendPage::Investments: return QStringLiteral("Assets > Investments");
    case MendPage::RealEstate: return QStringLiteral("Assets > Real Estate");
    case MendPage::Autos: return QStringLiteral("Assets > Autos");
    case MendPage::LifeInsurance: return QStringLiteral("Assets > Life Insurance");
    case MendPage::PersonalAssets: return QStringLiteral("Assets > Personal");
    case MendPage::BusinessAssets: return QStringLiteral("Assets > Business");
    case MendPage::OtherAssets: return QStringLiteral("Assets > Other");
    case MendPage::AutoLoans: return QStringLiteral("Liabilities > Autos");
    case MendPage::Bank: return QStringLiteral("Liabilities > Bank");
    case MendPage::CreditCards: return QStringLiteral("Liabilities > Credit Cards");
    case MendPage::Mortgages: return QStringLiteral("Liabilities > Mortgages");
    case MendPage::Taxes: return QStringLiteral("Liabilities > Taxes");
    case MendPage::OtherLiabilities: return QStringLiteral("Liabilities > Other");
    case MendPage::Contingent: return QStringLiteral("Liabilities > Contingent");
    case MendPage::Income: return QStringLiteral("Income");
    case MendPage::Expenses: return QStringLiteral("Expenses");
    case MendPage::Legal1: return QStringLiteral("Legal > Legal 1");
    case MendPage::Legal2: return QStringLiteral("Legal > Legal 2");
    case MendPage::UserInformation: return QStringLiteral("Options > User Information");
    }
    return QString();
}

bool Review::hasFix() const
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding &f) { return f.severity == Severity::Fix; });
}

const Ratio *Review::ratio(const QString &name) const
{
    for (const Ratio &r : ratios)
        if (r.name == name)
            return &r;
    return nullptr;
}

Review reviewStatement(Database &db, qint64 statementId, const QDate &today)
{
    return Reviewer(db, statementId, today).run();
}

QString ratioWords(const Ratio &ratio)
{
    QString words = ratio.name;
    words.replace(QLatin1Char('_'), QLatin1Char(' '));
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

QString ratioValueText(const Ratio &ratio)
{
    if (!ratio.value)
        return QStringLiteral("not defined");
    switch (ratio.kind) {
    case RatioKind::Money: return dollars(*ratio.value);
    case RatioKind::Months: return groupedNumber(*ratio.value, 1) + QStringLiteral(" months");
    case RatioKind::Ratio: break;
    }
    return groupedNumber(*ratio.value, 2);
}

}  // namespace nettora
