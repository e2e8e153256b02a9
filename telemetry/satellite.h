// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The first 17 bytes of a satellite's frames: KISS type byte 0, destination
// and source address (the satellite's callsign) with SSID 0, control 0x03
// (UI frame), protocol identifier 0xF0 (no layer 3). Address characters are
// shifted left by one bit, as AX.25 writes them.
using PacketHeader = std::array<std::uint8_t, 17>;

constexpr PacketHeader KissHeaderOf(std::string_view callsign)
{
    PacketHeader header{};
    for (std::size_t address = 0; address < 2; ++address) {
        for (std::size_t k = 0; k < 6; ++k) {
            const char c = k < callsign.size() ? callsign[k] : ' ';
            header[1 + 7 * address + k] = static_cast<std::uint8_t>(static_cast<unsigned char>(c) << 1);
        }
        header[7 + 7 * address] = 0x00; // SSID 0
    }
    header[15] = 0x03;
    header[16] = 0xF0;
    return header;
}

// A satellite the program decodes without a description: its number (the
// satellite number byte at frame position 19, and what -s and the window's
// button choose), its name, and the callsign its frames are addressed with.
// Every built-in satellite sends the same two packet kinds, whose fields
// are the decoders' tables (PacketLayout) and the field
// catalogue. A satellite of another format is read with a description.
struct BuiltInSatellite {
    int Number;
    std::string_view Name;
    std::string_view Callsign;
    PacketHeader Header; // KissHeaderOf(Callsign)
};

inline constexpr std::array<BuiltInSatellite, 2> BuiltInSatellites{{
    {1, "QB50p1", "QB50P1", KissHeaderOf("QB50P1")},
    {2, "QB50p2", "QB50P2", KissHeaderOf("QB50P2")},
}};

// The row of satellite number; the first row for a number of none.
const BuiltInSatellite& BuiltInSatelliteOf(int number);

// The satellite a program is told to decode: its number or its name in any
// letter case. Anything else is no satellite.
std::optional<int> ParseSatellite(std::string_view text);

// Whether a satellite given as text that is no built-in satellite names a
// description file: it ends in ".ksy" or holds a path separator.
bool NamesDescriptionFile(std::string_view text);

// What ParseSatellite takes, for help and error messages: "1, 2, QB50p1 or
// QB50p2"; the names alone: "QB50p1 or QB50p2"; the numbers for a usage
// line: "1|2".
std::string SatelliteChoices();
std::string SatelliteNames();
std::string SatelliteNumbers();
