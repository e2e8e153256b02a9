// SPDX-License-Identifier: GPL-3.0-or-later
// Described satellites: a description that cannot be used says where and
// why, a hostile description or frame cannot crash or hang the program, and
// values come out exactly, through every capture kind to every output.

#include "cli/decodecommand.h"
#include "cli/decoderun.h"
#include "dataset/merge.h"
#include "describe/describedsatellite.h"
#include "fields/satelliterecords.h"
#include "input/capturereaders.h"
#include "input/dispatch.h"
#include "input/kissframes.h"
#include "testsupport.h"
#include "text/jsontext.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<KsyDescription> Load(const std::string& text) { return LoadKsyDescriptionText(text, "t.ksy"); }

std::string LoadError(const std::string& text)
{
    try {
        Load(text);
    } catch (const KsyLoadError& e) {
        return e.what();
    }
    return "loaded";
}

// The field values of one frame as JSON, or the reason it does not parse.
std::string Decoded(const std::string& ksy, const std::vector<std::uint8_t>& frame)
{
    DescribedSatellite s(Load(ksy));
    std::string reason;
    if (!s.Read(frame, reason))
        return "does not parse: " + reason;
    std::string out;
    for (std::size_t k = 0; k < s.FieldCount(); ++k) {
        out += (k ? " " : "") + s.FieldName(k) + "=";
        AppendKsyJson(out, s.Value(k));
    }
    return out;
}

const std::string Head = "meta:\n  id: t\n  endian: le\ndoc: |\n  :field v: v\n";

} // namespace

TEST(Description, ThatCannotBeUsedSaysItsFileLineAndReason)
{
    const struct {
        std::string Text;
        const char* Says;
    } cases[] = {
        {"meta:\n  id: t\nseq: [\n", "t.ksy:4:"},
        {"seq:\n  - id: v\n    type: u1\n", "t.ksy:1: meta/id is missing"},
        {Head + "seq:\n  - id: v\n    type: nothing\n", "t.ksy:8: no type named nothing"},
        {Head + "seq:\n  - id: v\n    type: u1\n    enum: nothing\n", "t.ksy:9: no enum named nothing"},
        {Head + "seq:\n  - id: v\n    type: u1\n    if: v +\n",
            "t.ksy:9: expression \"v +\": the expression ends early"},
        {"meta:\n  id: t\ndoc: ':field v: v'\nseq:\n  - id: v\n    type: u2\n", "t.ksy:6: type u2 needs an endian"},
        {Head + "seq:\n  - id: v\n    type: str\n    size: 2\n", "t.ksy:8: a string without encoding"},
        {Head + "seq:\n  - id: v\n    type: u1\n    repeat: often\n", "repeat is eos, expr or until"},
        {Head + "seq:\n  - id: v\n    type: strz\n    encoding: KOI8-R\n", "encoding KOI8-R is not supported"},
        {Head + "seq:\n  - id: v\n", "attribute v reads nothing"},
        {"meta:\n  id: t\n  imports: [other]\ndoc: ':field v: v'\n", "imports of other descriptions are not supported"},
        {Head + "seq:\n  - id: v\n    type: u1\n    if: " + std::string(200, '(') + "1" + std::string(200, ')') + "\n",
            "nested too deep"},
        {Head + "seq:\n  - id: v\n    type: e::x\n", "no type named e::x"},
        {Head + "seq:\n  - id: v\n    type: x\ntypes:\n  x:\n    meta: 3\n", "t.ksy:11: meta is a map"},
        {Head + "seq:\n  - id: v\n    type: u1\ninstances:\n  w:\n    value: e::x\nenums:\n  e:\n    0: a\n",
            "enum e has no value x"},
    };
    for (const auto& c : cases)
        EXPECT_NE(LoadError(c.Text).find(c.Says), std::string::npos) << c.Text << "\n-> " << LoadError(c.Text);
}

TEST(Description, HostileDescriptionsAndFramesEndInAnErrorNotACrashOrAHang)
{
    const std::vector<std::uint8_t> frame(4096, 0x01);
    const struct {
        std::string Seq;
        const char* Says;
    } cases[] = {
        // A type that holds itself, without end.
        {"seq:\n  - id: v\n    type: again\ntypes:\n  again:\n    seq:\n      - id: x\n        type: again\n",
            "nest too deep"},
        // An instance that needs itself.
        {"seq:\n  - id: x\n    type: u1\ninstances:\n  v:\n    value: v + 1\n", "needs its own value"},
        // Repeating what reads nothing.
        {"seq:\n  - id: v\n    type: empty\n    repeat: eos\ntypes:\n  empty: {}\n", "repeats without reading"},
        {"seq:\n  - id: v\n    type: empty\n    repeat: expr\n    repeat-expr: 1000000000000\ntypes:\n  empty: {}\n",
            "more than 4 MB for the values of this frame"},
        {"seq:\n  - id: v\n    size: 0\n    repeat: expr\n    repeat-expr: 1000000000000\n", "repeats too often"},
        {"seq:\n  - id: v\n    type: u1\n    repeat: until\n    repeat-until: false\n", "the frame ends"},
        {"seq:\n  - id: v\n    size: -5\n", "a negative size"},
        {"seq:\n  - id: v\n    size: 1099511627776\n", "the frame ends"},
        {"seq:\n  - id: v\n    type: u1\n    valid:\n      max: 0\n", "above its maximum"},
        {"seq:\n  - id: v\n    contents: [2]\n", "does not hold its fixed contents"},
        {"seq:\n  - id: x\n    type: u1\ninstances:\n  v:\n    value: x % 0\n", "the divisor must be positive"},
        {"seq:\n  - id: v\n    type: strz\n    encoding: ASCII\n", "before its terminator 0"},
        {"seq:\n  - id: v\n    size: 2\n    process: satnogsdecoders.process.someone_elses\n",
            "process satnogsdecoders.process.someone_elses is not supported"},
    };
    for (const auto& c : cases) {
        const std::string result = Decoded(Head + c.Seq, frame);
        EXPECT_NE(result.find(c.Says), std::string::npos) << c.Seq << "\n-> " << result;
    }
}

TEST(Description, ValuesComeOutExactlyAndAbsentWhereTheFrameHoldsNone)
{
    const std::string numbers
        = "meta:\n  id: t\n  endian: be\ndoc: |\n  :field u: u\n  :field s: s\n  :field "
          "w: w\n  :field f: f\n  :field b: b\n  :field other: c.other\n"
          "seq:\n  - id: u\n    type: u8\n  - id: s\n    type: s8\n  - id: w\n    type: b64\n"
          "  - id: f\n    type: f4\n  - id: b\n    size: 2\n  - id: c\n    type:\n"
          "      switch-on: u & 1\n      cases:\n        0: one\n        1: two\n"
          "types:\n  one:\n    seq: [{id: other, type: u1}]\n  two:\n    seq: [{id: x, type: u1}]\n";
    std::vector<std::uint8_t> frame(8, 0xFF);
    frame.push_back(0x80);
    frame.insert(frame.end(), 7, 0x00);
    frame.insert(frame.end(), 8, 0xFF);
    frame.insert(frame.end(), {0x3D, 0xCC, 0xCC, 0xCD, 0xAB, 0x01, 0x07});
    EXPECT_EQ(Decoded(numbers, frame),
        "u=18446744073709551615 s=-9223372036854775808 w=18446744073709551615 f=0.10000000149011612 b=\"ab01\" "
        "other=null");
    frame[7] = 0xFE; // the other switch case: c.other exists now
    EXPECT_EQ(Decoded(numbers, frame).substr(Decoded(numbers, frame).rfind(' ')), " other=7");

    // A terminator that is included is consumed once, as every runtime but
    // JavaScript's 0.11 reads it.
    const std::string terminated
        = "meta:\n  id: t\ndoc: |\n  :field a: a\n  :field b: b\nseq:\n  - id: a\n    type: str\n    encoding: ASCII\n"
          "    terminator: 0x2c\n    include: true\n  - id: b\n    type: u1\n";
    EXPECT_EQ(Decoded(terminated, {'x', 'y', ',', 'z'}), "a=\"xy,\" b=122");
}

TEST(Description, UnsupportedProcessIsNamedOnceAndTheDescriptionStillLoads)
{
    const auto d = Load(Head
        + "seq:\n  - id: v\n    size: 2\n    process: satnogsdecoders.process.someone_elses\n  - id: w\n    size: 2\n"
          "    process: satnogsdecoders.process.someone_elses\n");
    EXPECT_EQ(d->UnsupportedProcesses, std::vector<std::string>{"satnogsdecoders.process.someone_elses"});
}

namespace {

const char* const Beacon = R"(meta:
  id: testsat
  title: A satellite made up for the tests
  endian: le
doc: |
  :field counter: counter
  :field volts: volts
  :field mode: mode
  :field name: name
seq:
  - id: magic
    contents: [0xAB]
  - id: counter
    type: u2
  - id: raw_volts
    type: u1
  - id: mode
    type: u1
    enum: modes
  - id: name
    type: strz
    encoding: ASCII
instances:
  volts:
    value: raw_volts / 10.0
    doc: 'battery [V]'
enums:
  modes:
    1: safe
    2: nominal
)";

} // namespace

TEST(DescribedSatellite, EveryCaptureKindReachesEveryOutput)
{
    TempDir dir;
    const std::string ksy = dir.Write("testsat.ksy", Beacon);
    // Two beacons and a frame of another layout, as a KISS capture with a time frame...
    std::string kiss;
    AppendEscapedKissFrame(kiss,
        std::vector<std::uint8_t>{
            9, '2', '0', '2', '6', '-', '0', '1', '-', '0', '2', ' ', '0', '3', ':', '0', '4', ':', '0', '5'});
    AppendEscapedKissFrame(kiss, std::vector<std::uint8_t>{0x00, 0xAB, 0x01, 0x00, 42, 2, 'O', 'K', 0});
    AppendEscapedKissFrame(kiss, std::vector<std::uint8_t>{0x00, 0xAB, 0xC0, 0xDB, 7, 1, 0});
    AppendEscapedKissFrame(kiss, std::vector<std::uint8_t>{0x00, 0x12, 0x34});
    AppendEscapedKissFrame(kiss, std::vector<std::uint8_t>{0x06, 0xAB}); // a command frame
    // ... as a SatNOGS export and a server log.
    const std::string satnogs = "2026-01-02 03:04:05|AB01002A024F4B00\n2026-01-02 03:04:06|ABC0DB070100\n";
    const std::string server = "2026-01-02 03:04:05,AB01002A024F4B00\n2026-01-02 03:04:06,ABDBDCDBDD070100\n";
    const struct {
        std::string File;
        std::string Kind;
        const char* Summary;
    } captures[] = {
        {dir.Write("pass.kss", kiss), "kiss",
            "stored 2 of testsat, dropped: 1 do not parse, 1 other header, the first that does not parse: byte 45: "
            "magic does not hold its fixed contents (testsat.ksy:11)"},
        {dir.Write("pass.csv", satnogs), "satnogs", "stored 2 of testsat, dropped: none"},
        {dir.Write("server.log", server), "serverlog", "stored 2 of testsat, dropped: none"},
    };
    for (const auto& c : captures) {
        const DecodeRun r = Decode({"-s", ksy, "-f", c.Kind, "--summary", "--jsonl", "-", c.File});
        ASSERT_EQ(r.code, 0) << r.err.Text;
        EXPECT_NE(r.err.Text.find(c.Summary), std::string::npos) << r.err.Text;
        EXPECT_NE(r.err.Text.find("2 records of testsat, from 1 file"), std::string::npos) << r.err.Text;
        const std::string expected = std::string("\"satellite\":\"testsat\"");
        EXPECT_NE(r.out.Text.find(expected), std::string::npos) << r.out.Text;
        EXPECT_NE(
            r.out.Text.find(R"("values":{"counter":1,"volts":4.2,"mode":"nominal","name":"OK"}})"), std::string::npos)
            << r.out.Text;
        EXPECT_NE(
            r.out.Text.find(R"("values":{"counter":56256,"volts":0.7,"mode":"safe","name":""}})"), std::string::npos)
            << r.out.Text;
        EXPECT_EQ(r.out.Text.find("\"kind\""), std::string::npos);
    }
}

TEST(DescribedSatellite, CsvTlmAndLineProtocolHoldTheFields)
{
    TempDir dir;
    const std::string ksy = dir.Write("testsat.ksy", Beacon);
    const std::string capture
        = dir.Write("pass.csv", "2026-01-02 03:04:05|AB01002A024F4B00\n2026-01-02 03:04:06|AB0200070122003B00\n");
    DecodeRun r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--csv", "-", capture});
    EXPECT_EQ(r.out.Text,
        "Record;Time;counter;volts;mode;name;\r\n1;2026-01-02 03:04:05;1;4.2;nominal;OK;\r\n"
        "2;2026-01-02 03:04:06;2;0.7;safe;\"\"\"\";\r\n");
    r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--influx", "-", capture});
    EXPECT_EQ(r.out.Text,
        "norvane,satellite=testsat counter=1i,volts=4.2,mode=\"nominal\",name=\"OK\" 1767323045000000000\n"
        "norvane,satellite=testsat counter=2i,volts=0.7,mode=\"safe\",name=\"\\\"\" 1767323046000000000\n");
    r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--tlm", "-", "--record", "2", capture});
    EXPECT_NE(r.out.Text.find("testsat, record 2 of 2, 2026-01-02 03:04:06\r\n\r\ncounter             2\r\n"
                              "volts               0.7 V\r\n"),
        std::string::npos)
        << r.out.Text;
    r = Decode({"-q", "-s", ksy, "-f", "satnogs", "--tlm", "-", "--record", "3", capture});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.Text.find("record 3 does not exist"), std::string::npos);

    // A description that cannot be used is a usage error: nothing is read.
    const std::string broken = dir.Write("broken.ksy", "meta:\n  id: x\nseq:\n  - id: v\n    type: nope\n");
    r = Decode({"-s", broken, "--csv", dir.File("out.csv"), capture});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.Text.find("broken.ksy:5: no type named nope"), std::string::npos) << r.err.Text;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
}

namespace {

// Every value of every beacon that the built-in decoder keeps from capture
// is the described satellite's (samples/qb50.ksy tells the beacon of the
// built-in satellites), to the bit, as the store keeps it from the frame's
// one reading.
void ExpectTheBuiltInDecodersValues(const std::string& capture)
{
    SCOPED_TRACE(capture);
    ReaderHost host;
    Module1 builtIn;
    ReadKissFile(builtIn, host, capture);
    Module1 described;
    described.Described = DescribedSatellite::Load(std::string(NORVANE_SAMPLES_DIR) + "/qb50.ksy");
    ReadKissFile(described, host, capture);
    const auto records = RecordsOf(described);
    const auto reader = records->Reader();
    std::int64_t seen[3] = {0, 0, 0};
    for (std::int64_t n = 1; n <= described.RecordCount; ++n) {
        ASSERT_TRUE(reader->Read(1, n));
        const auto kind = reader->Value(1).Int;
        // Every record carries a built-in satellite's header: the
        // description checks the callsigns, as the built-in decoder does.
        std::vector<std::uint8_t> kissFrame{0};
        const auto frame = described.DescribedRecords.Frame(n);
        kissFrame.insert(kissFrame.end(), frame.begin(), frame.end());
        ASSERT_TRUE(MatchesPacketHeader(kissFrame)) << "record " << n;
        ASSERT_TRUE(kind == 1 || kind == 2) << "record " << n;
        if (reader->Value(0).Int != 1)
            continue; // the other satellite's number, which the built-in decoder counts and drops
        const std::int64_t record = ++seen[kind];
        std::size_t k = 2;
        for (int field = 0; field < FieldCount; ++field) {
            if (PacketKindOfField(field) != kind || (field > LastPacket1Field && field < FirstPacket2Field))
                continue;
            while (k < records->FieldCount() && reader->Value(k).What == KsyValue::Kind::Null)
                ++k;
            ASSERT_LT(k, records->FieldCount()) << "record " << n << " holds fewer values than the built-in packet";
            ASSERT_EQ(KsyNumber(reader->Value(k)), builtIn.Table.Value(record, field))
                << "record " << record << ", " << records->FieldName(k);
            ++k;
        }
    }
    EXPECT_EQ(seen[1], builtIn.RecordCount);
    EXPECT_EQ(seen[2], builtIn.Packet2Count);
    EXPECT_EQ(described.RecordCount, seen[1] + seen[2] + builtIn.Import.OtherSatellite);
}

} // namespace

TEST(DescribedSatellite, TheBeaconsDescriptionReadsWhatTheBuiltInDecoderReads)
{
    const std::string capture = std::string(NORVANE_SAMPLES_DIR) + "/qb50p1-pass.kss";
    ExpectTheBuiltInDecodersValues(capture);
    // Many batches of frames, each read on both cores, with the other
    // satellite's beacons and strangers' frames among them.
    TempDir dir;
    CaptureOptions many;
    many.Packets = 12000;
    many.Crowded = true;
    ExpectTheBuiltInDecodersValues(dir.Write("many.kss", GenerateCapture(many).Bytes));

    ReaderHost host;
    Module1 described;
    described.Described = DescribedSatellite::Load(std::string(NORVANE_SAMPLES_DIR) + "/qb50.ksy");
    // Merged with itself, every frame stays once and its copy is counted.
    BeginDataSet(described);
    ReadSelection(CaptureKind::Kiss, described, host, {capture, capture});
    const std::int64_t twice = described.RecordCount;
    MergeByTime(described);
    EXPECT_EQ(described.RecordCount * 2, twice);
    EXPECT_EQ(described.Imports[1].Duplicates, described.RecordCount);
    for (std::int64_t n = 2; n <= described.RecordCount; ++n)
        EXPECT_LE(described.DescribedRecords.Info(n - 1).At, described.DescribedRecords.Info(n).At);

    // The command line keeps the frames only to merge; merged, it writes each once.
    const std::string ksy = std::string(NORVANE_SAMPLES_DIR) + "/qb50.ksy";
    const DecodeRun once = Decode({"-q", "-s", ksy, "--jsonl", "-", capture});
    const DecodeRun merged = Decode({"-q", "-s", ksy, "--merge", "--jsonl", "-", capture, capture});
    ASSERT_EQ(merged.code, 0) << merged.err.Text;
    EXPECT_EQ(std::count(merged.out.Text.begin(), merged.out.Text.end(), '\n'),
        std::count(once.out.Text.begin(), once.out.Text.end(), '\n'));
    // A data set read without its frames cannot be merged by mistake.
    BeginDataSet(described);
    described.DescribedRecords.KeepFrames(false);
    ReadSelection(CaptureKind::Kiss, described, host, {capture, capture});
    EXPECT_THROW(MergeByTime(described), std::logic_error);
}

TEST(DescribedSatellite, ACaptureNameThatIsNotUtf8IsWrittenAsLatin1ByEverySatellite)
{
    TempDir dir;
    const std::string sample = std::string(NORVANE_SAMPLES_DIR) + "/qb50p1-pass.kss";
    const std::string capture = dir.Write("pass-\xE9t\xE9.kss", ReadFileBytes(sample));
    const std::string named = "pass-\xC3\xA9t\xC3\xA9.kss\"";
    for (const std::vector<std::string>& satellite :
        {std::vector<std::string>{}, {"-s", std::string(NORVANE_SAMPLES_DIR) + "/qb50.ksy"}}) {
        std::vector<std::string> args = satellite;
        args.insert(args.end(), {"-q", "--jsonl", "-", capture});
        const DecodeRun r = Decode(args);
        ASSERT_EQ(r.code, 0) << r.err.Text;
        ASSERT_FALSE(r.out.Text.empty());
        EXPECT_TRUE(IsUtf8(r.out.Text)) << satellite.size();
        EXPECT_NE(r.out.Text.find(named), std::string::npos) << r.out.Text.substr(0, 400);
    }
}

TEST(Description, FieldPathsAreFollowedAsTheSatnogsDecodersFollowThem)
{
    // A list of two items of two bytes, a byte array, a string in ISO-8859-1,
    // a bit field of 72 bits and a float made of an integer.
    const std::string ksy = R"(meta:
  id: t
  endian: le
doc: |
  :field first_b: items.0.b
  :field second_a: items[1].a
  :field raw_length: raw.length
  :field raw_1: raw.1
  :field past_the_end: items.5.a
  :field name: name
  :field wide: wide
  :field volts: volts
  :field half: half
  :field misspelt: items.0.c
  :field cut:  items.0.
  :field through_bytes: raw.a
  :field over___items: items.___.a
  :field root:  _root.items.1.b  
seq:
  - id: items
    type: item
    repeat: expr
    repeat-expr: 2
  - id: raw
    size: 2
  - id: name
    type: str
    size: 1
    encoding: ISO-8859-1
  - id: wide
    type: b72
  - id: raw_volts
    type: u2
instances:
  volts:
    value: raw_volts.as<f8> / 50
  half:
    value: raw_volts / 50
types:
  item:
    seq:
      - id: a
        type: u1
      - id: b
        type: u1
)";
    const std::unique_ptr<KsyDescription> d = LoadKsyDescriptionText(ksy, "t.ksy");
    const char* const warned[] = {
        "t.ksy:7: field raw_length (raw.length) is always absent: no attribute length where the path names it",
        "t.ksy:14: field misspelt (items.0.c) is always absent: no attribute c",
        "t.ksy:15: field cut (items.0.) is always absent: an empty step",
        "t.ksy:16: field through_bytes (raw.a) is always absent",
    };
    ASSERT_EQ(d->Warnings.size(), std::size(warned));
    for (std::size_t k = 0; k < std::size(warned); ++k)
        EXPECT_EQ(d->Warnings[k].rfind(warned[k], 0), 0u) << d->Warnings[k];
    DescribedSatellite s(LoadKsyDescriptionText(ksy, "t.ksy"));
    std::string reason;
    const std::vector<std::uint8_t> frame
        = {1, 2, 3, 4, 0xAA, 0xBB, 0x87, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFF, 0xEB, 0x7A};
    ASSERT_TRUE(s.Read(frame, reason)) << reason;
    std::string values;
    for (std::size_t k = 0; k < s.FieldCount(); ++k) {
        values += (k ? " " : "") + s.FieldName(k) + "=";
        AppendKsyJson(values, s.Value(k));
    }
    EXPECT_EQ(values,
        "first_b=2 second_a=3 raw_length=null raw_1=187 past_the_end=null name=\"\u0087\" wide=\"0123456789abcdefff\" "
        "volts=629.34 half=629 misspelt=null cut=null through_bytes=null over___items=[1,3] root=4");
    // A field over a list's items is a field an item where fields are named one by one.
    TempDir dir;
    const std::string capture = dir.Write(
        "pass.csv", "2026-01-02 03:04:05|" + [&] {
            std::string hex;
            for (const std::uint8_t b : frame)
                hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
            return hex;
        }() + "\n");
    const std::string path = dir.Write("t.ksy", ksy);
    EXPECT_NE(Decode({"-q", "-s", path, "-f", "satnogs", "--jsonl", "-", capture})
                  .out.Text.find(R"("over_0_items":1,"over_1_items":3)"),
        std::string::npos);
    EXPECT_NE(Decode({"-q", "-s", path, "-f", "satnogs", "--influx", "-", capture})
                  .out.Text.find("over_0_items=1i,over_1_items=3i,"),
        std::string::npos);
}

TEST(Description, ADescriptionWithoutFieldsLoadsAndCountsItsFrames)
{
    TempDir dir;
    const std::string ksy = dir.Write("header.ksy", "meta:\n  id: header\nseq:\n  - id: v\n    type: u1\n");
    const std::string capture = dir.Write("pass.csv", "2026-01-02 03:04:05|01\n2026-01-02 03:04:06|\n");
    const DecodeRun r = Decode({"-s", ksy, "-f", "satnogs", "--summary", "--csv", "-", capture});
    EXPECT_EQ(r.code, ExitOk) << r.err.Text;
    EXPECT_NE(r.err.Text.find("stored 1 of header"), std::string::npos) << r.err.Text;
    EXPECT_EQ(r.out.Text, "Record;Time;\r\n1;2026-01-02 03:04:05;\r\n");
}

TEST(Description, TheSatnogsProcessesDoWhatTheDecodersFunctionsDo)
{
    const auto hex = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            static constexpr char Digits[] = "0123456789abcdef";
            out += Digits[static_cast<std::uint8_t>(c) >> 4];
            out += Digits[static_cast<std::uint8_t>(c) & 15];
        }
        return out;
    };
    const struct {
        const char* Process;
        std::string In;
        std::string Out; // the field's JSON, or the reason
    } cases[] = {
        {"b64encode", "hello", '"' + hex("aGVsbG8=") + '"'},
        {"b64decode", "aGVs\nbG8=trailing", '"' + hex("hello") + '"'},
        {"b64decode", "aGVsbG8", "base64 without its padding"},
        {"b85encode", std::string("\0\0\0\0\1", 5), '"' + hex("z!<") + '"'},
        {"b85encode", "hello", '"' + hex("BOu!rDZ") + '"'},
        {"b85decode", "BOu!rDZ", '"' + hex("hello") + '"'},
        {"b85decode", "z!!", "\"0000000000\""},
        {"b85decode", "B~", "no Ascii85 digit"},
        {"hexl", "\x01\xab", '"' + hex("01ab") + '"'},
        {"unhexl", "01AB", "\"01ab\""},
        {"unhexl", "01A", "odd count"},
        {"scrambler(0xa9, 0xff, 7)", std::string(6, '\0'), "\"ff480ec09a0d\""},
        {"scrambler(0x21, 1, 16)", "\x01\x23\x45\x67\x89", "\"81230563a9\""},
        {"elfin_pp", std::string("\x93\x00\x27\x00\x5e\x00\x27\x93\x27\x27\x27\x5e", 12), "\"930027005e002793275e\""},
    };
    for (const auto& c : cases) {
        const std::string ksy
            = std::string("meta:\n  id: t\ndoc: |\n  :field v: v\nseq:\n  - id: v\n    size-eos: true\n"
                          "    process: satnogsdecoders.process.")
            + c.Process + "\n";
        const std::string result = Decoded(ksy, std::vector<std::uint8_t>(c.In.begin(), c.In.end()));
        EXPECT_NE(result.find(c.Out), std::string::npos) << c.Process << ": " << result;
    }
    EXPECT_NE(LoadError("meta:\n  id: t\nseq:\n  - id: v\n    size-eos: true\n"
                        "    process: satnogsdecoders.process.scrambler(1, 2)\n")
                  .find("t.ksy:6: process satnogsdecoders.process.scrambler takes 3 arguments"),
        std::string::npos);
}

TEST(DescribedSatellite, FloatsReadAsPeopleReadThemWhereTheyReadThemAndExactElsewhere)
{
    TempDir dir;
    const std::string ksy = dir.Write("floats.ksy",
        "meta:\n  id: floats\n  endian: le\ndoc: |\n  :field f: f\n"
        "  :field sum: sum\nseq:\n  - id: f\n    type: f4\n"
        "instances:\n  sum:\n    value: 0.1 + 0.2\n");
    const std::string capture = dir.Write("pass.csv", "2026-01-02 03:04:05|CDCCCC3D\n");
    const struct {
        const char* Output;
        const char* Holds;
    } cases[] = {
        {"--csv", "1;2026-01-02 03:04:05;0.1;0.3;\r\n"},
        {"--tlm", "f                   0.1\r\nsum                 0.3\r\n"},
        {"--jsonl", R"("values":{"f":0.10000000149011612,"sum":0.30000000000000004})"},
        {"--influx", "f=0.10000000149011612,sum=0.30000000000000004 "},
    };
    for (const auto& c : cases) {
        const DecodeRun r = Decode({"-q", "-s", ksy, "-f", "satnogs", c.Output, "-", capture});
        EXPECT_NE(r.out.Text.find(c.Holds), std::string::npos) << c.Output << ": " << r.out.Text;
    }
}
