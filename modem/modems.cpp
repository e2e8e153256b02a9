// SPDX-License-Identifier: GPL-3.0-or-later
#include "modems.h"

#include "afsk1200.h"
#include "g3ruh9600.h"

#include <algorithm>
#include <random>

namespace {

constexpr ModemInfo ModemTable[] = {
    {Modem::Afsk1200, "afsk1200", "AFSK 1200 (Bell 202 tones, 1200 bit/s)"},
    {Modem::G3ruh9600, "g3ruh9600", "G3RUH 9600 (scrambled baseband, 9600 bit/s)"},
    {Modem::Auto, "auto", "both over the same sound"},
};

} // namespace

std::span<const ModemInfo> Modems() { return ModemTable; }

std::optional<Modem> ModemFromName(std::string_view name)
{
    for (const ModemInfo& info : ModemTable)
        if (info.Name == name)
            return info.Kind;
    return std::nullopt;
}

std::string_view ModemName(Modem modem) { return ModemTable[static_cast<std::size_t>(modem)].Name; }

std::string ModemNames(std::string_view separator)
{
    std::string names;
    for (const ModemInfo& info : ModemTable) {
        if (!names.empty())
            names += separator;
        names += info.Name;
    }
    return names;
}

struct FrameHearing::Demodulators {
    std::unique_ptr<AfskDemodulator> Afsk;
    std::unique_ptr<G3ruhDemodulator> G3ruh;
};

FrameHearing::FrameHearing(Modem modem, double sampleRate, Listener onFrame)
    : demodulators_(std::make_unique<Demodulators>())
    , onFrame_(std::move(onFrame))
    , window_(static_cast<std::int64_t>(16 * sampleRate / AfskDemodulator::Baud))
{
    const HdlcDeframer::FrameListener heard
        = [this](std::span<const std::uint8_t> frame, std::int64_t end) { Frame(frame, end); };
    if (modem != Modem::G3ruh9600)
        demodulators_->Afsk = std::make_unique<AfskDemodulator>(sampleRate, heard);
    if (modem != Modem::Afsk1200)
        demodulators_->G3ruh = std::make_unique<G3ruhDemodulator>(sampleRate, heard);
}

FrameHearing::~FrameHearing() = default;

void FrameHearing::Samples(std::span<const float> samples)
{
    if (demodulators_->Afsk)
        demodulators_->Afsk->Samples(samples);
    if (demodulators_->G3ruh)
        demodulators_->G3ruh->Samples(samples);
}

std::int64_t FrameHearing::BadFcs() const
{
    return (demodulators_->Afsk ? demodulators_->Afsk->BadFcs() : 0)
        + (demodulators_->G3ruh ? demodulators_->G3ruh->BadFcs() : 0);
}

void FrameHearing::Frame(std::span<const std::uint8_t> frame, std::int64_t endSample)
{
    if (!LooksLikeAx25(frame))
        return;
    std::erase_if(recent_, [&](const Recent& r) { return r.End < endSample - window_; });
    for (const Recent& r : recent_)
        if (std::equal(r.Bytes.begin(), r.Bytes.end(), frame.begin(), frame.end()))
            return;
    recent_.push_back({std::vector<std::uint8_t>(frame.begin(), frame.end()), endSample});
    ++heard_;
    onFrame_(frame, endSample);
}

std::vector<float> ModulateFrames(Modem modem, std::span<const std::vector<std::uint8_t>> frames, double sampleRate,
    double gapSeconds, double noise, std::uint32_t seed)
{
    std::vector<float> sound = modem == Modem::G3ruh9600 ? G3ruhModulate(frames, sampleRate, gapSeconds)
                                                         : AfskModulate(frames, sampleRate, gapSeconds);
    if (noise > 0) {
        std::mt19937 random(seed);
        std::normal_distribution<float> gauss(0.0F, static_cast<float>(noise));
        for (float& x : sound)
            x += gauss(random);
    }
    return sound;
}
