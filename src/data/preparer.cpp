#include "data/preparer.h"

#include "data/datamodule.h"
#include "data/engine.h"

namespace nettora {

QString composedName(const QString &first, const QString &middle, const QString &last)
{
    if (!middle.isEmpty())
        return first + QLatin1Char(' ') + middle + QStringLiteral(". ") + last;
    return first + QLatin1Char(' ') + last;
}

QString PreparerName()
{
    Table *u = dm1->tblUser;
    return composedName(u->asString("FirstName"), u->asString("MiddleInitial"), u->asString("LastName"));
}

const std::vector<ComposedPreparerField> &composedPreparerFields()
{
    static const std::vector<ComposedPreparerField> fields = {
        {QStringLiteral("FullName"), {QStringLiteral("FirstName"), QStringLiteral("MiddleInitial"), QStringLiteral("LastName")}},
        {QStringLiteral("Address3"), {QStringLiteral("Address"), QStringLiteral("Address2")}},
        {QStringLiteral("CityStateZip"), {QStringLiteral("City"), QStringLiteral("State"), QStringLiteral("Zip")}},
        {QStringLiteral("FaxNumber"), {QStringLiteral("Fax")}},
    };
    return fields;
}

void DerivePreparerFields(Table *user)
{
    const QString address = user->asString("Address");
    const QString address2 = user->asString("Address2");
    const QString fax = user->asString("Fax");
    user->setAsString("FullName", composedName(user->asString("FirstName"), user->asString("MiddleInitial"),
                                               user->asString("LastName")));
    user->setAsString("Address3", address2.isEmpty() ? address : address + QStringLiteral(" , ") + address2);
    // Always this form, even when all three are empty: the letterhead line
    // has kept it so.
    user->setAsString("CityStateZip", user->asString("City") + QLatin1Char(' ') + user->asString("State") +
                                          QStringLiteral(". ") + user->asString("Zip"));
    user->setAsString("FaxNumber", fax.isEmpty() ? fax : QStringLiteral("Fax:  ") + fax);
}

}  // namespace nettora
