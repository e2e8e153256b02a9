// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "csvfile.h"
#include "outputfile.h"
#include "tlmreport.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct Module1;

// The files the program writes.
enum class Output { Csv, Tlm, Dump, Jsonl, Influx, Recording };

// What the writers of a finished run are given, and what they tell back.
struct OutputRun {
    const Module1& M;
    const std::string& DecimalMark;
    std::int64_t Record = 1; // the TLM report's
    // The window's field rows as it shows them, where the window writes:
    // the built-in beacon's CSV takes their captions, its report their texts.
    const FieldCaptions* Captions = nullptr;
    const FieldRowTexts* Rows = nullptr;
    std::int64_t LeftOut = 0; // packets left out of the line protocol for want of a time
};

// An output: its option and help line on the command line, its command in
// the window, when and how it is written. An output without Write is
// written while the captures are read (the dump, the recording); one
// without a Caption is not in the window's menu. Each writer serves the
// built-in satellites and a described one.
struct OutputFormat {
    Output Kind;
    std::string_view Option; // "--csv"
    std::string_view Value;  // the value's name in the help
    std::string_view Help;
    std::string_view Caption; // "Write CSV File", in the window's "TLM File" menu
    std::string_view Name;    // the menu command's name, "WriteCSVFile"
    std::string_view Ending;  // of the file the window writes beside the capture, ".csv"
    bool LiveLines;           // during live reception, appended line by line as packets come
    bool Recording;           // the frames received, appended to a KISS capture
    void (*Write)(TextSink&, OutputRun&);
    std::optional<std::string> (*Refuse)(const OutputRun&); // why it is not written, where it is not
};

// Every output, in the order of the help text, of the writing and of the
// window's menu.
std::span<const OutputFormat> OutputFormats();

const OutputFormat& OutputFormatOf(Output kind);

// "1 record", "2 records".
std::string Counted(std::int64_t count, std::string_view one, std::string_view many);
