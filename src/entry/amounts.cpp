#include "entry/amounts.h"

#include "kit/money.h"
#include "data/currency.h"

#include <QRegularExpression>
#include <cmath>

namespace nettora {

namespace {

// Integer and fraction digits of |amount| with at least `decimals`
// decimals and at most four: the stored count of 1/10,000 dollar, so the
// editor shows exactly what the field holds.
std::pair<QString, QString> splitAmount(double amount, int decimals)
{
    QString whole;
    QString frac;
    if (const auto units = currencyUnits(amount)) {
        const qint64 scaled = *units < 0 ? -*units : *units;
        whole = QString::number(scaled / 10000);
        frac = QStringLiteral("%1").arg(scaled % 10000, 4, 10, QLatin1Char('0'));
    } else {
        // Only a sum can lie beyond a field's range; its double has no
        // fraction digits left to lose.
        const QString s = QString::number(std::fabs(amount), 'f', 4);
        whole = s.left(s.size() - 5);
        frac = s.right(4);
    }
    while (frac.size() > decimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    return {whole, frac};
}

}  // namespace

bool parseAmount(const QString &text, double *out)
{
    static const QRegularExpression form(
        QStringLiteral("^(-?)\\$?(-?)(\\d{1,3}(?:,\\d{3})+|\\d+)?(\\.\\d*)?$"));
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    const auto m = form.match(t);
    if (!m.hasMatch() || (m.captured(3).isEmpty() && m.captured(4).size() <= 1))
        return false;
    if (!m.captured(1).isEmpty() && !m.captured(2).isEmpty())
        return false;
    negative = negative != (!m.captured(1).isEmpty() || !m.captured(2).isEmpty());
    QString number = m.captured(3);
    number.remove(QLatin1Char(','));
    number += m.captured(4);
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = negative ? -v : v;
    return true;
}

QString moneyEditorText(double amount)
{
    if (!std::isfinite(amount))
        return QString();
    const auto [whole, frac] = splitAmount(amount, 2);
    const QString s = groupThousands(whole) + QLatin1Char('.') + frac;
    return amount < 0 && s != QLatin1String("0.00") ? QLatin1Char('-') + s : s;
}

QString moneyListText(double amount)
{
    return formatMoney(amount);
}

QString totalText(double amount)
{
    return formatMoney(amount, 2);
}

}  // namespace nettora
