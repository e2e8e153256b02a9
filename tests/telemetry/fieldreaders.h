// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"

#include <cstdint>

// Little-endian field readers over FrameBuffer, given the position of the
// field's first byte. Positions past 512 read as 0, so no index can leave the
// buffer.

inline std::uint32_t FrameByteAt(const FrameBytes& frame, int i)
{
    return (i >= 1 && i <= FrameBufferSize) ? frame[static_cast<std::size_t>(i)] : 0u;
}

inline std::uint32_t ReadByte(const FrameBytes& frame, int i) { return FrameByteAt(frame, i); }

inline std::uint32_t ReadWord(const FrameBytes& frame, int i)
{
    return FrameByteAt(frame, i) | (FrameByteAt(frame, i + 1) << 8);
}

// The unsigned 32-bit value, 0 to 4294967295: a highest byte of 0x80 or more
// is an ordinary uptime or counter value, not a failure.
inline std::uint32_t ReadLong(const FrameBytes& frame, int i)
{
    return ReadWord(frame, i) | (ReadWord(frame, i + 2) << 16);
}

inline std::int32_t ReadSignedWord(const FrameBytes& frame, int i)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(ReadWord(frame, i)));
}
