// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundreception.h"

#include "dispatch.h"
#include "kissframes.h"

#include <cmath>
#include <cstdio>

SoundReception::SoundReception(
    Module1& m, ReaderHost& host, const SoundOptions& options, double sampleRate, Instant start)
    : m_(m)
    , host_(host)
    , options_(options)
    , rate_(sampleRate)
    , start_(start)
    , hearing_(options.Modulation, sampleRate, [this](std::span<const std::uint8_t> frame, std::int64_t end) {
        data_.assign(1, 0);
        data_.insert(data_.end(), frame.begin(), frame.end());
        const Instant at = start_ == UnknownInstant
            ? UnknownInstant
            : start_ + static_cast<Instant>(std::llround(static_cast<double>(end) * 1000 / rate_));
        m_.FrameTimeText = at == UnknownInstant ? std::string() : FormatTimeText(at);
        state_.Reception.At = at;
        char note[40];
        std::snprintf(note, sizeof note, "at %.3f s: ", static_cast<double>(end) / rate_);
        state_.DumpNote = note;
        host_.FrameHeard(data_, m_.FrameTimeText);
        HandleKissFrame(m_, host_, state_, data_, static_cast<std::uint64_t>(end), false);
    })
{
    state_.Reception.File = static_cast<std::uint32_t>(m.Imports.size());
}

void SoundReception::Samples(std::span<const float> samples)
{
    clean_.resize(samples.size());
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const float x = std::isfinite(samples[k]) ? samples[k] : 0.0F;
        clean_[k] = x;
        peak_ = std::max(peak_, std::fabs(x));
    }
    read_ += static_cast<std::int64_t>(samples.size());
    hearing_.Samples(clean_);
}

void SoundReception::Finish(const std::string& startFrom)
{
    m_.Import.BadFcs += hearing_.BadFcs();
    char text[160];
    const double dbfs = peak_ > 0 ? 20 * std::log10(peak_) : -INFINITY;
    std::snprintf(text, sizeof text, "%s, %.1f s, peak %.0f dBFS, %s",
        std::string(ModemName(options_.Modulation)).c_str(), static_cast<double>(read_) / rate_, dbfs,
        startFrom.c_str());
    m_.Import.Sound = text;
}
