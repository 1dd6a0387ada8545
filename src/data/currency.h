#pragma once
// Amounts and their limits. The engine stores a currency field as a signed
// 64-bit count of 1/10,000 dollar; every amount typed, imported or computed
// is checked against these limits before it is written, and every display of
// an amount rounds the stored value to cents the same way.

#include "data/schema.h"

#include <QString>
#include <QtGlobal>
#include <cmath>
#include <optional>

namespace nettora {

// The largest magnitude a currency field holds, in whole dollars, so that
// the value times 10,000 still fits the engine's 64-bit integer.
inline constexpr double MaxCurrency = 922337203685477.0;

// The values a numeric field holds. Currency and plain floats stay within
// +/-MaxCurrency; the two percent fields hold what their three-character
// boxes accept (-99 to 999). Only finite values are ever in range.
struct ValueRange {
    double min;
    double max;
    bool contains(double v) const { return std::isfinite(v) && v >= min && v <= max; }
};
ValueRange valueRange(const FieldDef &field);

// The stored count of 1/10,000 dollar of an amount, or nothing when the
// amount is not finite or lies outside +/-MaxCurrency.
std::optional<qint64> currencyUnits(double amount);

// The stored count of an amount written as decimal text ("-1234.5678",
// "1e3"), taken from the digits themselves rather than through a double, which
// near a trillion no longer tells one ten-thousandth from the next. Digits
// past the fourth decimal round half away from zero. Nothing when the text is
// not a plain decimal number or lies outside +/-MaxCurrency.
std::optional<qint64> currencyUnits(QStringView text);

// A stored count as the shortest exact decimal text: "-1234.5", "7".
QString currencyText(qint64 units);

// Cents of an amount as shown everywhere: the amount is first taken to its
// stored four decimals, then rounded half away from zero (91235.415 gives
// 9123542, -0.005 gives -1). The amount must be in range.
qint64 roundedCents(double amount);

// A number with thousands separators for messages, in the program's one
// number format whatever the system's: "922,337,203,685,477".
QString groupedNumber(double value, int decimals);

}  // namespace nettora
