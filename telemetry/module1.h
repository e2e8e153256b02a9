#pragma once

#include "importsummary.h"
#include "instant.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The program-wide state that the readers, decoders, record view, chart and
// writers hand to each other. One object of it is owned by the program (or by
// a test) and passed by reference; there are no globals.

inline constexpr int FieldCount = 105;      // field numbers 0 to 104
inline constexpr int FrameBufferSize = 512; // positions 1 to 512
inline constexpr int LastPacket1Field = 45;
inline constexpr int FirstPacket2Field = 50;
// The frame positions a packet of kind 1 or 2 spans, from 18 to the last
// byte its decoder reads.
inline constexpr int PacketFirstByte = 18;
inline constexpr int PacketLastByte(int kind) { return kind == 2 ? 123 : 111; }

// The packet kind whose records a field belongs to: 1 below field 50, 2 from it.
inline int PacketKindOfField(int field) { return field >= FirstPacket2Field ? 2 : 1; }

// Frame positions 1 to 512; position 0 is unused so that indices read as the
// frame positions they stand for.
using FrameBytes = std::array<std::uint8_t, FrameBufferSize + 1>;

// Where and when a stored packet was received.
struct PacketInfo {
    Instant At = UnknownInstant; // its reception instant
    std::uint64_t Offset = 0;    // where its frame or line starts in its capture file
    std::uint32_t File = 0;      // its capture's index in the selection (Imports)
    std::uint8_t Satellite = 0;  // its satellite number byte (frame position 19)
};

struct TelemetryRecord {
    std::array<double, FieldCount> Values{};
    std::uint32_t Packet1TimeId = 0; // index into the table's time texts, 0 = empty
    std::uint32_t Packet2TimeId = 0;
    PacketInfo Packet1; // the packet of kind 1 of the record, if any
    PacketInfo Packet2;
};

// Records numbered from 1, grown in blocks as packets arrive, so a long pass
// never moves the records already stored. Time texts are kept once in an arena:
// a KISS capture shares one time text among many frames and a record stays
// well under 1 KiB.
class TelemetryTable {
public:
    TelemetryTable();

    // The record with number n; a record never written reads as all zeros and
    // empty times.
    const TelemetryRecord& Record(std::int64_t n) const;
    TelemetryRecord& RecordForWrite(std::int64_t n);

    std::string_view Packet1Time(std::int64_t n) const { return TimeText(Record(n).Packet1TimeId); }
    std::string_view Packet2Time(std::int64_t n) const { return TimeText(Record(n).Packet2TimeId); }
    void SetPacket1Time(std::int64_t n, std::string_view time);
    void SetPacket2Time(std::int64_t n, std::string_view time);

    // Number of records that have room in the table (the highest written).
    std::int64_t Size() const { return size_; }
    // Drops every record: values 0, time texts empty.
    void Clear();
    // Bytes held by the records and their time texts.
    std::size_t MemoryBytes() const;

private:
    static constexpr std::int64_t BlockSize = 128;
    using Block = std::array<TelemetryRecord, BlockSize>;

    std::uint32_t InternTime(std::string_view time);
    std::string_view TimeText(std::uint32_t id) const;

    std::vector<std::unique_ptr<Block>> blocks_;
    std::int64_t size_ = 0;
    std::string timeChars_;
    std::vector<std::size_t> timeEnds_; // entry i spans timeEnds_[i-1] .. timeEnds_[i]
};

struct Module1 {
    FrameBytes FrameBuffer{};
    TelemetryTable Table;
    std::int64_t RecordCount = 0;  // records holding a packet of kind 1
    std::int64_t Packet2Count = 0; // records holding a packet of kind 2
    std::string FrameTimeText;
    Instant FrameInstant = UnknownInstant; // the reception instant of the frames that follow, as FrameTimeText
    std::uint64_t FrameOffset = 0;         // where the frame or line at hand starts in its file
    std::uint32_t FileIndex = 0;           // the index in the selection of the file being read
    std::int64_t LogDate = 0;              // days since 1970 of log files without a date in their names
    bool LogDateKnown = false;
    std::string FrameHexText;
    std::int64_t FrameLength = 0;
    int SatelliteNumber = 1;
    int SelectedField = 0;
    bool ShowTimeSpan = false;
    std::string CurrentFileName;
    std::string ImagePath;
    // With KeepPacketBytes the readers keep each stored packet's bytes from
    // frame position 18 to the last its decoder reads (PacketBytes[kind - 1],
    // one after the other), for merging; Merged tells that the records stand
    // in the order of their instants rather than in reading order.
    bool KeepPacketBytes = false;
    std::array<std::vector<std::uint8_t>, 2> PacketBytes;
    bool Merged = false;
    // What the file being read gave so far, and what every file of the data
    // set gave, in the order read.
    ImportSummary Import;
    std::vector<ImportSummary> Imports;

    // Record count of the packet kind that field belongs to.
    std::int64_t CountForField(int field) const { return PacketKindOfField(field) == 2 ? Packet2Count : RecordCount; }
    // The larger of the two counts: every record that holds any packet.
    std::int64_t HighestRecord() const { return RecordCount > Packet2Count ? RecordCount : Packet2Count; }
    // The reception data of record n's packet of kind (1 or 2).
    const PacketInfo& Packet(int kind, std::int64_t n) const
    {
        return kind == 2 ? Table.Record(n).Packet2 : Table.Record(n).Packet1;
    }
};
