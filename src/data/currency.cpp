#include "data/currency.h"

#include <QLocale>

namespace nettora {

ValueRange valueRange(const FieldDef &field)
{
    if (field.type == FieldType::Float
        && (field.name.compare(QLatin1String("PercentOwned"), Qt::CaseInsensitive) == 0
            || field.name.compare(QLatin1String("PercentLiability"), Qt::CaseInsensitive) == 0))
        return {-99.0, 999.0};
    return {-MaxCurrency, MaxCurrency};
}

std::optional<qint64> currencyUnits(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) > MaxCurrency)
        return std::nullopt;
    // amount * 10000 is no longer exact near MaxCurrency (MaxCurrency itself
    // would come out 336 units short); whole dollars and the fraction each are.
    const double whole = std::trunc(amount);
    return qint64(whole) * 10000 + std::llround((amount - whole) * 10000.0);
}

std::optional<qint64> currencyUnits(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    // The significant digits and the power of ten of the last one.
    QByteArray digits;
    qint64 scale = 0;
    bool anyDigit = false, point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            anyDigit = true;
            if (!digits.isEmpty() || c != QLatin1Char('0'))
                digits.append(char(c.unicode()));
            if (point)
                --scale;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
            expNegative = text[i++] == QLatin1Char('-');
        qint64 exponent = 0;
        const qsizetype start = i;
        for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
            exponent = std::min<qint64>(exponent * 10 + (text[i].unicode() - '0'), 1'000'000);
        if (i == start)
            return std::nullopt;
        scale += expNegative ? -exponent : exponent;
    }
    if (i != text.size())
        return std::nullopt;
    if (digits.isEmpty())
        return qint64(0);

    // The digits as ten-thousandths: shifted left, or cut with the first cut
    // digit deciding the rounding.
    const qint64 shift = scale + 4;
    constexpr quint64 limit = quint64(MaxCurrency) * 10000;
    if (shift > 0 && qint64(digits.size()) + shift > 19)
        return std::nullopt;
    quint64 units = 0;
    const qint64 kept = shift >= 0 ? digits.size() : std::max<qint64>(0, digits.size() + shift);
    if (kept > 19)
        return std::nullopt;
    for (qint64 k = 0; k < kept; ++k)
        units = units * 10 + quint64(digits[k] - '0');
    for (qint64 k = 0; k < shift; ++k)
        units *= 10;
    if (shift < 0 && digits.size() + shift >= 0 && digits[kept] >= '5')
        ++units;
    if (units > limit)
        return std::nullopt;
    return negative ? -qint64(units) : qint64(units);
}

QString currencyText(qint64 stored)
{
    const bool negative = stored < 0;
    const quint64 a = negative ? quint64(-(stored + 1)) + 1 : quint64(stored);
    QString s = QString::number(a / 10000);
    if (const quint64 frac = a % 10000) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + s : s;
}

qint64 roundedCents(double amount)
{
    const auto units = currencyUnits(amount);
    if (!units)
        return std::llround(amount * 100.0);
    const qint64 u = *units;
    return u >= 0 ? (u + 50) / 100 : -((-u + 50) / 100);
}

QString groupedNumber(double value, int decimals)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(value, 'f', decimals);
}

}  // namespace nettora
