// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The texts of the field rows that the writers print, by field number: the
// caption of Option1(i), the unit of Label2(i) and the text of Text1(i). The
// window hands over what its controls show; the command line what the
// catalogue and the record view rules give.
struct FieldRowTexts {
    std::array<std::string, FieldCount> Caption;
    std::array<std::string, FieldCount> Unit;
    std::array<std::string, FieldCount> Value;
};

// Every record 1 to the larger of the two record counts, one line each, after
// a line of the field captions; every item followed by ";", every line by CR LF.
void WriteCsv(
    TextSink& out, const Module1& m, const std::array<std::string, FieldCount>& captions, std::string_view decimalMark);

// The readable report of the record on display: title, rule, an empty line
// and the fields 0 to 103 two to a line.
void WriteTlm(TextSink& out, const FieldRowTexts& rows);

// Text followed by blanks up to width characters; never cut.
std::string PadRight(std::string_view text, std::size_t width);

// The rows as the catalogue names them, with the value texts of record n as
// the record view writes them.
FieldRowTexts CatalogueRowTexts(const Module1& m, std::int64_t n, std::string_view decimalMark);
std::array<std::string, FieldCount> CatalogueCaptions();

// A described satellite's records as CSV: record, time text and every field
// (empty where the record lacks it), separated by semicolons.
void WriteDescribedCsv(TextSink& out, const Module1& m, std::string_view decimalMark);
// The fields of record n of a described satellite, one per line.
void WriteDescribedTlm(TextSink& out, const Module1& m, std::int64_t n);
