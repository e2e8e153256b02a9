// SPDX-License-Identifier: GPL-3.0-or-later
#include "storedlines.h"

#include "dataset/merge.h"

#include <cstring>

char* WriteShortestWhole(char* out, std::int64_t value)
{
    char digits[24];
    const auto magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
    const int k = static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    int zeros = 0;
    while (zeros < k - 1 && digits[k - 1 - zeros] == '0')
        ++zeros;
    // "1.25e+07" against "12500000": the shorter, the plain digits on a tie.
    const int significant = k - zeros;
    const int exponent = k - 1;
    const int scientific = significant + (significant > 1 ? 1 : 0) + 4; // exponents of 2 digits below 2^53
    if (value < 0)
        *out++ = '-';
    if (scientific >= k) {
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        return out + k;
    }
    *out++ = digits[0];
    if (significant > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<std::size_t>(significant - 1));
        out += significant - 1;
    }
    *out++ = 'e';
    *out++ = '+';
    if (exponent < 10) // two digits at least
        *out++ = '0';
    return std::to_chars(out, out + 4, exponent).ptr;
}

void AppendShortest(std::string& out, double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

bool StoredOrder::Next(int& kind, std::int64_t& n)
{
    // Each kind stands in the data set's order (reading order, or by instant
    // once merged); the kinds are merged in that order, in which no two
    // stored packets are equal, as no two share a file and a place.
    int first = 0;
    for (const PacketKind& k : PacketKinds) {
        const std::int64_t next = next_[static_cast<std::size_t>(k.Number - 1)];
        if (next > m_.Count(k.Number))
            continue;
        if (first == 0
            || !StoredBefore(
                m_, m_.Packet(first, next_[static_cast<std::size_t>(first - 1)]), m_.Packet(k.Number, next)))
            first = k.Number;
    }
    if (first == 0)
        return false;
    kind = first;
    n = next_[static_cast<std::size_t>(first - 1)]++;
    return true;
}

void ForEachStoredPacket(const Module1& m, const std::function<void(int kind, std::int64_t n)>& visit)
{
    StoredOrder order(m);
    int kind = 0;
    std::int64_t n = 0;
    while (order.Next(kind, n))
        visit(kind, n);
}

void PacketValues(const Module1& m, int kind, std::int64_t n, std::array<double, FieldCount>& values)
{
    if (const std::span<const std::uint8_t> bytes = m.Table.PacketBytes(kind, n); !bytes.empty())
        DecodePacket(kind, bytes.data(), values);
}
