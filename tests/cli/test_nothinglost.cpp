// SPDX-License-Identifier: GPL-3.0-or-later
// The command line at its edges: no output replaces a capture or a file the
// run reads, a replaced output keeps what the user set up, exports are read
// as exports, and no result is stated that the data does not hold.

#include "cli/decodecommand.h"
#include "cli/decoderun.h"
#include "input/detect.h"
#include "input/kissframes.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string Sample(const std::string& name) { return std::string(NORVANE_SAMPLES_DIR) + "/" + name; }

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(OutputGuard, NoOutputReplacesACaptureOrAFileTheRunReads)
{
    TempDir dir;
    const std::string kiss = ReadFileBytes(Sample("qb50p1-pass.kss"));
    const std::string a = dir.Write("a.kss", kiss);
    const std::string b = dir.Write("b.kss", kiss);
    const std::string csv = dir.Write("export.csv", ReadFileBytes(Sample("qb50p2-satnogs.csv")));
    fs::create_symlink(a, dir.File("link.tlm"));
    const struct {
        std::vector<std::string> Args;
        const char* Says;
    } cases[] = {
        // The file name forgotten after --csv: the first capture would go.
        {{"--csv", a, b}, "a.kss is a capture (kiss)"},
        {{"--csv", b, b}, "would replace a capture this run reads"},
        {{"--dump", dir.File("./b.kss"), b}, "would replace a capture this run reads"},
        {{"-s", "2", "--csv", csv, csv}, "would replace a capture this run reads"},
        // The same file by another name.
        {{"--tlm", dir.File("link.tlm"), b}, "is a capture (kiss)"},
        {{"--force", "--tlm", dir.File("link.tlm"), a}, "would replace a capture this run reads"},
        // An existing KISS capture is what a recording extends; nothing else is.
        {{"--kiss-tcp", "localhost:8001", "--record", csv}, "holds no KISS capture but a capture of kind satnogs"},
    };
    for (const auto& c : cases) {
        const DecodeRun r = Decode(c.Args);
        EXPECT_EQ(r.code, ExitUsage) << r.err.Text;
        EXPECT_NE(r.err.Text.find(c.Says), std::string::npos) << r.err.Text;
        EXPECT_NE(r.err.Text.find("Try 'norvane-decode --help'"), std::string::npos);
        EXPECT_TRUE(r.out.Text.empty());
        EXPECT_EQ(ReadFileBytes(a), kiss);
        EXPECT_EQ(ReadFileBytes(b), kiss);
    }
    // The way out the message names.
    EXPECT_NE(Decode({"--csv", a, b}).err.Text.find("give --force to replace it"), std::string::npos);
    const DecodeRun forced = Decode({"-q", "--force", "--csv", a, b});
    EXPECT_EQ(forced.code, ExitOk) << forced.err.Text;
    EXPECT_EQ(ReadFileBytes(a).rfind("OPS mode;", 0), 0u);
}

TEST(OutputGuard, AReplacedOutputKeepsItsLinkAndMode)
{
    TempDir dir;
    const std::string target = dir.Write("kept.csv", "an older CSV\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const std::string link = dir.File("latest.csv");
    fs::create_symlink("kept.csv", link);
    const DecodeRun r = Decode({"-q", "--csv", link, Sample("qb50p1-pass.kss")});
    ASSERT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(NORVANE_DECODE_CASES "/qb50p1-pass/expected.csv"));
    struct stat st { };
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2); // no temporary file
}

TEST(OutputGuard, UsageErrorsOfOutputsAndLiveOptions)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--csv", "x", "--jsonl", "x", "in.kss"},
             {"--csv", "x", "--jsonl", "./x", "in.kss"}, {"--csv", "-", "--jsonl", "-", "in.kss"},
             {"--dump", "-", "--influx", "-", "in.kss"}, {"--kiss-tcp", "localhost"}, {"--kiss-tcp", "localhost:0"},
             {"--kiss-tcp", "localhost:99999"}, {"--kiss-tcp", "localhost:80a"}, {"-f", "log", "--kiss-tcp", "h:8001"},
             {"--kiss-tcp", "h:8001", "--csv", "x", "--record", "x"}}) {
        const DecodeRun r = Decode(args);
        EXPECT_EQ(r.code, ExitUsage) << args[1] << r.err.Text;
        EXPECT_EQ(std::count(r.err.Text.begin(), r.err.Text.end(), '\n'), 3) << r.err.Text;
    }
}

TEST(ExportDetection, AnExportIsReadAsOneWhateverItsBytes)
{
    TempDir dir;
    // One frame's bytes hold DB DC, which a server log's reader would undo.
    const std::string text = ReadFileBytes(Sample("qb50p2-satnogs.csv"));
    ASSERT_NE(text.find("30E00300"), std::string::npos);
    const std::string edited = dir.Write("pass.txt", Replaced(text, "30E00300", "DBDC0000"));
    const DecodeRun asExport = Decode({"-q", "-s", "2", "-f", "satnogs", edited});
    const DecodeRun told = Decode({"-q", "-s", "2", edited});
    EXPECT_EQ(told.out.Text, asExport.out.Text);
    EXPECT_TRUE(told.err.Text.empty()) << told.err.Text;
    // Forced to read it as a server log, the values differ, and it says so.
    const DecodeRun forced = Decode({"-q", "-s", "2", "-f", "serverlog", edited});
    EXPECT_NE(forced.out.Text, asExport.out.Text);
    EXPECT_NE(forced.err.Text.find("warning: " + edited + " was read as a server log, but 20 frames hold a raw C0"),
        std::string::npos)
        << forced.err.Text;
    EXPECT_NE(forced.err.Text.find("-f satnogs"), std::string::npos);
    // Lower-case digits read as upper-case ones.
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c >= 'A' && c <= 'F' ? c + 32 : c; });
    const DecodeRun fromLower = Decode({"-q", "-s", "2", dir.Write("lower.txt", lower)});
    EXPECT_EQ(fromLower.out.Text, Decode({"-q", "-s", "2", Sample("qb50p2-satnogs.csv")}).out.Text);
}

TEST(ExportDetection, EvidenceFirstThenTheName)
{
    const std::string time = "2016-03-17 10:15:00|";
    const std::string plain = "A2846A60A06400A2846A60A0640003F000020100020C0000000000";
    const std::string escaped = "A2846A60A06400A2846A60A0640003F000020100020C00DBDC0000";
    const std::string raw = "A2846A60A06400A2846A60A0640003F000020100020C00DB000000";
    const struct {
        std::string Text;
        const char* Name;
        CaptureKind Kind;
    } cases[] = {
        {time + plain + "\n" + time + raw + "\n", "a.log", CaptureKind::Satnogs},
        {time + escaped + "\n" + time + raw + "\n", "a.log", CaptureKind::Satnogs},
        {time + plain + "\n" + time + escaped + "\n", "a.csv", CaptureKind::ServerLog},
        {time + plain + "\n", "a.csv", CaptureKind::Satnogs},
        {time + plain + "\n", "A.CSV", CaptureKind::Satnogs},
        {time + plain + "\n", "a.log", CaptureKind::ServerLog},
        {time + Replaced(plain, "A2", "a2") + "\n", "a.log", CaptureKind::Satnogs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectCaptureKind(c.Text, c.Name).Kind, c.Kind) << c.Text << c.Name;
}

TEST(InfluxLines, PacketsOfOneMillisecondGetTimestampsOfTheirOwn)
{
    TempDir dir;
    // Every packet of the export at the same second, and two files of it.
    std::string text = ReadFileBytes(Sample("qb50p2-satnogs.csv"));
    for (std::size_t at = 0; (at = text.find("2016-03-17 10:", at)) != std::string::npos; at += 19)
        text.replace(at + 11, 8, "10:15:00");
    const std::string path = dir.Write("same.csv", text);
    const DecodeRun r = Decode({"-q", "-s", "2", "--influx", "-", path, path});
    ASSERT_EQ(r.code, ExitOk) << r.err.Text;
    std::set<std::string> series;
    std::size_t lines = 0;
    for (std::size_t at = 0, eol; (eol = r.out.Text.find('\n', at)) != std::string::npos; at = eol + 1, ++lines) {
        const std::string line = r.out.Text.substr(at, eol - at);
        series.insert(line.substr(0, line.find(' ')) + line.substr(line.rfind(' ')));
    }
    EXPECT_EQ(lines, 80u); // of the export's 45 lines, 40 are QB50p2's beacons
    EXPECT_EQ(series.size(), lines);
    EXPECT_NE(r.out.Text.find(" 1458209700000000000\n"), std::string::npos);
    EXPECT_NE(r.out.Text.find(" 1458209700000000039\n"), std::string::npos);
    EXPECT_EQ(r.out.Text.find(" 1458209700000000040\n"), std::string::npos);
}

TEST(Reports, NoReportOfARecordThatDoesNotExist)
{
    TempDir dir;
    CaptureOptions options;
    options.Noise = false; // QB50p1's beacons alone
    const std::string capture = dir.Write("p1.kss", GenerateCapture(options).Bytes);
    for (const std::string record : {"1", "2"}) {
        const DecodeRun r = Decode({"-q", "-s", "2", "--tlm", dir.File("t.tlm"), "--record", record, capture});
        EXPECT_EQ(r.code, ExitFailure);
        EXPECT_NE(
            r.err.Text.find("record " + record + " does not exist: the captures hold 0 records"), std::string::npos)
            << r.err.Text;
        EXPECT_FALSE(fs::exists(dir.File("t.tlm")));
    }
}

TEST(Summary, TheTotalSpansTheEarliestToTheLatestTime)
{
    TempDir dir;
    const std::string text = ReadFileBytes(Sample("qb50p2-satnogs.csv"));
    const std::string later = dir.Write("later.csv", Replaced(text, "2016-03-17", "2016-03-18"));
    const std::string earlier = dir.Write("earlier.csv", Replaced(text, "2016-03-17", "2016-03-16"));
    const DecodeRun r = Decode({"--summary", "-s", "2", "--csv", dir.File("out"), later, earlier});
    EXPECT_NE(r.err.Text.find("total of 2 files: "), std::string::npos);
    EXPECT_NE(r.err.Text.find(", times 2016-03-16T10:15:00Z to 2016-03-18T10:21:30Z"), std::string::npos) << r.err.Text;
    // One of each: "1 record", "1 file".
    const std::string one = dir.Write("one.csv", text.substr(0, text.find('\n') + 1));
    EXPECT_NE(Decode({"-s", "2", "--csv", dir.File("one"), one})
                  .err.Text.find("1 record of packet kind 1, 0 of packet kind 2, from 1 file\n"),
        std::string::npos);
}

namespace {

// A satellite of three bytes: a counter, a float and a name.
const char* const SmallSat = R"(meta:
  id: "small\nsat"
  endian: le
doc: |
  :field count;n: count
  :field level: level
seq:
  - id: count
    type: u1
  - id: level
    type: f4
)";

} // namespace

TEST(OutputGuard, TheDescriptionIsAFileTheRunReads)
{
    TempDir dir;
    const std::string ksy = dir.Write("my.ksy", SmallSat);
    const std::string capture = Sample("qb50p1-pass.kss");
    for (const auto& args : std::vector<std::vector<std::string>>{{"-s", ksy, "--csv", ksy, capture},
             {"--force", "-s", ksy, "--jsonl", dir.File("./my.ksy"), capture},
             {"-s", ksy, "--kiss-tcp", "localhost:8001", "--jsonl", ksy}}) {
        const DecodeRun r = Decode(args);
        EXPECT_EQ(r.code, ExitUsage) << r.err.Text;
        EXPECT_NE(r.err.Text.find("would replace the description this run reads"), std::string::npos) << r.err.Text;
        EXPECT_EQ(ReadFileBytes(ksy), SmallSat);
    }
}

TEST(OutputGuard, StandardStreamsDevicesAndLinksAsTheyAre)
{
    TempDir dir;
    const std::string capture = Sample("qb50p1-pass.kss");
    const std::string csv = Decode({"-q", "--csv", "-", capture}).out.Text;
    // /dev/stdout and /dev/stderr are the streams themselves.
    DecodeRun r = Decode({"-q", "--csv", "/dev/stdout", "--jsonl", "/dev/stderr", capture});
    EXPECT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_EQ(r.out.Text, csv);
    EXPECT_EQ(r.err.Text.rfind("{\"record\":1,", 0), 0u) << r.err.Text.substr(0, 100);
    // Several outputs may be discarded.
    r = Decode({"-q", "--csv", "/dev/null", "--dump", "/dev/null", "--jsonl", "/dev/null", capture});
    EXPECT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_TRUE(r.out.Text.empty());
    // A link whose target is not there yet names that target.
    std::filesystem::create_symlink("target.csv", dir.File("link.csv"));
    const struct {
        std::vector<std::string> Args;
        const char* Says;
    } refused[] = {
        {{"--csv", "-", "--jsonl", "/dev/stdout", capture}, "both go to standard output"},
        {{"--csv", "/dev/stderr", "--dump", "/dev/fd/2", capture}, "both go to standard error"},
        {{"--csv", dir.File("link.csv"), "--jsonl", dir.File("target.csv"), capture}, "both name"},
    };
    for (const auto& c : refused) {
        r = Decode(c.Args);
        EXPECT_EQ(r.code, ExitUsage) << c.Args[1];
        EXPECT_NE(r.err.Text.find(c.Says), std::string::npos) << r.err.Text;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("target.csv")));
}

namespace {

// Standard output that a signal interrupts at its first line.
struct SignalledSink : TextSink {
    void Write(std::string_view text) override
    {
        if (Text.empty())
            std::raise(SIGINT);
        Text.append(text);
    }
    std::string Text;
};

} // namespace

TEST(OutputGuard, ASignalWhileTheOutputsAreWrittenLeavesEachWholeOrAbsent)
{
    TempDir dir;
    SignalledSink out;
    StringSink err;
    const std::string jsonl = dir.File("pass.jsonl");
    const int code = RunDecodeCommand(
        {"-q", "--csv", "-", "--dump", dir.File("dump.txt"), "--jsonl", jsonl, Sample("qb50p1-pass.kss")}, out, err,
        ".");
    EXPECT_EQ(code, 128 + SIGINT);
    EXPECT_NE(err.Text.find("stopped by a signal while writing"), std::string::npos) << err.Text;
    // Nothing after the signal, and no temporary file.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(DescribedOutputs, TextsThatHoldSeparatorsOrLineEndsKeepTheirColumnsAndLines)
{
    TempDir dir;
    const std::string ksy = dir.Write("small.ksy", SmallSat);
    // A level that is no number, between two that are.
    const std::string capture = dir.Write(
        "pass.csv", "2026-01-02 03:04:05|010000C841\n2026-01-02 03:04:06|020000C07F\n2026-01-02 03:04:07|0300002041\n");
    DecodeRun r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--csv", "-", capture});
    EXPECT_EQ(r.out.Text.substr(0, r.out.Text.find('\n') + 1), "Record;Time;\"count;n\";level;\r\n");
    r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--influx", "-", capture});
    // The line break of the satellite's name escaped as a blank; the level
    // that is no number left out of its point, not written as a string.
    EXPECT_EQ(r.out.Text,
        "norvane,satellite=small\\ sat count;n=1i,level=25 1767323045000000000\n"
        "norvane,satellite=small\\ sat count;n=2i 1767323046000000000\n"
        "norvane,satellite=small\\ sat count;n=3i,level=10 1767323047000000000\n");
    // A time text with the separator is quoted.
    std::string kiss;
    const std::string time = "2026-01-02;03:04:05";
    std::vector<std::uint8_t> timeFrame{9};
    timeFrame.insert(timeFrame.end(), time.begin(), time.end());
    AppendEscapedKissFrame(kiss, timeFrame);
    AppendEscapedKissFrame(kiss, std::vector<std::uint8_t>{0x00, 7, 0, 0, 0x80, 0x3F});
    r = Decode({"-q", "-s", ksy, "--csv", "-", dir.Write("pass.kss", kiss)});
    EXPECT_NE(r.out.Text.find("\r\n1;\"2026-01-02;03:04:05\";7;1;\r\n"), std::string::npos) << r.out.Text;
}

TEST(DescribedOutputs, ALogFileGivesAFrameForEachLineThatHoldsOne)
{
    TempDir dir;
    const std::string ksy = dir.Write("small.ksy", SmallSat);
    const std::string log = dir.Write(
        "2026-01-02.log", "03:04:05 01 00 00 80 3F\n\n03:04:06 02 00 00 00 40\n03:04:07\n03:04:08 03 00 00 40 40\n");
    const DecodeRun r = Decode({"-s", ksy, "--summary", "--csv", "-", log});
    EXPECT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_NE(r.err.Text.find("4 lines, stored 3 of small\nsat, dropped: 1 too short"), std::string::npos)
        << r.err.Text;
    EXPECT_EQ(std::count(r.out.Text.begin(), r.out.Text.end(), '\n'), 4) << r.out.Text;
}

TEST(DescribedOutputs, TheUsageNamesADescriptionBesideTheSatellites)
{
    EXPECT_NE(Decode({"--no-such-option"}).err.Text.find("[-s 1|2|FILE.ksy|ID]"), std::string::npos);
    const DecodeRun r = Decode({"-s", "suchai", "x.kss"});
    EXPECT_NE(r.err.Text.find("unknown satellite 'suchai' (1, 2, QB50p1 or QB50p2, a description FILE.ksy, or the id "
                              "of one in the satellite library: see --list-satellites)"),
        std::string::npos)
        << r.err.Text;
}

TEST(DescribedOutputs, AFrameThatDoesNotParseInAPipeIsPlacedWithoutReadingThePipeAgain)
{
    // Naming the line of the first frame that does not parse reads a file
    // again up to it; a pipe is not read twice, or lines would go missing.
    TempDir dir;
    const std::string ksy = dir.Write("b.ksy",
        "meta:\n  id: b\ndoc: |\n  :field count: count\nseq:\n  - id: magic\n    contents: [0x42]\n  - id: count\n"
        "    type: u1\n");
    std::string export_;
    for (int k = 0; k < 2000; ++k)
        export_ += k % 2 == 0 ? "2026-01-02 03:04:05|4201\n" : "2026-01-02 03:04:06|9901\n";
    const std::string regular = dir.Write("pass.csv", export_);
    const DecodeRun fromFile = Decode({"-s", ksy, "-f", "satnogs", "--summary", "--csv", "/dev/null", regular});
    EXPECT_NE(fromFile.err.Text.find("stored 1000 of b, dropped: 1000 do not parse, the first that does not parse: "
                                     "line 2: magic does not hold its fixed contents (b.ksy:6)"),
        std::string::npos)
        << fromFile.err.Text;
    const std::string fifo = dir.File("pass.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << export_; });
    const DecodeRun fromPipe = Decode({"-s", ksy, "-f", "satnogs", "--summary", "--csv", "/dev/null", fifo});
    writer.join();
    EXPECT_NE(fromPipe.err.Text.find("2000 lines, stored 1000 of b, dropped: 1000 do not parse, the first that does "
                                     "not parse: byte 25: "),
        std::string::npos)
        << fromPipe.err.Text;
}
