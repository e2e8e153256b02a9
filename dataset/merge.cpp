// SPDX-License-Identifier: GPL-3.0-or-later
#include "merge.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <unordered_set>

namespace {

// Reading order: the capture's index in the selection, then the place in it.
bool ReadBefore(const PacketInfo& a, const PacketInfo& b)
{
    return a.File != b.File ? a.File < b.File : a.Offset < b.Offset;
}

bool InstantBefore(const PacketInfo& a, const PacketInfo& b)
{
    const bool aKnown = a.At != UnknownInstant;
    const bool bKnown = b.At != UnknownInstant;
    if (aKnown != bKnown)
        return aKnown;
    if (aKnown && a.At != b.At)
        return a.At < b.At;
    return ReadBefore(a, b);
}

// A set of one kind's packets, open addressing over their record numbers:
// their bytes are compared only when their hashes meet.
class PacketSet {
public:
    PacketSet(const TelemetryTable& table, int kind, std::size_t count)
        : table_(table)
        , kind_(kind)
        , slots_(std::bit_ceil(std::max<std::size_t>(16, count * 2)), Empty)
    {
    }

    // Adds the packet of record n; false when an equal packet is in the set.
    bool Insert(std::int64_t n)
    {
        const std::string_view packet = Packet(n);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = std::hash<std::string_view>{}(packet)&mask;; slot = (slot + 1) & mask) {
            if (slots_[slot] == Empty) {
                slots_[slot] = static_cast<std::uint32_t>(n);
                return true;
            }
            if (Packet(slots_[slot]) == packet)
                return false;
        }
    }

private:
    static constexpr std::uint32_t Empty = 0; // records are numbered from 1
    std::string_view Packet(std::int64_t n) const
    {
        const std::span<const std::uint8_t> bytes = table_.PacketBytes(kind_, n);
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    const TelemetryTable& table_;
    int kind_;
    std::vector<std::uint32_t> slots_;
};

// The packets of one kind that merging keeps, as record numbers in their new
// order; the duplicates are counted in their files' summaries.
std::vector<std::int64_t> KeptInOrder(Module1& m, int kind)
{
    // The sort keys side by side, so that sorting touches no record.
    struct Key {
        Instant At; // unknown sorts last
        std::uint32_t File;
        std::uint64_t Offset;
        std::int64_t Record;
    };
    const std::int64_t count = m.Count(kind);
    std::vector<Key> keys(static_cast<std::size_t>(count));
    for (std::int64_t n = 1; n <= count; ++n) {
        const PacketInfo p = m.Packet(kind, n);
        keys[static_cast<std::size_t>(n - 1)] = {p.At == UnknownInstant ? INT64_MAX : p.At, p.File, p.Offset, n};
    }
    // No two packets share a file and a place, so the order is total.
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.At != b.At ? a.At < b.At : a.File != b.File ? a.File < b.File : a.Offset < b.Offset;
    });

    // A described satellite's frames are told apart by all their bytes.
    std::unordered_set<std::string_view> frames;
    auto isNew = [&, seen = PacketSet(m.Table, kind, m.Described ? 0 : keys.size())](std::int64_t n) mutable {
        if (!m.Described)
            return seen.Insert(n);
        const std::span<const std::uint8_t> frame = m.DescribedRecords.Frame(n);
        return frames.emplace(reinterpret_cast<const char*>(frame.data()), frame.size()).second;
    };
    std::vector<std::int64_t> kept;
    kept.reserve(keys.size());
    for (const Key& key : keys) {
        if (!isNew(key.Record)) {
            if (key.File < m.Imports.size()) {
                ++m.Imports[key.File].Duplicates;
                --m.Imports[key.File].StoredOf(kind);
            }
            continue;
        }
        kept.push_back(key.Record);
    }
    return kept;
}

} // namespace

bool StoredBefore(const Module1& m, const PacketInfo& a, const PacketInfo& b)
{
    return m.Merged ? InstantBefore(a, b) : ReadBefore(a, b);
}

void MergeByTime(Module1& m)
{
    if (m.Described && !m.DescribedRecords.FramesKept())
        throw std::logic_error("a described data set read without its frames cannot be merged");
    for (const PacketKind& kind : PacketKinds) {
        const std::vector<std::int64_t> kept = KeptInOrder(m, kind.Number);
        if (!m.Described)
            m.Table.Reorder(kind.Number, kept);
        else if (kind.Number == 1) // a described satellite's records are all of kind 1
            m.DescribedRecords.Reorder(kept);
        m.CountOf(kind.Number) = static_cast<std::int64_t>(kept.size());
    }
    m.Merged = true;
}

namespace {

// One kind's stamps with a known instant, in the order of time: read from the
// store as they stand where they are in that order already (most captures
// list them so), else sorted once.
class StampsInTime {
public:
    struct Stamp {
        Instant At;
        std::uint32_t File;
    };

    StampsInTime(const Module1& m, int kind)
        : m_(m)
        , kind_(kind)
        , count_(m.Count(kind))
    {
        Instant last = UnknownInstant;
        bool inOrder = true;
        for (std::int64_t n = 1; n <= count_ && inOrder; ++n)
            if (const Instant at = m.Packet(kind, n).At; at != UnknownInstant) {
                inOrder = at >= last;
                last = at;
            }
        if (inOrder)
            return;
        for (std::int64_t n = 1; n <= count_; ++n)
            if (const PacketInfo p = m.Packet(kind, n); p.At != UnknownInstant)
                sorted_.push_back({p.At, p.File});
        std::stable_sort(sorted_.begin(), sorted_.end(), [](const Stamp& a, const Stamp& b) { return a.At < b.At; });
        count_ = static_cast<std::int64_t>(sorted_.size());
        fromStore_ = false;
    }

    // The next stamp, if any is left.
    const Stamp* Peek()
    {
        if (!fromStore_)
            return next_ < count_ ? &sorted_[static_cast<std::size_t>(next_)] : nullptr;
        for (; next_ < count_; ++next_)
            if (const PacketInfo p = m_.Packet(kind_, next_ + 1); p.At != UnknownInstant) {
                peeked_ = {p.At, p.File};
                return &peeked_;
            }
        return nullptr;
    }
    void Pop() { ++next_; }

private:
    const Module1& m_;
    int kind_;
    std::int64_t count_;
    std::int64_t next_ = 0;
    bool fromStore_ = true;
    std::vector<Stamp> sorted_;
    Stamp peeked_{};
};

} // namespace

std::vector<Pass> FindPasses(const Module1& m)
{
    // Both kinds' stamps in the order of time, merged as they are walked.
    StampsInTime first(m, 1);
    StampsInTime second(m, 2);
    std::vector<Pass> passes;
    for (;;) {
        const StampsInTime::Stamp* a = first.Peek();
        const StampsInTime::Stamp* b = second.Peek();
        if (!a && !b)
            break;
        const bool kind2 = !a || (b && b->At < a->At);
        const StampsInTime::Stamp s = kind2 ? *b : *a;
        (kind2 ? second : first).Pop();
        if (passes.empty() || s.At - passes.back().End > PassGap)
            passes.push_back({s.At, s.At, 0, 0, {}});
        Pass& pass = passes.back();
        pass.End = s.At;
        ++(kind2 ? pass.Records2 : pass.Records1);
        if (pass.Files.empty()
            || (pass.Files.back() != s.File
                && std::find(pass.Files.begin(), pass.Files.end(), s.File) == pass.Files.end()))
            pass.Files.push_back(s.File);
    }
    for (Pass& pass : passes)
        std::sort(pass.Files.begin(), pass.Files.end());
    return passes;
}

std::string PassLine(const Module1& m, const Pass& pass)
{
    std::string line = FormatIsoUtc(pass.Start) + " to " + FormatIsoUtc(pass.End) + ", "
        + (m.Described ? std::to_string(pass.Records1)
                       : std::to_string(pass.Records1) + " + " + std::to_string(pass.Records2))
        + " records, from ";
    for (std::size_t i = 0; i < pass.Files.size(); ++i) {
        if (i > 0)
            line += ", ";
        const std::uint32_t file = pass.Files[i];
        line += file < m.Imports.size() ? m.Imports[file].File : "?";
    }
    return line;
}
