// SPDX-License-Identifier: GPL-3.0-or-later
// A description is input like any capture: whatever it holds, loading it and
// reading frames with it end within bounds of time, memory and stack, with a
// reason; and the numbers it computes are right at the edges of 64 bits.

#include "cli/decoderun.h"
#include "describe/describedsatellite.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include <sys/stat.h>

namespace {

std::string LoadError(const std::string& text)
{
    try {
        LoadKsyDescriptionText(text, "t.ksy");
    } catch (const KsyLoadError& e) {
        return e.what();
    }
    return "loaded";
}

std::string Repeated(const std::string& part, std::size_t times, const std::string& between = "")
{
    std::string out;
    for (std::size_t k = 0; k < times; ++k)
        out += (k ? between : "") + part;
    return out;
}

// A description of one byte a and the fields and instances given.
std::string OneByte(const std::string& fields, const std::string& instances = "")
{
    return "meta:\n  id: t\n  endian: le\ndoc: |\n" + fields + "seq:\n  - id: a\n    type: u1\n    repeat: eos\n"
        + (instances.empty() ? "" : "instances:\n" + instances);
}

// A description whose field v is an instance of the value given.
std::string Value(const std::string& expression)
{
    return OneByte("  :field v: v\n", "  v:\n    value: " + expression + "\n");
}

// Field v of a description read from frame, as JSON, or why it does not parse.
std::string FieldV(const std::string& ksy, const std::vector<std::uint8_t>& frame)
{
    DescribedSatellite s(LoadKsyDescriptionText(ksy, "t.ksy"));
    std::string reason;
    if (!s.Read(frame, reason))
        return "does not parse: " + reason;
    std::string out;
    AppendKsyJson(out, s.Value(0));
    return out;
}

// Instances s0 ("ab") to sN, each twice the one before.
std::string Doubling(int n)
{
    std::string out = "  s0:\n    value: '\"ab\"'\n";
    for (int k = 1; k <= n; ++k)
        out += "  s" + std::to_string(k) + ":\n    value: s" + std::to_string(k - 1) + " + s" + std::to_string(k - 1)
            + "\n";
    return out;
}

} // namespace

TEST(DescriptionBounds, AHostileDescriptionIsRefusedWithItsReason)
{
    // Ten aliases of the level below, thirty levels deep: 10^30 types.
    std::string typeBomb = "meta:\n  id: t\ndoc: \":field a: a\"\nseq: [{id: a, type: u1}]\ntypes:\n"
                           "  t0: &t0 {seq: [{id: x, type: u1}]}\n";
    std::string enumBomb = "meta:\n  id: t\ndoc: \":field a: a\"\nseq: [{id: a, type: u1}]\nx: &big {"
        + Repeated("1: a", 1000, ", ") + "}\nenums:\n";
    for (int k = 1; k < 30; ++k) {
        typeBomb += "  t" + std::to_string(k) + ": &t" + std::to_string(k) + " {types: {";
        for (int j = 0; j < 10; ++j)
            typeBomb += (j ? ", a" : "a") + std::to_string(j) + ": *t" + std::to_string(k - 1);
        typeBomb += "}}\n";
    }
    for (int k = 0; k < 2000; ++k)
        enumBomb += "  e" + std::to_string(k) + ": *big\n";
    const struct {
        const char* What;
        std::string Text;
        const char* Says;
    } cases[] = {
        {"a chain of operators", Value(Repeated("1", 25000, "+")), "too long a chain"},
        {"a chain of members", Value(Repeated("_root", 25000, ".")), "too long a chain"},
        {"a chain of indices", Value("a" + Repeated("[0]", 25000)), "too long a chain"},
        {"a chain of products", Value(Repeated("a", 25000, " * ")), "too long a chain"},
        {"a chain of signs", Value(Repeated("-", 25000) + "a"), "nested too deep"},
        {"nested brackets", Value(Repeated("(", 25000) + "a" + Repeated(")", 25000)), "nested too deep"},
        {"aliases of types", typeBomb, "the description is too large"},
        {"aliases of enums", enumBomb, "the description is too large"},
        {"deep YAML", "meta: {id: t}\nx: " + Repeated("[", 100000) + Repeated("]", 100000) + "\n",
            "t.ksy:2: the YAML nests too deep"},
        {"a file too large", OneByte("  :field v: a\n") + "#" + std::string(MaxKsyFileBytes, 'x') + "\n",
            "larger than 2 MB"},
        {"a type declared twice",
            OneByte("  :field v: a\n") + "types:\n  t:\n    types: {x: {seq: []}}\n  t:\n    types: {y: {seq: []}}\n",
            "t.ksy:13: type t is declared twice"},
        {"a width of more digits than a number holds",
            OneByte("  :field v: a\n") + "  - id: x\n    type: f4" + std::string(80, '3') + "\n",
            "no such type: f4333"},
    };
    for (const auto& c : cases) {
        const std::string error = LoadError(c.Text);
        EXPECT_NE(error.find(c.Says), std::string::npos) << c.What << ": " << error.substr(0, 300);
        EXPECT_LT(error.size(), 400u) << c.What << ": a message names a long expression by its start";
    }
}

TEST(DescriptionBounds, ALongFieldPathIsWalkedNotRecursed)
{
    // A path is no expression: as long as it may be, it is followed step by
    // step, and one that leads nowhere is told and left absent.
    const std::unique_ptr<KsyDescription> d
        = LoadKsyDescriptionText(OneByte("  :field v: " + Repeated("_root", 25000, ".")
                                     + ".a.0\n"
                                       "  :field w: a.b"
                                     + Repeated(".c", 25000) + "\n"),
            "t.ksy");
    ASSERT_EQ(d->Warnings.size(), 1u);
    EXPECT_NE(d->Warnings[0].find("t.ksy:6: field w ("), std::string::npos) << d->Warnings[0].substr(0, 100);
    EXPECT_NE(d->Warnings[0].find("is always absent: no attribute b where the path names it"), std::string::npos);
    DescribedSatellite s(
        LoadKsyDescriptionText(OneByte("  :field v: " + Repeated("_root", 25000, ".") + ".a.0\n"), "t.ksy"));
    std::string reason;
    ASSERT_TRUE(s.Read(std::vector<std::uint8_t>{9, 8}, reason)) << reason;
    std::string json;
    AppendKsyJson(json, s.Value(0));
    EXPECT_EQ(json, "9");
}

TEST(DescriptionBounds, APathThroughRepeatedSwitchesIsCheckedInLinearTime)
{
    // Each step may be either case of a switch, both of one type: walked as
    // candidates without merging them, the path's 200 steps were 2^200.
    const std::string text = "meta:\n  id: t\ndoc: |\n  :field v: n" + Repeated(".n", 200)
        + ".x\nseq:\n  - id: n\n    type: node\ntypes:\n  node:\n    seq:\n      - id: k\n        type: u1\n"
          "      - id: n\n        type:\n          switch-on: k\n          cases:\n            1: node\n"
          "            2: node\n";
    const std::unique_ptr<KsyDescription> d = LoadKsyDescriptionText(text, "t.ksy");
    ASSERT_EQ(d->Warnings.size(), 1u);
    EXPECT_NE(d->Warnings[0].find("no attribute x"), std::string::npos) << d->Warnings[0];
}

TEST(DescriptionBounds, ManyTypesTakeMemoryInProportion)
{
    // Every type used to get a slot for every name of the description.
    constexpr int Types = 20000;
    std::string text = "meta:\n  id: t\ndoc: |\n  :field v: t.f19999\nseq:\n  - id: t\n    type: t19999\ntypes:\n";
    for (int k = 0; k < Types; ++k)
        text += "  t" + std::to_string(k) + ": {seq: [{id: f" + std::to_string(k) + ", type: u1}]}\n";
    const std::unique_ptr<KsyDescription> d = LoadKsyDescriptionText(text, "t.ksy");
    std::size_t entries = d->Root->SlotOfName.size();
    for (const auto& [name, type] : d->Root->Types)
        entries += type->SlotOfName.size();
    EXPECT_LT(entries, 100u * Types);
    // Looked up beyond the table, a member is still found.
    EXPECT_EQ(FieldV(text, {42}), "42");
}

TEST(DescriptionBounds, AFrameBeyondItsBudgetDoesNotParseAndSaysWhy)
{
    const std::vector<std::uint8_t> frame(1000, 7);
    // Each instance takes the maximum of the frame's thousand bytes ten times.
    std::string maxLoop;
    for (int k = 0; k < 100; ++k)
        maxLoop += "  m" + std::to_string(k) + ":\n    value: " + Repeated("a.max", 10, " + ")
            + (k ? " + m" + std::to_string(k - 1) : "") + "\n";
    const struct {
        const char* What;
        std::string Text;
        const char* Says;
    } cases[] = {
        {"strings that double", OneByte("  :field v: s40\n", Doubling(40)), "more than 4 MB for the values"},
        {"a bit field wider than memory",
            "meta:\n  id: t\ndoc: |\n  :field v: v\nseq:\n  - id: v\n    type: b" + std::string(30, '9') + "\n",
            "more than 4 MB for the values"},
        {"the maximum of many items, often", OneByte("  :field v: m99\n", maxLoop), "more than 500000 steps"},
        {"a megabyte's length, often",
            OneByte(
                "  :field v: l9\n",
                Doubling(19) +
                    [] {
                        std::string out;
                        for (int k = 0; k < 10; ++k)
                            out += "  l" + std::to_string(k) + ":\n    value: s19.length + s19.length + s19.length"
                                + (k ? " + l" + std::to_string(k - 1) : "") + "\n";
                        return out;
                    }()),
            "more than 500000 steps"},
        {"objects that nest as deep as instances may",
            OneByte("  :field v: i127\n",
                [] {
                    std::string out = "  i0:\n    value: a[0]\n";
                    for (int k = 1; k < 128; ++k)
                        out += "  i" + std::to_string(k) + ":\n    value: i" + std::to_string(k - 1) + " + 1\n";
                    return out;
                }()),
            "134"},
    };
    for (const auto& c : cases)
        EXPECT_NE(FieldV(c.Text, frame).find(c.Says), std::string::npos) << c.What << ": " << FieldV(c.Text, frame);
    // The same reader reads a plain frame after one beyond its budget.
    DescribedSatellite s(LoadKsyDescriptionText(OneByte("  :field v: s30\n", Doubling(30)), "t.ksy"));
    std::string reason;
    EXPECT_FALSE(s.Read(frame, reason));
    DescribedSatellite plain(LoadKsyDescriptionText(OneByte("  :field v: a[0]\n"), "t.ksy"));
    EXPECT_TRUE(plain.Read(frame, reason)) << reason;
}

TEST(DescriptionBounds, AStopRequestEndsAFrameWithinItsFirstSteps)
{
    static std::atomic<int> asked{0};
    KsyInterpreter::SetStopCheck([] { return ++asked > 2; });
    std::string maxLoop;
    for (int k = 0; k < 100; ++k)
        maxLoop += "  m" + std::to_string(k) + ":\n    value: a.max" + (k ? " + m" + std::to_string(k - 1) : "") + "\n";
    const std::string result = FieldV(OneByte("  :field v: m99\n", maxLoop), std::vector<std::uint8_t>(50000, 1));
    KsyInterpreter::SetStopCheck(nullptr);
    EXPECT_NE(result.find("stopped"), std::string::npos) << result;
    EXPECT_LE(asked.load(), 4);
}

TEST(DescriptionBounds, UnsignedSixtyFourBitValuesKeepTheirSignInArithmetic)
{
    // u = 2^64 - 2, w (b64) = 2^63 + 6
    const std::vector<std::uint8_t> frame = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 6};
    const struct {
        const char* Expression;
        const char* Value;
    } cases[] = {
        {"u + 1", "18446744073709551615"},
        {"u + 2", "18446744073709551616"}, // beyond 64 bits: a float
        {"u - 1", "18446744073709551613"},
        {"u / 2", "9223372036854775807"},
        {"u % 10", "4"},
        {"u * 1", "18446744073709551614"},
        {"u - u", "0"},
        {"w + 1", "9223372036854775815"},
        {"w / 3", "3074457345618258604"},
        {"w % 10", "4"},
        {"w - 7", "9223372036854775807"},
        {"u | 1", "18446744073709551615"},
        {"u > 5", "true"},
    };
    for (const auto& c : cases) {
        const std::string ksy = "meta:\n  id: t\n  endian: le\ndoc: |\n  :field v: v\nseq:\n  - id: u\n    type: u8\n"
                                "  - id: w\n    type: b64\ninstances:\n  v:\n    value: "
            + std::string(c.Expression) + "\n";
        EXPECT_EQ(FieldV(ksy, frame), c.Value) << c.Expression;
    }
}

TEST(DescriptionBounds, OnlyARegularFileIsReadAsADescription)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("dir.ksy"));
    ASSERT_EQ(mkfifo(dir.File("pipe.ksy").c_str(), 0600), 0);
    const struct {
        std::string Path;
        const char* Says;
    } cases[] = {
        {dir.File("dir.ksy"), "dir.ksy: is a folder, not a description file"},
        {dir.File("pipe.ksy"), "pipe.ksy: is not a regular file"},
        {"/dev/zero", "/dev/zero: is not a regular file"},
        {dir.File("none.ksy"), "none.ksy: cannot be read: No such file or directory"},
    };
    for (const auto& c : cases) {
        try {
            LoadKsyDescription(c.Path);
            ADD_FAILURE() << c.Path << " loaded";
        } catch (const KsyLoadError& e) {
            EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
        }
        const DecodeRun r = Decode({"-s", c.Path, dir.File("none.kss")});
        EXPECT_EQ(r.code, ExitUsage);
        EXPECT_NE(r.err.Text.find(c.Says), std::string::npos) << r.err.Text;
    }
}
