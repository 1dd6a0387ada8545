#pragma once
// Amounts as the windows and reports show them: "$1,234.50", negatives with
// a leading minus ("-$250.00"). Stored values keep every digit; only the
// display is rounded to cents, half away from zero from the stored four
// decimals, the same way everywhere.

#include <QString>

namespace nettora {

// With at least minWholeDigits whole digits: "$05.00" for two.
QString formatMoney(double amount, int minWholeDigits = 1);

// |amount| rounded to cents without sign or dollar sign, "1,234.50", with at
// least minWholeDigits whole digits; *negative tells whether the rounded
// amount is below zero (-0.001 shows as 0.00, not negative).
QString unsignedMoneyText(double amount, int minWholeDigits, bool *negative);

// Digits with a comma every three from the right: "1234567" gives "1,234,567".
QString groupThousands(const QString &digits);

}  // namespace nettora
