// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp.h"
#include "hdlc.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// G3RUH 9600: 9600 bits a second as baseband levels, NRZI, then scrambled
// by x^17 + x^12 + 1 (self-synchronising: the receiver needs no start). The
// sound is low-passed twice, narrow and wide, each with its mean and RMS
// followed; several slicers cut each a little above and below the mean, each with its own bit clock,
// descrambler and HDLC reader.
class G3ruhDemodulator {
public:
    G3ruhDemodulator(double sampleRate, const HdlcDeframer::FrameListener& onFrame);
    void Samples(std::span<const float> samples);
    std::int64_t BadFcs() const;

    static constexpr double Baud = 9600;

private:
    struct Slicer {
        float Offset; // of the swing, from the middle
        BitClock Clock;
        unsigned Descrambler = 0;
        NrziDecoder Nrzi;
        HdlcDeframer Hdlc;
    };
    // A low-pass and the slicers after it; there are two, a narrow one that
    // keeps out white noise and a wide one that keeps the bits' edges where
    // the noise is band-limited already.
    struct Path {
        FirFilter LowPass;
        float Mean = 0, Power = 0; // of the low-passed signal's level and its square
        std::vector<std::unique_ptr<Slicer>> Slicers;
    };
    float follow_;
    std::vector<Path> paths_;
    std::int64_t sample_ = 0;
};

// The sound of frames sent in G3RUH 9600 at sampleRate (48 kHz or more
// gives clean shapes), as AfskModulate lays them out.
std::vector<float> G3ruhModulate(
    std::span<const std::vector<std::uint8_t>> frames, double sampleRate, double gapSeconds, int leadFlags = 100);

// The scrambler's and descrambler's next bit.
inline int G3ruhScramble(unsigned& state, int bit)
{
    const int out = bit ^ static_cast<int>((state >> 11) & 1) ^ static_cast<int>((state >> 16) & 1);
    state = (state << 1) | static_cast<unsigned>(out);
    return out;
}
inline int G3ruhDescramble(unsigned& state, int bit)
{
    const int out = bit ^ static_cast<int>((state >> 11) & 1) ^ static_cast<int>((state >> 16) & 1);
    state = (state << 1) | static_cast<unsigned>(bit);
    return out;
}
