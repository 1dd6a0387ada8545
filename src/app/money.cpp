#include "app/money.h"

#include <cmath>

namespace nettora {

QString formatMoney(double amount)
{
    // Built by hand rather than through QLocale, so the text never depends
    // on the desktop's regional settings.
    const long long cents = std::llround(std::fabs(amount) * 100.0);
    QString whole = QString::number(cents / 100);
    for (int i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    const QString text = QStringLiteral("$") + whole + QLatin1Char('.')
                         + QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    // A value that rounds to no cents reads $0.00, never -$0.00.
    return amount < 0 && cents != 0 ? QLatin1Char('-') + text : text;
}

}  // namespace nettora
