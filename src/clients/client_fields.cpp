#include "clients/client_fields.h"

#include "data/engine.h"
#include "data/preparer.h"

#include <QLocale>
#include <cmath>

namespace nettora {

FieldReader fieldReader(const QHash<QString, QString> &values)
{
    QHash<QString, QString> folded;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        folded.insert(it.key().toLower(), it.value());
    return [folded](const QString &field) { return folded.value(field.toLower()); };
}

FieldReader fieldReader(Table &table)
{
    return [&table](const QString &field) { return table.asString(field); };
}

QString composeFullName(const QString &first, const QString &middle, const QString &last)
{
    if (middle.isEmpty())
        return last + QLatin1Char(' ') + first;
    return last + QLatin1Char(' ') + middle + QStringLiteral(". ") + first;
}

QString composeFullName2(const QString &first, const QString &middle, const QString &last)
{
    return composedName(first, middle, last);
}

QString composeSpouseFullName(const QString &first, const QString &middle, const QString &last)
{
    if (middle.isEmpty())
        return last + QStringLiteral(", ") + first;
    return last + QStringLiteral(", ") + first + QStringLiteral(". ") + middle;
}

QString composeCityStateZip(const QString &city, const QString &state, const QString &zip)
{
    const QString stateZip = state + QStringLiteral("  ") + zip;
    return city.isEmpty() ? stateZip : city + QStringLiteral(", ") + stateZip;
}

QString composeLicenseAndBirthdate(const QString &license, const QString &licenseState, const QString &birthday)
{
    // One blank rather than nothing: the reports print the line either way.
    if (license.isEmpty())
        return QStringLiteral(" ");
    return license + QStringLiteral(" - ") + licenseState + QStringLiteral(" - ") + birthday;
}

QString composeLicenseAndState(const QString &license, const QString &licenseState)
{
    if (licenseState.isEmpty())
        return license;
    return license + QStringLiteral(" - ") + licenseState;
}

QString composeMarriedDependants(const QString &maritalStatus, const QString &dependents)
{
    if (dependents == QLatin1String("1"))
        return maritalStatus + QStringLiteral(" with 1 dependant.");
    return maritalStatus + QStringLiteral(" with ") + dependents + QStringLiteral(" dependants.");
}

QString composeClientDescription(const QString &fullName2, const QString &statementDescription)
{
    return fullName2 + QStringLiteral(" - ") + statementDescription + QLatin1Char('.');
}

QString composeYearsEmployed(const QString &yearsEmployed)
{
    // A count is compared as a count ("05" and "0.5" are numbers too), and
    // every value writes its own sentence: keeping the previous one printed
    // an old number on the statement.
    const QString years = yearsEmployed.trimmed();
    if (years.isEmpty())
        return QStringLiteral(" ");
    bool isNumber = false;
    const double count = QLocale::c().toDouble(years, &isNumber);
    if (isNumber && std::isfinite(count)) {
        if (count <= 0)
            return QStringLiteral(" ");
        if (count == 1)
            return QStringLiteral("Employed for ") + years + QStringLiteral(" year.");
    }
    // A count above one, or words ("5 1/2"), as typed.
    return QStringLiteral("Employed for ") + years + QStringLiteral(" years.");
}

namespace {

DerivedFields personFields(const FieldReader &row, const QString &p, bool spouse)
{
    const auto get = [&](const char *name) { return row(p + QLatin1String(name)); };
    const QString first = get("FirstName"), middle = get("MiddleInitial"), last = get("LastName");
    const QString license = get("DriversLicense"), licenseState = get("DriversLicense_State");
    return {
        {p + QStringLiteral("CityStateZip"), composeCityStateZip(get("City"), get("State"), get("Zip"))},
        {p + QStringLiteral("dlbdate"), composeLicenseAndBirthdate(license, licenseState, get("Birthday"))},
        {p + QStringLiteral("DriversLicenseandState"), composeLicenseAndState(license, licenseState)},
        {p + QStringLiteral("FullName"),
         spouse ? composeSpouseFullName(first, middle, last) : composeFullName(first, middle, last)},
        {p + QStringLiteral("FullName2"), composeFullName2(first, middle, last)},
        {p + QStringLiteral("MarriedDependants"), composeMarriedDependants(get("MaritalStatus"), get("Dependents"))},
    };
}

DerivedFields jobFields(const FieldReader &row, const QString &p)
{
    const auto get = [&](const char *name) { return row(p + QLatin1String(name)); };
    return {
        {p + QStringLiteral("ECityStateZip"), composeCityStateZip(get("ECity"), get("EState"), get("EZip"))},
        {p + QStringLiteral("YearsEmployed2"), composeYearsEmployed(get("YearsEmployed"))},
    };
}

}  // namespace

DerivedFields personalPageFields(const FieldReader &row, const std::optional<QString> &statementDescription)
{
    DerivedFields out = personFields(row, QString(), false);
    if (statementDescription) {
        const QString fullName2 = composeFullName2(row(QStringLiteral("FirstName")), row(QStringLiteral("MiddleInitial")),
                                                   row(QStringLiteral("LastName")));
        out.push_back({QStringLiteral("ClientDescription"), composeClientDescription(fullName2, *statementDescription)});
    }
    return out;
}

DerivedFields spousePageFields(const FieldReader &row)
{
    return personFields(row, QStringLiteral("S"), true);
}

DerivedFields employmentPageFields(const FieldReader &row)
{
    return jobFields(row, QString());
}

DerivedFields spouseEmploymentPageFields(const FieldReader &row)
{
    return jobFields(row, QStringLiteral("S"));
}

}  // namespace nettora
