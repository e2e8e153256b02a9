// SPDX-License-Identifier: GPL-3.0-or-later
#include "fields/numberformat.h"

#include <gtest/gtest.h>

TEST(NumberFormat, RoundsHalfAwayFromZeroAtFifteenDigits)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.395, "0.40"},
        {2.675, "2.68"},
        {0.125, "0.13"},
        {-0.125, "-0.13"},
        {1.005, "1.01"},
        {-0.001, "0.00"},
        {239, "239.00"},
        {-105.9, "-105.90"},
        {5000.424, "5000.42"},
        {1000 * -0.2922 + 191.97, "-100.23"},
        {0, "0.00"},
        {-0.0, "0.00"},
        {0.004999, "0.00"},
        {0.005, "0.01"},
        {-0.005, "-0.01"},
        {9.995, "10.00"},
        {99.999, "100.00"},
        {3.14159, "3.14"},
        {4294967295.0, "4294967295.00"},
        {-2147483648.0, "-2147483648.00"},
        {1e-300, "0.00"},
        {123456789012.345, "123456789012.35"},
        {1e22, "10000000000000000000000.00"},
        {-7.5, "-7.50"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFixed2(c.value, "."), c.text) << c.value;
}

TEST(NumberFormat, UsesTheGivenDecimalMark)
{
    EXPECT_EQ(FormatFixed2(3.14159, ","), "3,14");
    EXPECT_EQ(FormatFixed2(-12, ","), "-12,00");
}

TEST(NumberFormat, WholeNumbersRoundHalfAwayFromZero)
{
    EXPECT_EQ(RoundToInt64(2.5), 3);
    EXPECT_EQ(RoundToInt64(-2.5), -3);
    EXPECT_EQ(RoundToInt64(4294967295.0), 4294967295);
    EXPECT_EQ(RoundToInt64(1e30), INT64_MAX);
}
