// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// A small generator of our own, so that a seed gives the same capture on
// every platform.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed)
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
