// SPDX-License-Identifier: GPL-3.0-or-later
#include "g3ruh9600.h"

#include <algorithm>
#include <cmath>

namespace {
// The low-pass: its cutoff as a share of the bit rate, its length in bits.
constexpr double LowPassCutoff = 0.8;
constexpr double LowPassBits = 4;

// Where the slicers cut, in the signal's RMS from its mean.
constexpr float Offsets[] = {-0.16F, -0.08F, 0.0F, 0.08F, 0.16F};
constexpr std::size_t MiddleSlicer = 2;

} // namespace

G3ruhDemodulator::G3ruhDemodulator(double sampleRate, const HdlcDeframer::FrameListener& onFrame)
    : lowPass_(LowPassTaps(
        std::min(0.45, LowPassCutoff * Baud / sampleRate), static_cast<int>(sampleRate / Baud * LowPassBits) | 1))
    // The mean and the RMS follow the signal over some 100 bits.
    , follow_(static_cast<float>(1.0 / (100 * sampleRate / Baud)))
{
    for (const float offset : Offsets)
        slicers_.push_back(
            std::make_unique<Slicer>(Slicer{offset, BitClock(sampleRate / Baud), 0, {}, HdlcDeframer(onFrame)}));
}

void G3ruhDemodulator::Samples(std::span<const float> samples)
{
    for (const float x : samples) {
        ++sample_;
        lowPass_.Push(x);
        const float y = lowPass_.Output();
        mean_ += follow_ * (y - mean_);
        power_ += follow_ * ((y - mean_) * (y - mean_) - power_);
        const float middle = mean_;
        const float swing = std::sqrt(power_);
        for (const auto& slicer : slicers_) {
            int level = 0;
            if (!slicer->Clock.Sample(y - middle - slicer->Offset * swing, level))
                continue;
            const int bit = G3ruhDescramble(slicer->Descrambler, level);
            slicer->Hdlc.Bit(slicer->Nrzi.Bit(bit), sample_);
        }
    }
}

std::int64_t G3ruhDemodulator::BadFcs() const { return slicers_[MiddleSlicer]->Hdlc.BadFcs(); }

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
