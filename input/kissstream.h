// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "kissframecutter.h"
#include "kissrecorder.h"
#include "readerhost.h"
#include "readingstate.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// What a live KISS stream gave besides its frames.
struct StreamCounters {
    std::int64_t Frames = 0;        // data frames received (of any TNC port)
    std::int64_t CommandFrames = 0; // other KISS commands, dropped
    std::int64_t Oversized = 0;     // frames longer than MaxFrame, dropped
    std::int64_t Incomplete = 0;    // frames cut off by a dropped connection
    std::uint64_t BytesReceived = 0;
};

// Frames from a KISS TNC (over TCP or a serial line), as the byte stream
// arrives in pieces of any size. They are cut by the same code as KISS
// captures; a data frame of any TNC port is taken as a received frame, gets
// the local reception time as its time text and instant, and goes through the
// KISS reader's header match and dispatch for the chosen satellite, so that
// records, dump lines and the import summary are those of a capture. With a
// recording, every frame is appended to a KISS capture as a time frame and
// the data frame, flushed as it is written, and reading that capture back
// gives the same records.
class KissStream {
public:
    static constexpr std::size_t MaxFrame = 4096; // bytes after unescaping

    // source names the data set in the import summary: the recording, or
    // "HOST:PORT" without one. Starts a new data set.
    KissStream(Module1& m, ReaderHost& host, std::string source);
    KissStream(const KissStream&) = delete;
    KissStream& operator=(const KissStream&) = delete;

    // Appends every frame to the capture at path, which is made with the
    // first frame when it does not exist; false, with the reason in error,
    // when it cannot be opened or its folder takes no files.
    bool Record(const std::string& path, std::string& error);
    // A failed write to the recording, once; empty while all is well.
    const std::string& RecordingError() const { return recording_.Error(); }

    // A connection begins: bytes before its first FEND are skipped.
    void Connected();
    // Bytes received at instant now (milliseconds since 1970, UTC).
    void Feed(std::string_view bytes, Instant now);
    // The connection dropped: a frame it cut off is counted, never stored.
    void Disconnected();

    const StreamCounters& Counters() const { return counters_; }

private:
    void HandleFrame(KissFrameCutter::Bytes escaped, std::uint64_t streamOffset, Instant now);

    Module1& m_;
    ReaderHost& host_;
    ReadingState state_; // the stream is the data set's one file
    KissFrameCutter cutter_{2 * MaxFrame};
    StreamCounters counters_;
    std::vector<std::uint8_t> scratch_;
    std::vector<std::uint8_t> data_;
    KissRecorder recording_;
};
