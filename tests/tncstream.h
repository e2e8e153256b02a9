// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tools/capturegen.h"
#include "tools/frameencoders.h"

#include <string>
#include <vector>

// What a TNC sends for a pass: the beacons' data frames on ports 0 and 1,
// KISS commands, bytes between frames, and a frame far too long.
inline std::string TncStream(int beacons = 20)
{
    std::string bytes = "garbage before the first FEND";
    for (int i = 0; i < beacons; ++i) {
        std::vector<std::uint8_t> frame = FullFrame(1, MakeBeacon(1 + i % 2, 1, i, 1));
        frame[0] = i % 3 == 0 ? 0x10 : 0x00; // port 1 or port 0
        AppendKissFrame(bytes, frame);
        if (i % 5 == 0)
            AppendKissFrame(bytes, std::vector<std::uint8_t>{0x01, 50}); // TXDELAY
        if (i % 7 == 0)
            bytes += "noise";
    }
    AppendKissFrame(bytes, std::vector<std::uint8_t>(5000, 0x42));
    // A beacon with the bytes that need escaping.
    std::vector<std::uint8_t> info = MakeBeacon(1, 1, 99, 1);
    info[10] = 0xC0;
    info[11] = 0xDB;
    AppendKissFrame(bytes, FullFrame(1, info));
    return bytes;
}
