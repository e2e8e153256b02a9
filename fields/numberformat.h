// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Numbers as the record view and the CSV file write them.

// The decimal mark of the user's locale (LC_NUMERIC as the program set it),
// "." when the locale gives none.
std::string LocaleDecimalMark();

// Appends value in the "0.00" pattern: value taken to 15 significant decimal
// digits, rounded half away from zero to two decimals, at least one digit
// before the decimal mark, no digit grouping, no minus sign on a zero result.
void AppendFixed2(std::string& out, double value, std::string_view decimalMark);
std::string FormatFixed2(double value, std::string_view decimalMark);

// The value rounded half away from zero to a 64-bit integer (saturating).
std::int64_t RoundToInt64(double value);
