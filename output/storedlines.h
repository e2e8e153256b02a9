// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dataset/module1.h"
#include "outputfile.h"
#include "telemetry/decoders.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

// What the line outputs (JSON Lines, the line protocol) share: the stored
// packets in the order they are written, numbers as text, a buffer written
// out a megabyte at a time.

// The stored packets in the order stored: by capture file in the
// selection, then by place in the file; once merged, by instant first.
// Packets stored after a walk has passed the end are met by the next call.
class StoredOrder {
public:
    explicit StoredOrder(const Module1& m)
        : m_(m)
    {
        next_.fill(1);
    }
    // The next packet's kind and number; false when none is left.
    bool Next(int& kind, std::int64_t& n);

private:
    const Module1& m_;
    std::array<std::int64_t, PacketKindCount> next_; // of each kind
};

// Calls visit(kind, n) for every stored packet, in the order stored.
void ForEachStoredPacket(const Module1& m, const std::function<void(int kind, std::int64_t n)>& visit);

// The shortest text that reads back as the same double ("7800", "0.1",
// "-105.9", "2.5e-05").
void AppendShortest(std::string& out, double value);
// The same text for a whole number below 2^53 in magnitude, written at out
// (room for 24 bytes) without going through a double; returns its end.
char* WriteShortestWhole(char* out, std::int64_t value);

constexpr std::size_t LineFlushSize = 1 << 20;

// Writes the buffer to out once it has grown past LineFlushSize.
inline void FlushIfFull(TextSink& out, std::string& buffer)
{
    if (buffer.size() >= LineFlushSize) {
        out.Write(buffer);
        buffer.clear();
    }
}

inline void AppendInteger(std::string& out, std::int64_t value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// The fields of record n's packet of kind (zeros where it has none).
void PacketValues(const Module1& m, int kind, std::int64_t n, std::array<double, FieldCount>& values);
