#include "merge.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <numeric>
#include <string_view>
#include <tuple>

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
    const std::int64_t count = kind == 2 ? m.Packet2Count : m.RecordCount;
    std::vector<Key> keys(static_cast<std::size_t>(count));
    for (std::int64_t n = 1; n <= count; ++n) {
        const PacketInfo p = m.Packet(kind, n);
        keys[static_cast<std::size_t>(n - 1)] = {p.At == UnknownInstant ? INT64_MAX : p.At, p.File, p.Offset, n};
    }
    // No two packets share a file and a place, so the order is total.
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.At != b.At ? a.At < b.At : a.File != b.File ? a.File < b.File : a.Offset < b.Offset;
    });

    PacketSet seen(m.Table, kind, keys.size());
    std::vector<std::int64_t> kept;
    kept.reserve(keys.size());
    for (const Key& key : keys) {
        if (!seen.Insert(key.Record)) {
            if (key.File < m.Imports.size()) {
                ++m.Imports[key.File].Duplicates;
                --(kind == 2 ? m.Imports[key.File].Stored2 : m.Imports[key.File].Stored1);
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
    const std::vector<std::int64_t> kept1 = KeptInOrder(m, 1);
    const std::vector<std::int64_t> kept2 = KeptInOrder(m, 2);
    m.Table.Reorder(1, kept1);
    m.Table.Reorder(2, kept2);
    m.RecordCount = static_cast<std::int64_t>(kept1.size());
    m.Packet2Count = static_cast<std::int64_t>(kept2.size());
    m.Merged = true;
}

std::vector<Pass> FindPasses(const Module1& m)
{
    struct Stamp {
        Instant At;
        int Kind;
        std::uint32_t File;
    };
    // Each kind's stamps, then both merged: most captures list them in the
    // order of time already, so that only the merge is left to do.
    std::vector<Stamp> stamps;
    const auto byInstant = [](const Stamp& a, const Stamp& b) { return a.At < b.At; };
    for (const int kind : {1, 2}) {
        const auto first = static_cast<std::ptrdiff_t>(stamps.size());
        for (std::int64_t n = 1, count = kind == 2 ? m.Packet2Count : m.RecordCount; n <= count; ++n)
            if (const PacketInfo p = m.Packet(kind, n); p.At != UnknownInstant)
                stamps.push_back({p.At, kind, p.File});
        if (!std::is_sorted(stamps.begin() + first, stamps.end(), byInstant))
            std::sort(stamps.begin() + first, stamps.end(), byInstant);
        if (first > 0)
            std::inplace_merge(stamps.begin(), stamps.begin() + first, stamps.end(), byInstant);
    }
    std::vector<Pass> passes;
    for (const Stamp& s : stamps) {
        if (passes.empty() || s.At - passes.back().End > PassGap)
            passes.push_back({s.At, s.At, 0, 0, {}});
        Pass& pass = passes.back();
        pass.End = s.At;
        ++(s.Kind == 2 ? pass.Records2 : pass.Records1);
        if (std::find(pass.Files.begin(), pass.Files.end(), s.File) == pass.Files.end())
            pass.Files.push_back(s.File);
    }
    for (Pass& pass : passes)
        std::sort(pass.Files.begin(), pass.Files.end());
    return passes;
}

std::string PassLine(const Module1& m, const Pass& pass)
{
    std::string line = FormatIsoUtc(pass.Start) + " to " + FormatIsoUtc(pass.End) + ", " + std::to_string(pass.Records1)
        + " + " + std::to_string(pass.Records2) + " records, from ";
    for (std::size_t i = 0; i < pass.Files.size(); ++i) {
        if (i > 0)
            line += ", ";
        const std::uint32_t file = pass.Files[i];
        line += file < m.Imports.size() ? m.Imports[file].File : "?";
    }
    return line;
}
