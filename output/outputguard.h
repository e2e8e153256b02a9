// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The one check every writer passes before it touches a file: an output never
// replaces a file that the same run or data set reads, two outputs never name
// one file, and (unless forced) no output replaces a capture.

// Whether a and b name the same file: the same device and inode after
// following links where both exist, the same absolute path otherwise (a link
// whose target does not exist yet names that target).
bool SameFile(const std::string& a, const std::string& b);

// The standard stream an output path names, written in place: 1 for "-",
// /dev/stdout and /dev/fd/1, 2 for /dev/stderr and /dev/fd/2; 0 for a file.
int StandardStreamOf(std::string_view path);

// The capture kind's name when path is an existing, non-empty file that the
// detector takes for a capture; empty otherwise.
std::string CaptureKindOfFile(const std::string& path);

struct OutputTarget {
    std::string Option;   // "--csv", as the message names it
    std::string Path;     // "-" is standard output (see StandardStreamOf)
    bool Appends = false; // added to the end of an existing file, not replacing it
    // A KISS recording: an existing file must be a KISS capture that it extends.
    bool Records = false;
};

// Why the outputs may not be written as given, naming the file and the way
// out; empty when they may. reads are the captures the run reads (/dev/stdin
// for standard input), descriptions its descriptions: none of them is ever an
// output, force or not. A standard stream takes one output, a device such as
// /dev/null any number.
std::optional<std::string> CheckOutputs(std::span<const OutputTarget> outputs, std::span<const std::string> reads,
    bool force, std::span<const std::string> descriptions = {});

// The name the window writes an output under: wanted itself, unless it is a
// file of the data set or an existing capture; then "<name>-decoded<ending>"
// beside it (a number added until the name is free of both).
std::string FreeOutputName(const std::string& wanted, std::string_view ending, std::span<const std::string> reads);
