#pragma once
// Amounts as the windows show them: "$1,234.50", negatives with a leading
// minus ("-$250.00"). Stored values keep every digit; only the display is
// rounded to cents.

#include <QString>

namespace nettora {

QString formatMoney(double amount);

}  // namespace nettora
