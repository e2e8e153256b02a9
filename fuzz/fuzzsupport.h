// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the fuzz targets share: the input as a capture file, a reader host that
// checks what the readers tell it, and a hard stop for a broken property.

#include "input/capturereaders.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A broken property stops the run like a crash, so the fuzzer keeps the input.
#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

// The input written to this process's own capture file; returns its path.
std::string WriteCaptureFile(const std::uint8_t* data, std::size_t size);

// Checks, at every call the reader makes, that the record counters never go
// down within the file, and remembers the dump lines.
class CheckingHost : public ReaderHost {
public:
    explicit CheckingHost(const Module1& m)
        : m_(m)
    {
    }
    void SetBusy(bool busy) override;
    void ProcessPendingEvents() override { CheckCounters(); }
    void AppendDumpLine(std::string_view line) override;
    bool WantsDumpLines() const override { return true; }
    void ClearDump() override { dump.clear(); }
    void ShowProgress(std::int64_t lineNumber) override;
    void RefreshAtEndOfFile() override;

    // After the reader returned: busy once and back, one refresh at the end.
    void CheckFinished() const;

    std::vector<std::string> dump;

private:
    void CheckCounters();

    const Module1& m_;
    std::int64_t records_ = 0;
    std::int64_t packet2_ = 0;
    std::int64_t progress_ = -1;
    int busy_ = 0;
    int refreshes_ = 0;
};

// The same records: both counters, every value and both time texts.
bool SameRecords(const Module1& a, const Module1& b);
