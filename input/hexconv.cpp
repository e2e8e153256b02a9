// SPDX-License-Identifier: GPL-3.0-or-later
#include "hexconv.h"

std::string ByteToHexText(std::uint8_t value)
{
    std::string text;
    AppendByteHex(text, value);
    return text;
}

const std::array<std::uint16_t, 65536>& PairValueTable()
{
    static const auto table = [] {
        std::array<std::uint16_t, 65536> made{};
        for (int first = 0; first < 256; ++first)
            for (int second = 0; second < 256; ++second) {
                const char pair[2] = {static_cast<char>(first), static_cast<char>(second)};
                bool valid = true;
                const std::uint8_t value = CompletePairValue(std::string_view(pair, 2), 0, valid);
                made[static_cast<std::size_t>(first | second << 8)]
                    = static_cast<std::uint16_t>(value | (valid ? 0x100 : 0));
            }
        return made;
    }();
    return table;
}

std::int32_t HexTextToLong(std::string_view text)
{
    if (text.size() >= 2) {
        const char a = text[0];
        const char b = text[1];
        if ((a == '0' && (b == 'x' || b == 'X')) || (a == '&' && (b == 'h' || b == 'H')))
            text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}
