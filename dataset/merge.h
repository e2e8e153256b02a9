// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "module1.h"

#include <string>
#include <vector>

// Several captures as one archive: the packets of each kind in the order of
// their instants (earliest first; equal instants in reading order; packets
// without an instant after all others, in reading order), each beacon once.
// A packet whose bytes
// (frame positions 18 to the last its decoder reads) equal those of a packet
// kept before it is dropped as a duplicate and counted in the import summary
// of its file, whose stored count it leaves. Record n then pairs the n-th
// kept packet of each kind.
void MergeByTime(Module1& m);

// Orders two stored packets as the data set does: by instant once merged
// (unknown last), then in reading order (capture, then place in it).
bool StoredBefore(const Module1& m, const PacketInfo& a, const PacketInfo& b);

// Passes: with instants known, a gap of more than 20 minutes between two
// records starts a new pass.
struct Pass {
    Instant Start = 0;
    Instant End = 0;
    std::int64_t Records1 = 0; // records of kind 1 in the pass
    std::int64_t Records2 = 0;
    std::vector<std::uint32_t> Files; // the captures it came from, by index in the selection
};
inline constexpr Instant PassGap = 20 * 60 * 1000;
std::vector<Pass> FindPasses(const Module1& m);

// "2016-03-17T10:15:00Z to 2016-03-17T10:27:40Z, 40 + 38 records, from pass.kss"
std::string PassLine(const Module1& m, const Pass& pass);
