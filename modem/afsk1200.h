// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp.h"
#include "hdlc.h"

#include <complex>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// AFSK 1200 (Bell 202): 1200 bits a second, a 1200 Hz tone (mark) and a
// 2200 Hz one (space), NRZI. The sound is band-limited and brought down to
// a rate near 24 kHz; each tone's strength is measured by mixing it down
// and a low-pass about a bit long. Several slicers compare the two with the
// space tone weighted from 1/2 to 4 times, for receivers with and without
// FM de-emphasis (which lowers the space tone by several dB) and for tones
// of unequal levels; each has its own bit clock and HDLC reader.
class AfskDemodulator {
public:
    AfskDemodulator(double sampleRate, const HdlcDeframer::FrameListener& onFrame);
    void Samples(std::span<const float> samples);
    // Frames of an AX.25 shape with a bad check sequence (of the slicer that
    // weighs both tones alike).
    std::int64_t BadFcs() const;

    static constexpr double Baud = 1200;
    static constexpr double Mark = 1200;
    static constexpr double Space = 2200;

private:
    struct Slicer {
        float SpaceGain;
        BitClock Clock;
        NrziDecoder Nrzi;
        HdlcDeframer Hdlc;
    };
    int decimation_;
    int skip_ = 0;
    FirFilter band_;
    std::complex<float> markTurn_, spaceTurn_;
    std::complex<float> markOscillator_{1, 0}, spaceOscillator_{1, 0};
    FirFilter markI_, markQ_, spaceI_, spaceQ_;
    std::vector<std::unique_ptr<Slicer>> slicers_;
    std::int64_t sample_ = 0; // of the input
    int renormalize_ = 0;
};

// The sound of frames sent in AFSK 1200 at sampleRate: for each frame,
// flags (about a quarter of a second), the frame, a few flags, then
// gapSeconds of silence. Amplitude 0.5.
std::vector<float> AfskModulate(
    std::span<const std::vector<std::uint8_t>> frames, double sampleRate, double gapSeconds, int leadFlags = 30);
