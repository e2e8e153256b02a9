// SPDX-License-Identifier: GPL-3.0-or-later
// Several captures as one archive: packets in time order, each beacon once,
// and the passes they hold.

#include "cli/decodecommand.h"
#include "dataset/merge.h"
#include "input/capturereaders.h"
#include "testsupport.h"
#include "tools/capturegen.h"
#include "tools/frameencoders.h"

#include <gtest/gtest.h>

namespace {

// A KISS capture of beacons (index, kind) each after a time frame of its own;
// an empty time text leaves the beacon without an instant.
std::string Kiss(const std::vector<std::tuple<std::int64_t, int, std::string>>& beacons)
{
    std::string bytes;
    for (const auto& [index, kind, time] : beacons) {
        AppendKissFrame(bytes, KissTimeFrame(time.empty() ? "no time" : "2016-03-17 " + time));
        AppendKissFrame(bytes, FullFrame(1, MakeBeacon(kind, 1, index, 1)));
    }
    return bytes;
}

Module1 Merged(const std::vector<std::string>& paths)
{
    Module1 m;
    ReaderHost host;
    ReadSelection(CaptureKind::Kiss, m, host, paths);
    MergeByTime(m);
    return m;
}

// The beacon a record of kind 1 holds: its packet count (field 2) is its index.
std::vector<std::int64_t> Beacons(const Module1& m)
{
    std::vector<std::int64_t> beacons;
    for (std::int64_t n = 1; n <= m.RecordCount; ++n)
        beacons.push_back(static_cast<std::int64_t>(m.Table.Record(n).Values[2]));
    return beacons;
}

} // namespace

TEST(Merge, TimeOrderWithEqualAndUnknownInstants)
{
    TempDir dir;
    const std::string a = dir.Write("a.kss", Kiss({{10, 1, "10:20:00"}, {12, 1, "10:15:00"}, {14, 1, ""}}));
    const std::string b = dir.Write("b.kss", Kiss({{16, 1, "10:15:00"}, {18, 1, ""}, {20, 1, "10:10:00"}}));
    const Module1 m = Merged({a, b});
    // Earliest first; equal instants in reading order; no instant last, in reading order.
    EXPECT_EQ(Beacons(m), (std::vector<std::int64_t>{20, 12, 16, 10, 14, 18}));
    EXPECT_EQ(m.Table.Packet1Time(1), "2016-03-17 10:10:00");
    EXPECT_EQ(m.Packet(1, 1).File, 1u);
    EXPECT_TRUE(m.Merged);
}

TEST(Merge, DuplicatesAcrossAndWithinFilesTheEarlierKept)
{
    TempDir dir;
    // The same beacon twice in one file, and a second receiver's copy of
    // beacon 10 stamped two seconds earlier.
    const std::string a = dir.Write(
        "a.kss", Kiss({{10, 1, "10:15:02"}, {11, 2, "10:15:12"}, {12, 1, "10:15:22"}, {12, 1, "10:15:22"}}));
    const std::string b = dir.Write("b.kss", Kiss({{10, 1, "10:15:00"}, {13, 2, "10:15:32"}}));
    const Module1 m = Merged({a, b});
    EXPECT_EQ(Beacons(m), (std::vector<std::int64_t>{10, 12}));
    EXPECT_EQ(m.Packet(1, 1).File, 1u); // b's copy, the earlier
    EXPECT_EQ(m.Packet2Count, 2);
    EXPECT_EQ(m.Imports[0].Duplicates, 2);
    EXPECT_EQ(m.Imports[1].Duplicates, 0);
    EXPECT_EQ(m.Imports[0].Stored1 + m.Imports[1].Stored1, m.RecordCount);
    EXPECT_NE(SummaryLine(m.Imports[0]).find(", duplicates: 2"), std::string::npos);
    // A packet that differs in a byte no field reads (position 33) is no duplicate.
    std::vector<std::uint8_t> info = MakeBeacon(1, 1, 10, 1);
    info[33 - 18] ^= 0x42;
    std::string c;
    AppendKissFrame(c, KissTimeFrame("2016-03-17 10:15:00"));
    AppendKissFrame(c, FullFrame(1, info));
    const std::string d = dir.Write("d.kss", c);
    const Module1 both = Merged({b, d});
    ASSERT_EQ(both.RecordCount, 2);
    const auto& first = both.Table.Record(1).Values;
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 46, both.Table.Record(2).Values.begin()));
}

TEST(Merge, OutputsFollowTheMergeOrderAndTheDumpReadingOrder)
{
    TempDir dir;
    const std::string a = dir.Write("a.kss", Kiss({{10, 1, "10:20:00"}, {11, 2, "10:20:10"}}));
    const std::string b = dir.Write("b.kss", Kiss({{12, 1, "10:10:00"}, {10, 1, "10:20:00"}, {13, 2, ""}}));
    StringSink out;
    StringSink err;
    ASSERT_EQ(
        RunDecodeCommand({"-q", "--merge", "--jsonl", "-", "--dump", dir.File("dump"), a, b}, out, err, "."), ExitOk)
        << err.Text;
    // By hand: 12 (10:10), 10 (10:20, a's copy first read), 11 (10:20:10), 13 (no time).
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = out.Text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(out.Text.substr(at, end - at));
    ASSERT_EQ(lines.size(), 4u);
    const char* expected[][2]
        = {{"\"record\":1,\"kind\":1", "\"Packet cnt\":12,"}, {"\"record\":2,\"kind\":1", "\"Packet cnt\":10,"},
            {"\"record\":1,\"kind\":2", "\"Packet cnt\":11,"}, {"\"record\":2,\"kind\":2", "\"Packet cnt\":13,"}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_NE(lines[i].find(expected[i][0]), std::string::npos) << lines[i];
        EXPECT_NE(lines[i].find(expected[i][1]), std::string::npos) << lines[i];
    }
    EXPECT_NE(lines[1].find(a), std::string::npos);
    // The dump page lists every frame stored while reading, in reading order.
    const std::string dump = ReadFileBytes(dir.File("dump"));
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 5);
}

TEST(Passes, GapsOfMoreThanTwentyMinutesStartANewPass)
{
    TempDir dir;
    const std::string a = dir.Write(
        "a.kss", Kiss({{1, 1, "10:00:00"}, {2, 2, "10:19:59"}, {3, 1, "10:40:00"}, {4, 2, "11:00:01"}, {5, 1, ""}}));
    const std::string b = dir.Write("b.kss", Kiss({{6, 1, "10:05:00"}}));
    Module1 m;
    ReaderHost host;
    ReadSelection(CaptureKind::Kiss, m, host, {a, b});
    const std::vector<Pass> passes = FindPasses(m);
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(FormatIsoUtc(passes[0].Start), "2016-03-17T10:00:00Z");
    EXPECT_EQ(FormatIsoUtc(passes[0].End), "2016-03-17T10:19:59Z");
    EXPECT_EQ(passes[0].Records1, 2);
    EXPECT_EQ(passes[0].Records2, 1);
    EXPECT_EQ(passes[0].Files, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(passes[1].Records1 + passes[1].Records2, 1); // 10:40:00, 20 min 1 s after
    EXPECT_EQ(PassLine(m, passes[2]), "2016-03-17T11:00:01Z to 2016-03-17T11:00:01Z, 0 + 1 records, from " + a);

    // A generated week: as many passes as were asked for, every record in one.
    CaptureOptions o;
    o.Passes = 9;
    const GeneratedCapture g = GenerateCapture(o);
    Module1 week;
    ReadSelection(CaptureKind::Kiss, week, host, {dir.Write("week.kss", g.Bytes)});
    const std::vector<Pass> generated = FindPasses(week);
    ASSERT_EQ(generated.size(), 9u);
    std::int64_t records = 0;
    for (const Pass& pass : generated) {
        const Instant length = pass.End - pass.Start;
        EXPECT_TRUE(length >= 5 * 60000 && length <= 12 * 60000) << length;
        records += pass.Records1 + pass.Records2;
    }
    EXPECT_EQ(records, g.Packet1 + g.Packet2);
    EXPECT_GT(generated.back().Start - generated.front().Start, 8 * 3600000);
}
