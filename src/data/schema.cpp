#include "data/schema.h"

namespace nettora {

namespace {

FieldDef txt(const char *n, int w = 0) { return {QString::fromLatin1(n), FieldType::Text, w}; }
FieldDef cur(const char *n) { return {QString::fromLatin1(n), FieldType::Currency, 0}; }
FieldDef flt(const char *n) { return {QString::fromLatin1(n), FieldType::Float, 0}; }

void addCurrencies(std::vector<FieldDef> &f, std::initializer_list<const char *> names)
{
    for (const char *n : names)
        f.push_back(cur(n));
}

void addTexts(std::vector<FieldDef> &f, std::initializer_list<std::pair<const char *, int>> names)
{
    for (const auto &[n, w] : names)
        f.push_back(txt(n, w));
}

IndexDef idx(const char *name, std::initializer_list<const char *> fields)
{
    IndexDef d{QString::fromLatin1(name), {}};
    for (const char *f : fields)
        d.parts.push_back({QString::fromLatin1(f), false, true});
    return d;
}

IndexDef idIndex(const char *name, bool descending)
{
    return {QString::fromLatin1(name), {{QStringLiteral("Id"), descending, false}}};
}

TableDef schedule(const char *name, const char *ext, std::vector<FieldDef> body, std::vector<IndexDef> indexes)
{
    TableDef t;
    t.name = QString::fromLatin1(name);
    t.file = t.name + QString::fromLatin1(ext);
    t.component = QStringLiteral("tbl") + t.name;
    t.schedule = true;
    t.fields.push_back(txt("ClientId", 25));
    t.fields.push_back(txt("StatementId", 25));
    for (auto &f : body)
        t.fields.push_back(std::move(f));
    t.fields.push_back(txt("Updated", 1));
    t.indexes = std::move(indexes);
    return t;
}

TableDef statementTable()
{
    TableDef t{QStringLiteral("Nettora"), QStringLiteral("Nettora.ADT"), QStringLiteral("tblNettora"), false, {}, {}};
    auto &f = t.fields;
    f.push_back({QStringLiteral("Id"), FieldType::AutoInc, 0});
    f.push_back(txt("ClientId", 25));
    f.push_back(txt("Date", 12));
    f.push_back(txt("Description", 30));
    addCurrencies(f, {"CashOnHand", "InvestmentTotals", "InvestmentPurchasePrice", "IRA", "Stocks", "Bonds",
                      "MutualFunds", "Retirement", "401K", "Other", "RealEstateTotals", "RealEstateBalance",
                      "MortgageLiabilitiesTotals", "AutoTotal", "AutoPurchasePrice", "AutoPayments",
                      "AutoPaymentTotal", "LifeFace", "LifeCash", "PersonalAssets", "BusinessAssets",
                      "OtherAssets", "MarginAccounts", "NotesReceivable", "OtherAssetsTotal", "TotalAssets",
                      "AutoLiability", "BankLiability", "CreditCardLiability", "CreditCardLimit", "TaxLiability",
                      "OtherLiability", "OtherLiabilityMonthlyPayment", "ContingentLiability",
                      "ContingentLiabilityMonthlyPayment", "Salary", "Salary_Spouse", "Bonus", "Dividends",
                      "OilIncome", "OtherIncome", "RealEstateIncome", "IncomeTotal", "TotalLiabilities",
                      "Installment_Exp", "Lease_Exp", "Rental_Exp", "OtherDebt_Exp", "Alimony_Exp",
                      "Insurance_Exp", "Other_Exp", "Mortgage_Exp", "ExpenseTotal",
                      "TotalLiabilitiesandNetWorth", "NetWorth", "MIncomeTotal", "MSalary", "MSalary_Spouse",
                      "MBonus", "MRealEstateIncome", "MDividends", "MOilIncome", "MOtherIncome",
                      "MExpenseTotal", "MAlimony_Exp", "MInsurance_Exp", "MLease_Exp", "MInstallment_Exp",
                      "MMortgage_Exp", "MOtherDebt_Exp", "MRental_Exp", "MOther_Exp", "MAmount",
                      "RealEstateTotalsAsset", "TMortgageLiabilitiesTotals"});
    t.indexes = {idIndex("ID", true), idIndex("IDA", false), idx("DATEDESCRIPTION", {"Date", "Description"})};
    return t;
}

TableDef summaryTable()
{
    TableDef t{QStringLiteral("Summary"), QStringLiteral("Summary.ADT"), QStringLiteral("tblSummary"), false, {}, {}};
    auto &f = t.fields;
    f.push_back({QStringLiteral("Date"), FieldType::Date, 0});
    f.push_back(txt("FullName", 70));
    f.push_back(txt("Client", 35));
    for (const char *n : {"Information", "Cash", "Investments", "RealEstate", "Auto", "LifeInsurance",
                          "PersonalAssets", "BusinessAssets", "OtherAssets", "AutoLiability", "Bank",
                          "CreditCards", "MortgageLiability", "Taxes", "OtherLiability", "ContingentLiability",
                          "Income", "Expenditures", "GeneralInfo", "Legal", "Assets", "Liabilities"})
        f.push_back({QString::fromLatin1(n), FieldType::Logical, 0});
    addCurrencies(f, {"CashTotals", "InvestmentTotals", "RealEstateTotals", "AutoTotals", "LifeInsuranceTotals",
                      "LifeInsuranceCashTotals", "PersonalAssetsTotals", "BusinessAssetsTotals",
                      "OtherAssetsTotals", "AutoLiabilitiesTotals", "BankLiabilitiesTotals",
                      "MortgageLiabilitiesTotals", "CreditCardLiabilitiesTotals", "TaxLiabilitiesTotals",
                      "OtherLiabilitiesTotals", "ContingentLiabilities", "LiabilitiesandNetWorth", "IncomeTotals",
                      "ExpendituresTotals", "TotalAssets", "TotalLiabilities", "NetWorth"});
    t.indexes = {idx("PRIMARY", {"Date", "FullName"})};
    return t;
}

TableDef userTable()
{
    TableDef t{QStringLiteral("User"), QStringLiteral("User.adt"), QStringLiteral("tblUser"), false, {}, {}};
    addTexts(t.fields, {{"User", 50}, {"Password", 255},
                        {"FirstName", 30}, {"MiddleInitial", 1}, {"LastName", 30}, {"Company", 70},
                        {"Address", 70}, {"Address2", 70}, {"City", 40}, {"State", 2}, {"Zip", 10},
                        {"Phone", 25}, {"Fax", 25},
                        {"FullName", 80}, {"Address3", 150}, {"CityStateZip", 80}, {"FaxNumber", 40},
                        {"EmailName", 70}, {"EmailAddress", 100}, {"SMTPServer", 100}, {"SMTPUserName", 100},
                        {"SMTPPassword", 100}, {"EmailSubject", 200}, {"EmailContent", 0},
                        {"Compilation", 1}, {"Preparer", 1}, {"PrintMonthlyIncome", 1},
                        // The compilation letter's wording; empty: the standard one.
                        {"CompilationText", 0},
                        // Added after the others, so new and upgraded files
                        // have their fields in the same order.
                        {"PrintReview", 1}});
    return t;
}

TableDef clientTable()
{
    TableDef t{QStringLiteral("Client"), QStringLiteral("Client.ADT"), QStringLiteral("tblClient"), false, {}, {}};
    auto &f = t.fields;
    f.push_back({QStringLiteral("Id"), FieldType::AutoInc, 0});
    // The spouse fields mirror the client's, prefixed with "S".
    const std::vector<std::pair<const char *, int>> person = {
        {"FirstName", 30}, {"MiddleInitial", 1}, {"LastName", 30}, {"Birthday", 12}, {"Address", 70},
        {"City", 40}, {"State", 2}, {"Zip", 10}, {"SSN", 11}, {"DriversLicense", 25},
        {"DriversLicense_State", 2}, {"PersonalPhone", 25}, {"Email", 100}, {"Dependents", 5},
        {"MaritalStatus", 20}, {"Employer", 70}, {"Position", 50}, {"YearsEmployed", 5}, {"EAddress", 70},
        {"ECity", 40}, {"EState", 2}, {"EZip", 10}, {"BusinessPhone", 25}, {"Banker", 70},
        {"BankerPhone", 25}, {"Attorney", 70}, {"AttorneyPhone", 25}, {"Advisor", 70}, {"AdvisorPhone", 25},
        {"Accountant", 70}, {"AccountantPhone", 25}};
    for (const auto &[n, w] : person)
        f.push_back(txt(n, w));
    for (const auto &[n, w] : person)
        f.push_back({QStringLiteral("S") + QString::fromLatin1(n), FieldType::Text, w});
    addTexts(f, {{"FullName", 80}, {"FullName2", 80}, {"CityStateZip", 80}, {"dlbdate", 80},
                 {"DriversLicenseandState", 40}, {"MarriedDependants", 60}, {"ECityStateZip", 80},
                 {"YearsEmployed2", 40}, {"ClientDescription", 120},
                 {"SFullName", 80}, {"SFullName2", 80}, {"SCityStateZip", 80}, {"Sdlbdate", 80},
                 {"SDriversLicenseandState", 40}, {"SMarriedDependants", 60}, {"SECityStateZip", 80},
                 {"SYearsEmployed2", 40}});
    t.indexes = {idx("LF", {"LastName", "FirstName"}), idIndex("ID", false)};
    return t;
}

std::vector<TableDef> buildTables()
{
    std::vector<TableDef> v;
    v.push_back(statementTable());
    v.push_back(schedule("Cash", ".ADT",
                         {txt("Type", 31), txt("RegisteredName", 70), txt("Bank", 30), txt("AccountNumber", 20),
                          cur("Balance"), txt("Pledged", 3), txt("PledgedTo", 50)},
                         {idx("REGISTEREDNAME", {"RegisteredName"}), idx("TYPE", {"Type"})}));
    v.push_back(schedule("Investments", ".ADT",
                         {txt("InvestmentType", 50), txt("Description", 50), flt("Shares"), txt("Exchange", 10),
                          txt("Pledged", 3), txt("PledgedTo", 50), cur("PurchasePrice"),
                          txt("RegisteredName", 50), cur("MarketValue")},
                         {idx("PRIMARY", {"InvestmentType", "Description"}),
                          idx("INVESTMENTTYPE", {"InvestmentType"})}));
    {
        std::vector<FieldDef> legal;
        for (const char *q : {"Will", "Divorce", "Bankruptcy", "Partner", "Defendant", "Judgement", "Prenuptial",
                              "SpouseAssets", "DebtAssets"}) {
            legal.push_back(txt(q, QString::fromLatin1(q) == QLatin1String("Judgement") ? 8 : 3));
            legal.push_back(txt((QString::fromLatin1(q) + QStringLiteral("Explanation")).toLatin1().constData(), 300));
        }
        legal.push_back(txt("EstateAssetsExplanation", 300));
        legal.push_back(txt("EstateAssets", 3));
        v.push_back(schedule("Legal", ".ADT", std::move(legal), {}));
    }
    v.push_back(schedule("RealEstate", ".ADT",
                         {txt("Type", 20), flt("YearAcquired"), txt("Description", 35), flt("PercentOwned"),
                          cur("MarketValue"), cur("TMarketValue"), flt("PercentLiability"),
                          cur("TCurrentLiability"), txt("LienHolder", 35), cur("CurrentBalance"),
                          txt("RegisteredName", 50)},
                         {idx("PRIMARY", {"Type", "Description"}), idx("TYPE", {"Type"}),
                          idx("DESCRIPTION", {"Description"})}));
    v.push_back(schedule("Auto", ".ADT",
                         {txt("Model", 50), txt("Year", 4), txt("Description", 100), cur("PurchasePrice"),
                          cur("CurrentValue"), cur("MonthlyPayment")},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(schedule("LifeInsurance", ".ADT",
                         {txt("Insured", 50), txt("Company", 50), txt("Beneficiary", 50), cur("FaceValue"),
                          cur("CashValue"), txt("Pledged", 3), txt("PledgedTo", 50)},
                         {idx("INSURED", {"Insured"})}));
    for (const char *n : {"PersonalAssets", "BusinessAssets"})
        v.push_back(schedule(n, ".ADT", {txt("Description", 50), cur("Value"), txt("Registered", 50)},
                             {idx("PRIMARY", {"Description"}), idx("REGISTERED", {"Registered"})}));
    v.push_back(schedule("OtherAssets", ".ADT",
                         {txt("Type", 35), txt("Registered", 50), txt("Description", 50), cur("Value")},
                         {idx("PRIMARY", {"Type", "Description"}), idx("REGISTERED", {"Registered"})}));
    v.push_back(schedule("Bank", ".ADT",
                         {txt("Description", 50), txt("Bank", 70), cur("Amount"), txt("Registered", 50)},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(schedule("CreditCards", ".ADT",
                         {txt("Description", 50), cur("CurrentBalance"), cur("CreditLimit"), txt("MemberSince", 10)},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(schedule("Taxes", ".ADT", {txt("Description", 50), cur("Amount"), txt("Explanation", 50)},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(schedule("Other", ".ADT", {txt("Description", 50), cur("Amount"), cur("MonthlyPayment")},
                         {idx("DESCRIPTION", {"Description"})}));
    // The contingent type is stored in Description, and its longest choice
    // ("Special Debts (such as Alimony, Child Support, Etc...)") is 54 long.
    v.push_back(schedule("Contingent", ".ADT",
                         {txt("Description", 60), txt("ToWhom", 50), cur("Amount"), txt("Explanation", 50),
                          {QStringLiteral("Maturity"), FieldType::Date, 0}, cur("MonthlyPayment")},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(summaryTable());
    v.push_back(schedule("Incomes", ".ADT",
                         {txt("Type", 35), txt("Description", 70), cur("Amount"), cur("MAmount")},
                         {idx("PRIMARY", {"Type", "Description"})}));
    v.push_back(schedule("Expenditure", ".ADT",
                         {txt("Type", 50), txt("Description", 70), cur("Amount"), cur("MAmount")},
                         {idx("PRIMARY", {"Type", "Description"})}));
    v.push_back(schedule("Auto2", ".ADT",
                         {txt("Description", 100), txt("Registered", 50), cur("LoanBalance"), txt("LienHolder", 50)},
                         {idx("DESCRIPTION", {"Description"})}));
    v.push_back(userTable());
    v.push_back(clientTable());
    v.push_back(schedule("Notes", ".adt", {txt("Description", 100), {QStringLiteral("Details"), FieldType::Memo, 0}},
                         {idx("DESCRIPTION", {"Description"})}));
    return v;
}

QString q(const QString &ident)
{
    QString s = ident;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString sqlType(FieldType t)
{
    switch (t) {
    case FieldType::AutoInc: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case FieldType::Currency:
    case FieldType::Logical: return QStringLiteral("INTEGER");
    case FieldType::Float: return QStringLiteral("REAL");
    default: return QStringLiteral("TEXT");
    }
}

std::vector<NamedIndexSql> indexSqlOf(const TableDef &t)
{
    std::vector<NamedIndexSql> out;
    for (const auto &i : t.indexes) {
        if (i.parts.size() == 1 && t.hasAutoInc() && i.parts[0].field == autoIncField(t))
            continue;  // the autoinc key is the row id itself
        QStringList parts;
        for (const auto &p : i.parts)
            parts << indexTermSql(p);
        const QString name = QStringLiteral("ix_%1_%2").arg(t.name, i.name);
        out.push_back({name, QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                                 .arg(q(name), q(t.name), parts.join(QStringLiteral(", ")))});
    }
    return out;
}

}  // namespace

QString indexTermSql(const IndexPart &part)
{
    const QString field = q(part.field);
    return (part.caseless ? QStringLiteral("nt_lower(%1)").arg(field) : field)
           + (part.descending ? QStringLiteral(" DESC") : QString());
}

std::vector<NamedIndexSql> namedIndexSql()
{
    std::vector<NamedIndexSql> out;
    for (const TableDef &t : allTables())
        for (NamedIndexSql &i : indexSqlOf(t))
            out.push_back(std::move(i));
    return out;
}

int TableDef::fieldIndex(const QString &fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == fieldName)
            return int(i);
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

const IndexDef *TableDef::findIndex(const QString &indexName) const
{
    for (const auto &i : indexes)
        if (i.name.compare(indexName, Qt::CaseInsensitive) == 0)
            return &i;
    return nullptr;
}

bool TableDef::hasAutoInc() const
{
    return !fields.empty() && fields.front().type == FieldType::AutoInc;
}

QString autoIncField(const TableDef &t)
{
    return t.hasAutoInc() ? t.fields.front().name : QString();
}

const std::vector<TableDef> &allTables()
{
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef *findTable(const QString &name)
{
    for (const auto &t : allTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0 || t.file.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QStringList schemaSql()
{
    QStringList out;
    for (const auto &t : allTables()) {
        QStringList cols;
        for (const auto &f : t.fields)
            cols << q(f.name) + QLatin1Char(' ') + sqlType(f.type);
        out << QStringLiteral("CREATE TABLE %1 (%2)").arg(q(t.name), cols.join(QStringLiteral(", ")));

        for (const NamedIndexSql &i : indexSqlOf(t))
            out << i.sql;
        if (t.schedule) {
            out << QStringLiteral("CREATE INDEX %1 ON %2 (\"ClientId\", \"StatementId\")")
                       .arg(q(QStringLiteral("key_%1_client").arg(t.name)), q(t.name));
            out << QStringLiteral("CREATE INDEX %1 ON %2 (\"StatementId\")")
                       .arg(q(QStringLiteral("key_%1_statement").arg(t.name)), q(t.name));
            // Lets the roll-forward find the rows it marked without reading the table.
            out << QStringLiteral("CREATE INDEX %1 ON %2 (\"Updated\") WHERE \"Updated\" IS NOT NULL")
                       .arg(q(QStringLiteral("key_%1_marked").arg(t.name)), q(t.name));
        }
    }
    out << QStringLiteral("CREATE INDEX \"key_Nettora_client\" ON \"Nettora\" (\"ClientId\")");
    // NULL middle initials must not let a second "John Smith" in.
    out << QStringLiteral("CREATE UNIQUE INDEX \"Client_Name\" ON \"Client\" "
                          "(ifnull(\"FirstName\", ''), ifnull(\"MiddleInitial\", ''), ifnull(\"LastName\", ''))");
    // Case-insensitive prefix searches on the client names run as index
    // ranges: on the last name the index LF serves, in its own order.
    out << QStringLiteral("CREATE INDEX \"key_Client_firstname\" ON \"Client\" (nt_lower(\"FirstName\"))");
    return out;
}

const QStringList &headlineTotals()
{
    static const QStringList names = {
        QStringLiteral("CashOnHand"), QStringLiteral("RealEstateTotals"), QStringLiteral("InvestmentTotals"),
        QStringLiteral("AutoTotal"), QStringLiteral("LifeCash"), QStringLiteral("PersonalAssets"),
        QStringLiteral("BusinessAssets"), QStringLiteral("NotesReceivable"), QStringLiteral("MarginAccounts"),
        QStringLiteral("OtherAssets"), QStringLiteral("TotalAssets"), QStringLiteral("BankLiability"),
        QStringLiteral("MortgageLiabilitiesTotals"), QStringLiteral("CreditCardLiability"),
        QStringLiteral("AutoLiability"), QStringLiteral("TaxLiability"), QStringLiteral("OtherLiability"),
        QStringLiteral("ContingentLiability"), QStringLiteral("TotalLiabilities"),
        QStringLiteral("TotalLiabilitiesandNetWorth"), QStringLiteral("NetWorth")};
    return names;
}

SchemaComparison compareWithSchema(const std::function<QStringList(const QString &table)> &columnsOf, int version)
{
    if (version < 0)
        version = dataVersion();
    // Fields added by steps beyond the file's version are not there yet.
    const auto addedLater = [version](const QString &table, const QString &field) {
        for (const UpgradeStep &step : upgradeSteps())
            if (step.version > version && step.table == table && step.field == field)
                return true;
        return false;
    };
    SchemaComparison result;
    for (const TableDef &t : allTables()) {
        QStringList names = columnsOf(t.name);
        QStringList expected;
        for (const FieldDef &f : t.fields)
            if (!addedLater(t.name, f.name))
                expected << f.name;
        // A file that has a later field already (made by a program that wrote
        // no version) is no less ours: its upgrade step finds it there.
        if (!names.isEmpty())
            names.removeIf([&](const QString &n) { return addedLater(t.name, n); });
        if (names.isEmpty())
            result.missing << t.name;
        else if (names.join(QLatin1Char(',')).compare(expected.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
            result.different << t.name;
    }
    return result;
}

}  // namespace nettora
