// SPDX-License-Identifier: GPL-3.0-or-later
#include "hdlc.h"

#include <array>

namespace {

constexpr auto FcsTable = [] {
    std::array<std::uint16_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned crc = b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0x8408 : crc >> 1;
        table[b] = static_cast<std::uint16_t>(crc);
    }
    return table;
}();

} // namespace

std::uint16_t HdlcFcs(std::span<const std::uint8_t> bytes)
{
    unsigned crc = 0xFFFF;
    for (const std::uint8_t b : bytes)
        crc = (crc >> 8) ^ FcsTable[(crc ^ b) & 0xFF];
    return static_cast<std::uint16_t>(crc ^ 0xFFFF);
}

bool LooksLikeAx25(std::span<const std::uint8_t> frame)
{
    if (frame.size() < MinHdlcFrame)
        return false;
    for (std::size_t address = 0; address < 2; ++address)
        for (std::size_t k = 0; k < 6; ++k) {
            const std::uint8_t b = frame[7 * address + k];
            if ((b & 1) != 0 || (b >> 1) < 0x20 || (b >> 1) > 0x7E)
                return false;
        }
    return true;
}

void HdlcDeframer::Bit(int bit, std::int64_t sample)
{
    if (bit != 0) {
        if (++ones_ >= 7) { // an abort, or no frame at all
            inFrame_ = false;
            bytes_.clear();
            bitsInByte_ = 0;
            return;
        }
    } else {
        const int ones = ones_;
        ones_ = 0;
        if (ones == 5) // a stuffed 0
            return;
        if (ones == 6) {
            Flag(sample);
            return;
        }
    }
    if (!inFrame_)
        return;
    accumulator_ = (accumulator_ >> 1) | (static_cast<unsigned>(bit) << 7);
    if (++bitsInByte_ == 8) {
        bytes_.push_back(static_cast<std::uint8_t>(accumulator_));
        bitsInByte_ = 0;
        if (bytes_.size() > MaxHdlcFrame + 2) {
            inFrame_ = false;
            bytes_.clear();
        }
    }
}

void HdlcDeframer::Flag(std::int64_t sample)
{
    // The flag's first seven bits went in as data: a whole frame leaves
    // exactly those seven in the byte being filled.
    if (inFrame_ && bitsInByte_ == 7 && bytes_.size() >= MinHdlcFrame + 2) {
        const std::span<const std::uint8_t> frame(bytes_.data(), bytes_.size() - 2);
        const auto sent = static_cast<std::uint16_t>(bytes_[bytes_.size() - 2] | bytes_[bytes_.size() - 1] << 8);
        if (HdlcFcs(frame) == sent)
            onFrame_(frame, sample);
        else if (LooksLikeAx25(frame))
            ++badFcs_;
    }
    inFrame_ = true;
    bytes_.clear();
    bitsInByte_ = 0;
}

void HdlcFramer::Flags(int count)
{
    for (int k = 0; k < count; ++k)
        Byte(0x7E, false);
}

void HdlcFramer::Frame(std::span<const std::uint8_t> frame)
{
    for (const std::uint8_t b : frame)
        Byte(b, true);
    const std::uint16_t fcs = HdlcFcs(frame);
    Byte(static_cast<std::uint8_t>(fcs & 0xFF), true);
    Byte(static_cast<std::uint8_t>(fcs >> 8), true);
}

void HdlcFramer::Byte(std::uint8_t b, bool stuff)
{
    for (int k = 0; k < 8; ++k) {
        const int bit = (b >> k) & 1;
        bits_.push_back(static_cast<std::uint8_t>(bit));
        if (!stuff) {
            ones_ = 0;
            continue;
        }
        ones_ = bit != 0 ? ones_ + 1 : 0;
        if (ones_ == 5) {
            bits_.push_back(0);
            ones_ = 0;
        }
    }
}

std::vector<std::uint8_t> SentBits(std::span<const std::uint8_t> frame, int leadFlags)
{
    HdlcFramer framer;
    framer.Flags(leadFlags);
    framer.Frame(frame);
    framer.Flags(3);
    return framer.Bits();
}
