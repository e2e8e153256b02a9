// SPDX-License-Identifier: GPL-3.0-or-later
// The beacons of the generated captures: every field's value as a satellite
// in orbit would send it, put into its bytes as the decoders read them.
#include "capturegen.h"
#include "seededrandom.h"

#include "telemetry/decoders.h"

#include <cmath>

namespace {

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
double Packet1Value(int field, const OrbitPhase& phase, SeededRandom& rnd)
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
double Packet2Value(int field, std::int64_t index, const BeaconTime& at, const OrbitPhase& phase, SeededRandom& rnd)
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
double FieldValue(int field, std::int64_t index, const BeaconTime& at, SeededRandom& rnd)
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
    SeededRandom rnd(
        static_cast<std::uint64_t>(seed) * 1000003u + static_cast<std::uint64_t>(index) * 2 + (first ? 0 : 1));
    for (const FieldLayout& row : PacketLayout(first ? 1 : 2))
        PutRaw(info, row, FieldValue(row.Field, index, at, rnd));
    return info;
}
