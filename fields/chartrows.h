// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the field chart puts under its rows.

// Rows per labelled row for a chart of n records: n / 40 rounded half to even
// once n exceeds 40; 0 for n of 40 or less, where the chart keeps the spacing
// it had.
std::int64_t ChartDivisions(std::int64_t n);

// The label of row i of n: the record number when the record has no time
// text; else for a time text of a date, a blank and a time of day, the date
// (more than 40 rows) or the time of day (40 rows or less); any other time
// text gives its first eight characters, its clock time.
std::string ChartRowLabel(std::string_view time, std::int64_t i, std::int64_t n);
