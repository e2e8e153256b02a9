// SPDX-License-Identifier: GPL-3.0-or-later
#include "describedtable.h"

#include "describe/describedsatellite.h"

#include <cstring>

void DescribedTable::Store(std::span<const std::uint8_t> frame, const PacketInfo& info, std::string_view time)
{
    if (times_.empty() || times_.back() != time)
        times_.emplace_back(time);
    std::uint8_t* at = nullptr;
    if (frame.size() > BlockBytes) {
        // A block of its own; the next frame begins a new one.
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(frame.size()));
        at = blocks_.back().get();
        blockUsed_ = BlockBytes;
        heldBytes_ += frame.size();
    } else {
        if (BlockBytes - blockUsed_ < frame.size()) {
            blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(BlockBytes));
            blockUsed_ = 0;
            heldBytes_ += BlockBytes;
        }
        at = blocks_.back().get() + blockUsed_;
        blockUsed_ += frame.size();
    }
    if (!frame.empty())
        std::memcpy(at, frame.data(), frame.size());
    entries_.push_back(
        {at, static_cast<std::uint32_t>(frame.size()), static_cast<std::uint32_t>(times_.size() - 1), info});
}

std::span<const std::uint8_t> DescribedTable::Frame(std::int64_t n) const
{
    const Entry& e = At(n);
    return {e.Start, e.Length};
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
    blocks_.clear();
    blockUsed_ = BlockBytes;
    heldBytes_ = 0;
    entries_.clear();
    times_.clear();
}

std::size_t DescribedTable::MemoryBytes() const
{
    std::size_t n = heldBytes_ + entries_.capacity() * sizeof(Entry);
    for (const std::string& t : times_)
        n += sizeof t + t.capacity();
    return n;
}

PendingFrames::PendingFrames() = default;
PendingFrames::~PendingFrames() = default;
PendingFrames::PendingFrames(PendingFrames&&) noexcept = default;
PendingFrames& PendingFrames::operator=(PendingFrames&&) noexcept = default;
