// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <span>
#include <string_view>

// The name, unit, place on the window and display rule of every field number
// 0 to 104. The window's field rows, the record view, the chart caption and
// the writers take their texts from here.

// The frames that hold the field rows.
enum class FieldFrame { None, Frame2, Label2Label2, Frame3, Frame4, Frame5, Frame6, Frame7 };

// How the record view writes a field's value into its box: a word from the
// field's code table, "&H" and upper-case hex, a whole number, or "0.00".
enum class DisplayRule { Word, Hex, Whole, Fixed2 };

// One code of a coded field and the word shown for it.
struct CodeWord {
    int Code;
    std::string_view Word;
};

struct FieldEntry {
    std::string_view Caption; // caption of Option1(i); "Option1" for the spare rows 46 to 49
    std::string_view Unit;    // caption of Label2(i), may be empty
    FieldFrame Frame;
    int Column; // 1 to 3 inside the frame, 0 for the spare rows
    int Line;   // from 1
    DisplayRule Rule;
    std::span<const CodeWord> Codes = {}; // the code table of a Word field
};

inline constexpr std::string_view SpareCaption = "Option1";

const FieldEntry& FieldCatalogue(int field);
inline std::string_view FieldCaption(int field) { return FieldCatalogue(field).Caption; }
inline std::string_view FieldUnit(int field) { return FieldCatalogue(field).Unit; }
