// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a capture's kind from its first bytes, the import summary of every
// file read, and stopping a selection part-way.

#include "input/detect.h"
#include "input/dispatch.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

#include <random>

namespace {

GeneratedCapture Generate(CaptureKind kind, std::int64_t packets = 40, int satellite = 1, bool crlf = false)
{
    CaptureOptions o;
    o.Kind = kind;
    o.Packets = packets;
    o.Satellite = satellite;
    o.CrLf = crlf;
    return GenerateCapture(o);
}

ImportSummary ReadOne(std::optional<CaptureKind> kind, const std::string& path, int satellite = 1)
{
    Module1 m;
    m.SatelliteNumber = satellite;
    RecordingHost host;
    ReadSelection(kind, m, host, {path});
    EXPECT_EQ(m.Imports.size(), 1u);
    return m.Imports.empty() ? ImportSummary{} : m.Imports.front();
}

} // namespace

TEST(Detection, EveryGeneratedKindWholeAndCutShort)
{
    for (const CaptureKind kind : AllCaptureKinds(true))
        for (const int satellite : {1, 2})
            for (const bool crlf : {false, true}) {
                const std::string bytes = Generate(kind, 40, satellite, crlf).Bytes;
                EXPECT_EQ(DetectCaptureKind(bytes).Kind, kind) << CaptureKindName(kind);
                // A file cut off in its first line or two: an export whose
                // frames show nothing raw yet is told by its name.
                const char* name = kind == CaptureKind::Satnogs ? "cut.csv" : "cut.log";
                EXPECT_EQ(DetectCaptureKind(bytes.substr(0, 150), name).Kind, kind) << CaptureKindName(kind);
            }
}

TEST(Detection, TheSamples)
{
    const std::pair<const char*, CaptureKind> samples[]
        = {{"qb50p1-pass.kss", CaptureKind::Kiss}, {"qb50p1-pass.log", CaptureKind::Log},
            {"qb50p2-server.log", CaptureKind::ServerLog}, {"qb50p2-capture.txt", CaptureKind::Text}};
    for (const auto& [name, kind] : samples)
        EXPECT_EQ(DetectCaptureFile(std::string(NORVANE_SAMPLES_DIR "/") + name).Kind, kind) << name;
}

TEST(Detection, NoisyLinesAreOutvoted)
{
    for (const CaptureKind kind : {CaptureKind::Log, CaptureKind::ServerLog, CaptureKind::Text}) {
        std::string bytes = "# recorded at the club station\nreceiver restarted\n\n" + Generate(kind, 10).Bytes;
        bytes.insert(bytes.size() / 2, "\n*** squelch ***\n");
        EXPECT_EQ(DetectCaptureKind(bytes).Kind, kind) << CaptureKindName(kind);
    }
}

TEST(Detection, FilesOfNoKindSayWhy)
{
    EXPECT_EQ(DetectCaptureKind("").Reason, "the file is empty");
    EXPECT_EQ(DetectCaptureKind("\n  \r\n").Reason, "the file holds only blank lines");

    const Detection prose = DetectCaptureKind("Dear station operator,\nplease find the pass attached.\n");
    EXPECT_FALSE(prose.Kind);
    EXPECT_EQ(prose.Reason, "no KISS framing, and 2 of its 2 lines are of no capture kind");

    std::mt19937 random(5);
    std::string noise(20000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() % 0xC0); // no FEND
    EXPECT_FALSE(DetectCaptureKind(noise).Kind);
    // FENDs that frame nothing a station writes.
    EXPECT_NE(DetectCaptureKind("\xC0\x41\x42\xC0").Reason.find("no KISS frame of type 0 or 9"), std::string::npos);

    TempDir dir;
    EXPECT_EQ(DetectCaptureFile(dir.Path().string()).Reason,
        "cannot open " + dir.Path().string() + ": it is a folder, not a file");
    EXPECT_EQ(
        DetectCaptureFile(dir.File("gone")).Reason, "cannot open " + dir.File("gone") + ": No such file or directory");
}

TEST(Detection, LooksAtTheFirst64KiBOnly)
{
    TempDir dir;
    std::string log = Generate(CaptureKind::Log, 400).Bytes;
    ASSERT_GT(log.size(), DetectionBytes);
    std::string prose;
    while (prose.size() < DetectionBytes + 100)
        prose += "nothing to see here, only words\n";
    EXPECT_EQ(DetectCaptureFile(dir.Write("log-then-prose", log + prose)).Kind, CaptureKind::Log);
    EXPECT_FALSE(DetectCaptureFile(dir.Write("prose-then-log", prose + log)).Kind);
}

TEST(ImportSummaries, CountWhatTheGeneratorMeantToBeDropped)
{
    TempDir dir;
    for (const CaptureKind kind : AllCaptureKinds()) {
        const GeneratedCapture g = Generate(kind, 300);
        const ImportSummary s = ReadOne(kind, dir.Write("capture", g.Bytes));
        SCOPED_TRACE(CaptureKindName(kind));
        EXPECT_EQ(s.Kind, CaptureKindName(kind));
        EXPECT_EQ(s.Stored1, g.Packet1);
        EXPECT_EQ(s.Stored2, g.Packet2);
        EXPECT_EQ(s.BadEscapes + s.BadHexPairs + s.NotOfKind, 0);
        switch (kind) {
        case CaptureKind::Kiss:
            // Each beacon after a time frame; the foreign station's frame and
            // the stray bytes at the end.
            EXPECT_EQ(s.OtherHeader, 1);
            EXPECT_EQ(s.TooShort, 1);
            EXPECT_EQ(s.OtherSatellite, g.Dropped - 1);
            EXPECT_EQ(s.TimeUnits, g.Packet1 + g.Packet2 + s.OtherSatellite);
            EXPECT_EQ(s.Units, 2 * s.TimeUnits + 2);
            break;
        case CaptureKind::ServerLog:
        case CaptureKind::Satnogs:
            EXPECT_EQ(s.OtherSatellite, g.Dropped);
            EXPECT_EQ(s.Units, g.Packet1 + g.Packet2 + g.Dropped);
            break;
        case CaptureKind::Log:
        case CaptureKind::Text:
            EXPECT_EQ(s.OtherKind, g.Dropped);
            EXPECT_EQ(s.Units, (g.Packet1 + g.Packet2 + g.Dropped) * (kind == CaptureKind::Text ? 2 : 1));
            break;
        case CaptureKind::Audio:
            // Every frame heard: the other satellite's and a foreign station's too.
            EXPECT_EQ(s.OtherSatellite, g.Dropped - 1);
            EXPECT_EQ(s.OtherHeader, 1);
            EXPECT_EQ(s.Units, g.Packet1 + g.Packet2 + g.Dropped);
            EXPECT_EQ(s.BadFcs, 0);
            break;
        }
    }
}

TEST(ImportSummaries, FlawsAndLinesOfNoKind)
{
    TempDir dir;
    const PacketHeader& p1 = BuiltInSatelliteOf(1).Header;
    const std::string header(reinterpret_cast<const char*>(p1.data()), p1.size());
    // A stored frame with a lone FESC in it, and a frame of 18 bytes.
    const std::string kiss = "\xC0" + header + std::string("\x00\x01\x01\xDB\x41", 5) + std::string(100, '\x01')
        + "\xC0" + header + std::string("\x00\xC0", 2);
    ImportSummary s = ReadOne(CaptureKind::Kiss, dir.Write("k.kss", kiss));
    EXPECT_EQ(s.BadEscapes, 1);
    EXPECT_EQ(s.TooShort, 1);
    EXPECT_EQ(s.Stored1, 1);

    const std::string log = "10:15:00 00 01 01 ZZ 05\r\n"
                            "no clock 00 01 02 00\n"
                            "10:15:01 00 01\n"
                            "10:15:02 00 01 02 0\n";
    s = ReadOne(CaptureKind::Log, dir.Write("l.log", log));
    EXPECT_EQ(s.Units, 4);
    EXPECT_EQ(s.NotOfKind, 1);
    EXPECT_EQ(s.TooShort, 1);
    EXPECT_EQ(s.BadHexPairs, 2); // "ZZ" and the lone "0"
    EXPECT_EQ(s.Stored1, 1);
    EXPECT_EQ(s.Stored2, 2);

    const std::string text = "[2016-03-17 10:15:00] beacon\r\nstation log follows\r\n00 01 01 00 G7 00\r\n";
    s = ReadOne(CaptureKind::Text, dir.Write("t.txt", text));
    EXPECT_EQ(s.TimeUnits, 1);
    EXPECT_EQ(s.NotOfKind, 1);
    EXPECT_EQ(s.BadHexPairs, 1);
    EXPECT_EQ(s.Stored1, 1);

    const std::string server = "2016-03-17 10:15:00\n2016-03-17 10:15:01 A2846A60A06200A2846A60A0620003F00001\n"
                               "2016-03-17 10:15:02 A2846A60A06600A2846A60A0660003F000010100000000\n";
    s = ReadOne(CaptureKind::ServerLog, dir.Write("s.log", server));
    EXPECT_EQ(s.NotOfKind, 1);
    EXPECT_EQ(s.TooShort, 1);
    EXPECT_EQ(s.OtherHeader, 1);

    EXPECT_EQ(SummaryLine(s),
        dir.File("s.log")
            + ": serverlog, 3 lines, stored 0 of kind 1 and 0 of kind 2, dropped: 1 too short, "
              "1 other header, 1 not of the file's kind");
}

TEST(ImportSummaries, AnyKindReadsEachFileWithItsReader)
{
    TempDir dir;
    std::vector<std::string> paths;
    std::int64_t records = 0;
    const std::vector<CaptureKind> kinds = AllCaptureKinds(true);
    for (const CaptureKind kind : kinds) {
        const GeneratedCapture g = Generate(kind, 20);
        records += g.Packet1;
        paths.push_back(dir.Write(std::string("capture-") + CaptureKindName(kind), g.Bytes));
    }
    paths.push_back(dir.Write("notes.txt", "not a capture\n"));
    paths.push_back(dir.File("gone.kss"));
    Module1 m;
    RecordingHost host;
    const auto failures = ReadSelection(std::nullopt, m, host, paths);
    const std::size_t n = kinds.size();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1].Message, "cannot open " + paths[n + 1] + ": No such file or directory");
    EXPECT_EQ(failures[0].Message,
        "cannot read " + paths[n]
            + ": not a capture of a known kind (no KISS framing, and 1 of its 1 lines are of no capture kind)");
    ASSERT_EQ(m.Imports.size(), n + 2);
    for (std::size_t i = 0; i < n; ++i)
        EXPECT_EQ(m.Imports[i].Kind, CaptureKindName(kinds[i]));
    EXPECT_EQ(m.Imports[n].Error, failures[0].Message);
    EXPECT_EQ(m.RecordCount, records);
}

TEST(ImportSummaries, CancelStopsTheFileAndTheSelection)
{
    struct CancellingHost : RecordingHost {
        bool CancelRequested() override { return refreshes == 0 && ++asked > 1; }
        int asked = 0;
    } host;
    TempDir dir;
    const std::string big = dir.Write("big.kss", Generate(CaptureKind::Kiss, 100000).Bytes);
    const std::string next = dir.Write("next.kss", Generate(CaptureKind::Kiss, 4).Bytes);
    Module1 m;
    ReadSelection(CaptureKind::Kiss, m, host, {big, next});
    ASSERT_EQ(m.Imports.size(), 1u);
    EXPECT_TRUE(m.Imports[0].Cancelled);
    EXPECT_GT(m.RecordCount, 0);
    EXPECT_LT(m.RecordCount, 50000);
    EXPECT_EQ(host.refreshes, 1); // the view shows what was read
    EXPECT_EQ(host.files.size(), 1u);
}
