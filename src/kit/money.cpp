#include "kit/money.h"

#include "data/currency.h"

#include <cmath>

namespace nettora {

QString groupThousands(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    out.reserve(n + n / 3);
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

QString unsignedMoneyText(double amount, int minWholeDigits, bool *negative)
{
    // Built by hand rather than through QLocale, so the text never depends
    // on the desktop's regional settings.
    QString whole;
    QString cents;
    bool below = false;
    if (currencyUnits(amount)) {
        const qint64 c = roundedCents(amount);
        below = c < 0;
        const qint64 m = below ? -c : c;
        whole = QString::number(m / 100);
        cents = QStringLiteral("%1").arg(m % 100, 2, 10, QLatin1Char('0'));
    } else if (std::isfinite(amount)) {
        // Beyond what one field holds (a sum of many): at that size a double
        // has no cents to round, and printing it cannot overflow.
        const QString s = QString::number(std::fabs(amount), 'f', 2);
        whole = s.left(s.size() - 3);
        cents = s.right(2);
        below = amount < 0;
    } else {
        if (negative)
            *negative = false;
        return QString();
    }
    while (whole.size() < minWholeDigits)
        whole.prepend(QLatin1Char('0'));
    if (negative)
        *negative = below;
    return groupThousands(whole) + QLatin1Char('.') + cents;
}

QString formatMoney(double amount, int minWholeDigits)
{
    bool negative = false;
    const QString text = unsignedMoneyText(amount, minWholeDigits, &negative);
    if (text.isEmpty())
        return text;
    return (negative ? QStringLiteral("-$") : QStringLiteral("$")) + text;
}

}  // namespace nettora
