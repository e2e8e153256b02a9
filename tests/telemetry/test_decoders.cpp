// SPDX-License-Identifier: GPL-3.0-or-later
#include "fields/numberformat.h"
#include "telemetry/decoders.h"
#include "telemetry/fieldreaders.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

FrameBytes FrameWith(std::initializer_list<std::pair<int, int>> bytes)
{
    FrameBytes f{};
    for (const auto& [position, value] : bytes)
        f[static_cast<std::size_t>(position)] = static_cast<std::uint8_t>(value);
    return f;
}

} // namespace

TEST(FieldReaders, LittleEndianWordsAndLongs)
{
    auto f = FrameWith({{22, 0x34}, {23, 0x12}, {24, 0xFF}, {25, 0xFF}});
    EXPECT_EQ(ReadWord(f, 22), 4660u);
    EXPECT_EQ(ReadWord(f, 24), 65535u);
    EXPECT_EQ(ReadByte(f, 23), 0x12u);

    f = FrameWith({{30, 1}});
    EXPECT_EQ(ReadLong(f, 30), 1u);
    f = FrameWith({{30, 0xFF}, {31, 0xFF}, {32, 0xFF}, {33, 0x7F}});
    EXPECT_EQ(ReadLong(f, 30), 2147483647u);
    // A highest byte of 0x80 or more is an ordinary large value.
    f = FrameWith({{30, 0x00}, {31, 0x00}, {32, 0x00}, {33, 0x80}});
    EXPECT_EQ(ReadLong(f, 30), 2147483648u);
    f = FrameWith({{30, 0xFF}, {31, 0xFF}, {32, 0xFF}, {33, 0xFF}});
    EXPECT_EQ(ReadLong(f, 30), 4294967295u);
}

TEST(FieldReaders, SignedWordsAreTwosComplement)
{
    EXPECT_EQ(ReadSignedWord(FrameWith({{40, 0xFF}, {41, 0x7F}}), 40), 32767);
    EXPECT_EQ(ReadSignedWord(FrameWith({{40, 0x00}, {41, 0x80}}), 40), -32768);
    EXPECT_EQ(ReadSignedWord(FrameWith({{40, 0xFE}, {41, 0xFF}}), 40), -2);
    EXPECT_EQ(ReadSignedWord(FrameWith({{40, 0xFF}, {41, 0xFF}}), 40), -1);
    EXPECT_EQ(ReadSignedWord(FrameWith({}), 40), 0);
}

TEST(FieldReaders, PositionsOutsideTheBufferReadAsZero)
{
    FrameBytes f{};
    f.fill(0xFF);
    EXPECT_EQ(ReadWord(f, 512), 0xFFu); // the high byte would be position 513
    EXPECT_EQ(ReadLong(f, 0), 0xFFFFFF00u);
    EXPECT_EQ(ReadByte(f, 600), 0u);
}

// Every field of both packet kinds, typed again from the wire format: the
// position of its first byte, the bytes placed there and the value expected.
struct FieldCase {
    int field;
    int position;
    std::vector<int> bytes;
    double expected;
};

class DecoderFields : public testing::TestWithParam<FieldCase> { };

TEST_P(DecoderFields, ReadsItsBytesWithItsConversion)
{
    const FieldCase& c = GetParam();
    Module1 m;
    for (std::size_t k = 0; k < c.bytes.size(); ++k)
        m.FrameBuffer[static_cast<std::size_t>(c.position) + k] = static_cast<std::uint8_t>(c.bytes[k]);
    if (c.field < 50) {
        m.RecordCount = 1;
        DecodePacket1(m);
    } else {
        m.Packet2Count = 1;
        DecodePacket2(m);
    }
    EXPECT_DOUBLE_EQ(m.Table.Record(1).Values[static_cast<std::size_t>(c.field)], c.expected) << "field " << c.field;
}

std::string FieldCaseName(const testing::TestParamInfo<FieldCase>& info)
{
    return "field" + std::to_string(info.param.field);
}

// 1000 as a little-endian word is E8 03; -1000 as a signed word is 18 FC.
INSTANTIATE_TEST_SUITE_P(Packet1, DecoderFields,
    testing::Values(FieldCase{0, 22, {130}, 130}, FieldCase{1, 23, {0xE8, 3}, 1000}, FieldCase{2, 25, {0xE8, 3}, 1000},
        FieldCase{3, 27, {7}, 7}, FieldCase{4, 28, {9}, 9}, FieldCase{5, 29, {1, 2, 3, 4}, 0x04030201},
        FieldCase{6, 36, {0xE8, 3}, 1000}, FieldCase{7, 38, {0xE8, 3}, 1000},
        FieldCase{8, 40, {0xE8, 3}, 1000.0 * 1000.0 * 0.000239}, FieldCase{9, 42, {0xE8, 3}, 239.0},
        FieldCase{10, 44, {0xE8, 3}, 395.0}, FieldCase{11, 46, {0xE8, 3}, 395.0},
        FieldCase{12, 48, {0xE8, 3}, 1000 * -0.2959 + 190}, FieldCase{13, 50, {0xE8, 3}, 1000 * 0.016129},
        FieldCase{14, 52, {0xAB, 0}, 0xAB}, FieldCase{15, 54, {0xE8, 3}, 1000 * -0.2922 + 190.65},
        FieldCase{16, 56, {0x0F, 1}, 0x10F}, FieldCase{17, 58, {0xE8, 3}, 1000 * -0.2922 + 190.65},
        FieldCase{18, 60, {0xE8, 3}, 1000}, FieldCase{19, 62, {0xE8, 3}, 1000}, FieldCase{20, 64, {0xE8, 3}, 1000},
        FieldCase{21, 66, {0xE8, 3}, 1000}, FieldCase{22, 68, {0xE8, 3}, 1000}, FieldCase{23, 70, {0xE8, 3}, 1000},
        FieldCase{24, 72, {0xE8, 3}, 1000}, FieldCase{25, 74, {0xE8, 3}, 1000}, FieldCase{26, 76, {0xE8, 3}, 1000},
        FieldCase{27, 78, {0xE8, 3}, 1000}, FieldCase{28, 80, {0xE8, 3}, 1000}, FieldCase{29, 82, {0xE8, 3}, 1000},
        FieldCase{30, 84, {0xE8, 3}, 1000}, FieldCase{31, 86, {0xE8, 3}, 1000}, FieldCase{32, 88, {0xE8, 3}, 1000},
        FieldCase{33, 90, {0x18, 0xFC}, -1000}, FieldCase{34, 92, {0x18, 0xFC}, -1000},
        FieldCase{35, 94, {0x18, 0xFC}, -1000}, FieldCase{36, 96, {0x18, 0xFC}, -1000}, FieldCase{37, 98, {0xAB}, 0xAB},
        FieldCase{38, 99, {3}, 3}, FieldCase{39, 100, {4}, 4}, FieldCase{40, 101, {2}, 2},
        FieldCase{41, 102, {0x40, 0xFF}, -3}, FieldCase{42, 104, {0x40, 0xFF}, -3},
        FieldCase{43, 106, {0x40, 0xFF}, -3}, FieldCase{44, 108, {0x40, 0xFF}, -3},
        FieldCase{45, 110, {0x40, 0xFF}, -3}),
    FieldCaseName);

INSTANTIATE_TEST_SUITE_P(Packet2, DecoderFields,
    testing::Values(FieldCase{50, 22, {2}, 2}, FieldCase{51, 23, {0xE8, 3}, 1000}, FieldCase{52, 25, {0xE8, 3}, 1000},
        FieldCase{53, 27, {7}, 7}, FieldCase{54, 28, {9}, 9}, FieldCase{55, 29, {0, 0, 0, 0x80}, 2147483648.0},
        FieldCase{56, 36, {5}, 5}, FieldCase{57, 37, {1, 2, 3, 4}, 0x04030201},
        FieldCase{58, 41, {1, 2, 3, 4}, 0x04030201}, FieldCase{59, 45, {0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0},
        FieldCase{60, 49, {0xE8, 3}, 1000 * -0.2922 + 191.97}, FieldCase{61, 51, {0xFF, 3}, 1023 * 4.888},
        FieldCase{62, 53, {0xE8, 3}, 1000 * 4.888}, FieldCase{63, 55, {0xE8, 3}, 1000 * 2.444},
        FieldCase{64, 57, {0xE8, 3}, 1000 * 2.444}, FieldCase{65, 59, {0xE8, 3}, 1000 * 2.444},
        FieldCase{66, 61, {0xE8, 3}, 1000 * 0.347}, FieldCase{67, 63, {0xE8, 3}, 1000 * 0.122},
        FieldCase{68, 65, {0xE8, 3}, 1000 * 0.164}, FieldCase{69, 67, {0xE8, 3}, 1000 * 4.888},
        FieldCase{70, 69, {9}, 9}, FieldCase{71, 70, {0x58, 2, 0, 0}, 600}, FieldCase{72, 74, {0x58, 2, 0, 0}, 600},
        FieldCase{73, 78, {6}, 6}, FieldCase{74, 79, {0x5A}, 0x5A}, FieldCase{75, 80, {0x5A}, 10},
        FieldCase{76, 80, {0x5A}, 5}, FieldCase{77, 81, {1}, 1}, FieldCase{78, 82, {2}, 2}, FieldCase{79, 83, {3}, 3},
        FieldCase{80, 84, {4}, 4}, FieldCase{81, 85, {5}, 5}, FieldCase{82, 86, {0x18, 0xFC}, -1000 * 0.001},
        FieldCase{83, 88, {0x18, 0xFC}, -1000 * 0.001}, FieldCase{84, 90, {0xE8, 3}, 1000 * 0.001},
        FieldCase{85, 92, {0xE8, 3}, 1000 * 0.001}, FieldCase{86, 94, {0x18, 0xFC}, -1000},
        FieldCase{87, 96, {0x18, 0xFC}, -1000}, FieldCase{88, 98, {0xE8, 3}, 1000}, FieldCase{89, 100, {11}, 11},
        FieldCase{90, 101, {12}, 12}, FieldCase{91, 102, {13}, 13}, FieldCase{92, 103, {14}, 14},
        FieldCase{93, 104, {15}, 15}, FieldCase{94, 105, {16}, 16}, FieldCase{95, 106, {0xE8, 3}, 1000 * 0.1},
        FieldCase{96, 108, {0xE8, 3}, 1000 * 0.1}, FieldCase{97, 110, {0xE8, 3}, 1000 * 0.1},
        FieldCase{98, 112, {0xE8, 3}, 1000 * 0.1}, FieldCase{99, 114, {0xE8, 3}, 1000 * 0.1},
        FieldCase{100, 116, {0xE8, 3}, 1000 * 0.1}, FieldCase{101, 118, {0xE8, 3}, 1000 * 0.1},
        FieldCase{102, 120, {0xE8, 3}, 1000 * 0.1}, FieldCase{103, 122, {21}, 21}, FieldCase{104, 123, {30}, 30}),
    FieldCaseName);

TEST(Decoders, ZeroRawValuesGiveTheOffsets)
{
    Module1 m;
    m.RecordCount = 1;
    m.Packet2Count = 1;
    DecodePacket1(m);
    DecodePacket2(m);
    const auto& v = m.Table.Record(1).Values;
    EXPECT_EQ(v[12], 190.0);
    EXPECT_EQ(v[15], 190.65);
    EXPECT_EQ(v[60], 191.97);
    for (int field = 46; field <= 49; ++field)
        EXPECT_EQ(v[static_cast<std::size_t>(field)], 0.0);
}

TEST(Decoders, EachKindWritesOnlyItsOwnFieldsOfItsOwnRecord)
{
    Module1 m;
    m.FrameBuffer.fill(0x11);
    m.RecordCount = 2;
    m.Packet2Count = 1;
    DecodePacket1(m);
    const auto& r2 = m.Table.Record(2).Values;
    EXPECT_NE(r2[0], 0.0);
    EXPECT_NE(r2[45], 0.0);
    for (int field = 46; field < FieldCount; ++field)
        EXPECT_EQ(r2[static_cast<std::size_t>(field)], 0.0) << field;
    EXPECT_EQ(m.Table.Record(1).Values[0], 0.0);

    DecodePacket2(m);
    const auto& r1 = m.Table.Record(1).Values;
    for (int field = 0; field < 50; ++field)
        EXPECT_EQ(r1[static_cast<std::size_t>(field)], 0.0) << field;
    EXPECT_NE(r1[104], 0.0);
}

TEST(Decoders, LargeUptimeNoLongerAbortsThePacket)
{
    Module1 m;
    m.FrameBuffer[32] = 0x80; // highest byte of the uptime
    m.FrameBuffer[110] = 0x40;
    m.FrameBuffer[111] = 0xFF;
    m.RecordCount = 1;
    DecodePacket1(m);
    EXPECT_EQ(m.Table.Record(1).Values[5], 2147483648.0);
    EXPECT_EQ(m.Table.Record(1).Values[45], -3.0);
}

TEST(Decoders, FormattedConstantsMatchTheBeaconDocumentation)
{
    // The values as the record view shows them.
    EXPECT_EQ(FormatFixed2(1000 * -0.2959 + 190, "."), "-105.90");
    EXPECT_EQ(FormatFixed2(1000 * -0.2922 + 191.97, "."), "-100.23");
    EXPECT_EQ(FormatFixed2(1023 * 4.888, "."), "5000.42");
}
