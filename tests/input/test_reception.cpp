// SPDX-License-Identifier: GPL-3.0-or-later
// Reception time and place of every stored packet, from each kind of capture.

#include "input/capturereaders.h"
#include "testsupport.h"
#include "tools/capturegen.h"
#include "tools/frameencoders.h"

#include <gtest/gtest.h>

namespace {

constexpr Instant At20160317 = 1458172800000; // 2016-03-17 00:00:00 UTC

Instant AtClock(int hour, int minute, int second, std::int64_t days = 0)
{
    return At20160317 + days * 86400000 + (hour * 3600 + minute * 60 + second) * Instant{1000};
}

// The information field of a beacon of kind 1 or 2 (positions 18 onward).
std::vector<std::uint8_t> Beacon(int kind, std::int64_t index = 0) { return MakeBeacon(kind, 1, index, 1); }

std::string KissCapture(const std::vector<std::vector<std::uint8_t>>& frames)
{
    std::string bytes;
    for (const auto& frame : frames)
        AppendKissFrame(bytes, frame);
    return bytes;
}

struct Read {
    Module1 m;
    RecordingHost host;
};

Read ReadAs(CaptureKind kind, const std::string& path, std::optional<std::int64_t> logDate = std::nullopt)
{
    Read r;
    r.m.LogDate = logDate;
    ReadSelection(kind, r.m, r.host, {path});
    return r;
}

} // namespace

TEST(Reception, KissTimeFramesTextsAndGrSatellitesStamps)
{
    TempDir dir;
    // gr-satellites writes C0 09 <8 bytes> C0 before each frame.
    const std::vector<std::uint8_t> stamp = {9, 0x00, 0x00, 0x01, 0x53, 0x83, 0x28, 0xC3, 0x00};
    const std::string bytes = KissCapture({stamp, FullFrame(1, Beacon(1)), KissTimeFrame("2016-03-17 10:15:00.250"),
        FullFrame(1, Beacon(2)), KissTimeFrame("<b>no time</b>"), FullFrame(1, Beacon(1, 2))});
    const Read r = ReadAs(CaptureKind::Kiss, dir.Write("gr.kss", bytes));
    ASSERT_EQ(r.m.RecordCount, 2);
    EXPECT_EQ(r.m.Table.Packet1Time(1), "2016-03-17 06:00:00.000 UTC");
    EXPECT_EQ(r.m.Packet(1, 1).At, AtClock(6, 0, 0));
    EXPECT_EQ(r.m.Packet(2, 1).At, AtClock(10, 15, 0) + 250);
    EXPECT_EQ(r.m.Table.Packet1Time(2), "<b>no time</b>");
    EXPECT_EQ(r.m.Packet(1, 2).At, UnknownInstant);
    // Each data frame's place is the byte after its opening FEND.
    EXPECT_EQ(r.m.Packet(1, 1).Offset, 12u); // C0 + 9 bytes + C0, then C0
    EXPECT_EQ(bytes[r.m.Packet(1, 1).Offset - 1], '\xC0');
    EXPECT_EQ(bytes[r.m.Packet(2, 1).Offset - 1], '\xC0');
    EXPECT_EQ(bytes[r.m.Packet(2, 1).Offset], '\x00');
    EXPECT_LT(r.m.Packet(1, 1).Offset, r.m.Packet(2, 1).Offset);
    EXPECT_EQ(r.m.Imports[0].NoInstant, 1);
}

TEST(Reception, KissFramesSharingFendsAndCutAcrossChunks)
{
    TempDir dir;
    // FEND A FEND B FEND: B starts right after the FEND that ends A; a
    // megabyte of noise first puts the frames past the first read chunk.
    std::string bytes(1 << 20, 'x');
    const std::size_t first = bytes.size() + 1;
    bytes += KissCapture({FullFrame(1, Beacon(1))});
    bytes.pop_back(); // the next frame shares the FEND
    const std::size_t second = bytes.size() + 1;
    AppendKissFrame(bytes, FullFrame(1, Beacon(2)));
    const Read r = ReadAs(CaptureKind::Kiss, dir.Write("shared.kss", bytes));
    ASSERT_EQ(r.m.RecordCount, 1);
    ASSERT_EQ(r.m.Packet2Count, 1);
    EXPECT_EQ(r.m.Packet(1, 1).Offset, first);
    EXPECT_EQ(r.m.Packet(2, 1).Offset, second);
}

TEST(Reception, LogDatesFromTheNameTheOptionAndAcrossMidnight)
{
    TempDir dir;
    const std::string lines = "23:59:50 " + HexSpaced(Beacon(1)) + "\n" + "00:00:10 " + HexSpaced(Beacon(2)) + "\n"
        + "25:00:00 " + HexSpaced(Beacon(1)) + "\n" + "12:00:00 " + HexSpaced(Beacon(2)) + "\n";
    const std::int64_t day = At20160317 / 86400000;

    const Read named = ReadAs(CaptureKind::Log, dir.Write("station_20160317.log", lines));
    EXPECT_EQ(named.m.Packet(1, 1).At, AtClock(23, 59, 50));
    EXPECT_EQ(named.m.Packet(2, 1).At, AtClock(0, 0, 10, 1)); // the next day
    EXPECT_EQ(named.m.Packet(1, 2).At, UnknownInstant);       // no clock time
    EXPECT_EQ(named.m.Packet(2, 2).At, AtClock(12, 0, 0, 1)); // less than 12 hours back: the same day
    EXPECT_EQ(named.m.Packet(2, 1).Offset, lines.find("00:00:10"));

    // The name's date wins over the option's; without either there is none.
    EXPECT_EQ(
        ReadAs(CaptureKind::Log, dir.File("station_20160317.log"), day + 5).m.Packet(1, 1).At, AtClock(23, 59, 50));
    EXPECT_EQ(
        ReadAs(CaptureKind::Log, dir.Write("pass.log", lines), day + 1).m.Packet(1, 1).At, AtClock(23, 59, 50, 1));
    const Read unknown = ReadAs(CaptureKind::Log, dir.File("pass.log"));
    EXPECT_EQ(unknown.m.Packet(1, 1).At, UnknownInstant);
    EXPECT_EQ(unknown.m.Imports[0].NoInstant, 4);
}

TEST(Reception, TextTimeLinesWithADate)
{
    TempDir dir;
    const std::string bytes = "[2016-03-17 10:15:00] QB50p1 beacon\r\n" + HexSpaced(Beacon(1)) + "\r\n"
        + "[17.03.2016 10:15:10]\r\n" + HexSpaced(Beacon(2)) + "\r\n";
    const Read r = ReadAs(CaptureKind::Text, dir.Write("capture.txt", bytes));
    EXPECT_EQ(r.m.Table.Packet1Time(1), "10:15:00.000 UTC");
    EXPECT_EQ(r.m.Packet(1, 1).At, AtClock(10, 15, 0));
    EXPECT_EQ(r.m.Packet(2, 1).At, UnknownInstant);
    EXPECT_EQ(r.m.Packet(1, 1).Offset, bytes.find("00 01 01"));
}

TEST(Reception, SatnogsExportsDecodeLikeTheSameFramesInAKissCapture)
{
    TempDir dir;
    // Frames holding C0 and DB bytes, which a server log would escape.
    std::vector<std::vector<std::uint8_t>> frames;
    std::string export_;
    for (int i = 0; i < 4; ++i) {
        std::vector<std::uint8_t> info = Beacon(1 + i % 2, i);
        info[10] = 0xDB;
        info[11] = i % 2 ? 0xDD : 0xDC;
        info[20] = 0xC0;
        frames.push_back(KissTimeFrame("2016-03-17 10:15:0" + std::to_string(i)));
        frames.push_back(FullFrame(1, info));
        const auto frame = FullFrame(1, info);
        export_ += "2016-03-17 10:15:0" + std::to_string(i) + "|" + HexContinuous(std::span(frame).subspan(1)) + "\n";
    }
    const Read kiss = ReadAs(CaptureKind::Kiss, dir.Write("same.kss", KissCapture(frames)));
    const Read satnogs = ReadAs(CaptureKind::Satnogs, dir.Write("export.csv", export_));
    const Read misread = ReadAs(CaptureKind::ServerLog, dir.File("export.csv"));
    ASSERT_EQ(satnogs.m.RecordCount, 2);
    ASSERT_EQ(satnogs.m.Packet2Count, 2);
    for (std::int64_t n = 1; n <= 2; ++n) {
        EXPECT_EQ(satnogs.m.Table.Record(n).Values, kiss.m.Table.Record(n).Values);
        EXPECT_EQ(satnogs.m.Packet(1, n).At, kiss.m.Packet(1, n).At);
    }
    EXPECT_EQ(satnogs.m.Imports[0].EscapesUndone, 0);
    // Read as a server log the escape pairs are undone, and the summary says so.
    EXPECT_NE(misread.m.Table.Record(1).Values, kiss.m.Table.Record(1).Values);
    EXPECT_EQ(misread.m.Imports[0].EscapesUndone, 4);
    EXPECT_NE(SummaryLine(misread.m.Imports[0]).find(", escapes undone: 4"), std::string::npos);
    // A generated export reads back whole.
    CaptureOptions o;
    o.Kind = CaptureKind::Satnogs;
    const GeneratedCapture g = GenerateCapture(o);
    const Read generated = ReadAs(CaptureKind::Satnogs, dir.Write("generated.csv", g.Bytes));
    EXPECT_EQ(generated.m.RecordCount, g.Packet1);
    EXPECT_EQ(generated.m.Packet(1, 1).At, AtClock(10, 15, 0));
}

TEST(Reception, SummaryTellsTheFirstAndLastTimeAndRecordsWithout)
{
    TempDir dir;
    CaptureOptions o;
    o.Kind = CaptureKind::ServerLog;
    o.Packets = 6;
    const Read r = ReadAs(CaptureKind::ServerLog, dir.Write("pass.log", GenerateCapture(o).Bytes));
    const std::string line = SummaryLine(r.m.Imports[0]);
    EXPECT_NE(line.find(", times 2016-03-17T10:15:00Z to 2016-03-17T10:15:50Z"), std::string::npos) << line;
    EXPECT_EQ(line.find("without a time"), std::string::npos);
}
