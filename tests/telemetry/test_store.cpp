// SPDX-License-Identifier: GPL-3.0-or-later
#include "dataset/module1.h"
#include "input/capturereaders.h"
#include "telemetry/blockmemory.h"
#include "telemetry/decoders.h"
#include "telemetry/fieldreaders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A packet of kind whose bytes all equal fill, satellite byte 1.
std::vector<std::uint8_t> PacketOf(int kind, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(PacketWidth(kind)), fill);
    bytes[19 - PacketFirstByte] = 1;
    bytes[20 - PacketFirstByte] = static_cast<std::uint8_t>(kind);
    return bytes;
}

// A field's value read from the whole frame with the frame's own readers.
double FromFrame(const FieldLayout& row, const FrameBytes& f)
{
    const int i = row.FirstByte;
    double raw = 0;
    switch (row.Shape) {
    case FieldShape::Byte: raw = ReadByte(f, i); break;
    case FieldShape::Word: raw = ReadWord(f, i); break;
    case FieldShape::Long: raw = ReadLong(f, i); break;
    case FieldShape::SignedWord: raw = ReadSignedWord(f, i); break;
    case FieldShape::SquaredWord: raw = static_cast<double>(ReadWord(f, i)) * ReadWord(f, i); break;
    case FieldShape::LowNibble: raw = ReadByte(f, i) % 16; break;
    case FieldShape::HighNibble: raw = ReadByte(f, i) / 16; break;
    }
    return raw * row.Factor + row.Offset;
}

constexpr Instant March17 = 1458209700000; // 2016-03-17 10:15:00 UTC

} // namespace

TEST(TelemetryTable, RecordsWithoutAPacketReadAsZeroAndEmpty)
{
    TelemetryTable table;
    EXPECT_EQ(table.Size(), 0);
    EXPECT_EQ(table.Record(1).Values[5], 0.0);
    EXPECT_EQ(table.Record(-3).Values[0], 0.0);
    EXPECT_TRUE(table.Packet1Time(7).empty());

    table.StorePacket(1, 3, PacketOf(1, 0).data(), {March17, 40, 2, 1}, "10:15:00");
    EXPECT_EQ(table.Size(), 3);
    EXPECT_EQ(table.Count(1), 3);
    EXPECT_EQ(table.Count(2), 0);
    // Field 12 decodes a zero word as 190: a record without the packet is 0.
    EXPECT_EQ(table.Value(3, 12), 190);
    for (const std::int64_t n : {2, 4}) {
        EXPECT_EQ(table.Value(n, 12), 0) << n;
        EXPECT_TRUE(table.PacketBytes(1, n).empty()) << n;
        EXPECT_EQ(table.Packet(1, n).At, UnknownInstant) << n;
    }
    EXPECT_EQ(table.Value(3, 60), 0); // the second kind's field
    EXPECT_EQ(table.Value(3, 47), 0); // a spare field
    const PacketInfo info = table.Packet(1, 3);
    EXPECT_EQ(info.At, March17);
    EXPECT_EQ(info.Offset, 40u);
    EXPECT_EQ(info.File, 2u);
    EXPECT_EQ(info.Satellite, 1);
}

TEST(TelemetryTable, GrowsInBlocksWithoutMovingPacketsAndStaysUnder256BytesARecord)
{
    TelemetryTable table;
    const auto one = PacketOf(1, 7);
    const auto two = PacketOf(2, 9);
    // Many blocks, as in a long capture.
    constexpr std::int64_t Count = 32 * 4096;
    const std::uint8_t* first = nullptr;
    for (std::int64_t n = 1; n <= Count; ++n) {
        // A time text of its own for every packet, as in a log file.
        const Instant at = March17 + n * 1000;
        std::array<char, TimeTextSize> text{};
        ASSERT_TRUE(RenderTimeText(at, text));
        const auto place = static_cast<std::uint64_t>(n);
        table.StorePacket(1, n, one.data(), {at, place, 0, 1}, std::string_view(text.data(), 19));
        table.StorePacket(2, n, two.data(), {at, place, 0, 1}, std::string_view(text.data(), 19));
        if (n == 1)
            first = table.PacketBytes(1, 1).data();
    }
    EXPECT_EQ(first, table.PacketBytes(1, 1).data());
    // Every record is found where it was put, on both sides of every
    // block's end (the two kinds' blocks end at different records).
    for (std::int64_t n = 1; n <= Count; ++n)
        if (table.Packet(1, n).Offset != static_cast<std::uint64_t>(n)
            || table.Packet(2, n).Offset != static_cast<std::uint64_t>(n))
            FAIL() << "record " << n << " reads another's place";
    EXPECT_EQ(table.Packet2Time(10001), "2016-03-17 13:01:41");
    EXPECT_EQ(table.Value(Count, 1), 7 + 7 * 256);
    table.Trim(); // as a reader does at the end of its file
    EXPECT_LE(table.MemoryBytes() / Count, 256u);
}

TEST(TelemetryTable, EveryTimeTextReadsBackAsStored)
{
    struct Case {
        std::string_view Text;
        Instant At;
    };
    const Case cases[] = {
        {"10:15:00.000 UTC", March17},                  // a log line's clock time
        {"2016-03-17 10:15:00", March17},               // server logs, text captures
        {"2016-03-17 10:15:00 UTC", March17},           // KISS time frames
        {"2016-03-17 10:15:00.125 UTC", March17 + 125}, // gr-satellites stamps
        {"2016-03-17 10:15:00 UTC", March17 + 125},     // not the instant's own text
        {"2016-03-17T10:15:00Z", March17}, {"10:15:00", March17}, {"10:15:00.000 UTC", March17 + 1000},
        {"10:00:00.000 UTC", UnknownInstant}, {"10:15:00.000 UTC", UnknownInstant}, // a log file without a date
        {"00:00:00.000 UTC", UnknownInstant}, {"24:00:00.000 UTC", UnknownInstant}, {"10:15:00", UnknownInstant},
        {"12016-03-17 10:15:00", 316889000000000}, {"", March17}, {"A", UnknownInstant}, {"B", UnknownInstant},
        {"A", UnknownInstant}, // the same text again after another is still its own
    };
    TelemetryTable table;
    const auto bytes = PacketOf(2, 0);
    std::int64_t n = 0;
    for (const Case& c : cases)
        table.StorePacket(2, ++n, bytes.data(), {c.At, 0, 0, 1}, c.Text);
    n = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(table.Packet2Time(++n), c.Text) << n;
        EXPECT_EQ(table.Packet(2, n).At, c.At) << n;
    }
}

TEST(TelemetryTable, ReorderMovesPacketsWithTheirTimesAndDropsTheRest)
{
    TelemetryTable table;
    for (std::int64_t n = 1; n <= 5; ++n)
        table.StorePacket(1, n, PacketOf(1, static_cast<std::uint8_t>(n)).data(),
            {March17 + n, static_cast<std::uint64_t>(n), 0, 1}, std::to_string(n));
    const std::int64_t order[] = {4, 2, 5};
    table.Reorder(1, order);
    EXPECT_EQ(table.Count(1), 3);
    for (std::int64_t n = 1; n <= 3; ++n) {
        const std::int64_t from = order[n - 1];
        EXPECT_EQ(table.Value(n, 0), static_cast<double>(from));
        EXPECT_EQ(table.Packet1Time(n), std::to_string(from));
        EXPECT_EQ(table.Packet(1, n).Offset, static_cast<std::uint64_t>(from));
    }
    EXPECT_TRUE(table.PacketBytes(1, 4).empty());
}

// Fields decoded on demand from the stored bytes equal those decoded from the
// frame they came from, for random packets of either kind.
TEST(TelemetryTable, OnDemandDecodingEqualsDecodingTheFrame)
{
    std::mt19937 random(11);
    Module1 m;
    for (int round = 0; round < 2000; ++round) {
        for (int i = 1; i <= FrameBufferSize; ++i)
            m.FrameBuffer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(random());
        const int kind = 1 + round % 2;
        const std::int64_t n = kind == 2 ? ++m.Packet2Count : ++m.RecordCount;
        kind == 2 ? DecodePacket2(m) : DecodePacket1(m);
        const TelemetryRecord record = m.Table.Record(n);
        for (const FieldLayout& row : PacketLayout(kind)) {
            const double expected = FromFrame(row, m.FrameBuffer);
            ASSERT_EQ(m.Table.Value(n, row.Field), expected) << "field " << row.Field;
            ASSERT_EQ(record.Values[static_cast<std::size_t>(row.Field)], expected) << "field " << row.Field;
        }
        EXPECT_EQ(m.Packet(kind, n).Satellite, m.FrameBuffer[19]);
    }
}

TEST(DataSet, BeginDataSetClearsEveryRecordAndBothCounters)
{
    Module1 m;
    m.RecordCount = 3;
    m.Packet2Count = 5;
    m.Table.StorePacket(2, 5, PacketOf(2, 3).data(), {}, "old");
    BeginDataSet(m);
    EXPECT_EQ(m.RecordCount, 0);
    EXPECT_EQ(m.Packet2Count, 0);
    EXPECT_EQ(m.Table.Size(), 0);
    EXPECT_EQ(m.Table.Record(5).Values[60], 0);
    EXPECT_TRUE(m.Table.Packet2Time(5).empty());
}

TEST(BlockVector, ReadsBackEveryRecordAcrossBlocksAndHoldsOneBlockNotFull)
{
    struct Record {
        std::int64_t N;
        std::uint32_t Check;
    };
    BlockVector<Record> records;
    const std::size_t count = 3 * BlockVector<Record>::PerBlock + 5;
    for (std::size_t i = 0; i < count; ++i)
        records.Append({static_cast<std::int64_t>(i), static_cast<std::uint32_t>(i * 2654435761u)});
    ASSERT_EQ(records.Count(), count);
    for (std::size_t i = 0; i < count; ++i)
        if (records[i].N != static_cast<std::int64_t>(i)
            || records[i].Check != static_cast<std::uint32_t>(i * 2654435761u))
            FAIL() << "record " << i;
    EXPECT_LT(records.MemoryBytes(), 4 * BigBlockBytes + 1024);
    records.Clear();
    EXPECT_EQ(records.Count(), 0u);
    records.Append({7, 7});
    EXPECT_EQ(records[0].N, 7);
}
