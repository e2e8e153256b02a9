// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "hexconv.h"
#include "readerhost.h"
#include "telemetry/satellite.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// A header as a server log writes it: continuous upper-case hex of the bytes
// from the destination address up to the control byte (positions 2 to 16).
inline constexpr std::array<char, 30> ServerLogHeaderText(const PacketHeader& header)
{
    std::array<char, 30> text{};
    for (std::size_t k = 0; k < 15; ++k) {
        text[2 * k] = UpperHexDigits[header[k + 1] >> 4];
        text[2 * k + 1] = UpperHexDigits[header[k + 1] & 0x0F];
    }
    return text;
}

// True when the frame's first 17 bytes are a built-in satellite's header. Any
// of them is accepted whichever satellite is chosen: the satellite number
// byte decides.
bool MatchesPacketHeader(std::span<const std::uint8_t> frame);

// The number of the built-in satellite whose packet an AX.25 frame (without
// the KISS type byte) is: its header, its number and a packet kind of 1 or
// 2; 0 for any other frame.
int BuiltInSatelliteOfFrame(std::span<const std::uint8_t> frame);

// Stores the packet in FrameBuffer as the next record of its kind when its kind
// byte (position 20) is 1 or 2 and, with checkSatellite, its satellite number
// byte (position 19) is the chosen satellite: counts it, keeps FrameTimeText
// as its time, reception as where and when it came, and decodes it. Returns
// the kind stored, or 0 when dropped.
int DispatchPacket(Module1& m, bool checkSatellite, const PacketInfo& reception);

// With a described satellite: hands frame (the whole frame as the capture
// holds it) on to be read with the description, with FrameTimeText and
// reception; kissDump: a KISS frame (its type byte given)
// that the dump page lists once it is stored, read again from its capture
// where rereadable. Frames are read in batches: every few thousand, and at
// the end of each file (FlushDescribed).
void DispatchDescribed(Module1& m, ReaderHost& host, std::span<const std::uint8_t> frame, const PacketInfo& reception,
    bool kissDump = false, bool rereadable = false, std::uint8_t typeByte = 0);

// Reads the frames handed on, on both cores, and stores those that parse as
// the next records; a frame that does not parse is counted, the first one's
// reason kept. The readers call it at the end of each file, live reception
// after each frame.
void FlushDescribed(Module1& m, ReaderHost& host);

// The bytes of the hex pairs of text into out, pairs either continuous
// ("A0B1") or blank-separated ("A0 B1"); pairs not of two hex digits count
// in bad and read as HexPairValue does.
void HexPairsToBytes(std::string_view text, bool spaced, std::vector<std::uint8_t>& out, std::int64_t& bad);

// Copies the bytes of a frame into FrameBuffer from position first on, and
// clears every position after them, so that a short packet decodes as zeros
// past its end and never as another frame's bytes.
void PutIntoFrameBuffer(Module1& m, int first, std::span<const std::uint8_t> bytes);

// Clears FrameBuffer from position on (up to 513, past its end, clears
// nothing), as a reader does past the bytes it has put there.
void ClearFrameBufferFrom(Module1& m, std::size_t position);
