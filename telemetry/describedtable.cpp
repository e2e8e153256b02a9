#include "describedtable.h"

void DescribedTable::Store(std::span<const std::uint8_t> frame, const PacketInfo& info, std::string_view time)
{
    if (times_.empty() || times_.back() != time)
        times_.emplace_back(time);
    entries_.push_back(
        {bytes_.size(), static_cast<std::uint32_t>(frame.size()), static_cast<std::uint32_t>(times_.size() - 1), info});
    bytes_.insert(bytes_.end(), frame.begin(), frame.end());
}

std::span<const std::uint8_t> DescribedTable::Frame(std::int64_t n) const
{
    const Entry& e = At(n);
    return {bytes_.data() + e.Start, e.Length};
}

void DescribedTable::Reorder(std::span<const std::int64_t> order)
{
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (const std::int64_t n : order)
        entries.push_back(At(n));
    entries_ = std::move(entries);
}

void DescribedTable::Clear()
{
    bytes_.clear();
    entries_.clear();
    times_.clear();
}

std::size_t DescribedTable::MemoryBytes() const
{
    std::size_t n = bytes_.capacity() + entries_.capacity() * sizeof(Entry);
    for (const std::string& t : times_)
        n += sizeof t + t.capacity();
    return n;
}
