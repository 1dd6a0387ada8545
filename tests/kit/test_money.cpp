// Amounts as windows and reports show them: one rounding, half away from
// zero from the stored four decimals, and no overflow at the largest amount
// a field holds.
#include "support/testsupport.h"

#include "kit/money.h"
#include "data/currency.h"

using namespace nettora;

TEST(Money, EveryAmountRoundsTheStoredValueHalfAwayFromZero)
{
    const struct {
        double amount;
        const char *shown;
    } cases[] = {
        {91235.415, "$91,235.42"},
        {1.005, "$1.01"},  // stored 1.0050, a double just below it
        {-1.005, "-$1.01"},
        {0.145, "$0.15"},
        {-0.005, "-$0.01"},
        {MaxCurrency, "$922,337,203,685,477.00"},
        {-MaxCurrency, "-$922,337,203,685,477.00"},
        {MaxCurrency - 0.005, "$922,337,203,685,477.00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatMoney(c.amount), QString::fromLatin1(c.shown)) << c.shown;
}
