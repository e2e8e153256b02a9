#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Two upper-case hex digits of a byte, with a leading 0 below 16 (0x0A gives "0A").
std::string ByteToHexText(std::uint8_t value);

// Appends the two upper-case hex digits of a byte to out.
inline void AppendByteHex(std::string& out, std::uint8_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    out.push_back(digits[value >> 4]);
    out.push_back(digits[value & 0x0F]);
}

// The value of a hex digit, or -1 for any other character.
inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The value of a hex text: an optional "0x" or "&H" prefix (either case), then
// the hex digits up to the first other character; no digit gives 0. Digits past
// the eighth shift the older ones out, as a 32-bit register would.
std::int32_t HexTextToLong(std::string_view text);

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
