// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/decodecommand.h"
#include "cli/decoderun.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

namespace {

std::string Sample(const std::string& name) { return std::string(NORVANE_SAMPLES_DIR) + "/" + name; }
// The CSV that the sample KISS capture gives.
std::string SampleCsv() { return ReadFileBytes(NORVANE_DECODE_CASES "/qb50p1-pass/expected.csv"); }

} // namespace

TEST(DecodeCommand, UsageErrorsExitWithTwoAndTheUsage)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-f", "kiss"}, {"-f", "wav", "x"},
             {"-f", "kiss", "-s", "3", "x"}, {"-f", "kiss", "--record", "0", "--tlm", "-", "x"},
             {"-f", "kiss", "--record", "2", "x"}, {"-f", "kiss", "--bogus", "x"}, {"-f"}}) {
        const DecodeRun r = Decode(args);
        EXPECT_EQ(r.code, ExitUsage);
        // The message, the synopsis on one line and where to find more.
        EXPECT_EQ(std::count(r.err.Text.begin(), r.err.Text.end(), '\n'), 3) << r.err.Text;
        EXPECT_NE(r.err.Text.find("\nUsage: norvane-decode [-f auto|"), std::string::npos);
        EXPECT_NE(r.err.Text.find("Try 'norvane-decode --help' for more.\n"), std::string::npos);
        EXPECT_TRUE(r.out.Text.empty());
    }
    EXPECT_EQ(Decode({"--help"}).code, ExitOk);
    EXPECT_NE(Decode({"--version"}).out.Text.find("norvane-decode 2.1"), std::string::npos);
}

TEST(DecodeCommand, OutputsToFilesLeaveStandardOutputEmpty)
{
    TempDir dir;
    const DecodeRun r = Decode({"-f", "kiss", "--tlm", dir.File("pass.tlm"), "--record", "3", "--dump",
        dir.File("dump.txt"), Sample("qb50p1-pass.kss")});
    ASSERT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_TRUE(r.out.Text.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("pass.tlm")), ReadFileBytes(NORVANE_DECODE_CASES "/qb50p1-pass/expected.tlm"));
    // The summary line names both counts and the files read.
    EXPECT_NE(r.err.Text.find("records of packet kind 1"), std::string::npos);
    EXPECT_NE(r.err.Text.find("from 1 file"), std::string::npos);
}

TEST(DecodeCommand, UnreadableCaptureIsReportedAndTheRestIsStillDone)
{
    TempDir dir;
    const std::string old = dir.Write("out.csv", "keep me");
    const DecodeRun r = Decode({"-f", "kiss", "--csv", dir.File("out.csv"), "--tlm", dir.File("missing/x.tlm"),
        dir.File("absent.kss"), Sample("qb50p1-pass.kss")});
    EXPECT_EQ(r.code, ExitFailure);
    EXPECT_NE(r.err.Text.find("cannot open " + dir.File("absent.kss") + ": "), std::string::npos) << r.err.Text;
    EXPECT_NE(r.err.Text.find(dir.File("missing/x.tlm") + " could not be written: "), std::string::npos);
    EXPECT_NE(r.err.Text.find("(1 not read)"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), SampleCsv());
}

TEST(DecodeCommand, RecordBeyondTheDataIsAnError)
{
    const DecodeRun r = Decode({"-f", "kiss", "-q", "--tlm", "-", "--record", "100000", Sample("qb50p1-pass.kss")});
    EXPECT_EQ(r.code, ExitFailure);
    EXPECT_TRUE(r.out.Text.empty());
    EXPECT_NE(r.err.Text.find("record 100000 does not exist"), std::string::npos);
}

TEST(DecodeCommand, DecimalCommaAndSeveralCapturesInOneDataSet)
{
    const DecodeRun once = Decode({"-f", "kiss", "-q", Sample("qb50p1-pass.kss")}, ",");
    const DecodeRun twice = Decode({"-f", "kiss", Sample("qb50p1-pass.kss"), Sample("qb50p1-pass.kss")}, ",");
    ASSERT_EQ(once.code, ExitOk);
    EXPECT_NE(once.out.Text.find(",00;"), std::string::npos);
    EXPECT_EQ(once.out.Text.find(".00;"), std::string::npos);
    const auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n'); };
    EXPECT_EQ(lines(twice.out.Text) - 1, 2 * (lines(once.out.Text) - 1));
    EXPECT_NE(twice.err.Text.find("from 2 files"), std::string::npos);
}

TEST(DecodeCommand, AutoIsTheDefaultAndTheSummaryTellsEachFile)
{
    TempDir dir;
    const std::string notes = dir.Write("notes.txt", "not a capture\n");
    const DecodeRun r = Decode({"--summary", "-s", "qb50p2", "--csv", dir.File("all.csv"), Sample("qb50p2-server.log"),
        Sample("qb50p2-capture.txt"), notes});
    EXPECT_EQ(r.code, ExitFailure); // the notes are of no kind
    EXPECT_NE(
        r.err.Text.find("norvane-decode: cannot read " + notes + ": not a capture of a known kind"), std::string::npos)
        << r.err.Text;
    EXPECT_NE(r.err.Text.find(Sample("qb50p2-server.log") + ": serverlog, "), std::string::npos) << r.err.Text;
    EXPECT_NE(r.err.Text.find(Sample("qb50p2-capture.txt") + ": text, "), std::string::npos);
    EXPECT_NE(r.err.Text.find("total of 3 files: "), std::string::npos);
    EXPECT_NE(r.err.Text.find("35 records of packet kind 1"), std::string::npos) << r.err.Text;

    // Without --summary, the one summary line only.
    const DecodeRun plain = Decode({Sample("qb50p1-pass.kss")});
    EXPECT_EQ(plain.code, ExitOk);
    EXPECT_EQ(plain.out.Text, SampleCsv());
    EXPECT_EQ(std::count(plain.err.Text.begin(), plain.err.Text.end(), '\n'), 1);
}

TEST(DecodeCommand, LineProtocolLeavesOutPacketsWithoutATimeAndSaysSo)
{
    const DecodeRun dated = Decode({"--date", "2016-03-17", "--influx", "-", Sample("qb50p1-pass.log")});
    ASSERT_EQ(dated.code, ExitOk) << dated.err.Text;
    EXPECT_EQ(std::count(dated.out.Text.begin(), dated.out.Text.end(), '\n'), 40);
    EXPECT_EQ(dated.out.Text.rfind("norvane,satellite=QB50p1,kind=1 OPS\\ mode=2,Boot\\ cnt=12,", 0), 0u);
    EXPECT_EQ(dated.err.Text.find("without a time"), std::string::npos);

    const DecodeRun undated = Decode({"--influx", "-", Sample("qb50p1-pass.log")});
    EXPECT_EQ(undated.code, ExitOk);
    EXPECT_TRUE(undated.out.Text.empty());
    EXPECT_NE(undated.err.Text.find("; 40 packets without a time left out of the line protocol"), std::string::npos)
        << undated.err.Text;
    EXPECT_EQ(Decode({"--date", "2016-02-30", "x"}).code, ExitUsage);
}

TEST(DecodeCommand, StandardInputAsACapture)
{
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    const std::string bytes = ReadFileBytes(Sample("qb50p1-pass.kss"));
    std::fwrite(bytes.data(), 1, bytes.size(), in);
    std::rewind(in);
    DecodeRun r;
    r.code = RunDecodeCommand({"--summary", "-q", "-"}, r.out, r.err, ".", false, in);
    std::fclose(in);
    EXPECT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_EQ(r.out.Text, SampleCsv());
    EXPECT_EQ(r.err.Text.rfind("-: kiss, 198 frames", 0), 0u) << r.err.Text;

    std::FILE* prose = std::tmpfile();
    std::fputs("dear operator\n", prose);
    std::rewind(prose);
    DecodeRun bad;
    bad.code = RunDecodeCommand({"-q", "-"}, bad.out, bad.err, ".", false, prose);
    std::fclose(prose);
    EXPECT_EQ(bad.code, ExitFailure);
    EXPECT_EQ(bad.err.Text.rfind("norvane-decode: cannot read -: not a capture of a known kind", 0), 0u)
        << bad.err.Text;
    EXPECT_EQ(Decode({"-", "-"}).code, ExitUsage);
}
