#pragma once
// The composed client fields that the client window's page saves write next
// to what was typed (full names, address and licence lines, the dependants
// and employment sentences, the client description). Reports print only
// these, so every writer of client rows (the window, the import of
// nettora-cli) must compose them through the functions here.
//
// Field values are read through a FieldReader (field name, any letter case,
// to its text; an absent field reads as empty), so the same rules work on a
// cursor's row and on values held in memory.

#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace nettora {

class Table;

using FieldReader = std::function<QString(const QString &field)>;

// A reader over values in memory; names are matched in any letter case.
FieldReader fieldReader(const QHash<QString, QString> &values);
// A reader over the current row (or pending edit) of a cursor.
FieldReader fieldReader(Table &table);

struct DerivedField {
    QString field;  // schema spelling
    QString value;
    bool operator==(const DerivedField &) const = default;
};
using DerivedFields = std::vector<DerivedField>;

// The single rules.
QString composeFullName(const QString &first, const QString &middle, const QString &last);   // Last M. First
QString composeFullName2(const QString &first, const QString &middle, const QString &last);  // First M. Last
QString composeSpouseFullName(const QString &first, const QString &middle, const QString &last);  // Last, First. M
QString composeCityStateZip(const QString &city, const QString &state, const QString &zip);
QString composeLicenseAndBirthdate(const QString &license, const QString &licenseState, const QString &birthday);
QString composeLicenseAndState(const QString &license, const QString &licenseState);
QString composeMarriedDependants(const QString &maritalStatus, const QString &dependents);
QString composeClientDescription(const QString &fullName2, const QString &statementDescription);
// The years-employed sentence: one blank for nothing, zero or less; "Employed
// for 1 year." for one; "Employed for N years." with the text as typed
// otherwise (blanks around it dropped).
QString composeYearsEmployed(const QString &yearsEmployed);

// What each page's save writes. The personal page also writes
// ClientDescription when a statement description is given (the save in
// "Edit" mode, with the current statement's Description); it is composed
// from the FullName2 of the same save.
DerivedFields personalPageFields(const FieldReader &row,
                                 const std::optional<QString> &statementDescription = std::nullopt);
DerivedFields spousePageFields(const FieldReader &row);
DerivedFields employmentPageFields(const FieldReader &row);
DerivedFields spouseEmploymentPageFields(const FieldReader &row);

}  // namespace nettora
