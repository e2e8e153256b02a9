// SPDX-License-Identifier: GPL-3.0-or-later
// A description's plan gives what the interpreter gives: for every frame,
// whether it reads, why not, and every field's value with its kind, enum,
// sign and precision.

#include "describe/describedsatellite.h"
#include "testsupport.h"
#include "text/hextext.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Bit fields of both orders: across bytes, aligned by a byte-sized
// attribute, carried on from the end of a nested object.
const char* const BitsBe = R"(meta:
  id: t
  endian: be
doc: |
  :field a: a
  :field b: b
  :field c: c
  :field d: d
  :field x: inner.x
  :field e: e
  :field g: g
  :field h: h
  :field w: w
  :field f: f
  :field dbl: dbl
  :field flag: flag
  :field bits_sum: sum
seq:
  - id: a
    type: b3
  - id: b
    type: b7
  - id: c
    type: u2le
  - id: d
    type: b5
  - id: inner
    type: nibble
  - id: e
    type: b6
  - id: g
    type: s8
  - id: h
    type: u8
  - id: w
    type: s2
  - id: f
    type: f4
  - id: dbl
    type: f8le
  - id: flag
    type: b1
types:
  nibble:
    seq:
      - id: x
        type: b4
instances:
  sum:
    value: 'a + b * 8 + (flag ? 1000 : 0) - h'
)";

// The same order of little-endian bits.
std::string BitsLe()
{
    std::string text = BitsBe;
    text.replace(text.find("  endian: be\n"), 13, "  endian: be\n  bit-endian: le\n");
    return text;
}

// Switches on an enum, checks, fixed contents, processed sized objects,
// texts, instances of every operator the plan works out, and a field whose
// instance reads a member of a case the frame does not have (the record
// still reads, that field empty).
const char* const Switches = R"(meta:
  id: t
  endian: le
doc: |
  :field kind: kind
  :field call: head.call.text
  :field x: head.x
  :field n: body.n
  :field m: body.m
  :field scaled: body.scaled
  :field label: body.label
  :field raw: body.raw
  :field up: body.up
  :field ratio: body.ratio
  :field code: code
  :field masked: masked
  :field missing: body.nothing_here
  :field deeper: kind.more
  :field beyond: beyond
seq:
  - id: magic
    contents: [0x4e, 0x56]
  - id: head
    size: 4
    type: head
  - id: kind
    type: u1
    enum: kinds
    valid:
      any-of: [kinds::one, kinds::two, kinds::three, 9]
  - id: body
    type:
      switch-on: kind
      cases:
        kinds::one: one
        kinds::two: two
        kinds::three: one
  - id: code
    type: u2
    valid:
      min: 1
      max: 60000
enums:
  kinds:
    1: one
    2: two
    3: three
types:
  head:
    seq:
      - id: call
        size: 3
        process: ror(1)
        type: callsign
      - id: x
        type: u1
        valid: 0x42
  callsign:
    seq:
      - id: text
        type: str
        size: 3
        encoding: ASCII
  one:
    seq:
      - id: n
        type: s2
      - id: m
        type: u4be
      - id: raw
        size: 2
        process: xor(0x5a)
    instances:
      scaled:
        value: n * 0.5 + m / 3
      up:
        value: '_parent.kind == kinds::one ? -n : n < 0 and m > 7'
      label:
        value: m & 3
        enum: kinds
      ratio:
        value: m / n
  two:
    seq:
      - id: n
        type: u1
        valid: 7
      - id: m
        type: f4
    instances:
      scaled:
        value: m.as<f8> * 2
      up:
        value: _root.code << 2 | ~n
      ratio:
        value: m / (n - 7)
instances:
  masked:
    value: not (code > 100) or kind == kinds::two
  beyond:
    value: body.n + 1
)";

// A value as exactly as a test can see it.
std::string Exactly(const KsyValue& v)
{
    std::string out = KsyKindName(v.What);
    out += v.Unsigned64 ? " u64" : "";
    out += v.Single ? " f4" : "";
    out += v.Enum ? " enum " + v.Enum->Name : "";
    out += " ";
    AppendKsyJson(out, v);
    return out;
}

std::string HexOf(std::span<const std::uint8_t> frame)
{
    std::string hex;
    AppendHex(hex, {reinterpret_cast<const char*>(frame.data()), frame.size()});
    return hex;
}

// The frames of a KISS capture, without their type bytes.
std::vector<std::vector<std::uint8_t>> KissFramesOf(const std::string& capture)
{
    std::vector<std::vector<std::uint8_t>> frames(1);
    for (std::size_t k = 0; k < capture.size(); ++k) {
        const auto c = static_cast<std::uint8_t>(capture[k]);
        if (c == 0xC0) {
            if (frames.back().size() > 1)
                frames.back().erase(frames.back().begin());
            else
                frames.back().clear();
            if (!frames.back().empty())
                frames.emplace_back();
        } else if (c == 0xDB && k + 1 < capture.size()) {
            frames.back().push_back(capture[++k] == '\xDC' ? 0xC0 : 0xDB);
        } else {
            frames.back().push_back(c);
        }
    }
    frames.pop_back();
    return frames;
}

// Reads frame with the plan and with the interpreter alone, and says where
// they part; gives whether the frame reads.
bool ExpectTheSame(DescribedSatellite& planned, DescribedSatellite& interpreted, std::span<const std::uint8_t> frame)
{
    std::string planReason;
    std::string reason;
    const bool read = planned.Read(frame, planReason);
    EXPECT_EQ(read, interpreted.Read(frame, reason)) << HexOf(frame) << ": " << reason;
    // Without a reason asked for, a frame the plan knows to fail is not read
    // again: it must still come to the same.
    EXPECT_EQ(planned.Read(frame, nullptr), read) << HexOf(frame) << ": " << reason;
    if (!read) {
        EXPECT_EQ(planReason, reason) << HexOf(frame);
        return false;
    }
    for (std::size_t k = 0; k < planned.FieldCount(); ++k)
        EXPECT_EQ(Exactly(planned.Value(k)), Exactly(interpreted.Value(k)))
            << planned.FieldName(k) << " of " << HexOf(frame);
    return true;
}

// Frames of every length up to 40 bytes: random, and starting as the
// description's frames start, with each kind byte.
std::vector<std::vector<std::uint8_t>> Frames()
{
    std::mt19937 random(31);
    std::vector<std::vector<std::uint8_t>> frames;
    for (int k = 0; k < 4000; ++k) {
        std::vector<std::uint8_t> frame(random() % 41);
        for (std::uint8_t& b : frame)
            b = static_cast<std::uint8_t>(random());
        if (k % 2 && frame.size() >= 7) {
            const std::uint8_t start[] = {0x4e, 0x56, 0x9c, 0x9e, 0x86, 0x42};
            std::copy(std::begin(start), std::end(start), frame.begin());
            frame[6] = static_cast<std::uint8_t>(k % 5 == 4 ? 9 : k % 5);
            if (k % 3 == 0 && frame.size() > 7)
                frame[7] = 7; // the second kind's check holds
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

} // namespace

TEST(DescriptionPlan, ReadsWhatTheInterpreterReadsOfEveryFrame)
{
    const struct {
        const char* What;
        std::string Text;
    } descriptions[] = {
        {"big-endian bits", BitsBe},
        {"little-endian bits", BitsLe()},
        {"switches, checks and instances", Switches},
    };
    const auto frames = Frames();
    for (const auto& d : descriptions) {
        SCOPED_TRACE(d.What);
        std::shared_ptr<const KsyDescription> description = LoadKsyDescriptionText(d.Text, "t.ksy");
        DescribedSatellite planned(description);
        DescribedSatellite interpreted(description, false);
        ASSERT_TRUE(planned.Planned());
        ASSERT_FALSE(interpreted.Planned());
        // The plan itself reads most of the frames that read, rather than
        // leaving them to the interpreter.
        const auto plan = KsyPlan::Make(*description);
        std::vector<KsyValue> values(description->Fields.size());
        int read = 0;
        int readByPlan = 0;
        int failsByPlan = 0;
        for (const auto& frame : frames) {
            read += ExpectTheSame(planned, interpreted, frame);
            const KsyPlan::Outcome outcome = plan->Read(frame, values);
            readByPlan += outcome == KsyPlan::Outcome::Read;
            failsByPlan += outcome == KsyPlan::Outcome::Fails;
        }
        EXPECT_GT(read, 200);
        // (In the switches, a fifth of the frames, of a kind with no case,
        // leave the field beyond to the interpreter.)
        EXPECT_GT(readByPlan, read * 3 / 5);
        EXPECT_LE(readByPlan, read);
        // And it knows most of the frames that do not read for what they are.
        const int failing = static_cast<int>(frames.size()) - read;
        EXPECT_GT(failsByPlan, failing / 2);
        EXPECT_LE(failsByPlan, failing);
    }
}

TEST(DescriptionPlan, ReadsACrowdedCaptureAsTheInterpreterDoes)
{
    std::shared_ptr<const KsyDescription> description = LoadKsyDescription(NORVANE_SAMPLES_DIR "/qb50.ksy");
    DescribedSatellite planned(description);
    DescribedSatellite interpreted(description, false);
    ASSERT_TRUE(planned.Planned());
    CaptureOptions crowded;
    crowded.Packets = 3000;
    crowded.Crowded = true;
    const auto frames = KissFramesOf(GenerateCapture(crowded).Bytes);
    ASSERT_GT(frames.size(), 3000u);
    int read = 0;
    for (const auto& frame : frames) {
        read += ExpectTheSame(planned, interpreted, frame);
        for (std::size_t cut : {frame.size() - 1, std::size_t{20}, std::size_t{16}})
            ExpectTheSame(planned, interpreted, std::span(frame).first(std::min(cut, frame.size())));
    }
    EXPECT_GT(read, 3000);
}

TEST(DescriptionPlan, LeavesToTheInterpreterWhatItCannotPlace)
{
    const std::string head = "meta:\n  id: t\n  endian: le\ndoc: |\n  :field v: v\nseq:\n  - id: n\n    type: u1\n";
    const struct {
        const char* What;
        std::string Seq;
    } cases[] = {
        {"a condition", "  - id: v\n    type: u1\n    if: n > 1\n"},
        {"a repetition", "  - id: v\n    type: u1\n    repeat: expr\n    repeat-expr: n\n"},
        {"a size the frame gives", "  - id: v\n    size: n\n"},
        {"a terminator", "  - id: v\n    type: strz\n    encoding: ASCII\n"},
        {"a method", "  - id: w\n    size: 2\ninstances:\n  v:\n    value: w.length\n"},
        {"a check of its own value", "  - id: v\n    type: u1\n    valid:\n      expr: _ > n\n"},
        {"bits read after bytes left them",
            "  - id: b\n    type: t\n  - id: c\n    type: u1\n  - id: v\n    type: b4\n"
            "types:\n  t:\n    seq:\n      - id: x\n        type: b4\n"},
    };
    for (const auto& c : cases) {
        DescribedSatellite s(LoadKsyDescriptionText(head + c.Seq, "t.ksy"));
        EXPECT_FALSE(s.Planned()) << c.What;
        std::string reason;
        const std::uint8_t frame[] = {1, 3, 2, 0, 4};
        EXPECT_TRUE(s.Read(frame, reason)) << c.What << ": " << reason;
    }
    // A text longer than the interpreter's steps allow does not parse, and
    // no plan reads it instead.
    DescribedSatellite longText(
        LoadKsyDescriptionText(head + "  - id: v\n    type: str\n    size: 2000001\n    encoding: ASCII\n", "t.ksy"));
    EXPECT_FALSE(longText.Planned());
    std::string reason;
    EXPECT_FALSE(longText.Read(std::vector<std::uint8_t>(2000002, 'a'), reason));
    EXPECT_NE(reason.find("steps"), std::string::npos) << reason;
}
