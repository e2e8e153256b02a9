// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/afsk1200.h"
#include "modem/g3ruh9600.h"
#include "modem/hdlc.h"
#include "modem/modems.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>

namespace {

using Frame = std::vector<std::uint8_t>;

// An AX.25 UI frame from "NORVAN-1" to "CQ" with info bytes of its own.
Frame UiFrame(std::size_t infoBytes, std::uint32_t seed)
{
    Frame f;
    const auto address = [&](std::string_view call, std::uint8_t ssid, bool last) {
        for (std::size_t k = 0; k < 6; ++k)
            f.push_back(static_cast<std::uint8_t>((k < call.size() ? call[k] : ' ') << 1));
        f.push_back(static_cast<std::uint8_t>(0x60 | ssid << 1 | (last ? 1 : 0)));
    };
    address("CQ", 0, false);
    address("NORVAN", 1, true);
    f.push_back(0x03);
    f.push_back(0xF0);
    std::mt19937 random(seed);
    for (std::size_t k = 0; k < infoBytes; ++k)
        f.push_back(static_cast<std::uint8_t>(random()));
    return f;
}

std::vector<Frame> Frames(std::size_t count, std::uint32_t seed)
{
    std::vector<Frame> frames;
    for (std::size_t k = 0; k < count; ++k)
        frames.push_back(UiFrame(16 + (seed * 7 + k * 37) % 185, seed + static_cast<std::uint32_t>(k)));
    return frames;
}

std::vector<Frame> Hear(Modem modem, const std::vector<float>& sound, double rate, std::int64_t* badFcs = nullptr)
{
    std::vector<Frame> heard;
    FrameHearing hearing(
        modem, rate, [&](std::span<const std::uint8_t> f, std::int64_t) { heard.emplace_back(f.begin(), f.end()); });
    hearing.Samples(sound);
    if (badFcs)
        *badFcs = hearing.BadFcs();
    return heard;
}

TEST(Hdlc, FcsIsTheX25One)
{
    const std::string text = "123456789";
    EXPECT_EQ(HdlcFcs({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}), 0x906E);
}

TEST(Hdlc, FramesComeBackThroughFramingAndStuffing)
{
    std::vector<Frame> got;
    HdlcDeframer deframer([&](std::span<const std::uint8_t> f, std::int64_t) { got.emplace_back(f.begin(), f.end()); });
    HdlcFramer framer;
    Frame stuffed = UiFrame(40, 3);
    stuffed.insert(stuffed.end(), {0xFF, 0xFF, 0x7E, 0x7E, 0xFC}); // runs of ones and flags inside
    framer.Flags(4);
    framer.Frame(stuffed);
    framer.Flags(2);
    framer.Frame(UiFrame(0, 4));
    framer.Flags(1);
    for (const std::uint8_t bit : framer.Bits())
        deframer.Bit(bit, 0);
    ASSERT_EQ(got.size(), 2U);
    EXPECT_EQ(got[0], stuffed);
    EXPECT_EQ(got[1], UiFrame(0, 4));
}

TEST(Hdlc, AFlippedBitIsNeverAFrame)
{
    const Frame frame = UiFrame(60, 9);
    HdlcFramer framer;
    framer.Flags(2);
    framer.Frame(frame);
    framer.Flags(2);
    const std::vector<std::uint8_t> bits = framer.Bits();
    std::int64_t frames = 0, bad = 0;
    for (std::size_t flip = 16; flip + 16 < bits.size(); ++flip) {
        HdlcDeframer deframer([&](std::span<const std::uint8_t>, std::int64_t) { ++frames; });
        for (std::size_t k = 0; k < bits.size(); ++k)
            deframer.Bit(k == flip ? bits[k] ^ 1 : bits[k], 0);
        bad += deframer.BadFcs();
    }
    EXPECT_EQ(frames, 0);
    EXPECT_GT(bad, 0);
}

struct ModemCase {
    Modem Kind;
    double Rate;
    double Noise;
    std::size_t AtLeast; // of 20 frames
};

class ModemRoundTrip : public ::testing::TestWithParam<ModemCase> { };

TEST_P(ModemRoundTrip, HearsWhatWasSent)
{
    const ModemCase c = GetParam();
    const std::vector<Frame> sent = Frames(20, 5);
    const std::vector<Frame> heard = Hear(c.Kind, ModulateFrames(c.Kind, sent, c.Rate, 0.3, c.Noise, 11), c.Rate);
    std::size_t right = 0;
    for (const Frame& f : heard)
        right += std::find(sent.begin(), sent.end(), f) != sent.end() ? 1 : 0;
    EXPECT_EQ(right, heard.size()) << "a frame that was not sent";
    EXPECT_GE(right, c.AtLeast);
}

INSTANTIATE_TEST_SUITE_P(Modems, ModemRoundTrip,
    ::testing::Values(ModemCase{Modem::Afsk1200, 48000, 0, 20}, ModemCase{Modem::Afsk1200, 44100, 0, 20},
        ModemCase{Modem::Afsk1200, 11025, 0, 20}, ModemCase{Modem::Afsk1200, 48000, 0.25, 18},
        ModemCase{Modem::G3ruh9600, 48000, 0, 20}, ModemCase{Modem::G3ruh9600, 96000, 0, 20},
        ModemCase{Modem::G3ruh9600, 48000, 0.12, 18}, ModemCase{Modem::Auto, 48000, 0, 20}));

TEST(Modems, NoiseAloneIsNoFrame)
{
    std::mt19937 random(2);
    std::normal_distribution<float> gauss(0, 0.3F);
    std::vector<float> noise(48000 * 60);
    for (float& x : noise)
        x = gauss(random);
    EXPECT_TRUE(Hear(Modem::Auto, noise, 48000).empty());
}

} // namespace
