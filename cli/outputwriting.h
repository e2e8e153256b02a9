// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "livereception.h"
#include "output/outputguard.h"

#include <cstdint>
#include <string>
#include <vector>

struct DecodeOptions;

// The outputs of a run of norvane-decode, as its output table (OutputFormats)
// lists them: the files or standard streams they go to, and their writing.

struct WrittenOutputs {
    std::int64_t LeftOut = 0; // packets left out of the line protocol for want of a time
    bool Stopped = false;     // by a signal: the outputs not yet whole were not written
};

// Writes the outputs that o asks for, to files or to the standard streams;
// live, the outputs that were written line by line are not written again.
// A signal while they are written stops the writing, unless stoppable is off
// (live reception that a signal ended writes its outputs whatever comes).
WrittenOutputs WriteOutputs(const DecodeOptions& o, const Module1& m, const Streams& streams, Reporter& reporter,
    const std::string& decimalMark, bool live, bool stoppable);

// Whether o names any output but a recording; without one, the CSV goes to
// standard output.
bool AsksForOutput(const DecodeOptions& o);

// Every output file the options name, as CheckOutputs takes them.
std::vector<OutputTarget> OutputTargets(const DecodeOptions& o);
