// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "instant.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// What one capture file gave: how much was read, what was stored, and what
// was left out and why. The readers only count what they do anyway.
struct ImportSummary {
    std::string File;
    std::string Kind;           // the capture kind's name: "kiss", "log", ...
    std::string Unit;           // what Units counts: "frames" or "lines"
    std::string Error;          // why the file could not be read, or stopped
    bool Cancelled = false;     // the user stopped the reading
    std::int64_t Units = 0;     // frames (KISS) or lines read
    std::int64_t TimeUnits = 0; // time frames (KISS) or time lines (text)
    std::int64_t Stored1 = 0;   // records of packet kind 1, or of a described satellite
    std::int64_t Stored2 = 0;   // records of packet kind 2
    std::int64_t& StoredOf(int kind) { return kind == 2 ? Stored2 : Stored1; }
    std::int64_t StoredOf(int kind) const { return kind == 2 ? Stored2 : Stored1; }
    // Frames or lines dropped:
    std::int64_t TooShort = 0;       // too short to hold the packet kind
    std::int64_t OtherHeader = 0;    // neither satellite's AX.25 header
    std::int64_t OtherSatellite = 0; // the other satellite's number byte
    std::int64_t OtherKind = 0;      // a packet kind other than 1 and 2
    std::int64_t NotOfKind = 0;      // lines that are not of the file's kind
    std::int64_t NotParsed = 0;      // frames a description does not read
    std::int64_t BadFcs = 0;         // sound: frames heard with a bad check sequence
    // Flaws in what was read:
    std::int64_t BadEscapes = 0;  // FESC not followed by TFEND or TFESC
    std::int64_t BadHexPairs = 0; // byte pairs that are not two hex digits
    // Notes:
    std::int64_t EscapesUndone = 0; // server logs: KISS escape pairs undone in the hex
    // Server logs: frames with a raw C0 or a DB that starts no escape pair,
    // which a server log cannot hold and a SatNOGS export can.
    std::int64_t RawFrames = 0;
    std::int64_t NoInstant = 0;  // records stored without a reception instant
    std::int64_t Duplicates = 0; // merging: packets dropped as copies of one kept before
    // The earliest and the latest reception instant of the records stored;
    // unknown when none has one.
    Instant FirstInstant = UnknownInstant;
    Instant LastInstant = UnknownInstant;
    // A described satellite's id (empty for the built-in ones), and where
    // the first frame that does not parse stands and why it does not
    // ("line 12: dora.ksy:40: ...").
    std::string Described;
    std::string FirstNotParsed;
    // A sound recording: the modem, its length, level and start
    // ("afsk1200, 254.7 s, peak -6 dBFS, start from the file's time").
    std::string Sound;

    // Counts a stored record's instant.
    void NoteInstant(Instant instant)
    {
        if (instant == UnknownInstant)
            ++NoInstant;
        else
            Widen(instant);
    }
    // Widens the span of instants to hold a known instant.
    void Widen(Instant instant)
    {
        if (FirstInstant == UnknownInstant || instant < FirstInstant)
            FirstInstant = instant;
        if (LastInstant == UnknownInstant || instant > LastInstant)
            LastInstant = instant;
    }

    // Adds the counts of other (for totals).
    void Add(const ImportSummary& other);
};

// What a counter of ImportSummary counts, and how the "Import" page and the
// summary line name it. Adding a counter is a member and a row of the table.
enum class CounterGroup { Read, Stored, Dropped, Flaw, Note };

struct ImportCounter {
    std::int64_t ImportSummary::*Member;
    // Headers of its column on the "Import" page while a built-in and while
    // a described satellite is chosen; empty where it counts nothing then.
    std::string_view Column;
    std::string_view DescribedColumn;
    std::string_view Phrase; // in the summary line: after the count (dropped and flaws), before it (notes)
    CounterGroup Group;
};

// Every counter, in the order of the "Import" page's columns.
std::span<const ImportCounter> ImportCounters();

// "pass.kss: kiss, 120 frames (60 time frames), stored 30 + 30, dropped: ..."
std::string SummaryLine(const ImportSummary& s);
