// SPDX-License-Identifier: GPL-3.0-or-later
#include "afsk1200.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float SpaceGains[] = {0.5F, 0.7F, 1.0F, 1.4F, 2.0F, 2.8F, 4.0F};
constexpr std::size_t EvenSlicer = 2; // the one that weighs both tones alike

// The band-pass before the tones are measured, and the low-pass of each
// tone's strength, in bits: measured best on recordings with white noise.
constexpr double BandPassBits = 2;
constexpr double ToneLowPassBits = 2.5;
int DecimationFor(double rate) { return std::max(1, static_cast<int>(rate / 24000)); }

std::complex<float> Turn(double frequency, double rate)
{
    const double w = -2 * std::numbers::pi * frequency / rate;
    return {static_cast<float>(std::cos(w)), static_cast<float>(std::sin(w))};
}

} // namespace

AfskDemodulator::AfskDemodulator(double sampleRate, const HdlcDeframer::FrameListener& onFrame)
    : decimation_(DecimationFor(sampleRate))
    , band_(BandPassTaps(900 / sampleRate, 2500 / sampleRate, static_cast<int>(sampleRate / Baud * BandPassBits) | 1))
    , markTurn_(Turn(Mark, sampleRate / decimation_))
    , spaceTurn_(Turn(Space, sampleRate / decimation_))
    , markI_(LowPassTaps(
          Baud * 0.6 * decimation_ / sampleRate, static_cast<int>(sampleRate / decimation_ / Baud * ToneLowPassBits)))
    , markQ_(LowPassTaps(
          Baud * 0.6 * decimation_ / sampleRate, static_cast<int>(sampleRate / decimation_ / Baud * ToneLowPassBits)))
    , spaceI_(LowPassTaps(
          Baud * 0.6 * decimation_ / sampleRate, static_cast<int>(sampleRate / decimation_ / Baud * ToneLowPassBits)))
    , spaceQ_(LowPassTaps(
          Baud * 0.6 * decimation_ / sampleRate, static_cast<int>(sampleRate / decimation_ / Baud * ToneLowPassBits)))
{
    const double samplesPerBit = sampleRate / decimation_ / Baud;
    for (const float gain : SpaceGains)
        slicers_.push_back(std::make_unique<Slicer>(Slicer{gain, BitClock(samplesPerBit), {}, HdlcDeframer(onFrame)}));
}

void AfskDemodulator::Samples(std::span<const float> samples)
{
    for (const float x : samples) {
        ++sample_;
        band_.Push(x);
        if (++skip_ < decimation_)
            continue;
        skip_ = 0;
        const float y = band_.Output();
        markOscillator_ *= markTurn_;
        spaceOscillator_ *= spaceTurn_;
        if (++renormalize_ == 1024) { // rounding would let the oscillators drift in size
            renormalize_ = 0;
            markOscillator_ /= std::abs(markOscillator_);
            spaceOscillator_ /= std::abs(spaceOscillator_);
        }
        markI_.Push(y * markOscillator_.real());
        markQ_.Push(y * markOscillator_.imag());
        spaceI_.Push(y * spaceOscillator_.real());
        spaceQ_.Push(y * spaceOscillator_.imag());
        const float mark = std::hypot(markI_.Output(), markQ_.Output());
        const float space = std::hypot(spaceI_.Output(), spaceQ_.Output());
        for (const auto& slicer : slicers_) {
            int level = 0;
            if (slicer->Clock.Sample(mark - slicer->SpaceGain * space, level))
                slicer->Hdlc.Bit(slicer->Nrzi.Bit(level), sample_);
        }
    }
}

std::int64_t AfskDemodulator::BadFcs() const { return slicers_[EvenSlicer]->Hdlc.BadFcs(); }

std::vector<float> AfskModulate(
    std::span<const std::vector<std::uint8_t>> frames, double sampleRate, double gapSeconds, int leadFlags)
{
    std::vector<float> sound;
    double phase = 0;
    int level = 1;
    for (const std::vector<std::uint8_t>& frame : frames) {
        ForEachSampleOfBits(SentBits(frame, leadFlags), sampleRate, AfskDemodulator::Baud, [&](int bit, bool first) {
            if (first && bit == 0)
                level ^= 1;
            const double frequency = level != 0 ? AfskDemodulator::Mark : AfskDemodulator::Space;
            phase = std::fmod(phase + 2 * std::numbers::pi * frequency / sampleRate, 2 * std::numbers::pi);
            sound.push_back(static_cast<float>(0.5 * std::sin(phase)));
        });
        sound.resize(sound.size() + static_cast<std::size_t>(gapSeconds * sampleRate), 0.0F);
    }
    return sound;
}
