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
