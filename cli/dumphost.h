// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/kissrecorder.h"
#include "input/readerhost.h"
#include "output/outputfile.h"

#include <chrono>
#include <string>

// The dump page of the command line: the lines go straight into the dump file,
// or into memory when they go to standard output at the end. A server log
// starts a new dump page, which empties what was written.
class DumpHost : public ReaderHost {
public:
    DumpHost(AtomicFile* file, std::string* memory, TextSink* progress)
        : file_(file)
        , memory_(memory)
        , progress_(progress)
    {
    }

    void BeginFile(std::string_view path, std::size_t index, std::size_t count) override;

    // A line on the terminal for files of a few megabytes and more, redrawn
    // at most five times a second.
    void ShowReadProgress(std::uint64_t bytesRead, std::uint64_t fileSize) override;

    // Clears the progress line before anything else is written.
    void EndProgress();

    void AppendDumpLine(std::string_view line) override;
    bool WantsDumpLines() const override { return file_ || memory_; }

    void ClearDump() override;
    // SIGINT or SIGTERM stops the reading (see StopSignals).
    bool CancelRequested() override;

    void Flush();

    // Sound recordings are read with options; the frames heard are
    // recorded where recording is open.
    void SetSound(const SoundOptions& options) { sound_ = options; }
    KissRecorder& Recording() { return recording_; }
    SoundOptions Sound() const override { return sound_; }
    void FrameHeard(std::span<const std::uint8_t> kissFrame, std::string_view timeText) override
    {
        if (recording_.IsOpen())
            recording_.Append(kissFrame, timeText, 0);
    }

private:
    SoundOptions sound_;
    KissRecorder recording_;
    AtomicFile* file_;
    std::string* memory_;
    TextSink* progress_;
    std::string buffer_;
    std::string path_;
    std::size_t index_ = 0;
    std::size_t count_ = 0;
    std::chrono::steady_clock::time_point lastProgress_;
    bool progressShown_ = false;
};
