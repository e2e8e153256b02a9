// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The modems frames are heard with in sound, one row each.
enum class Modem : std::uint8_t { Afsk1200, G3ruh9600, Auto };

struct ModemInfo {
    Modem Kind;
    std::string_view Name; // on the command line
    std::string_view Description;
};
std::span<const ModemInfo> Modems();
std::optional<Modem> ModemFromName(std::string_view name);
std::string_view ModemName(Modem modem);
// "afsk1200|g3ruh9600|auto", with the separator given.
std::string ModemNames(std::string_view separator);

// Frames heard in a stream of sound by the demodulators of a modem (both
// for Auto, over the same sound). A frame that several slicers or both
// modems hear is handed on once: the same bytes ending within a few bits
// of one handed on already are that frame again.
class FrameHearing {
public:
    using Listener = std::function<void(std::span<const std::uint8_t> frame, std::int64_t endSample)>;
    FrameHearing(Modem modem, double sampleRate, Listener onFrame);
    ~FrameHearing();
    FrameHearing(const FrameHearing&) = delete;
    FrameHearing& operator=(const FrameHearing&) = delete;

    void Samples(std::span<const float> samples);
    std::int64_t Heard() const { return heard_; }
    std::int64_t BadFcs() const;

private:
    void Frame(std::span<const std::uint8_t> frame, std::int64_t endSample);
    struct Demodulators;
    std::unique_ptr<Demodulators> demodulators_;
    Listener onFrame_;
    std::int64_t window_; // samples within which the same bytes are the same frame
    struct Recent {
        std::vector<std::uint8_t> Bytes;
        std::int64_t End;
    };
    std::vector<Recent> recent_;
    std::int64_t heard_ = 0;
};

// The sound of frames sent with modem (AFSK 1200 for Auto) at sampleRate,
// gapSeconds of silence after each; with noise above 0, white noise of that
// standard deviation (the signal's peak is 0.5) added from seed.
std::vector<float> ModulateFrames(Modem modem, std::span<const std::vector<std::uint8_t>> frames, double sampleRate,
    double gapSeconds, double noise = 0, std::uint32_t seed = 1);
