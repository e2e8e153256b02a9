// SPDX-License-Identifier: GPL-3.0-or-later
// What a ground station's disks may hold: empty files, noise, endless lines,
// huge frames, folders, unreadable files, odd names, files still being
// written. Every reader must read what it can, say what it cannot, and never
// crash or store what is not there.

#include "input/capturereaders.h"
#include "input/detect.h"
#include "output/csvfile.h"
#include "output/outputfile.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#ifdef __unix__
#include <unistd.h>
#endif

namespace {

struct Read {
    Module1 m;
    RecordingHost host;
    ReadResult result;
};

void ReadInto(Read& r, CaptureKind kind, const std::string& path)
{
    r.result = ReadCaptureFile(kind, r.m, r.host, path);
}

std::string Generated(CaptureKind kind, std::int64_t packets, bool noise = true)
{
    CaptureOptions o;
    o.Kind = kind;
    o.Packets = packets;
    o.Noise = noise;
    return GenerateCapture(o).Bytes;
}

bool SameRecord(const Module1& a, const Module1& b, std::int64_t n)
{
    const TelemetryRecord& x = a.Table.Record(n);
    const TelemetryRecord& y = b.Table.Record(n);
    return std::memcmp(x.Values.data(), y.Values.data(), sizeof x.Values) == 0
        && a.Table.Packet1Time(n) == b.Table.Packet1Time(n) && a.Table.Packet2Time(n) == b.Table.Packet2Time(n);
}

class HostileInput : public testing::TestWithParam<CaptureKind> { };

} // namespace

TEST_P(HostileInput, EmptyFileAndTenMegabytesOfNoise)
{
    TempDir dir;
    Read empty;
    ReadInto(empty, GetParam(), dir.Write("empty", ""));
    EXPECT_TRUE(empty.result.Ok);
    EXPECT_EQ(empty.m.RecordCount + empty.m.Packet2Count, 0);
    EXPECT_EQ(empty.host.refreshes, 1);

    std::mt19937 random(42);
    std::string noise(10 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    Read r;
    ReadInto(r, GetParam(), dir.Write("noise", noise));
    if (GetParam() == CaptureKind::Audio) { // noise is no sound file: refused, with the reason
        EXPECT_FALSE(r.result.Ok);
        EXPECT_NE(r.result.Message.find("not a sound recording"), std::string::npos) << r.result.Message;
        return;
    }
    EXPECT_TRUE(r.result.Ok);
    EXPECT_EQ(r.host.refreshes, 1);
    // Whatever the noise gave, it reads the same again.
    Read again;
    ReadInto(again, GetParam(), dir.File("noise"));
    ASSERT_EQ(again.m.RecordCount, r.m.RecordCount);
    ASSERT_EQ(again.m.Packet2Count, r.m.Packet2Count);
    for (std::int64_t n = 1; n <= r.m.HighestRecord(); ++n)
        ASSERT_TRUE(SameRecord(r.m, again.m, n)) << "record " << n;
}

TEST_P(HostileInput, FolderMissingAndUnreadableFilesAreReported)
{
    TempDir dir;
    Read r;
    r.m.RecordCount = 3;
    ReadInto(r, GetParam(), dir.Path().string());
    EXPECT_FALSE(r.result.Ok);
    EXPECT_EQ(r.result.Message, "cannot open " + dir.Path().string() + ": it is a folder, not a file");
    ReadInto(r, GetParam(), dir.File("gone"));
    EXPECT_EQ(r.result.Message, "cannot open " + dir.File("gone") + ": No such file or directory");
    EXPECT_EQ(r.m.RecordCount, 3);
    EXPECT_EQ(r.host.refreshes, 0);

#ifdef __unix__
    if (geteuid() != 0) { // root reads any file
        const std::string locked = dir.Write("locked", Generated(GetParam(), 4));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        ReadInto(r, GetParam(), locked);
        EXPECT_EQ(r.result.Message, "cannot open " + locked + ": Permission denied");
        EXPECT_EQ(r.m.RecordCount, 3);
    }
#endif
}

TEST_P(HostileInput, NamesWithBlanksQuotesAndNonAsciiCharacters)
{
    TempDir dir;
    const std::string name = "pass 12 'a' \"b\" $(x) \xC3\xA4\xC3\xB6 \xE2\x9C\x93;.capture";
    Read r;
    ReadInto(r, GetParam(), dir.Write(name, Generated(GetParam(), 6)));
    ASSERT_TRUE(r.result.Ok) << r.result.Message;
    EXPECT_EQ(r.m.RecordCount, 3);
    EXPECT_EQ(r.m.Packet2Count, 3);

    const std::string csv = OutputFileName(dir.File(name), ".csv");
    EXPECT_EQ(csv, dir.File("pass 12 'a' \"b\" $(x) \xC3\xA4\xC3\xB6 \xE2\x9C\x93;.csv"));
    const WriteResult written = WriteOutputFile(csv, [&](TextSink& s) { WriteCsv(s, r.m, "."); });
    EXPECT_TRUE(written.Ok) << written.Message;
    EXPECT_EQ(written.Message, csv + " has been written");
    const std::string text = ReadFileBytes(csv);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4); // the captions and three records
}

TEST_P(HostileInput, CaptureThatGrowsWhileItIsRead)
{
    // The host appends beacons to the file while the reader is in it. What is
    // stored must be the records of the file as it ends up, as far as the
    // reader got, never a mixture.
    TempDir dir;
    const std::string full = Generated(GetParam(), 400, false);
    const std::string path = dir.Write("growing", full.substr(0, full.size() / 4));

    struct GrowingHost : RecordingHost {
        std::string path, rest;
        void Grow()
        {
            if (rest.empty())
                return;
            const std::size_t n = std::min<std::size_t>(rest.size(), 997);
            std::ofstream(path, std::ios::binary | std::ios::app) << rest.substr(0, n);
            rest.erase(0, n);
        }
        void AppendDumpLine(std::string_view line) override
        {
            RecordingHost::AppendDumpLine(line);
            Grow();
        }
        void ProcessPendingEvents() override { Grow(); }
        void SetBusy(bool busy) override
        {
            Grow();
            RecordingHost::SetBusy(busy);
        }
    } host;
    host.path = path;
    host.rest = full.substr(full.size() / 4);

    Module1 m;
    ASSERT_TRUE(ReadCaptureFile(GetParam(), m, host, path).Ok);
    Read whole;
    ReadInto(whole, GetParam(), dir.Write("whole", full));
    EXPECT_GE(m.RecordCount, 1);
    EXPECT_LE(m.RecordCount, whole.m.RecordCount);
    EXPECT_LE(m.Packet2Count, whole.m.Packet2Count);
    // Records cut by the growth (the last one of each kind may hold a packet
    // read in two pieces) aside, every record is the whole file's.
    for (std::int64_t n = 1; n < std::min(m.RecordCount, m.Packet2Count); ++n)
        ASSERT_TRUE(SameRecord(m, whole.m, n)) << "record " << n;
}

INSTANTIATE_TEST_SUITE_P(EveryReader, HostileInput, testing::ValuesIn(AllCaptureKinds()),
    [](const testing::TestParamInfo<CaptureKind>& info) { return std::string(CaptureKindName(info.param)); });

TEST(HostileLines, TenMegabyteLineHoldsOnePacket)
{
    // One line of 10 MB: the packet at its start is stored, the rest of the
    // line cannot reach past the frame buffer.
    TempDir dir;
    for (const CaptureKind kind : {CaptureKind::Log, CaptureKind::ServerLog, CaptureKind::Text}) {
        std::string capture = Generated(kind, 1, false);
        const std::size_t end = capture.find_last_not_of("\r\n") + 1;
        std::string tail;
        tail.reserve(10 << 20);
        const char* pair = kind == CaptureKind::ServerLog ? "A5" : "A5 ";
        while (tail.size() < (10u << 20))
            tail += pair;
        capture.insert(end, tail);
        Read r;
        ReadInto(r, kind, dir.Write(std::string("long-").append(CaptureKindName(kind)), capture));
        ASSERT_TRUE(r.result.Ok);
        EXPECT_EQ(r.m.RecordCount, 1) << CaptureKindName(kind);
        Read plain;
        ReadInto(
            plain, kind, dir.Write(std::string("plain-").append(CaptureKindName(kind)), Generated(kind, 1, false)));
        // The packet's own fields are as without the tail.
        EXPECT_EQ(r.m.Table.Record(1).Values[5], plain.m.Table.Record(1).Values[5]) << CaptureKindName(kind);
    }
}

TEST(HostileLines, OneMegabyteKissFrame)
{
    TempDir dir;
    std::string capture = Generated(CaptureKind::Kiss, 1, false);
    // The beacon's frame is the last one; its closing FEND moves 1 MB on.
    capture.insert(capture.size() - 1, std::string(1 << 20, '\x5A'));
    Read r;
    ReadInto(r, CaptureKind::Kiss, dir.Write("huge.kss", capture));
    ASSERT_TRUE(r.result.Ok);
    EXPECT_EQ(r.m.RecordCount, 1);
    ASSERT_EQ(r.host.dump.size(), 1u);
    // The dump line lists every byte of the frame: three characters each.
    EXPECT_GT(r.host.dump[0].size(), 3u << 20);
}
