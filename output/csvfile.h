// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"

#include <array>
#include <string>
#include <string_view>

// The captions of the built-in beacon's fields, by field number.
using FieldCaptions = std::array<std::string, FieldCount>;
// As the catalogue names them.
FieldCaptions CatalogueCaptions();

// Every record of the satellite m holds as CSV, the decimal mark in place of
// a value's point, every line ended by CR LF.
// - The built-in beacon: a line of the field captions (shown, where the
//   window gives what its controls show, else the catalogue's), then records
//   1 to the larger of the two record counts with the fields of both packet
//   kinds, every item followed by ";".
// - A described satellite: Record;Time; and its fields' names, then a line
//   per record, a field empty where the record lacks it; a cell that holds
//   ";", a quote or a line end is quoted.
void WriteCsv(TextSink& out, const Module1& m, std::string_view decimalMark, const FieldCaptions* shown = nullptr);
