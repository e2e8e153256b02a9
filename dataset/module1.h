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

    // Records holding a packet of kind (KindCounts below names the count of
    // each); a described satellite's are all of kind 1.
    std::int64_t Count(int kind) const;
    std::int64_t& CountOf(int kind);
    // Record count of the packet kind that field belongs to.
    std::int64_t CountForField(int field) const { return Count(PacketKindOfField(field)); }
    // The largest of the counts: every record that holds any packet.
    std::int64_t HighestRecord() const;
    // Packets stored, of every kind.
    std::int64_t PacketTotal() const;
    // The reception data of record n's packet of kind (1 or 2).
    // A described satellite's records are all of kind 1.
    PacketInfo Packet(int kind, std::int64_t n) const
    {
        return Described ? DescribedRecords.Info(n) : Table.Packet(kind, n);
    }
};

// The count of the records holding a packet of each kind, by kind: the one
// place where the packet kinds meet the counts that the data set names.
inline constexpr std::array<std::int64_t Module1::*, PacketKindCount> KindCounts{
    &Module1::RecordCount, &Module1::Packet2Count};

inline std::int64_t Module1::Count(int kind) const
{
    return this->*KindCounts[kind >= 1 && kind <= PacketKindCount ? static_cast<std::size_t>(kind - 1) : 0];
}

inline std::int64_t& Module1::CountOf(int kind)
{
    return this->*KindCounts[kind >= 1 && kind <= PacketKindCount ? static_cast<std::size_t>(kind - 1) : 0];
}

inline std::int64_t Module1::HighestRecord() const
{
    std::int64_t highest = 0;
    for (const auto count : KindCounts)
        highest = this->*count > highest ? this->*count : highest;
    return highest;
}

inline std::int64_t Module1::PacketTotal() const
{
    std::int64_t total = 0;
    for (const auto count : KindCounts)
        total += this->*count;
    return total;
}

// Store the packet of kind in FrameBuffer as record Count(kind), with
// FrameTimeText and the reception given (its satellite byte taken from the
// frame); its fields are decoded from it whenever they are asked for.
// DecodePacket1 stores a packet of kind 1 as record RecordCount,
// DecodePacket2 one of kind 2 as record Packet2Count.
void DecodePacket(Module1& m, int kind, const PacketInfo& reception = {});
void DecodePacket1(Module1& m, const PacketInfo& reception = {});
void DecodePacket2(Module1& m, const PacketInfo& reception = {});
