// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/outputfile.h"

#include <cstdio>
#include <string>
#include <vector>

// norvane-decode as a function, so that tests run it without a process.
// args are the arguments after the program name; out receives what goes to
// standard output, err what goes to standard error. Returns the exit code:
// 0 success, 1 a capture not read or an output not written, 2 a usage error.
// With progress, a progress line for large captures goes to err. A capture
// named - is read from in.
int RunDecodeCommand(const std::vector<std::string>& args, TextSink& out, TextSink& err, const std::string& decimalMark,
    bool progress = false, std::FILE* in = stdin);

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;
