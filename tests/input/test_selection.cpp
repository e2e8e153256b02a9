// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/capturereaders.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

TEST(Selection, FilesAreReadInOrderIntoOneDataSetAndAFailureStopsNone)
{
    TempDir dir;
    CaptureOptions o;
    o.Packets = 6;
    o.Noise = false;
    const std::string a = dir.Write("a.kss", GenerateCapture(o).Bytes);
    o.Packets = 4;
    const std::string b = dir.Write("b.kss", GenerateCapture(o).Bytes);

    Module1 m;
    RecordingHost host;
    const std::vector<std::uint8_t> old(static_cast<std::size_t>(PacketWidth(1)), 77);
    m.Table.StorePacket(1, 9, old.data(), {}, "old"); // left over from an earlier data set
    BeginDataSet(m);
    const auto failures = ReadSelection(CaptureKind::Kiss, m, host, {a, dir.File("missing.kss"), b});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].Message.find("missing.kss"), std::string::npos);
    EXPECT_EQ(m.RecordCount, 5);
    EXPECT_EQ(m.Packet2Count, 5);
    EXPECT_EQ(m.CurrentFileName, b);
    EXPECT_EQ(host.files, (std::vector<std::string>{a, dir.File("missing.kss"), b}));
    EXPECT_EQ(host.refreshes, 2);
    EXPECT_EQ(m.Table.Record(9).Values[0], 0);
}

TEST(Selection, SameBytesReadTwiceGiveTheSameRecords)
{
    TempDir dir;
    CaptureOptions o;
    o.Packets = 30;
    const std::string path = dir.Write("a.kss", GenerateCapture(o).Bytes);
    Module1 first;
    Module1 second;
    RecordingHost host;
    ReadSelection(CaptureKind::Kiss, first, host, {path});
    BeginDataSet(second);
    ReadSelection(CaptureKind::Kiss, second, host, {path});
    ASSERT_EQ(first.RecordCount, second.RecordCount);
    for (std::int64_t n = 1; n <= first.HighestRecord(); ++n) {
        EXPECT_EQ(first.Table.Record(n).Values, second.Table.Record(n).Values);
        EXPECT_EQ(first.Table.Packet1Time(n), second.Table.Packet1Time(n));
    }
}
