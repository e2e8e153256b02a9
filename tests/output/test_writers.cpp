// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/csvfile.h"
#include "output/influxlines.h"
#include "output/jsonlines.h"
#include "output/outputfile.h"
#include "output/storedlines.h"
#include "output/tlmreport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// Stores a packet of kind as record n: all zero but the given frame positions.
void StorePacketWith(Module1& m, int kind, std::int64_t n, std::initializer_list<std::pair<int, std::uint8_t>> bytes)
{
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(PacketWidth(kind)));
    for (const auto& [position, value] : bytes)
        packet[static_cast<std::size_t>(position - PacketFirstByte)] = value;
    m.Table.StorePacket(kind, n, packet.data(), {}, "");
}

} // namespace

TEST(CsvWriter, HeaderAndOneLinePerRecordOfEitherKind)
{
    Module1 m;
    m.RecordCount = 2;
    m.Packet2Count = 5;
    StorePacketWith(m, 1, 1, {{48, 1}});                // field 12: 1 * -0.2959 + 190
    StorePacketWith(m, 2, 5, {{94, 0xFF}, {95, 0xFF}}); // field 86: -1
    StringSink out;
    WriteCsv(out, m, ",");
    const auto lines = Lines(out.Text);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].substr(0, 20), "OPS mode;Boot cnt;Pa");
    EXPECT_NE(lines[0].find(";Temp SP4;Option1;Option1;Option1;Option1;OPS mode;"), std::string::npos);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 9), "CPU temp;");
    auto values = [&](std::size_t line) {
        std::vector<std::string> cells;
        std::istringstream in(lines[line]);
        for (std::string cell; std::getline(in, cell, ';');)
            cells.push_back(cell);
        return cells;
    };
    EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), ';'), 105);
    const auto first = values(1);
    EXPECT_EQ(first[0], "0,00");
    EXPECT_EQ(first[12], "189,70");
    EXPECT_EQ(first[60], "0,00"); // no packet of the second kind
    EXPECT_EQ(values(2), std::vector<std::string>(105, "0,00"));
    const auto fifth = values(5);
    EXPECT_EQ(fifth[12], "0,00");
    EXPECT_EQ(fifth[60], "191,97");
    EXPECT_EQ(fifth[86], "-1,00");
}

TEST(CsvWriter, NoRecordsGiveTheHeaderOnly)
{
    Module1 m;
    StringSink out;
    WriteCsv(out, m, ".");
    EXPECT_EQ(Lines(out.Text).size(), 1u);
}

TEST(TlmWriter, FiftyFiveLinesOfPaddedPairs)
{
    Module1 m;
    // Field 0 = 2, field 5 = 254100 (0x0003E094).
    StorePacketWith(m, 1, 1, {{22, 2}, {29, 0x94}, {30, 0xE0}, {31, 0x03}});
    FieldRowTexts rows = CatalogueRowTexts(m, 1, ".");
    rows.Value[2] = "123456789012"; // longer than its column
    StringSink out;
    WriteTlm(out, m, 1, ".", &rows);
    const auto lines = Lines(out.Text);
    ASSERT_EQ(lines.size(), 55u);
    EXPECT_EQ(lines[0], "Norvane Telemetry Decoder");
    EXPECT_EQ(lines[1], std::string(52, '='));
    EXPECT_EQ(lines[2], "");
    const std::string blanks(20, ' ');
    EXPECT_EQ(lines[3],
        "OPS mode" + blanks.substr(8) + "norm" + blanks.substr(4 + 10) + blanks.substr(10) + " |  " + "Boot cnt"
            + blanks.substr(8) + "0" + blanks.substr(11) + blanks.substr(12));
    EXPECT_EQ(lines[3].size(), 82u);
    EXPECT_EQ(lines[4].size(), 84u);
    EXPECT_EQ(lines[4].substr(42, 4), " |  ");
    EXPECT_EQ(lines[5].substr(64), "254100    s       ");
    EXPECT_EQ(lines[5].size(), 82u);
    EXPECT_EQ(lines[26].substr(0, 20), "Option1             ");  // fields 46 and 47
    EXPECT_EQ(lines[54].substr(44, 20), "RS temp             "); // the last pair is (102, 103)
}

TEST(TlmWriter, PadRightNeverCuts)
{
    EXPECT_EQ(PadRight("", 20), std::string(20, ' '));
    EXPECT_EQ(PadRight(std::string(25, 'x'), 20), std::string(25, 'x'));
    EXPECT_EQ(PadRight("ab", 4), "ab  ");
}

TEST(OutputNames, CutTheFileNameAtItsFirstDot)
{
    EXPECT_EQ(OutputFileName("/data/my.data/pass.kss", ".csv"), "/data/my.data/pass.csv");
    EXPECT_EQ(OutputFileName("/data/pass.2016.kss", ".tlm"), "/data/pass.tlm");
    EXPECT_EQ(OutputFileName("/data/pass", ".csv"), "/data/pass.csv");
    EXPECT_EQ(OutputFileName("pass 12.kss", ".csv"), "pass 12.csv");
    EXPECT_EQ(OutputFileName("/data.d/.hidden", ".csv"), "/data.d/.csv");
}

TEST(OutputNames, PicturesReplaceTheLastExtensionAndNeverTheFolder)
{
    EXPECT_EQ(PictureFileName("/pics/", "/kss/pass12.kss", ".bmp"), "/pics/nv_pass12.bmp");
    EXPECT_EQ(PictureFileName("/pics.kss/", "/data/pass.log", ".png"), "/pics.kss/nv_pass.png");
    EXPECT_EQ(PictureFileName("/pics/", "/data/pass.2016.kss", ".bmp"), "/pics/nv_pass.2016.bmp");
    EXPECT_EQ(PictureFileName("/pics/", "/my.data/pass", ".bmp"), "/pics/nv_pass.bmp");
    EXPECT_EQ(PictureFileName("/pics/", "/data/.hidden", ".bmp"), "/pics/nv_.hidden.bmp");
    EXPECT_EQ(PictureFileName("/pics/", "", ".bmp"), "/pics/nv_.bmp");
    EXPECT_EQ(PictureFileName("/pics/", "", ".png"), "/pics/nv_.png");
}

TEST(AtomicFile, ReplacesTheTargetOnlyWhenEverythingIsWritten)
{
    TempDir dir;
    const std::string target = dir.Write("out.csv", "old");
    const WriteResult ok = WriteOutputFile(target, [](TextSink& s) { s.Write("new"); });
    EXPECT_TRUE(ok.Ok);
    EXPECT_EQ(ok.Message, target + " has been written");
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    const std::string elsewhere = dir.File("no-such-folder/out.csv");
    const WriteResult failed = WriteOutputFile(elsewhere, [](TextSink& s) { s.Write("x"); });
    EXPECT_FALSE(failed.Ok);
    EXPECT_EQ(failed.Message.rfind(elsewhere + " could not be written: ", 0), 0u) << failed.Message;

    const WriteResult folder = WriteOutputFile(dir.Path().string(), [](TextSink& s) { s.Write("x"); });
    EXPECT_FALSE(folder.Ok);
}

TEST(AtomicFile, FullDiskIsReportedAndTheDeviceStays)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    const WriteResult r = WriteOutputFile("/dev/full", [](TextSink& s) { s.Write(std::string(100000, 'x')); });
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Message.find("/dev/full could not be written: "), std::string::npos) << r.Message;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(AtomicFile, TruncateStartsTheFileAfresh)
{
    TempDir dir;
    AtomicFile f(dir.File("dump.txt"));
    ASSERT_TRUE(f.Open());
    f.Write("first file\r\n");
    f.Truncate();
    f.Write("second\r\n");
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(ReadFileBytes(dir.File("dump.txt")), "second\r\n");
}

TEST(TimeOutputs, ShortestNumbersReadBackAsTheSameDouble)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    for (int i = 0; i < 100000; ++i) {
        const double value
            = i % 2 ? spread(random) : std::ldexp(spread(random), static_cast<int>(random() % 200) - 100);
        std::string text;
        AppendShortest(text, value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    }
    std::string text;
    for (const double value : {0.1, 7800.0, -105.9})
        AppendShortest(text.append(" "), value);
    EXPECT_EQ(text, " 0.1 7800 -105.9");
}

namespace {

// Stores an all-zero packet of kind as the next of its kind, at offset.
void StoreNext(Module1& m, int kind, std::uint64_t offset)
{
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(PacketWidth(kind)));
    const std::int64_t n = kind == 1 ? ++m.RecordCount : ++m.Packet2Count;
    m.Table.StorePacket(kind, n, packet.data(), PacketInfo{.Offset = offset}, "");
}

std::vector<std::pair<int, std::int64_t>> Walk(StoredOrder& order)
{
    std::vector<std::pair<int, std::int64_t>> met;
    int kind = 0;
    std::int64_t n = 0;
    while (order.Next(kind, n))
        met.emplace_back(kind, n);
    return met;
}

} // namespace

// Live reception walks the store as it grows: a walk that has passed the end
// meets the packets stored since, by their place, and none twice.
TEST(StoredOrder, MeetsWhatIsStoredAfterItPassedTheEnd)
{
    using Met = std::vector<std::pair<int, std::int64_t>>;
    Module1 m;
    StoredOrder order(m);
    EXPECT_EQ(Walk(order), Met{});
    StoreNext(m, 1, 10);
    StoreNext(m, 2, 5);
    EXPECT_EQ(Walk(order), (Met{{2, 1}, {1, 1}}));
    StoreNext(m, 2, 20);
    StoreNext(m, 1, 30);
    StoreNext(m, 2, 40);
    EXPECT_EQ(Walk(order), (Met{{2, 2}, {1, 2}, {2, 3}}));
    EXPECT_EQ(Walk(order), Met{});

    // The whole run's lines are the lines made one at a time in that order.
    StringSink whole;
    WriteJsonl(whole, m);
    std::string one;
    StoredOrder again(m);
    const auto lines = MakeJsonLines(m);
    for (const auto& [kind, n] : Walk(again))
        lines->Append(one, kind, n);
    EXPECT_EQ(whole.Text, one);
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 5);
}
