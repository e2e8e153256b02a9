// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp.h"

#include <numbers>

namespace {

double Blackman(int k, int taps)
{
    if (taps == 1)
        return 1;
    const double x = 2 * std::numbers::pi * k / (taps - 1);
    return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
}

double Sinc(double x) { return x == 0 ? 1 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x); }

} // namespace

std::vector<float> LowPassTaps(double cutoff, int taps)
{
    std::vector<double> made(static_cast<std::size_t>(taps));
    double sum = 0;
    for (int k = 0; k < taps; ++k) {
        const double t = k - (taps - 1) / 2.0;
        made[static_cast<std::size_t>(k)] = 2 * cutoff * Sinc(2 * cutoff * t) * Blackman(k, taps);
        sum += made[static_cast<std::size_t>(k)];
    }
    std::vector<float> result;
    for (const double tap : made)
        result.push_back(static_cast<float>(tap / sum));
    return result;
}

std::vector<float> BandPassTaps(double low, double high, int taps)
{
    // A low-pass of half the band's width, moved up to the band's middle.
    const std::vector<float> base = LowPassTaps((high - low) / 2, taps);
    const double middle = (low + high) / 2;
    std::vector<float> result;
    for (int k = 0; k < taps; ++k) {
        const double t = k - (taps - 1) / 2.0;
        result.push_back(
            static_cast<float>(2 * base[static_cast<std::size_t>(k)] * std::cos(2 * std::numbers::pi * middle * t)));
    }
    return result;
}

FirFilter::FirFilter(std::vector<float> taps)
    : taps_(std::move(taps))
    , history_(2 * taps_.size())
{
}

float FirFilter::Output() const
{
    const float* h = history_.data() + at_;
    float sum = 0;
    for (std::size_t k = 0; k < taps_.size(); ++k)
        sum += taps_[k] * h[k];
    return sum;
}
