#include "input/capturereaders.h"
#include "telemetry/module1.h"

#include <gtest/gtest.h>

TEST(TelemetryTable, UnwrittenRecordsReadAsZeroAndEmpty)
{
    TelemetryTable table;
    EXPECT_EQ(table.Size(), 0);
    EXPECT_EQ(table.Record(1).Values[5], 0.0);
    EXPECT_EQ(table.Record(-3).Values[0], 0.0);
    EXPECT_TRUE(table.Packet1Time(7).empty());

    table.RecordForWrite(3).Values[5] = 42;
    EXPECT_EQ(table.Size(), 3);
    EXPECT_EQ(table.Record(3).Values[5], 42);
    EXPECT_EQ(table.Record(2).Values[5], 0);
    EXPECT_EQ(table.Record(4).Values[5], 0);
}

TEST(TelemetryTable, GrowsPastAnyFixedLimitWithoutMovingRecords)
{
    TelemetryTable table;
    table.RecordForWrite(1).Values[1] = 1;
    const TelemetryRecord* first = &table.Record(1);
    for (std::int64_t n = 2; n <= 25000; ++n)
        table.RecordForWrite(n).Values[1] = static_cast<double>(n);
    EXPECT_EQ(first, &table.Record(1));
    EXPECT_EQ(table.Record(10001).Values[1], 10001);
    EXPECT_EQ(table.Record(25000).Values[1], 25000);
    EXPECT_LT(table.MemoryBytes() / 25000, 1024u);
}

TEST(TelemetryTable, TimeTextsAreKeptPerRecordAndKind)
{
    TelemetryTable table;
    table.SetPacket1Time(1, "10:00:00.000 UTC");
    table.SetPacket1Time(2, "10:00:00.000 UTC");
    table.SetPacket2Time(1, "2016-03-17 10:00:10");
    table.SetPacket1Time(3, "");
    EXPECT_EQ(table.Packet1Time(1), "10:00:00.000 UTC");
    EXPECT_EQ(table.Packet1Time(2), "10:00:00.000 UTC");
    EXPECT_EQ(table.Packet2Time(1), "2016-03-17 10:00:10");
    EXPECT_TRUE(table.Packet2Time(2).empty());
    EXPECT_TRUE(table.Packet1Time(3).empty());

    // A later time of the same text as an earlier one is still its own.
    table.SetPacket1Time(4, "A");
    table.SetPacket1Time(5, "B");
    table.SetPacket1Time(6, "A");
    EXPECT_EQ(table.Packet1Time(6), "A");
    EXPECT_EQ(table.Packet1Time(5), "B");
}

TEST(DataSet, BeginDataSetClearsEveryRecordAndBothCounters)
{
    Module1 m;
    m.RecordCount = 3;
    m.Packet2Count = 5;
    m.Table.RecordForWrite(5).Values[60] = 12.5;
    m.Table.SetPacket2Time(5, "old");
    BeginDataSet(m);
    EXPECT_EQ(m.RecordCount, 0);
    EXPECT_EQ(m.Packet2Count, 0);
    EXPECT_EQ(m.Table.Record(5).Values[60], 0);
    EXPECT_TRUE(m.Table.Packet2Time(5).empty());
}
