#include "hexconv.h"

std::string ByteToHexText(std::uint8_t value)
{
    std::string text;
    AppendByteHex(text, value);
    return text;
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
