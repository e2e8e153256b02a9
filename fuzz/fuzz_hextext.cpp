// SPDX-License-Identifier: GPL-3.0-or-later
// HexTextToLong on any text, against a plain reading of its rule: an optional
// "0x" or "&H" prefix in either case, then the leading hex digits, kept in 32
// bits; and the line readers' pair conversion agrees with it on every pair.

#include "fuzzsupport.h"
#include "input/hexconv.h"

#include <string_view>

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::int32_t Expected(std::string_view text)
{
    if (text.size() >= 2 && ((text[0] == '0' && Upper(text[1]) == 'X') || (text[0] == '&' && Upper(text[1]) == 'H')))
        text.remove_prefix(2);
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FUZZ_REQUIRE(HexTextToLong(text) == Expected(text));
    for (std::size_t at = 0; at < text.size(); at += 2) {
        const std::string_view pair = text.substr(at, 2);
        FUZZ_REQUIRE(HexPairValue(text, at) == static_cast<std::uint8_t>(HexTextToLong(pair) & 0xFF));
    }
    return 0;
}
