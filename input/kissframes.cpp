// SPDX-License-Identifier: GPL-3.0-or-later
#include "kissframes.h"

#include "hexconv.h"

#include <array>
#include <cstring>

namespace {

constexpr std::uint8_t FEND = KissFrameCutter::FEND;
constexpr std::uint8_t FESC = 0xDB;
constexpr std::uint8_t TFEND = 0xDC;
constexpr std::uint8_t TFESC = 0xDD;

using Bytes = KissFrameCutter::Bytes;

} // namespace

Bytes UnescapeKissFrame(Bytes escaped, std::vector<std::uint8_t>& scratch, std::int64_t& badEscapes)
{
    return UnescapeKissFrameFrom(escaped,
        static_cast<const std::uint8_t*>(std::memchr(escaped.data(), FESC, escaped.size())), scratch, badEscapes);
}

Bytes UnescapeKissFrameFrom(
    Bytes escaped, const std::uint8_t* fesc, std::vector<std::uint8_t>& scratch, std::int64_t& badEscapes)
{
    const std::uint8_t* p = escaped.data();
    const std::uint8_t* end = p + escaped.size();
    if (!fesc)
        return escaped;
    if (scratch.size() < escaped.size())
        scratch.resize(escaped.size()); // (never made smaller: growing it clears)
    std::uint8_t* out = scratch.data();
    while (fesc) {
        std::memcpy(out, p, static_cast<std::size_t>(fesc - p));
        out += fesc - p;
        p = fesc + 1;
        if (p < end && (*p == TFEND || *p == TFESC)) {
            *out++ = *p == TFEND ? FEND : FESC;
            ++p;
        } else {
            *out++ = FESC;
            ++badEscapes;
        }
        // Escapes often come close together: the next few bytes are looked
        // at one by one before a search.
        const std::uint8_t* near = p + std::min<std::ptrdiff_t>(end - p, 8);
        fesc = p;
        while (fesc < near && *fesc != FESC)
            ++fesc;
        if (fesc == near)
            fesc = static_cast<const std::uint8_t*>(std::memchr(near, FESC, static_cast<std::size_t>(end - near)));
    }
    std::memcpy(out, p, static_cast<std::size_t>(end - p));
    out += end - p;
    return Bytes(scratch.data(), static_cast<std::size_t>(out - scratch.data()));
}

void AppendEscapedKissFrame(std::string& out, Bytes frame)
{
    out.push_back(static_cast<char>(FEND));
    for (const std::uint8_t b : frame) {
        if (b == FEND || b == FESC) {
            out.push_back(static_cast<char>(FESC));
            out.push_back(static_cast<char>(b == FEND ? TFEND : TFESC));
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    out.push_back(static_cast<char>(FEND));
}

namespace {

// "XX " for every byte value, four bytes apart so that one copy writes a byte's text.
constexpr auto HexBlankTable = [] {
    std::array<char, 256 * 4> table{};
    for (int b = 0; b < 256; ++b) {
        table[static_cast<std::size_t>(4 * b)] = UpperHexDigits[b >> 4];
        table[static_cast<std::size_t>(4 * b + 1)] = UpperHexDigits[b & 0x0F];
        table[static_cast<std::size_t>(4 * b + 2)] = ' ';
    }
    return table;
}();

} // namespace

void SetHexText(std::string& text, Bytes frame)
{
    // One spare byte lets every byte's text be copied as four bytes.
    text.resize(frame.size() * 3 + 1);
    char* out = text.data();
    for (const std::uint8_t b : frame) {
        std::memcpy(out, &HexBlankTable[static_cast<std::size_t>(b) * 4], 4);
        out += 3;
    }
    text.resize(frame.size() * 3);
}

std::string KissDumpLine(Bytes frame)
{
    std::string line;
    SetHexText(line, frame);
    return line;
}
