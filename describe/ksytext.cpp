// SPDX-License-Identifier: GPL-3.0-or-later
#include "ksytext.h"

#include <algorithm>
#include <vector>

namespace {

void Append(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr std::uint32_t Replacement = 0xFFFD;

// Windows-1252's characters for 0x80 to 0x9F.
constexpr std::uint16_t Cp1252High[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021, 0x2C6, 0x2030,
    0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x2DC,
    0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};

// UTF-8 with each ill-formed part replaced by one U+FFFD, as the WHATWG
// decoder does; a byte order mark at the start is dropped.
std::string DecodeUtf8(std::span<const std::uint8_t> b)
{
    std::string out;
    std::size_t k = 0;
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        k = 3;
    while (k < b.size()) {
        const std::uint8_t c = b[k];
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++k;
            continue;
        }
        int need = 0;
        std::uint32_t cp = 0;
        std::uint8_t lower = 0x80, upper = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            need = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            cp = c & 0x0F;
            lower = c == 0xE0 ? 0xA0 : 0x80;
            upper = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            cp = c & 0x07;
            lower = c == 0xF0 ? 0x90 : 0x80;
            upper = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            Append(out, Replacement);
            ++k;
            continue;
        }
        std::size_t j = k + 1;
        bool ok = true;
        for (int n = 0; n < need; ++n, ++j) {
            if (j >= b.size() || b[j] < lower || b[j] > upper) {
                ok = false;
                break;
            }
            cp = cp << 6 | (b[j] & 0x3F);
            lower = 0x80;
            upper = 0xBF;
        }
        Append(out, ok ? cp : Replacement);
        k = j;
    }
    return out;
}

std::string DecodeUtf16(std::span<const std::uint8_t> b, bool bigEndian)
{
    std::string out;
    const auto unit = [&](std::size_t k) {
        return static_cast<std::uint32_t>(bigEndian ? (b[k] << 8 | b[k + 1]) : (b[k + 1] << 8 | b[k]));
    };
    std::size_t k = 0;
    if (b.size() >= 2 && unit(0) == 0xFEFF)
        k = 2;
    for (; k + 1 < b.size(); k += 2) {
        const std::uint32_t u = unit(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 3 < b.size()) {
            const std::uint32_t low = unit(k + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                Append(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                k += 2;
                continue;
            }
        }
        Append(out, u >= 0xD800 && u <= 0xDFFF ? Replacement : u);
    }
    if (k < b.size())
        Append(out, Replacement);
    return out;
}

// The code points of a UTF-8 text (one this program made, so well formed).
std::vector<std::uint32_t> CodePoints(std::string_view s)
{
    std::vector<std::uint32_t> points;
    for (std::size_t k = 0; k < s.size();) {
        const auto c = static_cast<std::uint8_t>(s[k]);
        const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
        for (int j = 1; j < n && k + static_cast<std::size_t>(j) < s.size(); ++j)
            cp = cp << 6 | (static_cast<std::uint8_t>(s[k + static_cast<std::size_t>(j)]) & 0x3F);
        points.push_back(cp);
        k += static_cast<std::size_t>(n);
    }
    return points;
}

} // namespace

std::string KsyDecodeText(std::span<const std::uint8_t> bytes, const std::string& encoding)
{
    if (encoding == "UTF-8" || encoding == "UTF8")
        return DecodeUtf8(bytes);
    if (encoding == "UTF-16LE" || encoding == "UTF-16BE")
        return DecodeUtf16(bytes, encoding == "UTF-16BE");
    // ISO-8859-1 is a byte for each code point; windows-1252 has characters
    // of its own at 0x80 to 0x9F.
    const bool web = encoding == "WINDOWS-1252" || encoding == "CP1252";
    std::string out;
    out.reserve(bytes.size());
    for (const std::uint8_t c : bytes)
        Append(out, web && c >= 0x80 && c < 0xA0 ? Cp1252High[c - 0x80] : c);
    return out;
}

std::size_t KsyTextLength(std::string_view utf8)
{
    std::size_t n = 0;
    for (const std::uint32_t c : CodePoints(utf8))
        n += c >= 0x10000 ? 2 : 1;
    return n;
}

std::string KsyReverseText(std::string_view utf8)
{
    std::vector<std::uint32_t> points = CodePoints(utf8);
    std::reverse(points.begin(), points.end());
    std::string out;
    for (const std::uint32_t c : points)
        Append(out, c);
    return out;
}

std::string KsySubstring(std::string_view utf8, std::int64_t from, std::int64_t to)
{
    const std::vector<std::uint32_t> points = CodePoints(utf8);
    const auto n = static_cast<std::int64_t>(points.size());
    from = std::clamp<std::int64_t>(from, 0, n);
    to = std::clamp<std::int64_t>(to, 0, n);
    if (from > to)
        std::swap(from, to);
    std::string out;
    for (std::int64_t k = from; k < to; ++k)
        Append(out, points[static_cast<std::size_t>(k)]);
    return out;
}
