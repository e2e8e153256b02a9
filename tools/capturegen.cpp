// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturegen.h"

#include "frameencoders.h"
#include "seededrandom.h"

#include "input/dispatch.h"
#include "input/hexconv.h"
#include "telemetry/decoders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Clock {
    std::string Date; // YYYY-MM-DD
    std::string Time; // HH:MM:SS
};

Clock ClockAt(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    const std::int64_t rest = seconds % 86400;
    // Civil date from days since 1970-01-01.
    days += 719468;
    const std::int64_t era = days / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char date[32];
    char time[32];
    std::snprintf(
        date, sizeof date, "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
        static_cast<int>(rest % 60));
    return {date, time};
}

// When each beacon is sent: every 10 s from the start, or with passes, every
// 10 to 30 s within passes of 6 to 12 minutes, hours apart, the satellite
// rebooting now and then between two passes.
std::vector<BeaconTime> Schedule(const CaptureOptions& o, SeededRandom& rnd)
{
    std::vector<BeaconTime> times;
    if (o.Passes <= 0) {
        for (std::int64_t i = 0; i < o.Packets; ++i) {
            const double elapsed = static_cast<double>(i * SecondsPerBeacon);
            times.push_back({elapsed, 0, 254000.0 + elapsed});
        }
        return times;
    }
    std::int64_t start = 0;
    std::int64_t bootedAt = -254000;
    int reboots = 0;
    for (int p = 0; p < o.Passes; ++p) {
        if (p > 0) {
            start += 5400 + static_cast<std::int64_t>(rnd.Next() % 24000); // 1.5 to 8 hours on
            if (rnd.Next() % 12 == 0) {
                ++reboots;
                bootedAt = start - 600 - static_cast<std::int64_t>(rnd.Next() % 3000);
            }
        }
        const std::int64_t end = start + 360 + static_cast<std::int64_t>(rnd.Next() % 361);
        for (std::int64_t t = start; t <= end; t += 10 + static_cast<std::int64_t>(rnd.Next() % 21))
            times.push_back({static_cast<double>(t), reboots, static_cast<double>(t - bootedAt)});
        start = end;
    }
    return times;
}

// One beacon's information field as a capture of o's kind writes it, received
// at seconds (since 1970): with its time, under the header of headerSatellite.
void AppendEntry(std::string& out, const CaptureOptions& o, std::int64_t seconds, const std::vector<std::uint8_t>& info,
    int satellite, int headerSatellite)
{
    const Clock clock = ClockAt(seconds);
    const std::string eol = o.CrLf ? "\r\n" : "\n";
    switch (o.Kind) {
    case CaptureKind::Kiss: {
        if (o.GrStamps)
            AppendKissFrame(out, GrSatellitesStamp(seconds * 1000));
        else
            AppendKissFrame(out, KissTimeFrame(clock.Date + " " + clock.Time + " UTC"));
        AppendKissFrame(out, FullFrame(headerSatellite, info));
        break;
    }
    case CaptureKind::ServerLog: {
        const std::vector<std::uint8_t> frame = FullFrame(headerSatellite, info);
        out += clock.Date + " " + clock.Time + " " + HexEscaped(std::span(frame).subspan(1)) + eol;
        break;
    }
    case CaptureKind::Satnogs: {
        const std::vector<std::uint8_t> frame = FullFrame(headerSatellite, info);
        out += clock.Date + " " + clock.Time + "|" + HexContinuous(std::span(frame).subspan(1)) + eol;
        break;
    }
    case CaptureKind::Audio: break; // the frames are sent as sound at the end
    case CaptureKind::Log: out += clock.Time + " " + HexSpaced(info) + eol; break;
    case CaptureKind::Text:
        out += "[" + clock.Date + " " + clock.Time + "] ";
        out.append(BuiltInSatelliteOf(satellite).Name).append(" beacon\r\n");
        out += HexSpaced(info) + "\r\n";
        break;
    }
}

// A frame of a crowded channel: another station's UI frame, or noise.
std::vector<std::uint8_t> StrangerFrame(SeededRandom& rnd)
{
    std::vector<std::uint8_t> frame;
    if (rnd.Next() % 2 == 0) {
        const std::string callsign = "ZZ" + std::to_string(1000 + rnd.Next() % 9000);
        const PacketHeader header = KissHeaderOf(callsign);
        frame.assign(header.begin(), header.end());
        frame.resize(frame.size() + 20 + rnd.Next() % 41);
        for (std::size_t k = header.size(); k < frame.size(); ++k)
            frame[k] = static_cast<std::uint8_t>(rnd.Next());
    } else {
        frame.resize(4 + rnd.Next() % 27);
        for (std::uint8_t& b : frame)
            b = static_cast<std::uint8_t>(rnd.Next());
    }
    return frame;
}

// The capture's end: with noise, a foreign station's frame (and in a KISS
// capture stray bytes after it); a sound recording's frames sent as sound.
void Finish(GeneratedCapture& g, const CaptureOptions& o, std::vector<std::vector<std::uint8_t>>& sent)
{
    if (o.Noise && (o.Kind == CaptureKind::Kiss || o.Kind == CaptureKind::Audio)) {
        std::vector<std::uint8_t> foreign = FullFrame(o.Satellite, MakeBeacon(1, o.Satellite, 0, o.Seed));
        foreign[2] = 0x9C;
        if (o.Kind == CaptureKind::Kiss) {
            AppendKissFrame(g.Bytes, foreign);
            g.Bytes += "noise";
        } else {
            sent.emplace_back(foreign.begin() + 1, foreign.end());
        }
        g.Dropped += 1;
    }
    if (o.Kind == CaptureKind::Audio)
        g.Bytes = WavFile(ModulateFrames(o.Modulation, sent, o.SampleRate, 0.1, o.SoundNoise, o.Seed), o.SampleRate);
}

} // namespace

GeneratedCapture GenerateCapture(const CaptureOptions& o)
{
    GeneratedCapture g;
    SeededRandom schedule(o.Seed ^ 0x5EEDu);
    const std::vector<BeaconTime> times = Schedule(o, schedule);
    // Another built-in satellite: the next row of the table.
    const auto row = static_cast<std::size_t>(&BuiltInSatelliteOf(o.Satellite) - BuiltInSatellites.data());
    const int other = BuiltInSatellites[(row + 1) % BuiltInSatellites.size()].Number;
    SeededRandom noise(o.Seed ^ 0xA5A5A5A5u);
    SeededRandom strangers(o.Seed ^ 0xC0FFEEu);
    std::vector<std::vector<std::uint8_t>> sent; // the frames of a sound recording

    auto emit = [&](std::int64_t beacon, int kind, int satellite, int headerSatellite, bool counted) {
        const BeaconTime& at = times[static_cast<std::size_t>(beacon)];
        if (counted)
            (kind == 1 ? g.Packet1 : g.Packet2) += 1;
        else
            g.Dropped += 1;
        const std::vector<std::uint8_t> info = MakeBeacon(kind, satellite, beacon, o.Seed, at);
        if (o.Kind == CaptureKind::Audio) {
            const std::vector<std::uint8_t> frame = FullFrame(headerSatellite, info);
            sent.emplace_back(frame.begin() + 1, frame.end()); // without the KISS type byte
        }
        AppendEntry(g.Bytes, o, StartSeconds + static_cast<std::int64_t>(at.Elapsed), info, satellite, headerSatellite);
    };

    const bool framed = o.Kind == CaptureKind::Kiss || o.Kind == CaptureKind::ServerLog
        || o.Kind == CaptureKind::Satnogs || o.Kind == CaptureKind::Audio;
    const auto beacons = static_cast<std::int64_t>(times.size());
    for (std::int64_t i = 0; i < beacons; ++i) {
        const int kind = (i % 2 == 0) ? 1 : 2;
        emit(i, kind, o.Satellite, o.Satellite, true);
        if (o.Crowded && o.Kind == CaptureKind::Kiss) {
            AppendKissFrame(g.Bytes, StrangerFrame(strangers));
            g.Dropped += 1;
        }
        if (!o.Noise || noise.Next() % 6 != 0)
            continue;
        if (framed) {
            // The other satellite, under either header; the satellite number
            // byte decides.
            emit(i, kind, other, (noise.Next() % 2) ? other : o.Satellite, false);
        } else {
            // A packet of a kind the decoder does not know.
            emit(i, 3, o.Satellite, o.Satellite, false);
        }
    }
    Finish(g, o, sent);
    return g;
}
