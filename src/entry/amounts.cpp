#include "entry/amounts.h"

#include <QRegularExpression>
#include <cmath>

namespace nettora {

namespace {

QString groupThousands(const QString &digits)
{
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

// Integer and fraction digits of |amount| with at least `decimals`
// decimals and at most four (the stored precision).
std::pair<QString, QString> splitAmount(double amount, int decimals)
{
    const qint64 scaled = std::llround(std::fabs(amount) * 10000.0);
    QString frac = QStringLiteral("%1").arg(scaled % 10000, 4, 10, QLatin1Char('0'));
    while (frac.size() > decimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    return {QString::number(scaled / 10000), frac};
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
    const auto [whole, frac] = splitAmount(amount, 2);
    const QString s = groupThousands(whole) + QLatin1Char('.') + frac;
    return amount < 0 && s != QLatin1String("0.00") ? QLatin1Char('-') + s : s;
}

QString totalText(double amount)
{
    const qint64 cents = std::llround(std::fabs(amount) * 100.0);
    QString whole = QString::number(cents / 100);
    if (whole.size() < 2)
        whole.prepend(QLatin1Char('0'));
    const QString s = QLatin1Char('$') + groupThousands(whole) + QLatin1Char('.')
                      + QStringLiteral("%1").arg(cents % 100, 2, 10, QLatin1Char('0'));
    return amount < 0 && cents != 0 ? QLatin1Char('-') + s : s;
}

}  // namespace nettora
