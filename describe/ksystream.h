// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksyvalue.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

// A stream a description reads: the frame, or the bytes of an attribute
// that a user type reads as its own. Integers are read whole bytes at a
// time, in either order; bit-sized integers a bit at a time, the first bit
// the highest (big-endian bits) or the lowest (little-endian bits).
struct KsyStream {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    std::uint64_t Bits = 0;
    int BitsLeft = 0;

    bool IsEof() const { return Pos >= Size && BitsLeft == 0; }
    void AlignToByte()
    {
        Bits = 0;
        BitsLeft = 0;
    }
    const std::uint8_t* ReadBytes(std::uint64_t n)
    {
        if (n > Size - Pos)
            throw KsyFrameError("the frame ends: " + std::to_string(n) + " bytes wanted at byte " + std::to_string(Pos)
                + " of " + std::to_string(Size));
        const std::uint8_t* at = Data + Pos;
        Pos += static_cast<std::size_t>(n);
        return at;
    }
    std::uint64_t ReadUnsigned(int width, bool bigEndian)
    {
        const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(width));
        std::uint64_t v = 0;
        for (int k = 0; k < width; ++k)
            v |= std::uint64_t{b[bigEndian ? width - 1 - k : k]} << (8 * k);
        return v;
    }
    std::uint64_t ReadBitsBe(int n)
    {
        __extension__ typedef unsigned __int128 Wide;
        const int needed = n - BitsLeft;
        BitsLeft = -needed & 7;
        Wide result;
        if (needed > 0) {
            const int bytes = ((needed - 1) >> 3) + 1;
            const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(bytes));
            Wide fresh = 0;
            for (int k = 0; k < bytes; ++k)
                fresh = fresh << 8 | b[k];
            result = fresh >> BitsLeft | Wide{Bits} << needed;
            Bits = static_cast<std::uint64_t>(fresh);
        } else {
            result = Bits >> -needed;
        }
        Bits &= (std::uint64_t{1} << BitsLeft) - 1;
        return static_cast<std::uint64_t>(result);
    }
    std::uint64_t ReadBitsLe(int n)
    {
        __extension__ typedef unsigned __int128 Wide;
        const int needed = n - BitsLeft;
        Wide result;
        if (needed > 0) {
            const int bytes = ((needed - 1) >> 3) + 1;
            const std::uint8_t* b = ReadBytes(static_cast<std::uint64_t>(bytes));
            Wide fresh = 0;
            for (int k = 0; k < bytes; ++k)
                fresh |= Wide{b[k]} << (8 * k);
            const std::uint64_t next = static_cast<std::uint64_t>(fresh >> needed);
            result = fresh << BitsLeft | Bits;
            Bits = next;
        } else {
            result = Bits;
            Bits = n >= 64 ? 0 : Bits >> n;
        }
        BitsLeft = -needed & 7;
        const std::uint64_t value = static_cast<std::uint64_t>(result);
        return n >= 64 ? value : value & ((std::uint64_t{1} << n) - 1);
    }
    void Seek(std::int64_t to)
    {
        Pos = static_cast<std::size_t>(std::clamp<std::int64_t>(to, 0, static_cast<std::int64_t>(Size)));
    }
};
