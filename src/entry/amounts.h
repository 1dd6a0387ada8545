#pragma once
// What a preparer types into a money, number or percent box, and how a
// stored amount is shown there.

#include <QString>

namespace nettora {

// Accepts "1234.5", "1,234.50", "$1,234.50", "-250", "-$250", "($250.00)".
// Thousands separators must stand every three digits, so a mistyped
// "1.234,50" is refused rather than read as 1.2345.
bool parseAmount(const QString &text, double *out);

// "1,234.50" for money (two decimals at least, more when stored: an amount
// is never rounded by showing and saving it again).
QString moneyEditorText(double amount);

// An amount in a list column, in the currency format: "$1,234.50",
// "-$250.00", rounded to cents as every display rounds.
QString moneyListText(double amount);

// "Total: " line: "$#,#00.00" (thousands separators, at least two integer
// digits, two decimals): 0 reads "$00.00", 1234.5 reads "$1,234.50".
QString totalText(double amount);

}  // namespace nettora
