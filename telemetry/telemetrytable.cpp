// SPDX-License-Identifier: GPL-3.0-or-later
#include "telemetrytable.h"

#include "decoders.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// A slot that holds no packet: an id no time text takes.
constexpr std::uint32_t NoPacket = 0xFFFFFFFF;
static_assert(NoPacket > TimeTexts::Highest);

} // namespace

TelemetryTable::TelemetryTable()
{
    for (const PacketKind& kind : PacketKinds)
        columns_.emplace_back(static_cast<std::size_t>(PacketWidth(kind.Number)));
}

void TelemetryTable::Column::GrowTo(std::int64_t n)
{
    // Not cleared: every slot is written before it is read.
    while (Blocks.size() <= Block(n)) {
        const std::size_t block = Blocks.size();
        Blocks.push_back(NextBlock.valid() ? NextBlock.get() : AllocateBlock(BlockBytes(block), false));
        if (block + 1 >= GrowingBlocks)
            NextBlock = std::async(std::launch::async, AllocateBlock, BlockBytes(block + 1), true);
        Capacity += static_cast<std::int64_t>(SlotsIn(block));
    }
    for (; Count < n - 1; ++Count)
        SlotOf(Count + 1).TimeId = NoPacket;
    Count = std::max(Count, n);
}

bool TelemetryTable::Column::Holds(std::int64_t n) const
{
    return n >= 1 && n <= Count && SlotOf(n).TimeId != NoPacket;
}

void TelemetryTable::StorePacket(
    int kind, std::int64_t n, const std::uint8_t* bytes, const PacketInfo& info, std::string_view time)
{
    if (n < 1)
        return;
    Column& column = ColumnOf(kind);
    column.Grow(n);
    const auto [slot, kept] = column.At(n);
    Instant at = info.At;
    if (at == UnknownInstant)
        if (const std::optional<Instant> clock = ParseClockTime(time))
            at = ClockOnlyBase + *clock;
    *slot = {at, info.Offset, info.File, times_.IdFor(time, at)};
    std::memcpy(kept, bytes, column.Width);
}

TelemetryRecord TelemetryTable::Record(std::int64_t n) const
{
    TelemetryRecord record;
    DecodeValues(n, record.Values);
    for (const PacketKind& kind : PacketKinds)
        record.Packets[static_cast<std::size_t>(kind.Number - 1)] = Packet(kind.Number, n);
    return record;
}

double TelemetryTable::Value(std::int64_t n, int field) const
{
    const FieldLayout* row = FieldRow(field);
    if (!row)
        return 0;
    const Column& column = ColumnOf(PacketKindOfField(field));
    return column.Holds(n) ? DecodeField(*row, column.BytesOf(n)) : 0.0;
}

void TelemetryTable::DecodeValues(std::int64_t n, std::array<double, FieldCount>& values) const
{
    values.fill(0.0);
    for (const PacketKind& kind : PacketKinds)
        if (ColumnOf(kind.Number).Holds(n))
            DecodePacket(kind.Number, ColumnOf(kind.Number).BytesOf(n), values);
}

std::span<const std::uint8_t> TelemetryTable::PacketBytes(int kind, std::int64_t n) const
{
    const Column& column = ColumnOf(kind);
    if (!column.Holds(n))
        return {};
    return {column.BytesOf(n), column.Width};
}

PacketInfo TelemetryTable::Packet(int kind, std::int64_t n) const
{
    const Column& column = ColumnOf(kind);
    if (!column.Holds(n))
        return {};
    const Slot& slot = column.SlotOf(n);
    return {IsClockOnly(slot.At) ? UnknownInstant : slot.At, slot.Offset, slot.File,
        column.BytesOf(n)[19 - PacketFirstByte]};
}

std::string TelemetryTable::PacketTime(int kind, std::int64_t n) const
{
    std::string text;
    AppendPacketTime(text, kind, n);
    return text;
}

void TelemetryTable::AppendPacketTime(std::string& out, int kind, std::int64_t n) const
{
    const Column& column = ColumnOf(kind);
    if (column.Holds(n))
        times_.Append(out, column.SlotOf(n).TimeId, column.SlotOf(n).At);
}

std::int64_t TelemetryTable::Count(int kind) const { return ColumnOf(kind).Count; }

std::int64_t TelemetryTable::Size() const
{
    std::int64_t size = 0;
    for (const Column& column : columns_)
        size = std::max(size, column.Count);
    return size;
}

void TelemetryTable::Reorder(int kind, std::span<const std::int64_t> order)
{
    Column& column = ColumnOf(kind);
    // The kept packets side by side first, then back into their new places.
    const std::size_t kept = order.size();
    const auto slots = std::make_unique_for_overwrite<Slot[]>(kept);
    const auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(kept * column.Width);
    for (std::size_t i = 0; i < kept; ++i) {
        slots[i] = column.SlotOf(order[i]);
        std::memcpy(bytes.get() + i * column.Width, column.BytesOf(order[i]), column.Width);
    }
    for (std::size_t i = 0; i < kept; ++i) {
        const auto n = static_cast<std::int64_t>(i + 1);
        column.SlotOf(n) = slots[i];
        std::memcpy(column.BytesOf(n), bytes.get() + i * column.Width, column.Width);
    }
    column.Count = static_cast<std::int64_t>(kept);
}

void TelemetryTable::Clear()
{
    for (Column& column : columns_) {
        column.Blocks.clear();
        column.NextBlock = {};
        column.Count = 0;
        column.Capacity = 0;
    }
    times_.Clear();
}

void TelemetryTable::Trim()
{
    for (Column& column : columns_)
        column.NextBlock = {};
}

std::size_t TelemetryTable::MemoryBytes() const
{
    std::size_t bytes = times_.MemoryBytes();
    for (const Column& column : columns_) {
        // The block made ready ahead is held too.
        const std::size_t blocks = column.Blocks.size() + (column.NextBlock.valid() ? 1 : 0);
        for (std::size_t block = 0; block < blocks; ++block)
            bytes += column.BlockBytes(block);
        bytes += column.Blocks.capacity() * sizeof(column.Blocks[0]);
    }
    return bytes;
}
