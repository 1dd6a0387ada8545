// Typed dates: month/day/year only, real calendar days, kept in full.
#include "data/dates.h"

#include <gtest/gtest.h>

using namespace nettora;

TEST(Dates, TypedMonthDayYearBecomesTheFullForm)
{
    const struct {
        const char *typed, *full;  // full "": refused
    } cases[] = {
        {"1/2/26", "01/02/2026"},   {"12/31/49", "12/31/2049"}, {"01/01/50", "01/01/1950"},
        {"02/29/2024", "02/29/2024"}, {" 7/4/1776 ", "07/04/1776"}, {"02/29/2025", ""},
        {"06/31/2026", ""},         {"13/01/2026", ""},         {"0/1/2026", ""},
        {"2026-01-02", ""},         {"1/2/026", ""},            {"1/2", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fullDateText(QString::fromLatin1(c.typed)), QString::fromLatin1(c.full)) << c.typed;
}
