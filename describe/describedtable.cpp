// SPDX-License-Identifier: GPL-3.0-or-later
#include "describedtable.h"

#include "describedsatellite.h"

#include <cstring>

void DescribedTable::Store(std::span<const std::uint8_t> frame, std::uint32_t shape,
    std::span<const std::uint8_t> packedValues, const PacketInfo& info, std::string_view time)
{
    if (!keepFrames_)
        frame = {};
    const std::size_t size = frame.size() + packedValues.size();
    std::uint8_t* at = nullptr;
    if (size > BlockBytes) {
        // A block of its own; the next record begins a new one.
        blocks_.push_back(AllocateBlock(size, false));
        at = blocks_.back().get();
        blockUsed_ = BlockBytes;
        heldBytes_ += size;
    } else {
        if (BlockBytes - blockUsed_ < size || blocks_.empty()) {
            blocks_.push_back(AllocateBlock(BlockBytes, false));
            blockUsed_ = 0;
            heldBytes_ += BlockBytes;
        }
        at = blocks_.back().get() + blockUsed_;
        blockUsed_ += size;
    }
    if (!frame.empty())
        std::memcpy(at, frame.data(), frame.size());
    if (!packedValues.empty())
        std::memcpy(at + frame.size(), packedValues.data(), packedValues.size());
    entries_.Append({at, static_cast<std::uint32_t>(frame.size()), times_.IdFor(time, info.At), info, shape});
}

std::span<const std::uint8_t> DescribedTable::Frame(std::int64_t n) const
{
    const Entry& e = At(n);
    return {e.Start, e.Length};
}

void DescribedTable::Reorder(std::span<const std::int64_t> order)
{
    BlockVector<Entry> entries;
    for (const std::int64_t n : order)
        entries.Append(At(n));
    entries_ = std::move(entries);
}

void DescribedTable::Clear()
{
    blocks_.clear();
    blockUsed_ = BlockBytes;
    heldBytes_ = 0;
    entries_.Clear();
    shapes_.Clear();
    times_.Clear();
}

std::size_t DescribedTable::MemoryBytes() const
{
    return heldBytes_ + entries_.MemoryBytes() + shapes_.MemoryBytes() + times_.MemoryBytes();
}

PendingFrames::PendingFrames() = default;

PendingFrames::~PendingFrames() { Clear(); }

PendingFrames::PendingFrames(PendingFrames&& o) noexcept { *this = std::move(o); }

PendingFrames& PendingFrames::operator=(PendingFrames&& o) noexcept
{
    Clear();
    if (o.Read.valid())
        o.Read.wait();
    Waiting = std::move(o.Waiting);
    Reading = std::move(o.Reading);
    Read = std::move(o.Read);
    NextFrame = o.NextFrame.load();
    Other = std::move(o.Other);
    return *this;
}

void PendingFrames::Clear()
{
    if (Read.valid()) {
        try {
            Read.get();
        } catch (...) { // what the other core's reading threw: its batch is dropped
        }
    }
    Waiting.Clear();
    Reading.Clear();
}
