#include "data/dates.h"

#include "data/filter.h"

#include <QDate>
#include <QRegularExpression>

namespace nettora {

QString fullDateText(const QString &typed)
{
    // Only the month/day/year form: the engine's other form (yyyy-MM-dd)
    // is not what a preparer is asked for.
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}/\\d{1,2}/(\\d{2}|\\d{4})$"));
    const QString t = typed.trimmed();
    if (!form.match(t).hasMatch())
        return QString();
    const QDate d = QDate::fromString(dateTextToIso(t), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : QString();
}

QString invalidDateMessage(const QString &typed, const QString &box, const QString &example)
{
    return QStringLiteral("'%1' is not a valid date in %2. Type it as month/day/year, like %3.")
        .arg(typed, box, example);
}

QString statementDateRefusal(const QString &typed)
{
    return invalidDateMessage(typed, QStringLiteral("Statement Date"), QStringLiteral("12/31/2025"));
}

}  // namespace nettora
