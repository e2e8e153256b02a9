// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "readerhost.h"
#include "readingstate.h"

#include "modem/modems.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Sound as it comes, from a recording or a receiver: the frames the modem
// of the options hears go through the KISS reader's handling, as a TNC
// would have handed them on, each at start plus its sample (its place is
// the sample where it ends), and to the host's FrameHeard.
class SoundReception {
public:
    SoundReception(Module1& m, ReaderHost& host, const SoundOptions& options, double sampleRate, Instant start);
    // The next samples of the channel read.
    void Samples(std::span<const float> samples);
    // The counts into the import summary: bad FCS, and modem, length, level
    // and how the start was found ("start given", ...).
    void Finish(const std::string& startFrom);

    std::int64_t SamplesRead() const { return read_; }

private:
    Module1& m_;
    ReaderHost& host_;
    SoundOptions options_;
    double rate_;
    Instant start_;
    ReadingState state_;
    FrameHearing hearing_;
    std::vector<std::uint8_t> data_;
    std::vector<float> clean_;
    std::int64_t read_ = 0;
    float peak_ = 0;
};
