// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoders.h"

#include <algorithm>
#include <iterator>

namespace {

using S = FieldShape;

// Wire format of packet kind 1 (general status, transceiver, antennas and
// solar panels, power subsystem). Bytes 33 to 35 are not read.
constexpr FieldLayout Packet1Rows[] = {
    {0, 22, S::Byte, 1, 0},
    {1, 23, S::Word, 1, 0},
    {2, 25, S::Word, 1, 0},
    {3, 27, S::Byte, 1, 0},
    {4, 28, S::Byte, 1, 0},
    {5, 29, S::Long, 1, 0},
    {6, 36, S::Word, 1, 0},
    {7, 38, S::Word, 1, 0},
    {8, 40, S::SquaredWord, 0.000239, 0},
    {9, 42, S::SquaredWord, 0.000239, 0},
    {10, 44, S::Word, 0.395, 0},
    {11, 46, S::Word, 0.395, 0},
    {12, 48, S::Word, -0.2959, 190},
    {13, 50, S::Word, 0.016129, 0},
    {14, 52, S::Word, 1, 0},
    {15, 54, S::Word, -0.2922, 190.65},
    {16, 56, S::Word, 1, 0},
    {17, 58, S::Word, -0.2922, 190.65},
    {18, 60, S::Word, 1, 0},
    {19, 62, S::Word, 1, 0},
    {20, 64, S::Word, 1, 0},
    {21, 66, S::Word, 1, 0},
    {22, 68, S::Word, 1, 0},
    {23, 70, S::Word, 1, 0},
    {24, 72, S::Word, 1, 0},
    {25, 74, S::Word, 1, 0},
    {26, 76, S::Word, 1, 0},
    {27, 78, S::Word, 1, 0},
    {28, 80, S::Word, 1, 0},
    {29, 82, S::Word, 1, 0},
    {30, 84, S::Word, 1, 0},
    {31, 86, S::Word, 1, 0},
    {32, 88, S::Word, 1, 0},
    {33, 90, S::SignedWord, 1, 0},
    {34, 92, S::SignedWord, 1, 0},
    {35, 94, S::SignedWord, 1, 0},
    {36, 96, S::SignedWord, 1, 0},
    {37, 98, S::Byte, 1, 0},
    {38, 99, S::Byte, 1, 0},
    {39, 100, S::Byte, 1, 0},
    {40, 101, S::Byte, 1, 0},
    {41, 102, S::SignedWord, 0.015625, 0},
    {42, 104, S::SignedWord, 0.015625, 0},
    {43, 106, S::SignedWord, 0.015625, 0},
    {44, 108, S::SignedWord, 0.015625, 0},
    {45, 110, S::SignedWord, 0.015625, 0},
};

// Wire format of packet kind 2 (the same status items, on-board computer
// supervisor, attitude determination and control). Bytes 33 to 35 are not read.
constexpr FieldLayout Packet2Rows[] = {
    {50, 22, S::Byte, 1, 0},
    {51, 23, S::Word, 1, 0},
    {52, 25, S::Word, 1, 0},
    {53, 27, S::Byte, 1, 0},
    {54, 28, S::Byte, 1, 0},
    {55, 29, S::Long, 1, 0},
    {56, 36, S::Byte, 1, 0},
    {57, 37, S::Long, 1, 0},
    {58, 41, S::Long, 1, 0},
    {59, 45, S::Long, 1, 0},
    {60, 49, S::Word, -0.2922, 191.97},
    {61, 51, S::Word, 4.888, 0},
    {62, 53, S::Word, 4.888, 0},
    {63, 55, S::Word, 2.444, 0},
    {64, 57, S::Word, 2.444, 0},
    {65, 59, S::Word, 2.444, 0},
    {66, 61, S::Word, 0.347, 0},
    {67, 63, S::Word, 0.122, 0},
    {68, 65, S::Word, 0.164, 0},
    {69, 67, S::Word, 4.888, 0},
    {70, 69, S::Byte, 1, 0},
    {71, 70, S::Long, 1, 0},
    {72, 74, S::Long, 1, 0},
    {73, 78, S::Byte, 1, 0},
    {74, 79, S::Byte, 1, 0},
    {75, 80, S::LowNibble, 1, 0},
    {76, 80, S::HighNibble, 1, 0},
    {77, 81, S::Byte, 1, 0},
    {78, 82, S::Byte, 1, 0},
    {79, 83, S::Byte, 1, 0},
    {80, 84, S::Byte, 1, 0},
    {81, 85, S::Byte, 1, 0},
    {82, 86, S::SignedWord, 0.001, 0},
    {83, 88, S::SignedWord, 0.001, 0},
    {84, 90, S::SignedWord, 0.001, 0},
    {85, 92, S::SignedWord, 0.001, 0},
    {86, 94, S::SignedWord, 1, 0},
    {87, 96, S::SignedWord, 1, 0},
    {88, 98, S::SignedWord, 1, 0},
    {89, 100, S::Byte, 1, 0},
    {90, 101, S::Byte, 1, 0},
    {91, 102, S::Byte, 1, 0},
    {92, 103, S::Byte, 1, 0},
    {93, 104, S::Byte, 1, 0},
    {94, 105, S::Byte, 1, 0},
    {95, 106, S::Word, 0.1, 0},
    {96, 108, S::Word, 0.1, 0},
    {97, 110, S::Word, 0.1, 0},
    {98, 112, S::Word, 0.1, 0},
    {99, 114, S::Word, 0.1, 0},
    {100, 116, S::Word, 0.1, 0},
    {101, 118, S::Word, 0.1, 0},
    {102, 120, S::Word, 0.1, 0},
    {103, 122, S::Byte, 1, 0},
    {104, 123, S::Byte, 1, 0},
};

// Every row reads inside the bytes its packet keeps.
constexpr int ShapeBytes(S shape)
{
    return shape == S::Long ? 4 : (shape == S::Byte || shape == S::LowNibble || shape == S::HighNibble) ? 1 : 2;
}
template <std::size_t N>
constexpr bool InsidePacket(const FieldLayout (&rows)[N], int kind)
{
    for (const FieldLayout& row : rows)
        if (row.FirstByte < PacketFirstByte || row.FirstByte + ShapeBytes(row.Shape) - 1 > PacketLastByte(kind))
            return false;
    return true;
}
static_assert(InsidePacket(Packet1Rows, 1) && InsidePacket(Packet2Rows, 2));

// Each packet kind's rows, by kind.
constexpr std::span<const FieldLayout> RowsOfKind[] = {Packet1Rows, Packet2Rows};
static_assert(std::size(RowsOfKind) == PacketKinds.size());

// Field number to row, null for the spare fields.
const std::array<const FieldLayout*, FieldCount> RowOfField = [] {
    std::array<const FieldLayout*, FieldCount> rows{};
    for (const std::span<const FieldLayout> kind : RowsOfKind)
        for (const FieldLayout& row : kind)
            rows[static_cast<std::size_t>(row.Field)] = &row;
    return rows;
}();

} // namespace

std::span<const FieldLayout> PacketLayout(int kind) { return RowsOfKind[static_cast<std::size_t>(kind - 1)]; }

const FieldLayout* FieldRow(int field)
{
    return field >= 0 && field < FieldCount ? RowOfField[static_cast<std::size_t>(field)] : nullptr;
}

double FieldValueOf(const FieldLayout& row, std::uint32_t wire)
{
    double raw = wire;
    if (row.Shape == S::SignedWord)
        raw = static_cast<std::int16_t>(static_cast<std::uint16_t>(wire));
    else if (row.Shape == S::SquaredWord)
        raw *= raw;
    // The product comes first, then the offset, exactly as the wire format
    // states each conversion.
    return raw * row.Factor + row.Offset;
}

double DecodeField(const FieldLayout& row, const std::uint8_t* packet)
{
    return FieldValueOf(row, FieldWireValue(row, packet));
}

void DecodePacket(int kind, const std::uint8_t* packet, std::array<double, FieldCount>& values)
{
    for (const FieldLayout& row : PacketLayout(kind))
        values[static_cast<std::size_t>(row.Field)] = DecodeField(row, packet);
}
