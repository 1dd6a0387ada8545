#include "calc/section_totals.h"

#include "data/currency.h"
#include "data/datamodule.h"
#include "data/filter.h"

#include <QString>
#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace nettora {

namespace {

struct TypeField {
    const char *type;
    const char *field;
};

struct TypePair {
    const char *type;
    const char *annual;
    const char *monthly;
};

const TypeField investmentTypes[] = {
    {"SEP/IRA", "IRA"},
    {"Stock", "Stocks"},
    {"Bond", "Bonds"},
    {"Mutual Fund", "MutualFunds"},
    {"Retirement Account", "Retirement"},
    {"401K", "401K"},
    {"Other Retirement Account", "Other"},
};

const TypeField otherAssetTypes[] = {
    {"Restricted or Margin Account", "MarginAccounts"},
    {"Accounts and Notes Receivable", "NotesReceivable"},
    {"All Other Assets", "OtherAssets"},
};

const TypePair incomeTypes[] = {
    {"Salaries and Wages (Individual)", "Salary", "MSalary"},
    {"Salaries and Wages (Spouse)", "Salary_Spouse", "MSalary_Spouse"},
    {"Bonuses and Commissions", "Bonus", "MBonus"},
    {"Dividends and Interest Income", "Dividends", "MDividends"},
    {"Net Real Estate Income", "RealEstateIncome", "MRealEstateIncome"},
    {"Oil and Gas Income / Royalties", "OilIncome", "MOilIncome"},
    {"All Other Income", "OtherIncome", "MOtherIncome"},
};

const TypePair expenditureTypes[] = {
    {"Alimony, Child Support, etc.", "Alimony_Exp", "MAlimony_Exp"},
    {"Auto, Life and Health Insurance Premium", "Insurance_Exp", "MInsurance_Exp"},
    {"Installment Payment (Auto, Credit Card, etc.)", "Installment_Exp", "MInstallment_Exp"},
    {"Lease Obligation", "Lease_Exp", "MLease_Exp"},
    {"Mortgage Payment", "Mortgage_Exp", "MMortgage_Exp"},
    {"Other Debt Service", "OtherDebt_Exp", "MOtherDebt_Exp"},
    {"Rental Payment", "Rental_Exp", "MRental_Exp"},
    {"All Other Obligations", "Other_Exp", "MOther_Exp"},
};

QString name(const char *s) { return QString::fromLatin1(s); }

Table *statementRow() { return dm1->tblNettora; }

// Visits every row of the view in order, then leaves the cursor on the
// first row again.
void forEachRow(Table *t, const std::function<void()> &visit)
{
    for (t->first(); !t->eof(); t->next())
        visit();
    t->first();
}

// Sums the named fields over the whole view (positions resolved once).
template <size_t N>
std::array<double, N> sumFields(Table *t, const std::array<const char *, N> &fields)
{
    std::array<int, N> pos{};
    for (size_t i = 0; i < N; ++i)
        pos[i] = t->fieldIndex(name(fields[i]));
    std::array<double, N> sums{};
    forEachRow(t, [&] {
        for (size_t i = 0; i < N; ++i)
            sums[i] += t->asFloat(pos[i]);
    });
    return sums;
}

using FieldValues = std::vector<std::pair<QString, double>>;

// How a refused figure is named to the user.
QString figureLabel(const QString &field)
{
    static const std::pair<const char *, const char *> labels[] = {
        {"TotalAssets", "Total assets"},
        {"TotalLiabilities", "Total liabilities"},
        {"NetWorth", "Net worth"},
        {"TotalLiabilitiesandNetWorth", "Total liabilities and net worth"},
        {"AutoPayments", "The annual automobile payments"},
        {"TMarketValue", "The owned value of a real estate row"},
        {"TCurrentLiability", "The owed balance of a real estate row"},
    };
    for (const auto &[name, label] : labels)
        if (field == QLatin1String(name))
            return QStringLiteral("%1 (%2)").arg(QLatin1String(label), field);
    return QStringLiteral("The total %1").arg(field);
}

// Refuses, before anything is written, a figure the field could not hold:
// a sum of amounts that are each in range can still overflow the field.
void checkFigure(Table *t, const QString &field, double value)
{
    const ValueRange range = valueRange(t->def().fields[size_t(t->fieldIndex(field))]);
    if (range.contains(value))
        return;
    QString why;
    if (!std::isfinite(value))
        why = QStringLiteral("would not be a finite number");
    else if (value > range.max)
        why = QStringLiteral("would be %1, more than the largest amount a field can hold (%2)")
                  .arg(groupedNumber(value, 2), groupedNumber(range.max, 2));
    else
        why = QStringLiteral("would be %1, less than the smallest amount a field can hold (%2)")
                  .arg(groupedNumber(value, 2), groupedNumber(range.min, 2));
    throw EngineError(QStringLiteral("The statement cannot be recalculated: %1 %2. Nothing was changed.")
                          .arg(figureLabel(field), why));
}

void checkFigures(Table *t, const FieldValues &values)
{
    for (const auto &[field, value] : values)
        checkFigure(t, field, value);
}

void setFields(Table *t, const FieldValues &values)
{
    for (const auto &[field, value] : values)
        t->setAsFloat(field, value);
}

// A recalculation and its follow-ups change the statement together or not
// at all: a later figure that cannot be stored undoes the earlier ones.
template <typename Work>
void atomically(Work &&work)
{
    Transaction tx(dm1->db());
    work();
    tx.commit();
}

// Editing an empty view would start a new, blank statement row; totals need
// the statement they belong to.
void editStatementRow(Table *s)
{
    if (s->isEmpty())
        throw EngineError(QStringLiteral("There is no statement to recalculate."));
    s->edit();
}

void writeStatement(const FieldValues &values)
{
    Table *s = statementRow();
    checkFigures(s, values);
    editStatementRow(s);
    setFields(s, values);
    s->post();
}

double stored(const char *field) { return statementRow()->asFloat(name(field)); }

double sumStored(std::initializer_list<const char *> fields)
{
    double sum = 0;
    for (const char *f : fields)
        sum += stored(f);
    return sum;
}

// The first-row return after posting is what the entry windows' lists rely on.
void finishSchedule(Table *t, const FieldValues &values)
{
    writeStatement(values);
    t->first();
}

// A share of a whole percentage. The text decides between empty (0) and
// unreadable (the whole value); the value itself is taken unrounded.
double share(Table *t, int pos)
{
    const QString text = t->asString(pos).trimmed();
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const double parsed = text.toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return 1;
    return t->asFloat(pos) * 0.01;
}

void afterAssets()
{
    RecalcTotalAssets();
    RecalcNetWorth();
}

void afterLiabilities()
{
    RecalcTotalLiabilities();
    RecalcNetWorth();
}

void singleSum(Table *t, const char *source, const char *target)
{
    const auto [sum] = sumFields<1>(t, {source});
    finishSchedule(t, {{name(target), sum}});
}

// Income and expenditures narrow their table by statement id and type in
// turn, then leave it on the statement alone.
template <size_t N>
void recalcByType(Table *t, const TypePair (&types)[N], const char *total, const char *monthlyTotal)
{
    const QString statementId = t->asString(QStringLiteral("StatementId"));
    const QString byStatement = QStringLiteral("StatementId = ") + filterText(statementId);

    const auto [annual] = sumFields<1>(t, {"Amount"});
    FieldValues values{{name(total), annual}, {name(monthlyTotal), annual / 12}};
    for (const TypePair &tp : types) {
        t->setFilter(byStatement + QStringLiteral(" and Type = ") + filterText(name(tp.type)));
        t->setFiltered(true);
        const auto [sum] = sumFields<1>(t, {"Amount"});
        values.emplace_back(name(tp.annual), sum);
        values.emplace_back(name(tp.monthly), sum / 12);
    }
    // Back on the whole statement before writing, so that a refused total
    // does not leave the list narrowed to one type.
    t->setFilter(byStatement);
    t->setFiltered(true);
    t->first();
    writeStatement(values);
}

}  // namespace

void RecalcCash()
{
    atomically([] {
        Table *t = dm1->tblCash;
        const auto [sum] = sumFields<1>(t, {"Balance"});
        Table *s = statementRow();
        checkFigure(s, QStringLiteral("CashOnHand"), sum);
        editStatementRow(s);
        FillEmptyTotals();
        s->setAsFloat(QStringLiteral("CashOnHand"), sum);
        s->post();
        t->first();
        afterAssets();
    });
}

void RecalcInvestments()
{
    atomically([] {
        Table *t = dm1->tblInvestments;
        const int market = t->fieldIndex(QStringLiteral("MarketValue"));
        const int purchase = t->fieldIndex(QStringLiteral("PurchasePrice"));
        const int typePos = t->fieldIndex(QStringLiteral("InvestmentType"));
        double total = 0, purchaseTotal = 0;
        std::array<double, std::size(investmentTypes)> byType{};
        forEachRow(t, [&] {
            const double value = t->asFloat(market);
            total += value;
            purchaseTotal += t->asFloat(purchase);
            const QString type = t->asString(typePos);
            for (size_t i = 0; i < byType.size(); ++i)
                if (type == name(investmentTypes[i].type))
                    byType[i] += value;
        });
        FieldValues values{{QStringLiteral("InvestmentTotals"), total},
                           {QStringLiteral("InvestmentPurchasePrice"), purchaseTotal}};
        for (size_t i = 0; i < byType.size(); ++i)
            values.emplace_back(name(investmentTypes[i].field), byType[i]);
        finishSchedule(t, values);
        afterAssets();
    });
}

void RecalcRealEstate()
{
    atomically([] {
        Table *t = dm1->tblRealEstate;
        const int market = t->fieldIndex(QStringLiteral("MarketValue"));
        const int owned = t->fieldIndex(QStringLiteral("PercentOwned"));
        const int balance = t->fieldIndex(QStringLiteral("CurrentBalance"));
        const int owed = t->fieldIndex(QStringLiteral("PercentLiability"));
        const int ownedValue = t->fieldIndex(QStringLiteral("TMarketValue"));
        const int owedValue = t->fieldIndex(QStringLiteral("TCurrentLiability"));
        double ownedTotal = 0, owedTotal = 0, marketTotal = 0, balanceTotal = 0;
        // Every row's figures are computed and checked before the first is
        // written.
        std::vector<std::pair<double, double>> perRow;
        forEachRow(t, [&] {
            const double value = t->asFloat(market);
            const double debt = t->asFloat(balance);
            const double mine = value * share(t, owned);
            const double myDebt = debt * share(t, owed);
            checkFigure(t, QStringLiteral("TMarketValue"), mine);
            checkFigure(t, QStringLiteral("TCurrentLiability"), myDebt);
            perRow.emplace_back(mine, myDebt);
            ownedTotal += mine;
            owedTotal += myDebt;
            marketTotal += value;
            balanceTotal += debt;
        });
        const FieldValues totals{{QStringLiteral("RealEstateTotals"), ownedTotal},
                                 {QStringLiteral("MortgageLiabilitiesTotals"), owedTotal},
                                 {QStringLiteral("RealEstateTotalsAsset"), marketTotal},
                                 {QStringLiteral("TMortgageLiabilitiesTotals"), balanceTotal}};
        checkFigures(statementRow(), totals);
        size_t row = 0;
        forEachRow(t, [&] {
            t->edit();
            t->setAsFloat(ownedValue, perRow[row].first);
            t->setAsFloat(owedValue, perRow[row].second);
            t->post();
            ++row;
        });
        // IncomeTotal and ExpenseTotal are left to the income and expenditure
        // runs: rewriting them here from partial sums made the printed totals
        // depend on which window was opened last.
        finishSchedule(t, totals);
        RecalcTotalAssets();
        RecalcTotalLiabilities();
        RecalcNetWorth();
    });
}

void RecalcAutos()
{
    atomically([] {
        Table *t = dm1->tblAuto;
        const int valuePos = t->fieldIndex(QStringLiteral("CurrentValue"));
        const int paymentPos = t->fieldIndex(QStringLiteral("MonthlyPayment"));
        const int purchasePos = t->fieldIndex(QStringLiteral("PurchasePrice"));
        double value = 0, monthly = 0, annual = 0, purchase = 0;
        forEachRow(t, [&] {
            const double payment = t->asFloat(paymentPos);
            value += t->asFloat(valuePos);
            monthly += payment;
            annual += 12 * payment;
            purchase += t->asFloat(purchasePos);
        });
        finishSchedule(t, {{QStringLiteral("AutoTotal"), value},
                           {QStringLiteral("AutoPayments"), annual},
                           {QStringLiteral("AutoPurchasePrice"), purchase},
                           {QStringLiteral("AutoPaymentTotal"), monthly}});
        afterAssets();
    });
}

void RecalcLifeInsurance()
{
    atomically([] {
        Table *t = dm1->tblLifeInsurance;
        const auto [face, cash] = sumFields<2>(t, {"FaceValue", "CashValue"});
        finishSchedule(t, {{QStringLiteral("LifeFace"), face}, {QStringLiteral("LifeCash"), cash}});
        afterAssets();
    });
}

void RecalcPersonalAssets()
{
    atomically([] {
        singleSum(dm1->tblPersonalAssets, "Value", "PersonalAssets");
        afterAssets();
    });
}

void RecalcBusinessAssets()
{
    atomically([] {
        singleSum(dm1->tblBusinessAssets, "Value", "BusinessAssets");
        afterAssets();
    });
}

void RecalcOtherAssets()
{
    atomically([] {
        Table *t = dm1->tblOtherAssets;
        const int valuePos = t->fieldIndex(QStringLiteral("Value"));
        const int typePos = t->fieldIndex(QStringLiteral("Type"));
        double total = 0;
        std::array<double, std::size(otherAssetTypes)> byType{};
        forEachRow(t, [&] {
            const double value = t->asFloat(valuePos);
            total += value;
            const QString type = t->asString(typePos);
            for (size_t i = 0; i < byType.size(); ++i)
                if (type == name(otherAssetTypes[i].type))
                    byType[i] += value;
        });
        FieldValues values;
        for (size_t i = 0; i < byType.size(); ++i)
            values.emplace_back(name(otherAssetTypes[i].field), byType[i]);
        values.emplace_back(QStringLiteral("OtherAssetsTotal"), total);
        finishSchedule(t, values);
        afterAssets();
    });
}

void RecalcAutoLoans()
{
    atomically([] {
        singleSum(dm1->tblAuto2, "LoanBalance", "AutoLiability");
        afterLiabilities();
    });
}

void RecalcBankNotes()
{
    atomically([] {
        singleSum(dm1->tblBank, "Amount", "BankLiability");
        afterLiabilities();
    });
}

void RecalcCreditCards()
{
    atomically([] {
        Table *t = dm1->tblCreditCards;
        const auto [balance, limit] = sumFields<2>(t, {"CurrentBalance", "CreditLimit"});
        finishSchedule(t, {{QStringLiteral("CreditCardLiability"), balance}, {QStringLiteral("CreditCardLimit"), limit}});
        afterLiabilities();
    });
}

void RecalcTaxes()
{
    atomically([] {
        singleSum(dm1->tblTaxes, "Amount", "TaxLiability");
        afterLiabilities();
    });
}

void RecalcOtherLiabilities()
{
    atomically([] {
        Table *t = dm1->tblOther;
        const auto [amount, monthly] = sumFields<2>(t, {"Amount", "MonthlyPayment"});
        finishSchedule(t, {{QStringLiteral("OtherLiability"), amount},
                           {QStringLiteral("OtherLiabilityMonthlyPayment"), monthly}});
        afterLiabilities();
    });
}

void RecalcContingent()
{
    atomically([] {
        // Contingent liabilities stay outside total liabilities: no follow-ups.
        Table *t = dm1->tblContingent;
        const auto [amount, monthly] = sumFields<2>(t, {"Amount", "MonthlyPayment"});
        finishSchedule(t, {{QStringLiteral("ContingentLiability"), amount},
                           {QStringLiteral("ContingentLiabilityMonthlyPayment"), monthly}});
    });
}

void RecalcIncome()
{
    atomically([] {
        recalcByType(dm1->tblIncomes, incomeTypes, "IncomeTotal", "MIncomeTotal");
        RecalcTotalAssets();
    });
}

void RecalcExpenditures()
{
    atomically([] {
        recalcByType(dm1->tblExpenditure, expenditureTypes, "ExpenseTotal", "MExpenseTotal");
    });
}

void RecalcTotalAssets()
{
    atomically([] {
        const double total = sumStored({"CashOnHand", "InvestmentTotals", "RealEstateTotals", "AutoTotal", "LifeCash",
                                        "PersonalAssets", "BusinessAssets", "OtherAssetsTotal"});
        writeStatement({{QStringLiteral("TotalAssets"), total}});
    });
}

void RecalcTotalLiabilities()
{
    atomically([] {
        const double total = sumStored({"AutoLiability", "BankLiability", "CreditCardLiability",
                                        "MortgageLiabilitiesTotals", "TaxLiability", "OtherLiability"});
        writeStatement({{QStringLiteral("TotalLiabilities"), total}});
    });
}

void RecalcNetWorth()
{
    atomically([] {
        const double liabilities = stored("TotalLiabilities");
        const double netWorth = stored("TotalAssets") - liabilities;
        writeStatement({{QStringLiteral("NetWorth"), netWorth},
                        {QStringLiteral("TotalLiabilitiesandNetWorth"), liabilities + netWorth}});
    });
}

void FillEmptyTotals()
{
    Table *s = statementRow();
    for (const QString &field : headlineTotals())
        if (s->asString(field).isEmpty())
            s->setAsString(field, QStringLiteral("0"));
}

void RecalcAll()
{
    atomically([] {
        RecalcCash();
        RecalcInvestments();
        RecalcRealEstate();
        RecalcAutos();
        RecalcLifeInsurance();
        RecalcPersonalAssets();
        RecalcBusinessAssets();
        RecalcOtherAssets();
        RecalcAutoLoans();
        RecalcBankNotes();
        RecalcCreditCards();
        RecalcTaxes();
        RecalcOtherLiabilities();
        RecalcContingent();
        RecalcIncome();
        RecalcExpenditures();
        RecalcTotalAssets();
        RecalcTotalLiabilities();
        RecalcNetWorth();
    });
}

}  // namespace nettora
