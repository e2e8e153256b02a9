// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/capturekinds.h"
#include "input/readerhost.h"
#include "output/outputformats.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What norvane-decode does: decode captures, or tell of satellites.
enum class DecodeTask { Decode, ListSatellites, ListFields, Identify };

// What the arguments of norvane-decode ask for.
struct DecodeOptions {
    DecodeTask Task = DecodeTask::Decode;
    std::optional<CaptureKind> Kind; // empty: each file's own, detected
    bool Summary = false;
    bool Merge = false; // by instant, dropping duplicates
    int Satellite = 1;
    std::optional<std::string> Description; // a described satellite's .ksy file instead
    std::string SatelliteGiven;             // -s as given, for messages
    std::map<Output, std::string> Outputs;  // where each output asked for goes; "-" is standard output
    std::optional<std::int64_t> LogDate;    // days since 1970 for log files without a date in their names
    std::int64_t Record = 1;
    bool RecordGiven = false;
    bool Quiet = false;
    bool Force = false; // outputs may replace captures
    bool Help = false;
    bool ShowVersion = false;
    std::vector<std::string> Captures;
    // Live reception from a KISS TNC's TCP server instead of captures.
    std::optional<std::string> KissTcp; // HOST:PORT
    bool Reconnect = false;
    std::optional<double> Duration;
    SoundOptions Sound;         // how sound recordings are read
    std::optional<int> RawRate; // raw sound from standard input at that rate, heard as it comes

    // The path of output when it is asked for, else null.
    const std::string* OutputTo(Output output) const
    {
        const auto found = Outputs.find(output);
        return found == Outputs.end() ? nullptr : &found->second;
    }
};

// Parses args (without the program name) into o; returns the message of a
// usage error.
std::optional<std::string> ParseDecodeArguments(const std::vector<std::string>& args, DecodeOptions& o);

// The text of --help, made from the table of options.
std::string DecodeUsage();

// What a usage error prints after its message: the synopsis on one line and
// where to find more.
std::string DecodeUsageHint();
