// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "describe/describedtable.h"
#include "telemetry/importsummary.h"
#include "telemetry/instant.h"
#include "telemetry/telemetrytable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program-wide state that the readers, decoders, record view, chart and
// writers hand to each other. One object of it is owned by the program (or by
// a test) and passed by reference; there are no globals.

struct Module1 {
    FrameBytes FrameBuffer{};
    std::size_t FrameBufferEnd = FrameBufferSize + 1; // FrameBuffer is 0 from here on (the readers keep it)
    TelemetryTable Table;
    std::int64_t RecordCount = 0;        // records holding a packet of kind 1
    std::int64_t Packet2Count = 0;       // records holding a packet of kind 2
    std::string FrameTimeText;           // the time text of the frames that follow, as the capture writes it
    std::optional<std::int64_t> LogDate; // days since 1970 of log files without a date in their names
    std::string FrameHexText;
    int SatelliteNumber = 1;
    // A satellite read with a description instead of the built-in two, and
    // its records (RecordCount of them).
    std::shared_ptr<DescribedSatellite> Described;
    DescribedTable DescribedRecords;
    PendingFrames DescribedPending;
    bool ShowTimeSpan = false;
    std::string CurrentFileName;
    // The records stand in the order of their instants rather than in
    // reading order (after merging).
    bool Merged = false;
    // What the file being read gave so far, and what every file of the data
    // set gave, in the order read.
    ImportSummary Import;
    std::vector<ImportSummary> Imports;

    // Records holding a packet of kind: the one place where the packet
    // kinds meet the two counts above.
    std::int64_t Count(int kind) const { return kind == 2 ? Packet2Count : RecordCount; }
    // Record count of the packet kind that field belongs to.
    std::int64_t CountForField(int field) const { return Count(PacketKindOfField(field)); }
    // The larger of the two counts: every record that holds any packet.
    std::int64_t HighestRecord() const { return RecordCount > Packet2Count ? RecordCount : Packet2Count; }
    // The reception data of record n's packet of kind (1 or 2).
    // A described satellite's records are all of kind 1.
    PacketInfo Packet(int kind, std::int64_t n) const
    {
        return Described ? DescribedRecords.Info(n) : Table.Packet(kind, n);
    }
};

// Store the packet of kind 1 in FrameBuffer as record RecordCount, and the
// packet of kind 2 as record Packet2Count, with FrameTimeText and the
// reception given (its satellite byte taken from the frame); their fields
// are decoded from it whenever they are asked for.
void DecodePacket1(Module1& m, const PacketInfo& reception = {});
void DecodePacket2(Module1& m, const PacketInfo& reception = {});
