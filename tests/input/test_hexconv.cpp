// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/hexconv.h"

#include <gtest/gtest.h>

TEST(HexConversion, ByteToHexTextIsTwoUpperCaseDigits)
{
    EXPECT_EQ(ByteToHexText(0x0A), "0A");
    EXPECT_EQ(ByteToHexText(0xC0), "C0");
    EXPECT_EQ(ByteToHexText(0), "00");
    EXPECT_EQ(ByteToHexText(255), "FF");
}

TEST(HexConversion, HexTextToLongTakesLeadingDigitsAfterAnOptionalPrefix)
{
    EXPECT_EQ(HexTextToLong("ff"), 255);
    EXPECT_EQ(HexTextToLong("0x1A"), 26);
    EXPECT_EQ(HexTextToLong("0X1a"), 26);
    EXPECT_EQ(HexTextToLong("&H7f"), 127);
    EXPECT_EQ(HexTextToLong("&h10"), 16);
    EXPECT_EQ(HexTextToLong("1G"), 1);
    EXPECT_EQ(HexTextToLong("G1"), 0);
    EXPECT_EQ(HexTextToLong(""), 0);
    EXPECT_EQ(HexTextToLong("A\r"), 10);
    EXPECT_EQ(HexTextToLong("FFFFFFFF"), -1);
    EXPECT_EQ(HexTextToLong("7FFFFFFF"), 2147483647);
}

TEST(HexConversion, PairValueAgreesWithHexTextToLongOnEveryPair)
{
    // The readers' fast pair conversion must give what HexTextToLong gives
    // for every two characters a capture can hold.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
            const std::string_view text(pair, 2);
            ASSERT_EQ(HexPairValue(text, 0), HexTextToLong(text)) << a << " " << b;
        }
        const char single = static_cast<char>(a);
        ASSERT_EQ(HexPairValue(std::string_view(&single, 1), 0), HexTextToLong(std::string_view(&single, 1)));
    }
    EXPECT_EQ(HexPairValue("AB", 2), 0);
}
