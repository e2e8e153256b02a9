// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line run in the test's process: its exit code and what it
// wrote to standard output and standard error.

#include "cli/decodecommand.h"
#include "output/outputfile.h"

#include <string>
#include <vector>

struct DecodeRun {
    int code = -1;
    StringSink out;
    StringSink err;
};

inline DecodeRun Decode(const std::vector<std::string>& args, const std::string& decimalMark = ".")
{
    DecodeRun r;
    r.code = RunDecodeCommand(args, r.out, r.err, decimalMark);
    return r;
}
