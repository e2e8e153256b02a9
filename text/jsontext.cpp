// SPDX-License-Identifier: GPL-3.0-or-later
#include "jsontext.h"

#include "hextext.h"

#include <cstring>

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

char* PutJsonString(char* out, std::string_view text, bool latin1)
{
    *out++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            *out++ = '\\';
            *out++ = ch;
        } else if (c < 0x20) {
            std::memcpy(out, "\\u00", 4);
            out[4] = LowerHexDigits[c >> 4];
            out[5] = LowerHexDigits[c & 15];
            out += 6;
        } else if (c >= 0x80 && latin1) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *out++ = ch;
        }
    }
    *out++ = '"';
    return out;
}

void AppendJsonString(std::string& out, std::string_view text, bool latin1)
{
    const std::size_t at = out.size();
    out.resize(at + JsonStringRoom(text.size()));
    out.resize(static_cast<std::size_t>(PutJsonString(out.data() + at, text, latin1) - out.data()));
}
