// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/outputfile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct DecodeOptions;
struct Module1;

// The files norvane-decode writes.
enum class Output { Csv, Tlm, Dump, Jsonl, Influx, Recording };

// What the writers of a finished run are given, and what they tell back.
struct OutputRun {
    const DecodeOptions& O;
    const Module1& M;
    const std::string& DecimalMark;
    std::int64_t LeftOut = 0; // packets left out of the line protocol for want of a time
};

// An output of the command line: its option and help line, when and how it
// is written. An output without Write is written while the captures are read
// (the dump, the recording). Each writer serves the built-in satellites and
// a described one.
struct OutputFormat {
    Output Kind;
    std::string_view Option; // "--csv"
    std::string_view Value;  // the value's name in the help
    std::string_view Help;
    bool LiveLines; // during live reception, appended line by line as packets come
    bool Recording; // the frames received, appended to a KISS capture
    void (*Write)(TextSink&, OutputRun&);
    std::optional<std::string> (*Refuse)(const OutputRun&); // why it is not written, where it is not
};

// Every output, in the order of the help text and of the writing.
std::span<const OutputFormat> OutputFormats();

// "1 record", "2 records".
std::string Counted(std::int64_t count, std::string_view one, std::string_view many);
