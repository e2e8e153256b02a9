// SPDX-License-Identifier: GPL-3.0-or-later
#include "frameencoders.h"

#include "input/dispatch.h"
#include "input/hexconv.h"
#include "input/kissframes.h"
#include "telemetry/satellite.h"

#include <algorithm>
#include <cmath>

std::string HexSpaced(ByteSpan bytes)
{
    std::string text;
    for (const std::uint8_t b : bytes) {
        AppendByteHex(text, b);
        text.push_back(' ');
    }
    return text;
}

std::string HexEscaped(ByteSpan bytes)
{
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (b == 0xC0)
            text.append("DBDC");
        else if (b == 0xDB)
            text.append("DBDD");
        else
            AppendByteHex(text, b);
    }
    return text;
}

void AppendKissFrame(std::string& out, ByteSpan frame) { AppendEscapedKissFrame(out, frame); }

std::vector<std::uint8_t> FullFrame(int headerSatellite, const std::vector<std::uint8_t>& info)
{
    const PacketHeader& header = BuiltInSatelliteOf(headerSatellite).Header;
    std::vector<std::uint8_t> frame(header.begin(), header.end());
    frame.insert(frame.end(), info.begin(), info.end());
    return frame;
}

std::string HexContinuous(ByteSpan bytes)
{
    std::string text;
    for (const std::uint8_t b : bytes)
        AppendByteHex(text, b);
    return text;
}

std::vector<std::uint8_t> KissTimeFrame(std::string_view time)
{
    std::vector<std::uint8_t> frame(time.size() + 1, 9);
    std::copy(time.begin(), time.end(), frame.begin() + 1);
    return frame;
}

std::vector<std::uint8_t> GrSatellitesStamp(std::int64_t milliseconds)
{
    std::vector<std::uint8_t> frame{9};
    for (int shift = 56; shift >= 0; shift -= 8)
        frame.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(milliseconds) >> shift));
    return frame;
}

std::string WavFile(std::span<const float> samples, int rate)
{
    std::string out;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int k = 0; k < bytes; ++k)
            out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
    };
    const auto data = static_cast<std::uint32_t>(2 * samples.size());
    out += "RIFF";
    put(36 + data, 4);
    out += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // one channel
    put(static_cast<std::uint32_t>(rate), 4);
    put(static_cast<std::uint32_t>(2 * rate), 4);
    put(2, 2);
    put(16, 2);
    out += "data";
    put(data, 4);
    for (const float x : samples) {
        const long v = std::lround(std::clamp(x, -1.0F, 1.0F) * 32767);
        put(static_cast<std::uint32_t>(v) & 0xFFFF, 2);
    }
    return out;
}
