// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// HDLC as AX.25 sends it: frames between flags (0x7E), a 0 stuffed after
// five 1s, bytes least significant bit first, and the frame check sequence
// (CRC-16-CCITT as X.25 computes it) in its last two bytes.

// The frame check sequence of bytes: reflected polynomial 0x8408, start
// 0xFFFF, inverted at the end; sent low byte first.
std::uint16_t HdlcFcs(std::span<const std::uint8_t> bytes);

// Whether the frame starts with two AX.25 addresses whose callsigns could
// be ones: printable characters shifted left by a bit. (The extension bit
// is not looked at: some satellites leave it clear.) Noise that passes the
// check sequence by chance almost never passes this too.
bool LooksLikeAx25(std::span<const std::uint8_t> frame);

// The shortest frame heard, without its check sequence: two addresses and
// the control byte.
inline constexpr std::size_t MinHdlcFrame = 15;
inline constexpr std::size_t MaxHdlcFrame = 4096;

// Reads frames from the bits of an HDLC stream (after NRZI decoding).
// A frame with a good check sequence is handed to its listener without
// the check sequence; one of an AX.25 shape with a bad one is counted.
class HdlcDeframer {
public:
    using FrameListener = std::function<void(std::span<const std::uint8_t> frame, std::int64_t endSample)>;
    explicit HdlcDeframer(FrameListener onFrame)
        : onFrame_(std::move(onFrame))
    {
    }
    // The next bit, decided at sample (where its frame is said to end).
    void Bit(int bit, std::int64_t sample);
    std::int64_t BadFcs() const { return badFcs_; }

private:
    void Flag(std::int64_t sample);

    FrameListener onFrame_;
    std::vector<std::uint8_t> bytes_;
    unsigned accumulator_ = 0;
    int bitsInByte_ = 0;
    int ones_ = 0;
    bool inFrame_ = false;
    std::int64_t badFcs_ = 0;
};

// The bits of frames as HDLC sends them, before NRZI: flags, the frame
// with its check sequence, bits stuffed.
class HdlcFramer {
public:
    void Flags(int count);
    void Frame(std::span<const std::uint8_t> frame);
    const std::vector<std::uint8_t>& Bits() const { return bits_; }

private:
    void Byte(std::uint8_t b, bool stuff);
    std::vector<std::uint8_t> bits_;
    int ones_ = 0;
};

// The bits that send frame: leadFlags flags, the frame with its check
// sequence, three flags.
std::vector<std::uint8_t> SentBits(std::span<const std::uint8_t> frame, int leadFlags);

// Calls onSample(bit, first) for every sample of bits sent at baud bits a
// second at sampleRate: the bit the sample falls in, and whether it is that
// bit's first sample.
template <typename OnSample>
void ForEachSampleOfBits(const std::vector<std::uint8_t>& bits, double sampleRate, double baud, OnSample&& onSample)
{
    const auto samples = static_cast<std::size_t>(static_cast<double>(bits.size()) * sampleRate / baud + 0.999999);
    for (std::size_t n = 0, bit = SIZE_MAX; n < samples; ++n) {
        const auto at = std::min(static_cast<std::size_t>(static_cast<double>(n) * baud / sampleRate), bits.size() - 1);
        onSample(bits[at], at != bit);
        bit = at;
    }
}

// NRZI as AX.25 uses it: a 0 changes the level, a 1 keeps it.
class NrziDecoder {
public:
    int Bit(int level)
    {
        const int bit = level == last_ ? 1 : 0;
        last_ = level;
        return bit;
    }

private:
    int last_ = 0;
};
