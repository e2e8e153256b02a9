// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/capturereaders.h"
#include "telemetry/decoders.h"
#include "testsupport.h"
#include "tools/capturegen.h"

#include <gtest/gtest.h>

struct GenCase {
    CaptureKind kind;
    int satellite;
    bool crlf;
};

class GeneratedCaptures : public testing::TestWithParam<GenCase> { };

// Every reader stores exactly the beacons the generator meant to be stored,
// with the values the generator put into them.
TEST_P(GeneratedCaptures, ReadBackAsGenerated)
{
    const GenCase c = GetParam();
    CaptureOptions o;
    o.Kind = c.kind;
    o.Satellite = c.satellite;
    o.Packets = 120;
    o.Seed = 7;
    o.CrLf = c.crlf;
    const GeneratedCapture g = GenerateCapture(o);
    EXPECT_GT(g.Dropped, 0);

    TempDir dir;
    Module1 m;
    m.SatelliteNumber = c.satellite;
    RecordingHost host;
    ASSERT_TRUE(ReadCaptureFile(c.kind, m, host, dir.Write("capture", g.Bytes)).Ok);
    EXPECT_EQ(m.RecordCount, g.Packet1);
    EXPECT_EQ(m.Packet2Count, g.Packet2);

    // Beacon i is record i/2 + 1 of kind 1 (even i) or 2 (odd i).
    for (std::int64_t i = 0; i < o.Packets; ++i) {
        const int kind = i % 2 == 0 ? 1 : 2;
        Module1 expected;
        const auto info = MakeBeacon(kind, c.satellite, i, o.Seed);
        std::copy(info.begin(), info.end(), expected.FrameBuffer.begin() + 18);
        expected.RecordCount = expected.Packet2Count = 1;
        kind == 1 ? DecodePacket1(expected) : DecodePacket2(expected);
        ASSERT_EQ(
            m.Table.Record(i / 2 + 1).Values[kind == 1 ? 5 : 55], expected.Table.Record(1).Values[kind == 1 ? 5 : 55]);
        const auto& got = m.Table.Record(i / 2 + 1).Values;
        const auto& want = expected.Table.Record(1).Values;
        for (int f = kind == 1 ? 0 : 50; f <= (kind == 1 ? 45 : 104); ++f)
            ASSERT_EQ(got[static_cast<std::size_t>(f)], want[static_cast<std::size_t>(f)])
                << "beacon " << i << " field " << f;
    }
}

std::string GenCaseName(const testing::TestParamInfo<GenCase>& info)
{
    return std::string(CaptureKindName(info.param.kind)) + "_qb50p" + std::to_string(info.param.satellite)
        + (info.param.crlf ? "_crlf" : "");
}

// Every kind for either satellite, the second with CR LF line ends.
std::vector<GenCase> EveryKindAndSatellite()
{
    std::vector<GenCase> cases;
    for (const CaptureKind kind : AllCaptureKinds())
        for (const int satellite : {1, 2})
            cases.push_back({kind, satellite, satellite == 2});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, GeneratedCaptures, testing::ValuesIn(EveryKindAndSatellite()), GenCaseName);

TEST(CaptureGenerator, BeaconsLookLikeAPass)
{
    Module1 m;
    const auto info = MakeBeacon(1, 1, 10, 1);
    std::copy(info.begin(), info.end(), m.FrameBuffer.begin() + 18);
    m.RecordCount = 1;
    DecodePacket1(m);
    const auto& v = m.Table.Record(1).Values;
    EXPECT_EQ(v[0], 2);            // "norm"
    EXPECT_EQ(v[5], 254000 + 100); // uptime
    EXPECT_GT(v[13], 7.0);         // bus voltage
    EXPECT_LT(v[13], 8.5);
    EXPECT_GT(v[12], 10.0); // PA temperature
    EXPECT_LT(v[12], 40.0);
}

// A crowded channel: the KISS reader stores the beacons alone, drops every
// stranger's frame and counts it, and the import summary accounts for each.
TEST(CaptureGenerator, ACrowdedChannelAddsOnlyFramesToDrop)
{
    CaptureOptions o;
    o.Packets = 400;
    o.Crowded = true;
    o.Noise = false;
    const GeneratedCapture g = GenerateCapture(o);
    EXPECT_EQ(g.Dropped, o.Packets); // a stranger after every beacon
    TempDir dir;
    Module1 m;
    RecordingHost host;
    ASSERT_TRUE(ReadCaptureFile(CaptureKind::Kiss, m, host, dir.Write("crowded.kss", g.Bytes)).Ok);
    EXPECT_EQ(m.RecordCount, g.Packet1);
    EXPECT_EQ(m.Packet2Count, g.Packet2);
    const ImportSummary& s = m.Import;
    EXPECT_EQ(s.Units - s.TimeUnits - s.Stored1 - s.Stored2, g.Dropped);
}
