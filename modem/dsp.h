// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

// The small pieces of signal processing the modems are built of.

// The taps of a low-pass FIR filter (a windowed sinc, Blackman window) with
// its cutoff at cutoff (a fraction of the sample rate, below 0.5), of taps
// taps, summing to 1.
std::vector<float> LowPassTaps(double cutoff, int taps);
// A band-pass from low to high (fractions of the sample rate), of gain 1 in
// the middle of the band.
std::vector<float> BandPassTaps(double low, double high, int taps);

// A FIR filter over a stream of samples. Push a sample, then read the output
// when it is wanted: a filter read only every few samples decimates at the
// cost of the outputs taken.
class FirFilter {
public:
    explicit FirFilter(std::vector<float> taps);
    void Push(float x)
    {
        if (--at_ < 0)
            at_ = static_cast<int>(taps_.size()) - 1;
        history_[static_cast<std::size_t>(at_)] = x;
        history_[static_cast<std::size_t>(at_) + taps_.size()] = x;
    }
    float Output() const;

private:
    std::vector<float> taps_;
    std::vector<float> history_; // twice over, so that the newest taps_.size() lie together
    int at_ = 0;
};

// A bit clock for a sliced signal: a phase that advances a bit per samples
// per bit, pulled towards the level changes, which fall between bits. A
// bit is decided at the phase's middle from the level there.
class BitClock {
public:
    explicit BitClock(double samplesPerBit)
        : step_(1.0 / samplesPerBit)
    {
    }
    // The soft value of the next sample; true when a bit was decided, its
    // level (0 or 1) in level.
    bool Sample(float value, int& level)
    {
        const bool high = value > 0;
        const double before = phase_;
        phase_ += step_;
        if (high != high_) {
            // Where between the two samples the signal crossed zero.
            const float span = previous_ - value;
            const double fraction = span != 0 ? previous_ / span : 0.5;
            const double at = before + fraction * step_;
            phase_ -= Pull * (at - std::floor(at) - 0.5);
            high_ = high;
        }
        const float last = previous_;
        previous_ = value;
        if (phase_ < 1.0)
            return false;
        // The level at the bit's middle, between the two samples.
        const double fraction = std::clamp((1.0 - before) / step_, 0.0, 1.0);
        phase_ -= 1.0;
        level = last + static_cast<float>(fraction) * (value - last) > 0 ? 1 : 0;
        return true;
    }

    // How far a level change pulls the phase towards it.
    static constexpr double Pull = 0.15;

private:
    double step_;
    double phase_ = 0;
    float previous_ = 0;
    bool high_ = false;
};
