// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturegen.h"

#include "frameencoders.h"

#include "input/dispatch.h"
#include "input/hexconv.h"
#include "telemetry/decoders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// A small generator of our own, so that a seed gives the same capture on
// every platform.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed * 0x9E3779B97F4A7C15ull + 1)
    {
    }
    std::uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 16);
    }
    double Uniform(double low, double high) { return low + (high - low) * (Next() % 1000000) / 1e6; }

private:
    std::uint64_t state_;
};

constexpr std::int64_t StartSeconds = 1458209700; // 2016-03-17 10:15:00 UTC
constexpr int SecondsPerBeacon = 10;

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

// Where a beacon is in its orbit: a slow swing from -1 to 1, and the sun's
// share of it.
struct OrbitPhase {
    double Orbit;
    double Sun;
};

// The fields both packet kinds begin with (0 to 5, 50 to 55), counted from
// the first: mode, boot count, packet count, two slow counters, uptime.
double HeaderValue(int field, std::int64_t index, const BeaconTime& at)
{
    switch (field) {
    case 0: return index % 50 == 49 ? 130 : 2;         // norm, now and then norm safe
    case 1: return 12 + at.Reboots;                    // boot count
    case 2: return static_cast<double>(index % 65536); // packet count
    case 3: return static_cast<double>(index / 40 % 256);
    case 4: return static_cast<double>(index / 41 % 256);
    default: return at.Uptime; // uptime in seconds
    }
}

// The fields of packet kind 1 after its header.
double Packet1Value(int field, const OrbitPhase& phase, Random& rnd)
{
    const double orbit = phase.Orbit;
    const double sun = phase.Sun;
    switch (field) {
    case 6: return 32000 + 400 * orbit;       // Doppler
    case 7: return 180 + rnd.Uniform(0, 40);  // RSSI
    case 8: return rnd.Uniform(0.5, 3);       // reflected power, mW
    case 9: return 480 + rnd.Uniform(0, 40);  // forward power, mW
    case 10: return 160 + rnd.Uniform(0, 20); // TX current
    case 11: return 60 + rnd.Uniform(0, 5);
    case 12: return 25 + 8 * orbit;  // PA temperature
    case 13: return 7.6 + 0.4 * sun; // bus voltage
    case 14:
    case 16: return 0x0F; // deployment switches
    case 15:
    case 17: return 10 + 30 * orbit;
    case 18:
    case 19:
    case 20: return 4200 * sun + rnd.Uniform(0, 50);
    case 21: return 7800 + 300 * sun;
    case 22:
    case 23:
    case 24: return 150 * sun + rnd.Uniform(0, 5);
    case 25: return 450 * sun;
    case 26: return 210 + rnd.Uniform(0, 30);
    case 27:
    case 28:
    case 29: return 40 + rnd.Uniform(0, 20);
    case 30:
    case 31:
    case 32: return 20 + rnd.Uniform(0, 10);
    case 33:
    case 34:
    case 35: return std::round(5 + 20 * orbit);
    case 36: return std::round(12 + 6 * orbit);
    case 37: return 0xAB;
    case 38: return 3;
    case 39: return sun > 0.1 ? 4 : 3;
    case 40: return 1;
    case 41:
    case 42:
    case 43:
    case 44:
    case 45: return -5 + 40 * orbit;
    default: return 0;
    }
}

// The fields of packet kind 2 after its header.
double Packet2Value(int field, std::int64_t index, const BeaconTime& at, const OrbitPhase& phase, Random& rnd)
{
    const double elapsed = at.Elapsed;
    const double orbit = phase.Orbit;
    const double sun = phase.Sun;
    switch (field) {
    case 56: return 1;
    case 57: return at.Uptime - 4000;
    case 58: return 3600.0 + elapsed;
    case 59: return 7;
    case 60: return 18 + 6 * orbit;
    case 61:
    case 62: return 3300 + rnd.Uniform(-15, 15);
    case 63: return 2500 + rnd.Uniform(-5, 5);
    case 64: return 1800 + rnd.Uniform(-5, 5);
    case 65: return 1000 + rnd.Uniform(-5, 5);
    case 66: return 70 + rnd.Uniform(0, 10);
    case 67: return 25 + rnd.Uniform(0, 3);
    case 68: return 40 + rnd.Uniform(0, 3);
    case 69: return 3100 + rnd.Uniform(-10, 10);
    case 70: return static_cast<double>(index / 100 % 10);
    case 71: return 90000.0 + elapsed;
    case 72: return static_cast<double>(StartSeconds - 946684800) + elapsed;
    case 73: return index < 30 ? 3 : 5;
    case 74: return 0x5A;
    case 75: return 1;
    case 76: return index < 30 ? 2 : 4;
    case 77:
    case 78:
    case 79:
    case 80:
    case 81: return static_cast<double>(index % 2);
    case 82:
    case 83:
    case 84:
    case 85: return 2.5 * orbit + rnd.Uniform(-0.2, 0.2);
    case 86:
    case 87:
    case 88: return std::round(3000 * orbit + rnd.Uniform(-100, 100));
    case 89:
    case 90:
    case 91:
    case 92:
    case 93:
    case 94: return std::round(200 * sun);
    case 95:
    case 96:
    case 97:
    case 98:
    case 99:
    case 100:
    case 101:
    case 102: return 5 + rnd.Uniform(0, 40);
    case 103: return 21;
    case 104: return 30;
    default: return 0;
    }
}

// The engineering value of a field for beacon index at its time: slow
// orbital swings of temperatures and solar power, counters that count.
double FieldValue(int field, std::int64_t index, const BeaconTime& at, Random& rnd)
{
    const double orbit = std::sin(at.Elapsed * 2 * 3.14159265358979 / 5700.0);
    const OrbitPhase phase{orbit, orbit > 0 ? orbit : 0};
    constexpr int HeaderFields = 6;
    if (field < HeaderFields || (field >= FirstPacket2Field && field < FirstPacket2Field + HeaderFields))
        return HeaderValue(field % FirstPacket2Field, index, at);
    return field < FirstPacket2Field ? Packet1Value(field, phase, rnd) : Packet2Value(field, index, at, phase, rnd);
}

void PutRaw(std::vector<std::uint8_t>& field, const FieldLayout& row, double value)
{
    // field[0] is frame position 18.
    auto put = [&](int position, std::uint32_t byte) {
        field[static_cast<std::size_t>(position - 18)] |= static_cast<std::uint8_t>(byte);
    };
    double raw = (value - row.Offset) / row.Factor;
    if (row.Shape == FieldShape::SquaredWord)
        raw = std::sqrt(raw > 0 ? raw : 0);
    auto whole = static_cast<std::int64_t>(std::llround(raw));
    switch (row.Shape) {
    case FieldShape::Byte: put(row.FirstByte, static_cast<std::uint32_t>(whole) & 0xFF); break;
    case FieldShape::LowNibble: put(row.FirstByte, static_cast<std::uint32_t>(whole) & 0x0F); break;
    case FieldShape::HighNibble: put(row.FirstByte, (static_cast<std::uint32_t>(whole) & 0x0F) << 4); break;
    case FieldShape::Word:
    case FieldShape::SquaredWord:
    case FieldShape::SignedWord: {
        const auto w = static_cast<std::uint32_t>(whole) & 0xFFFF;
        put(row.FirstByte, w & 0xFF);
        put(row.FirstByte + 1, w >> 8);
        break;
    }
    case FieldShape::Long: {
        const auto l = static_cast<std::uint32_t>(whole);
        for (int k = 0; k < 4; ++k)
            put(row.FirstByte + k, (l >> (8 * k)) & 0xFF);
        break;
    }
    }
}

} // namespace

std::vector<std::uint8_t> MakeBeacon(int kind, int satellite, std::int64_t index, std::uint32_t seed)
{
    const double elapsed = static_cast<double>(index * SecondsPerBeacon);
    return MakeBeacon(kind, satellite, index, seed, BeaconTime{elapsed, 0, 254000.0 + elapsed});
}

std::vector<std::uint8_t> MakeBeacon(
    int kind, int satellite, std::int64_t index, std::uint32_t seed, const BeaconTime& at)
{
    const bool first = kind == 1;
    std::vector<std::uint8_t> info(static_cast<std::size_t>((first ? 111 : 123) - 17), 0);
    info[0] = 0x00;
    info[1] = static_cast<std::uint8_t>(satellite);
    info[2] = static_cast<std::uint8_t>(kind);
    Random rnd(static_cast<std::uint64_t>(seed) * 1000003u + static_cast<std::uint64_t>(index) * 2 + (first ? 0 : 1));
    for (const FieldLayout& row : first ? Packet1Layout() : Packet2Layout())
        PutRaw(info, row, FieldValue(row.Field, index, at, rnd));
    return info;
}

namespace {

// When each beacon is sent: every 10 s from the start, or with passes, every
// 10 to 30 s within passes of 6 to 12 minutes, hours apart, the satellite
// rebooting now and then between two passes.
std::vector<BeaconTime> Schedule(const CaptureOptions& o, Random& rnd)
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
std::vector<std::uint8_t> StrangerFrame(Random& rnd)
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

} // namespace

GeneratedCapture GenerateCapture(const CaptureOptions& o)
{
    GeneratedCapture g;
    Random schedule(o.Seed ^ 0x5EEDu);
    const std::vector<BeaconTime> times = Schedule(o, schedule);
    // Another built-in satellite: the next row of the table.
    const auto row = static_cast<std::size_t>(&BuiltInSatelliteOf(o.Satellite) - BuiltInSatellites.data());
    const int other = BuiltInSatellites[(row + 1) % BuiltInSatellites.size()].Number;
    Random noise(o.Seed ^ 0xA5A5A5A5u);
    Random strangers(o.Seed ^ 0xC0FFEEu);
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
    if (o.Noise && o.Kind == CaptureKind::Kiss) {
        // A frame of a foreign station, and stray bytes between two frames.
        std::vector<std::uint8_t> foreign = FullFrame(o.Satellite, MakeBeacon(1, o.Satellite, 0, o.Seed));
        foreign[2] = 0x9C;
        AppendKissFrame(g.Bytes, foreign);
        g.Bytes += "noise";
        g.Dropped += 1;
    }
    if (o.Kind == CaptureKind::Audio) {
        if (o.Noise) { // a foreign station's frame
            std::vector<std::uint8_t> foreign = FullFrame(o.Satellite, MakeBeacon(1, o.Satellite, 0, o.Seed));
            foreign[2] = 0x9C;
            sent.emplace_back(foreign.begin() + 1, foreign.end());
            g.Dropped += 1;
        }
        g.Bytes = WavFile(ModulateFrames(o.Modulation, sent, o.SampleRate, 0.1, o.SoundNoise, o.Seed), o.SampleRate);
    }
    return g;
}
