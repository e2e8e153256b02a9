// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "modem/modems.h"
#include "telemetry/instant.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The sound the modems take: sample rates from the lowest they work with,
// and up to so many channels.
inline constexpr int MinSoundRate = 9600;
inline constexpr int MaxSoundRate = 1'536'000;
inline constexpr int MaxSoundChannels = 64;

// How sound recordings are read: the modem, the channel (from 0), and when
// the recording began, where the user says so.
struct SoundOptions {
    Modem Modulation = Modem::Auto;
    int Channel = 0;
    std::optional<Instant> Start;
};

// What the readers need from their surroundings. The window implements it with
// its busy pointer, event loop, dump page and record counter; the command line
// and the tests implement their own. Every member has a do-nothing default.
class ReaderHost {
public:
    virtual ~ReaderHost() = default;

    // File index (from 0) of count in the selection is about to be read.
    virtual void BeginFile(std::string_view /*path*/, std::size_t /*index*/, std::size_t /*count*/) { }
    virtual void SetBusy(bool /*busy*/) { }
    // Lets the window handle what is pending. The readers call it at most every
    // few tens of milliseconds.
    virtual void ProcessPendingEvents() { }
    // One line for the dump page, without its line end. A host that keeps
    // the lines says so: readers that make them only for the page skip them
    // otherwise.
    virtual void AppendDumpLine(std::string_view /*line*/) { }
    virtual bool WantsDumpLines() const { return false; }
    // A KISS frame for the dump page, of bytes bytes, whose first byte stands
    // at offset in the capture with index file (in the selection). A host
    // that reads it again from there when it shows it keeps only that, and
    // says true; otherwise the reader hands the frame on as a line.
    virtual bool AppendDumpFrame(std::uint32_t /*file*/, std::uint64_t /*offset*/, std::size_t /*bytes*/)
    {
        return false;
    }
    virtual void ClearDump() { }
    // The number of the line being read, while a server log is read.
    virtual void ShowProgress(std::int64_t /*lineNumber*/) { }
    // How far the reader is in its file, told right before pending events.
    virtual void ShowReadProgress(std::uint64_t /*bytesRead*/, std::uint64_t /*fileSize*/) { }
    // Asked right after pending events: a reader stops after the frame or
    // line at hand, keeps what it read and refreshes the view as at the end.
    virtual bool CancelRequested() { return false; }
    // A file has been read (or stopped by a read error): show what is stored.
    virtual void RefreshAtEndOfFile() { }
    // How sound recordings are to be read.
    virtual SoundOptions Sound() const { return {}; }
    // A frame heard in sound with a good check sequence, as a KISS data
    // frame (type byte 0, then the AX.25 frame), with its time text: a host
    // that records what it hears keeps it.
    virtual void FrameHeard(std::span<const std::uint8_t> /*kissFrame*/, std::string_view /*timeText*/) { }
};
