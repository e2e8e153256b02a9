// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// KISS frames read again from the captures they were read from, for a dump
// page that keeps only where each frame stands instead of its text. A capture
// is opened the first time one of its frames is asked for and stays open
// until Close.
class KissFrameReader {
public:
    KissFrameReader() = default;
    KissFrameReader(const KissFrameReader&) = delete;
    KissFrameReader& operator=(const KissFrameReader&) = delete;
    ~KissFrameReader() { Close(); }

    // The dump line of the frame whose first byte (after its FEND) is at
    // offset in the capture at path, the capture's index in its selection
    // being file: its bytes as the KISS reader took them, as hex text. Where
    // the capture no longer holds a packet frame there, a note in brackets
    // that says so.
    std::string DumpLine(std::uint32_t file, const std::string& path, std::uint64_t offset);

    void Close();

private:
    std::FILE* Open(std::uint32_t file, const std::string& path);

    std::vector<std::FILE*> files_;
    std::vector<std::uint8_t> escaped_;
    std::vector<std::uint8_t> scratch_;
};
