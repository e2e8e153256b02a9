// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/capturereaders.h"
#include "input/dispatch.h"
#include "testsupport.h"
#include "tools/frameencoders.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr char FEND = '\xC0';

// An unescaped frame: header of headerSat, satellite byte, kind, payload.
std::string DataFrame(int headerSat, int satByte, int kind, std::size_t length = 111)
{
    const PacketHeader& h = BuiltInSatelliteOf(headerSat).Header;
    std::string f(h.begin(), h.end());
    f.push_back('\x00');                     // position 18
    f.push_back(static_cast<char>(satByte)); // 19
    f.push_back(static_cast<char>(kind));    // 20
    f.push_back('\x00');                     // 21
    while (f.size() < length)
        f.push_back(static_cast<char>(f.size() & 0x3F));
    f.resize(length);
    return f;
}

ByteSpan AsBytes(const std::string& s) { return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()}; }

std::string Framed(const std::string& frame) { return FEND + frame + FEND; }
std::string TimeFrame(const std::string& time) { return Framed('\x09' + time); }

struct KissRead {
    Module1 m;
    RecordingHost host;
    ReadResult result;
};

void Read(KissRead& r, TempDir& dir, const std::string& bytes)
{
    r.result = ReadKissFile(r.m, r.host, dir.Write("capture.kss", bytes));
}

} // namespace

TEST(KissReader, TimeFrameThenDataFrameMakesOneRecord)
{
    TempDir dir;
    KissRead r;
    const std::string frame = DataFrame(1, 1, 1);
    Read(r, dir, TimeFrame("2016-03-17 10:15:00 UTC") + Framed(frame));
    ASSERT_TRUE(r.result.Ok);
    EXPECT_EQ(r.m.RecordCount, 1);
    EXPECT_EQ(r.m.Packet2Count, 0);
    EXPECT_EQ(r.m.Table.Packet1Time(1), "2016-03-17 10:15:00 UTC");
    ASSERT_EQ(r.host.dump.size(), 1u);
    EXPECT_EQ(r.host.dump[0].substr(0, 51), "00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 ");
    EXPECT_EQ(r.host.dump[0].size(), frame.size() * 3);
    EXPECT_EQ(r.host.refreshes, 1);
    EXPECT_EQ(r.host.busyChanges, (std::vector<bool>{true, false}));
    EXPECT_FALSE(r.m.ShowTimeSpan);
}

TEST(KissReader, SatelliteByteDecidesWhichSatelliteAFrameIsFor)
{
    TempDir dir;
    KissRead other;
    other.m.SatelliteNumber = 2;
    Read(other, dir, Framed(DataFrame(1, 1, 1)));
    EXPECT_EQ(other.m.RecordCount, 0);
    EXPECT_TRUE(other.host.dump.empty());

    // The second satellite's header with satellite byte 1 is stored for the first.
    KissRead first;
    Read(first, dir, Framed(DataFrame(2, 1, 1)) + Framed(DataFrame(2, 1, 2, 123)));
    EXPECT_EQ(first.m.RecordCount, 1);
    EXPECT_EQ(first.m.Packet2Count, 1);
}

TEST(KissReader, DropsForeignHeadersShortFramesAndUnknownKinds)
{
    TempDir dir;
    KissRead r;
    std::string foreign = DataFrame(1, 1, 1);
    foreign[3] = 'X';
    std::string shortFrame = DataFrame(1, 1, 1).substr(0, 16);
    std::string noKind = DataFrame(1, 1, 1).substr(0, 19); // header and satellite byte only
    Read(r, dir,
        Framed(foreign) + Framed(shortFrame) + Framed(noKind) + Framed(DataFrame(1, 1, 3)) + Framed(DataFrame(1, 1, 0))
            + Framed(std::string(1, '\x05') + DataFrame(1, 1, 1).substr(1)));
    EXPECT_EQ(r.m.RecordCount, 0);
    EXPECT_EQ(r.m.Packet2Count, 0);
    EXPECT_TRUE(r.host.dump.empty());
}

TEST(KissReader, EveryFendEndsOneFrameAndStartsTheNext)
{
    TempDir dir;
    KissRead r;
    const std::string a = DataFrame(1, 1, 1);
    const std::string b = DataFrame(1, 1, 2, 123);
    const std::string c = DataFrame(1, 1, 1);
    // Stray bytes before the first FEND, frames sharing FENDs, an empty frame.
    Read(r, dir, "junk" + std::string(1, FEND) + a + FEND + b + FEND + FEND + FEND + c + FEND);
    EXPECT_EQ(r.m.RecordCount, 2);
    EXPECT_EQ(r.m.Packet2Count, 1);
    EXPECT_EQ(r.host.dump.size(), 3u);
}

TEST(KissReader, FileEndingInsideAFrameKeepsAllItsBytes)
{
    TempDir dir;
    KissRead r;
    std::string frame = DataFrame(1, 1, 1);
    frame[110] = '\x7F'; // last byte: the high byte of "Temp SP4"
    Read(r, dir, FEND + frame);
    ASSERT_EQ(r.m.RecordCount, 1);
    EXPECT_EQ(r.m.FrameBuffer[111], 0x7F);
    EXPECT_EQ(r.host.dump[0].size(), 111u * 3);
}

TEST(KissReader, EscapesAreUndone)
{
    TempDir dir;
    KissRead r;
    // Bytes 22 to 24 of the frame escaped: FESC TFEND, FESC TFESC, FESC TFESC TFEND.
    std::string escaped = DataFrame(1, 1, 1).substr(0, 21) + "\xDB\xDC" + "\xDB\xDD" + "\xDB\xDD\xDC" + "\xDB";
    Read(r, dir, Framed(escaped));
    ASSERT_EQ(r.m.RecordCount, 1);
    EXPECT_EQ(r.m.FrameBuffer[22], 0xC0);
    EXPECT_EQ(r.m.FrameBuffer[23], 0xDB);
    EXPECT_EQ(r.m.FrameBuffer[24], 0xDB);
    EXPECT_EQ(r.m.FrameBuffer[25], 0xDC);
    EXPECT_EQ(r.m.FrameBuffer[26], 0xDB); // a lone FESC stands for itself
    EXPECT_EQ(r.m.Table.Record(1).Values[0], 0xC0);
}

TEST(KissReader, EscapesAreUndoneWhereverTheyFallInAManyChunkCapture)
{
    // 40,000 frames (over 4 MiB) of varying lengths, so that frames, escapes
    // and FENDs fall on every side of the 1 MiB chunk ends; each has FEND or
    // FESC bytes to escape at random places, or none, and a lone FESC in some.
    TempDir dir;
    KissRead r;
    std::mt19937 random(11);
    std::string bytes;
    std::vector<std::string> frames;
    std::int64_t lone = 0;
    for (int i = 0; i < 40000; ++i) {
        std::string frame = DataFrame(1, 1, 1 + i % 2, 100 + random() % 24);
        for (int k = static_cast<int>(random() % 4); k > 0; --k)
            frame[21 + random() % (frame.size() - 21)] = random() % 2 ? '\xC0' : '\xDB';
        std::string escaped;
        AppendKissFrame(escaped, AsBytes(frame));
        if (random() % 50 == 0) { // a lone FESC before the closing FEND stands for itself
            escaped.insert(escaped.end() - 1, '\xDB');
            frame.push_back('\xDB');
            ++lone;
        }
        bytes += escaped;
        frames.push_back(frame);
    }
    Read(r, dir, bytes);
    ASSERT_EQ(r.m.RecordCount + r.m.Packet2Count, 40000);
    EXPECT_EQ(r.m.Import.BadEscapes, lone);
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(r.host.dump[i], HexSpaced(AsBytes(frames[i]))) << "frame " << i;
}

TEST(KissReader, ShortFrameNeverDecodesAnEarlierFramesBytes)
{
    TempDir dir;
    KissRead r;
    std::string longFrame = DataFrame(1, 1, 1);
    for (std::size_t i = 21; i < longFrame.size(); ++i)
        longFrame[i] = '\x55';
    const std::string shortFrame = DataFrame(1, 1, 1, 30);
    Read(r, dir, Framed(longFrame) + Framed(shortFrame));
    ASSERT_EQ(r.m.RecordCount, 2);
    EXPECT_NE(r.m.Table.Record(1).Values[45], 0.0);
    EXPECT_EQ(r.m.Table.Record(2).Values[45], 0.0);
    EXPECT_EQ(r.m.Table.Record(2).Values[21], 0.0);
}

TEST(KissReader, TimeTextLastsUntilTheNextTimeFrameAndIntoTheNextFile)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    const std::string first = dir.Write("a.kss",
        Framed(DataFrame(1, 1, 1)) + TimeFrame("T1") + Framed(DataFrame(1, 1, 1)) + Framed(DataFrame(1, 1, 1)));
    const std::string second
        = dir.Write("b.kss", Framed(DataFrame(1, 1, 1)) + TimeFrame("T2") + Framed(DataFrame(1, 1, 1)));
    ASSERT_TRUE(ReadKissFile(m, host, first).Ok);
    ASSERT_TRUE(ReadKissFile(m, host, second).Ok);
    EXPECT_EQ(m.RecordCount, 5);
    EXPECT_EQ(m.Table.Packet1Time(1), "");
    EXPECT_EQ(m.Table.Packet1Time(2), "T1");
    EXPECT_EQ(m.Table.Packet1Time(3), "T1");
    EXPECT_EQ(m.Table.Packet1Time(4), "T1");
    EXPECT_EQ(m.Table.Packet1Time(5), "T2");
}

TEST(KissReader, FrameLongerThanTheBufferIsCutThereButDumpedWhole)
{
    TempDir dir;
    KissRead r;
    std::string big = DataFrame(1, 1, 2, 600);
    big[511] = '\x42';
    Read(r, dir, Framed(big) + Framed('\x09' + std::string(700, 'x')));
    ASSERT_EQ(r.m.Packet2Count, 1);
    EXPECT_EQ(r.host.dump[0].size(), 600u * 3);
    EXPECT_EQ(r.m.FrameTimeText.size(), 511u); // bytes 2 to 512 of the time frame
}

TEST(KissReader, MissingFileOrFolderIsReportedAndChangesNothing)
{
    TempDir dir;
    KissRead r;
    r.m.RecordCount = 4;
    r.result = ReadKissFile(r.m, r.host, dir.File("nothing.kss"));
    EXPECT_FALSE(r.result.Ok);
    EXPECT_EQ(r.result.Message.rfind("cannot open " + dir.File("nothing.kss") + ": ", 0), 0u) << r.result.Message;
    EXPECT_EQ(r.m.RecordCount, 4);
    EXPECT_EQ(r.host.refreshes, 0);

    r.result = ReadKissFile(r.m, r.host, dir.Path().string());
    EXPECT_FALSE(r.result.Ok);
    EXPECT_NE(r.result.Message.find("folder"), std::string::npos);
}

TEST(KissReader, EmptyAndGarbageFilesStoreNothing)
{
    TempDir dir;
    KissRead empty;
    Read(empty, dir, "");
    EXPECT_TRUE(empty.result.Ok);
    EXPECT_EQ(empty.host.refreshes, 1);

    KissRead garbage;
    std::string noise;
    for (int i = 0; i < 200000; ++i)
        noise.push_back(static_cast<char>((i * 7919) >> 3));
    Read(garbage, dir, noise);
    EXPECT_TRUE(garbage.result.Ok);
    EXPECT_EQ(garbage.m.RecordCount, 0);
}
