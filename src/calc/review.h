#pragma once
// The review of a statement before it is signed: what a lender would send
// back, and the ratios a lender computes from the stored totals. It reads
// the statement's rows straight from the data file, so the windows' tables
// keep their filters and current rows.

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace nettora {

class Database;

enum class Severity { Fix, Look };
QString severityWords(Severity s);  // "Fix before signing", "Worth a look"
QString severityKey(Severity s);    // "fix", "look"

// The window page where a finding is mended.
enum class MendPage {
    ReportingDate, Personal, Employment, Spouse, SpouseEmployment,
    Assets, Cash, Investments, RealEstate, Autos, LifeInsurance, PersonalAssets, BusinessAssets, OtherAssets,
    AutoLoans, Bank, CreditCards, Mortgages, Taxes, OtherLiabilities, Contingent,
    Income, Expenses, Legal1, Legal2, UserInformation
};
// "Assets > Real Estate", "Personal Information > Employment", ...
QString mendPageWords(MendPage page);

struct Finding {
    QString check;      // the check's name, e.g. "legal_yes_unexplained"
    Severity severity = Severity::Look;
    QString message;    // one plain sentence naming the row or field
    MendPage page = MendPage::ReportingDate;
    QString table;      // the table of the row or field: "Nettora", "Client", "Legal", "Cash", "User", ...
    qint64 row = 0;     // the row's id in that table; 0 when no single row is meant
    QString field;      // the field to mend, when one is
};

enum class RatioKind { Money, Ratio, Months };

struct Ratio {
    QString name;     // as the JSON names it: "liquid_assets", "debt_to_income", ...
    QString formula;  // in words
    RatioKind kind = RatioKind::Ratio;
    std::optional<double> value;  // none: not defined (a divisor of zero or below)
};

struct Review {
    qint64 statementId = 0;
    QDate today;
    std::vector<Finding> findings;  // the fixes first, then the looks, each in the statement's order
    std::vector<Ratio> ratios;      // in a fixed order, liquid_assets first
    bool hasFix() const;
    const Ratio *ratio(const QString &name) const;
};

// Throws EngineError when the statement is not in the file.
Review reviewStatement(Database &db, qint64 statementId, const QDate &today);

// The ratio's name as a sentence says it: "Liquid assets", "Debt to income".
QString ratioWords(const Ratio &ratio);

// "not defined", "$1,234.56", "0.42", "5.3 months".
QString ratioValueText(const Ratio &ratio);

// Statements older than these many days on the day of review are sent back
// by most banks (90) and for SBA loans (120).
inline constexpr int LookAgeDays = 90;
inline constexpr int FixAgeDays = 120;

}  // namespace nettora
