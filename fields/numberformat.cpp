// SPDX-License-Identifier: GPL-3.0-or-later
#include "numberformat.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>

std::string LocaleDecimalMark()
{
    const std::lconv* conv = std::localeconv();
    if (conv && conv->decimal_point && conv->decimal_point[0] != '\0')
        return conv->decimal_point;
    return ".";
}

std::int64_t RoundToInt64(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::round(value));
}

namespace {

void AppendUnsigned(std::string& out, std::uint64_t v)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

// Whole numbers below 2^53 are exact and need no rounding: most telemetry
// values are counts, so this path carries most of a CSV export.
bool AppendWhole(std::string& out, double value, std::string_view decimalMark)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude < 9007199254740992.0) || magnitude != std::floor(magnitude))
        return false;
    const auto whole = static_cast<std::uint64_t>(magnitude);
    if (value < 0 && whole != 0)
        out.push_back('-');
    AppendUnsigned(out, whole);
    out.append(decimalMark);
    out.append("00");
    return true;
}

} // namespace

void AppendFixed2(std::string& out, double value, std::string_view decimalMark)
{
    if (!std::isfinite(value)) {
        out.append(std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity"));
        return;
    }
    if (AppendWhole(out, value, decimalMark))
        return;

    // 15 significant digits d0.d1...d14 times 10^exponent.
    char sci[32];
    const auto res = std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific, 14);
    std::array<char, 15> digits{};
    digits[0] = sci[0];
    for (int i = 1; i < 15; ++i)
        digits[static_cast<std::size_t>(i)] = sci[i + 1];
    int exponent = 0;
    std::from_chars(sci + 17 + (sci[17] == '+' ? 1 : 0), res.ptr, exponent);

    // The digit of weight 10^w is digits[exponent - w] where that index exists.
    auto digitAt = [&](int w) {
        const int i = exponent - w;
        return (i >= 0 && i < 15) ? digits[static_cast<std::size_t>(i)] - '0' : 0;
    };
    const int top = exponent > 0 ? exponent : 0;
    // Hundredths from the highest place down to 10^-2, plus one place for a carry.
    std::array<int, 24> places{}; // places[0] is the carry place
    const int count = top + 3;    // weights top .. -2
    if (count + 1 > static_cast<int>(places.size())) {
        // Beyond 10^20 there are no decimals left to round: the 15 digits and zeros.
        if (value < 0)
            out.push_back('-');
        for (int w = top; w >= 0; --w)
            out.push_back(static_cast<char>('0' + digitAt(w)));
        out.append(decimalMark);
        out.append("00");
        return;
    }
    for (int k = 0; k < count; ++k)
        places[static_cast<std::size_t>(k + 1)] = digitAt(top - k);
    if (digitAt(-3) >= 5) {
        for (int k = count; k >= 0; --k) {
            if (++places[static_cast<std::size_t>(k)] < 10)
                break;
            places[static_cast<std::size_t>(k)] = 0;
        }
    }
    bool zero = true;
    for (int k = 0; k <= count; ++k)
        zero = zero && places[static_cast<std::size_t>(k)] == 0;
    if (value < 0 && !zero)
        out.push_back('-');
    // Integer part without leading zeros, but at least one digit.
    int first = 0;
    while (first < count - 2 && places[static_cast<std::size_t>(first)] == 0)
        ++first;
    for (int k = first; k <= count - 2; ++k)
        out.push_back(static_cast<char>('0' + places[static_cast<std::size_t>(k)]));
    out.append(decimalMark);
    out.push_back(static_cast<char>('0' + places[static_cast<std::size_t>(count - 1)]));
    out.push_back(static_cast<char>('0' + places[static_cast<std::size_t>(count)]));
}

std::string FormatFixed2(double value, std::string_view decimalMark)
{
    std::string out;
    AppendFixed2(out, value, decimalMark);
    return out;
}
