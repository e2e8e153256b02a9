// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/capturereaders.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

// Blank-separated hex pairs of an information field: position 18, satellite
// byte, packet kind, position 21, then the given field bytes from position 22.
std::string SpacedPacket(int sat, int kind, std::initializer_list<int> fields = {}, char separator = ' ')
{
    std::string text;
    auto add = [&](int b) {
        static constexpr char digits[] = "0123456789ABCDEF";
        text.push_back(digits[(b >> 4) & 15]);
        text.push_back(digits[b & 15]);
        text.push_back(separator);
    };
    add(0);
    add(sat);
    add(kind);
    add(0);
    for (const int b : fields)
        add(b);
    return text;
}

const std::string ServerHeader1 = "A2846A60A06200A2846A60A0620003F0";
const std::string ServerHeader2 = "A2846A60A06400A2846A60A0640003F0";

} // namespace

TEST(LogReader, EveryPacketLineOfKindOneOrTwoIsStoredWhateverTheSatellite)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    const std::string path = dir.Write("pass.log",
        "10:15:00 " + SpacedPacket(1, 1, {2})
            + "\n"
              "10:15:10 "
            + SpacedPacket(2, 1, {0x82})
            + "\r\n" // another satellite, CR LF end
              "10:15:20 "
            + SpacedPacket(1, 2, {0x5a})
            + "\n"
              "10:15:30 "
            + SpacedPacket(1, 3)
            + "\n" // unknown kind
              "short\n"
              "\n");
    ASSERT_TRUE(ReadLogFile(m, host, path).Ok);
    EXPECT_EQ(m.RecordCount, 2);
    EXPECT_EQ(m.Packet2Count, 1);
    EXPECT_EQ(m.Table.Packet1Time(1), "10:15:00.000 UTC");
    EXPECT_EQ(m.Table.Packet1Time(2), "10:15:10.000 UTC");
    EXPECT_EQ(m.Table.Packet2Time(1), "10:15:20.000 UTC");
    EXPECT_EQ(m.Table.Record(2).Values[0], 0x82);
    EXPECT_EQ(m.Table.Record(1).Values[50], 0x5A);
    EXPECT_TRUE(host.dump.empty());
    EXPECT_EQ(host.refreshes, 1);
}

TEST(LogReader, LowerCaseHexAndALastLineWithoutLineEnd)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    std::string line = "10:15:00 " + SpacedPacket(1, 1, {0xAB, 0xCD});
    for (char& c : line)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_TRUE(ReadLogFile(m, host, dir.Write("pass.log", line)).Ok);
    ASSERT_EQ(m.RecordCount, 1);
    EXPECT_EQ(m.Table.Record(1).Values[0], 0xAB);
    EXPECT_EQ(m.Table.Record(1).Values[1], 0xCD);
}

TEST(LogReader, ShowTimeSpanIsLeftAsTheLastReaderSetIt)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    m.ShowTimeSpan = true;
    ASSERT_TRUE(ReadLogFile(m, host, dir.Write("pass.log", "")).Ok);
    EXPECT_TRUE(m.ShowTimeSpan);
    EXPECT_FALSE(ReadLogFile(m, host, dir.File("missing.log")).Ok);
}

TEST(ServerLogReader, StoresHeaderMatchesOfTheChosenSatelliteAndDumpsEveryLine)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    host.dump = {"from an earlier file"};
    const std::string packet1 = ServerHeader1 + "000101" + "00" + "02";
    const std::string other = ServerHeader1 + "000201" + "00" + "02";
    const std::string packet2 = ServerHeader2 + "000102" + "00" + "05";
    const std::string lower = "a2846a60a06200a2846a60a0620003f0"
                              "000101";
    const std::string path = dir.Write("server.log",
        "2016-03-17 10:15:00 " + packet1
            + "\r\n"
              "2016-03-17 10:15:10 "
            + other
            + "\n"
              "2016-03-17 10:15:20 "
            + packet2
            + "\n"
              "2016-03-17 10:15:30 "
            + lower
            + "\n"
              "2016-03-17 10:15:40 "
            + packet1); // no LF: still a line
    ASSERT_TRUE(ReadServerLogFile(m, host, path).Ok);
    EXPECT_EQ(m.RecordCount, 2);
    EXPECT_EQ(m.Packet2Count, 1);
    EXPECT_EQ(m.Table.Packet1Time(1), "2016-03-17 10:15:00");
    EXPECT_EQ(m.Table.Packet1Time(2), "2016-03-17 10:15:40");
    EXPECT_EQ(m.Table.Packet2Time(1), "2016-03-17 10:15:20");
    EXPECT_EQ(m.Table.Record(1).Values[0], 2);
    EXPECT_EQ(host.clears, 1);
    ASSERT_EQ(host.dump.size(), 5u);
    EXPECT_EQ(host.dump[0], packet1); // without the CR of its line end
    EXPECT_EQ(host.dump[3], lower);
    EXPECT_TRUE(m.ShowTimeSpan);
}

TEST(ServerLogReader, EscapesAreUndoneOnByteBoundariesOnly)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    const std::string path = dir.Write("server.log",
        "2016-03-17 10:15:00 " + ServerHeader1 + "000101" + "00" + "DBDC" + "DBDDDC"
            + "\n"
              "2016-03-17 10:15:00 "
            + "0DBDC0" + "\n");
    ASSERT_TRUE(ReadServerLogFile(m, host, path).Ok);
    ASSERT_EQ(m.RecordCount, 1);
    EXPECT_EQ(m.Table.Record(1).Values[0], 0xC0);
    EXPECT_EQ(m.Table.Record(1).Values[1], 0xDB + 0xDC * 256);
    EXPECT_EQ(host.dump[0], ServerHeader1 + "000101" + "00" + "C0" + "DBDC");
    EXPECT_EQ(host.dump[1], "0DBDC0"); // straddling pairs stay
}

TEST(ServerLogReader, EmptyTrailingPieceAndShortLines)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    const std::string path = dir.Write("server.log", "\n2016\nx\r\n\r");
    ASSERT_TRUE(ReadServerLogFile(m, host, path).Ok);
    EXPECT_EQ(host.dump, (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(m.RecordCount, 0);
}

TEST(TextReader, TimeLinesGiveTheTimeOfTheHexLinesAfterThem)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    const std::string path = dir.Write("capture.txt",
        SpacedPacket(1, 1, {1})
            + "\r\n" // before any time line
              "[2016-03-17 10:15:00] QB50p1\r\n"
            + SpacedPacket(2, 1, {2}) + "\r\n" + SpacedPacket(1, 1, {3})
            + "\r\n"
              "[2016-03-17 10:15:10]\r"
            + SpacedPacket(1, 2, {4})
            + "\n"           // CR and LF alone end lines too
              "00 01 01\r\n" // three bytes: no hex line
              "comment line\r\n");
    ASSERT_TRUE(ReadTextFile(m, host, path).Ok);
    EXPECT_EQ(m.RecordCount, 3);
    EXPECT_EQ(m.Packet2Count, 1);
    EXPECT_EQ(m.Table.Packet1Time(1), "");
    EXPECT_EQ(m.Table.Packet1Time(2), "10:15:00.000 UTC");
    EXPECT_EQ(m.Table.Packet1Time(3), "10:15:00.000 UTC");
    EXPECT_EQ(m.Table.Packet2Time(1), "10:15:10.000 UTC");
    EXPECT_EQ(m.Table.Record(2).Values[0], 2);
    EXPECT_EQ(m.Table.Record(1).Values[50], 4);
    EXPECT_TRUE(m.ShowTimeSpan);
    EXPECT_TRUE(host.dump.empty());
}

TEST(TextReader, LongHexLineFillsTheBufferToItsEnd)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    std::string line = SpacedPacket(1, 2);
    for (int i = 4; i < 600; ++i)
        line += "7E ";
    ASSERT_TRUE(ReadTextFile(m, host, dir.Write("capture.txt", line + "\r\n")).Ok);
    EXPECT_EQ(m.Packet2Count, 1);
    EXPECT_EQ(m.FrameBuffer[512], 0x7E);
}

TEST(LineReaders, ShortLineAfterALongOneLeavesNoStaleBytes)
{
    TempDir dir;
    Module1 m;
    RecordingHost host;
    std::string longLine = SpacedPacket(1, 1);
    for (int i = 0; i < 90; ++i)
        longLine += "55 ";
    const std::string path
        = dir.Write("pass.log", "10:00:00 " + longLine + "\n10:00:10 " + SpacedPacket(1, 1, {2}) + "\n");
    ASSERT_TRUE(ReadLogFile(m, host, path).Ok);
    ASSERT_EQ(m.RecordCount, 2);
    EXPECT_NE(m.Table.Record(1).Values[45], 0.0);
    EXPECT_EQ(m.Table.Record(2).Values[45], 0.0);
    EXPECT_EQ(m.Table.Record(2).Values[0], 2);
}
