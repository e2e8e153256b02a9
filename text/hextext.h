// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Bytes as hex digits, two a byte, the high digit first: upper case where a
// capture or a frame is shown as the tools of the field write it, lower case
// in JSON, CSV and the line protocol, as Python's hexlify writes it.
inline constexpr char UpperHexDigits[] = "0123456789ABCDEF";
inline constexpr char LowerHexDigits[] = "0123456789abcdef";

enum class HexCase : std::uint8_t { Lower, Upper };

inline void AppendByteHex(std::string& out, std::uint8_t value, HexCase digits = HexCase::Upper)
{
    const char* table = digits == HexCase::Upper ? UpperHexDigits : LowerHexDigits;
    out.push_back(table[value >> 4]);
    out.push_back(table[value & 0x0F]);
}

inline void AppendHex(std::string& out, std::string_view bytes, HexCase digits = HexCase::Lower)
{
    for (const char c : bytes)
        AppendByteHex(out, static_cast<std::uint8_t>(c), digits);
}
