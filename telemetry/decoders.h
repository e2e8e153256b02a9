// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetrytable.h"

#include <array>
#include <cstdint>
#include <span>

// How a field's raw number is taken from the frame.
enum class FieldShape : std::uint8_t {
    Byte,        // one byte
    Word,        // unsigned 16-bit
    Long,        // unsigned 32-bit
    SignedWord,  // signed 16-bit
    SquaredWord, // unsigned 16-bit, squared before the factor (power readings)
    LowNibble,   // low four bits of one byte
    HighNibble,  // high four bits of one byte, 0 to 15
};

// One row of a packet's wire format: value = raw * Factor + Offset.
struct FieldLayout {
    int Field;
    int FirstByte;
    FieldShape Shape;
    double Factor;
    double Offset;
};

// The field rows of a packet kind, in their order on the wire.
std::span<const FieldLayout> PacketLayout(int kind);

// The row that decodes field, none for the spare fields 46 to 49.
const FieldLayout* FieldRow(int field);

// The value of one row for a stored packet's bytes (frame positions 18 on,
// PacketWidth of its kind): its wire value (the unsigned bytes it reads,
// a nibble shifted down), converted.
inline std::uint32_t FieldWireValue(const FieldLayout& row, const std::uint8_t* packet)
{
    const std::uint8_t* at = packet + (row.FirstByte - PacketFirstByte);
    auto word = [](const std::uint8_t* w) { return static_cast<std::uint32_t>(w[0] | w[1] << 8); };
    switch (row.Shape) {
    case FieldShape::Byte: return at[0];
    case FieldShape::Word:
    case FieldShape::SignedWord:
    case FieldShape::SquaredWord: return word(at);
    case FieldShape::Long: return word(at) | word(at + 2) << 16;
    case FieldShape::LowNibble: return at[0] & 0x0Fu;
    case FieldShape::HighNibble: return at[0] >> 4u;
    }
    return 0;
}
double FieldValueOf(const FieldLayout& row, std::uint32_t wire);
// Whether row's value is its wire value as it stands (factor 1, offset 0,
// not squared), and that whole number, signed for a signed word.
inline bool IsPlainCount(const FieldLayout& row)
{
    return row.Factor == 1 && row.Offset == 0 && row.Shape != FieldShape::SquaredWord;
}
inline std::int64_t PlainCountOf(const FieldLayout& row, std::uint32_t wire)
{
    return row.Shape == FieldShape::SignedWord
        ? std::int64_t{static_cast<std::int16_t>(static_cast<std::uint16_t>(wire))}
        : std::int64_t{wire};
}
double DecodeField(const FieldLayout& row, const std::uint8_t* packet);
// Every field of a packet of kind (1: fields 0 to 45, 2: 50 to 104) into values.
void DecodePacket(int kind, const std::uint8_t* packet, std::array<double, FieldCount>& values);
