// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "input/capturereaders.h"
#include "modem/modems.h"

#include <cstdint>
#include <string>
#include <vector>

// Synthetic captures of every kind, with plausible beacons of either
// satellite: tests, benchmarks and the bundled samples are made with it.

struct CaptureOptions {
    CaptureKind Kind = CaptureKind::Kiss;
    int Satellite = 1;
    std::int64_t Packets = 20; // beacons of the chosen satellite, kinds 1 and 2 taking turns
    std::uint32_t Seed = 1;
    // Frames the readers must drop: the other satellite, a foreign station,
    // an unknown packet kind (KISS and server logs only; the log and text
    // readers take every packet line, so those files get lines of an unknown
    // packet kind instead).
    bool Noise = true;
    // KISS: after every beacon a frame no satellite of ours sent, as a
    // busy channel gives them: another station's UI frame (20 to 60 bytes
    // of payload) or a burst of noise (4 to 30 random bytes), in turn at
    // random.
    bool Crowded = false;
    bool CrLf = false;     // CR LF line ends for log and server-log files (text files always have them)
    bool GrStamps = false; // KISS: gr-satellites' 8-byte millisecond stamps instead of time texts
    // With passes: that many passes of 6 to 12 minutes, hours apart over
    // days, a beacon every 10 to 30 s (Packets is then not used).
    int Passes = 0;
    // Sound: the modem the frames are sent with, the sample rate, and white
    // noise of that standard deviation (the signal's peak is 0.5). The
    // frames follow each other a tenth of a second apart.
    Modem Modulation = Modem::G3ruh9600;
    int SampleRate = 48000;
    double SoundNoise = 0;
};

struct GeneratedCapture {
    std::string Bytes;
    std::int64_t Packet1 = 0; // records of kind 1 the readers must store
    std::int64_t Packet2 = 0; // records of kind 2
    std::int64_t Dropped = 0; // frames or lines written to be dropped
};

GeneratedCapture GenerateCapture(const CaptureOptions& options);

// A capture starts at 2016-03-17 10:15:00 UTC (seconds since 1970), and its
// beacons follow each other this far apart where no passes are asked for.
inline constexpr std::int64_t StartSeconds = 1458209700;
inline constexpr int SecondsPerBeacon = 10;

// When a beacon is sent: seconds since the capture's start (2016-03-17
// 10:15:00 UTC), reboots since then, and the uptime in seconds.
struct BeaconTime {
    double Elapsed = 0;
    int Reboots = 0;
    double Uptime = 254000;
};

// The information field of one beacon (frame positions 18 onward): satellite
// number, packet kind and the fields of beacon number index, sent every 10 s.
std::vector<std::uint8_t> MakeBeacon(int kind, int satellite, std::int64_t index, std::uint32_t seed);
std::vector<std::uint8_t> MakeBeacon(
    int kind, int satellite, std::int64_t index, std::uint32_t seed, const BeaconTime& at);
