// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/hextext.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Two upper-case hex digits of a byte, with a leading 0 below 16 (0x0A gives "0A").
std::string ByteToHexText(std::uint8_t value);

// The value of every character as a hex digit, 0xFF for the others.
inline constexpr auto HexValueTable = [] {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c >= '0' && c <= '9' ? c - '0'
                : c >= 'A' && c <= 'F'                                                      ? c - 'A' + 10
                : c >= 'a' && c <= 'f'                                                      ? c - 'a' + 10
                                                                                            : 0xFF);
    return table;
}();

// The value of a hex digit, or -1 for any other character.
inline int HexDigitValue(char c)
{
    const std::uint8_t value = HexValueTable[static_cast<unsigned char>(c)];
    return value < 16 ? value : -1;
}

// The value of a hex text: an optional "0x" or "&H" prefix (either case), then
// the hex digits up to the first other character; no digit gives 0. Digits past
// the eighth shift the older ones out, as a 32-bit register would.
std::int32_t HexTextToLong(std::string_view text);

// Converts the complete pair at line[at], line[at + 1] as HexPairValue does,
// and tells whether it was two hex digits.
inline std::uint8_t CompletePairValue(std::string_view line, std::size_t at, bool& valid)
{
    const std::uint8_t high = HexValueTable[static_cast<unsigned char>(line[at])];
    const std::uint8_t low = HexValueTable[static_cast<unsigned char>(line[at + 1])];
    valid = (high | low) < 16;
    return high > 15 ? 0 : low > 15 ? high : static_cast<std::uint8_t>(high << 4 | low);
}

// CompletePairValue of every pair of characters at once, by the pair read as
// a 16-bit index (first character in the low byte): the value in the low
// byte, 0x100 set when both characters were hex digits. One look-up per pair
// for the readers of long hex lines.
const std::array<std::uint16_t, 65536>& PairValueTable();
inline std::uint8_t TablePairValue(
    const std::array<std::uint16_t, 65536>& table, const char* pair, std::int64_t& invalid)
{
    const std::uint16_t entry = table[static_cast<unsigned char>(pair[0]) | static_cast<unsigned char>(pair[1]) << 8];
    invalid += entry >> 8 ^ 1;
    return static_cast<std::uint8_t>(entry);
}

// HexTextToLong of the (at most) two characters of a byte pair, as the line
// readers take it: the pair's leading hex digits, 0 when there are none.
inline std::uint8_t HexPairValue(std::string_view line, std::size_t at)
{
    if (at >= line.size())
        return 0;
    const int high = HexDigitValue(line[at]);
    if (high < 0)
        return 0;
    if (at + 1 >= line.size())
        return static_cast<std::uint8_t>(high);
    const int low = HexDigitValue(line[at + 1]);
    return static_cast<std::uint8_t>(low < 0 ? high : high * 16 + low);
}
