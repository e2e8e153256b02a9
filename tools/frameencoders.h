// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The pieces of captures as the stations' programs write them, for the
// generator and for tests that need a frame of their own.

using ByteSpan = std::span<const std::uint8_t>;

// A whole frame as the KISS reader sees it: type byte 0, the AX.25 header of
// the built-in satellite numbered headerSatellite, then the information field (frame
// positions 18 onward).
std::vector<std::uint8_t> FullFrame(int headerSatellite, const std::vector<std::uint8_t>& info);

// A KISS time frame: type byte 9, then the time text.
std::vector<std::uint8_t> KissTimeFrame(std::string_view time);

// gr-satellites' time frame: type byte 9, then the milliseconds since 1970
// as 8 big-endian bytes.
std::vector<std::uint8_t> GrSatellitesStamp(std::int64_t milliseconds);

// FEND, the frame with FEND and FESC escaped, FEND.
void AppendKissFrame(std::string& out, ByteSpan frame);

// "XX " for every byte, as log and text captures write the information field.
std::string HexSpaced(ByteSpan bytes);

// Continuous upper-case hex, as a SatNOGS DB export writes a frame.
std::string HexContinuous(ByteSpan bytes);

// Continuous upper-case hex with the KISS escapes of a server log (C0 as
// DBDC, DB as DBDD).
std::string HexEscaped(ByteSpan bytes);

// A WAV file of samples (from -1 to 1) at rate: one channel, 16 bits.
std::string WavFile(std::span<const float> samples, int rate);
