// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The texts of the built-in beacon's field rows, by field number: the
// caption of Option1(i), the unit of Label2(i) and the text of Text1(i). The
// window hands over what its controls show; the command line what the
// catalogue and the record view rules give.
struct FieldRowTexts {
    std::array<std::string, FieldCount> Caption;
    std::array<std::string, FieldCount> Unit;
    std::array<std::string, FieldCount> Value;
};

// The readable report of record n of the satellite m holds: title, rule and
// an empty line, then
// - the built-in beacon: the fields 0 to 103 two to a line, as shown where
//   the window gives what its controls show, else as the catalogue and the
//   record view rules give them;
// - a described satellite: the record's number and time, and the fields the
//   record holds, one per line.
void WriteTlm(TextSink& out, const Module1& m, std::int64_t n, std::string_view decimalMark,
    const FieldRowTexts* shown = nullptr);

// Text followed by blanks up to width characters; never cut.
std::string PadRight(std::string_view text, std::size_t width);

// The rows as the catalogue names them, with the value texts of record n as
// the record view writes them.
FieldRowTexts CatalogueRowTexts(const Module1& m, std::int64_t n, std::string_view decimalMark);
