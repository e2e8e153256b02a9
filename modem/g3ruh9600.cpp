// SPDX-License-Identifier: GPL-3.0-or-later
#include "g3ruh9600.h"

#include <algorithm>
#include <cmath>

namespace {
// The low-passes: their cutoffs as shares of the bit rate, their length in
// bits; measured best on recordings with white and with band-limited noise.
constexpr double LowPassCutoffs[] = {0.75, 1.3};
constexpr double LowPassBits = 4;

// Where the slicers cut, in the signal's RMS from its mean.
constexpr float Offsets[] = {-0.15F, -0.1F, -0.05F, 0.0F, 0.05F, 0.1F, 0.15F};
constexpr std::size_t MiddleSlicer = 3;

} // namespace

G3ruhDemodulator::G3ruhDemodulator(double sampleRate, const HdlcDeframer::FrameListener& onFrame)
    // The mean and the RMS follow the signal over some 1000 bits.
    : follow_(static_cast<float>(1.0 / (1000 * sampleRate / Baud)))
{
    for (const double cutoff : LowPassCutoffs) {
        Path path{FirFilter(LowPassTaps(std::min(0.45, cutoff * Baud / sampleRate),
                      static_cast<int>(sampleRate / Baud * LowPassBits) | 1)),
            0, 0, {}};
        for (const float offset : Offsets)
            path.Slicers.push_back(
                std::make_unique<Slicer>(Slicer{offset, BitClock(sampleRate / Baud), 0, {}, HdlcDeframer(onFrame)}));
        paths_.push_back(std::move(path));
    }
}

void G3ruhDemodulator::Samples(std::span<const float> samples)
{
    for (const float x : samples) {
        ++sample_;
        for (Path& path : paths_) {
            path.LowPass.Push(x);
            const float y = path.LowPass.Output();
            path.Mean += follow_ * (y - path.Mean);
            path.Power += follow_ * ((y - path.Mean) * (y - path.Mean) - path.Power);
            const float swing = std::sqrt(path.Power);
            for (const auto& slicer : path.Slicers) {
                int level = 0;
                if (!slicer->Clock.Sample(y - path.Mean - slicer->Offset * swing, level))
                    continue;
                const int bit = G3ruhDescramble(slicer->Descrambler, level);
                slicer->Hdlc.Bit(slicer->Nrzi.Bit(bit), sample_);
            }
        }
    }
}

std::int64_t G3ruhDemodulator::BadFcs() const { return paths_.front().Slicers[MiddleSlicer]->Hdlc.BadFcs(); }

std::vector<float> G3ruhModulate(
    std::span<const std::vector<std::uint8_t>> frames, double sampleRate, double gapSeconds, int leadFlags)
{
    // Levels held for a bit each, then low-passed to the band a G3RUH
    // modem sends.
    FirFilter shape(LowPassTaps(std::min(0.45, 0.6 * G3ruhDemodulator::Baud / sampleRate),
        static_cast<int>(sampleRate / G3ruhDemodulator::Baud * 4) | 1));
    std::vector<float> sound;
    unsigned scrambler = 0;
    int level = 0;
    float value = 0;
    for (const std::vector<std::uint8_t>& frame : frames) {
        ForEachSampleOfBits(SentBits(frame, leadFlags), sampleRate, G3ruhDemodulator::Baud, [&](int bit, bool first) {
            if (first) {
                if (bit == 0)
                    level ^= 1;
                value = G3ruhScramble(scrambler, level) != 0 ? 0.5F : -0.5F;
            }
            shape.Push(value);
            sound.push_back(shape.Output());
        });
        for (std::size_t n = 0; n < static_cast<std::size_t>(gapSeconds * sampleRate); ++n) {
            shape.Push(0);
            sound.push_back(shape.Output());
        }
    }
    return sound;
}
