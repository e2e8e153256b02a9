#pragma once

#include "module1.h"

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

std::span<const FieldLayout> Packet1Layout();
std::span<const FieldLayout> Packet2Layout();

// The value of one row for the frame in the buffer.
double DecodeField(const FieldLayout& row, const FrameBytes& frame);

// Fields 0 to 45 of record RecordCount from the packet of kind 1 in FrameBuffer.
void DecodePacket1(Module1& m);
// Fields 50 to 104 of record Packet2Count from the packet of kind 2 in FrameBuffer.
void DecodePacket2(Module1& m);
