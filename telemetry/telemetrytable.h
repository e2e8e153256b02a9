// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "blockmemory.h"
#include "instant.h"
#include "timetexts.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int FieldCount = 105;      // field numbers 0 to 104
inline constexpr int FrameBufferSize = 512; // positions 1 to 512
inline constexpr int LastPacket1Field = 45;
inline constexpr int FirstPacket2Field = 50;

// The built-in beacon's packet kinds, one row each: the kind byte a frame
// carries (position 20), the first of the fields its records hold (up to
// the next kind's first), and the last frame position its decoder reads.
// A packet spans the frame from position 18 (PacketFirstByte) to that one.
// Its wire format is its rows in the decoders' table (PacketLayout).
struct PacketKind {
    int Number;
    int FirstField;
    int LastByte;
};
inline constexpr std::array<PacketKind, 2> PacketKinds{{{1, 0, 111}, {2, FirstPacket2Field, 123}}};
inline constexpr int PacketKindCount = static_cast<int>(PacketKinds.size());
// Whether a packet's kind byte names a kind of the table.
inline constexpr bool IsPacketKind(int kind)
{
    for (const PacketKind& k : PacketKinds)
        if (k.Number == kind)
            return true;
    return false;
}

inline constexpr int PacketFirstByte = 18;
inline constexpr int PacketLastByte(int kind) { return PacketKinds[static_cast<std::size_t>(kind - 1)].LastByte; }
inline constexpr int PacketWidth(int kind) { return PacketLastByte(kind) - PacketFirstByte + 1; }

// The packet kind whose records a field belongs to.
inline constexpr int PacketKindOfField(int field)
{
    int kind = 1;
    for (const PacketKind& k : PacketKinds)
        if (field >= k.FirstField)
            kind = k.Number;
    return kind;
}

// Frame positions 1 to 512; position 0 is unused so that indices read as the
// frame positions they stand for.
using FrameBytes = std::array<std::uint8_t, FrameBufferSize + 1>;

// Where and when a stored packet was received.
struct PacketInfo {
    Instant At = UnknownInstant; // its reception instant
    std::uint64_t Offset = 0;    // where its frame or line starts in its capture file
    std::uint32_t File = 0;      // its capture's index in the selection (Imports)
    std::uint8_t Satellite = 0;  // its satellite number byte (frame position 19)
};

// A record decoded: the values of its packets (0 for the fields of a kind it
// does not hold, and for the spare fields 46 to 49) and their reception
// data, by kind (Packets[kind - 1]).
struct TelemetryRecord {
    std::array<double, FieldCount> Values{};
    std::array<PacketInfo, PacketKindCount> Packets;
};

// The records, numbered from 1. Record n holds the n-th stored packet of each
// kind. A packet is kept as its bytes from frame position 18 and decoded when
// a value is asked for, so a record with both packets, their times, instants
// and places takes about 250 bytes. Slots grow in blocks that are never moved
// nor cleared before they are filled. A time text that the packet's instant
// renders exactly (a log line's clock time, a date and time, with " UTC",
// with milliseconds) is not kept at all; any other is kept once in an
// arena, shared by consecutive packets with the same text.
class TelemetryTable {
public:
    TelemetryTable();

    // Keeps bytes (PacketWidth(kind) of them, frame positions 18 on) as the
    // packet of kind (1 or 2) of record n >= 1, received as info tells, with
    // its time text. Records skipped below n hold no packet of that kind.
    void StorePacket(
        int kind, std::int64_t n, const std::uint8_t* bytes, const PacketInfo& info, std::string_view time);

    // A reader that has found time to be exactly at written in form says so:
    // the packets stored next with that text and instant take the form
    // without a second look. Other tells nothing.
    void NoteTimeForm(std::string_view time, Instant at, TimeForm form) { times_.NoteForm(time, at, form); }

    // Record n decoded; a record without packets reads as all zeros.
    TelemetryRecord Record(std::int64_t n) const;
    // The value of one field of record n, 0 when the record lacks its packet.
    double Value(std::int64_t n, int field) const;
    // Every value of record n into values, as Record(n).Values.
    void DecodeValues(std::int64_t n, std::array<double, FieldCount>& values) const;
    // The packet of kind of record n: its bytes (empty when there is none),
    // reception data and time text.
    std::span<const std::uint8_t> PacketBytes(int kind, std::int64_t n) const;
    PacketInfo Packet(int kind, std::int64_t n) const;
    std::string PacketTime(int kind, std::int64_t n) const;
    void AppendPacketTime(std::string& out, int kind, std::int64_t n) const;
    std::string Packet1Time(std::int64_t n) const { return PacketTime(1, n); }
    std::string Packet2Time(std::int64_t n) const { return PacketTime(2, n); }

    // The highest record that holds a packet of kind, and of either kind.
    std::int64_t Count(int kind) const;
    std::int64_t Size() const;
    // Makes the packets of kind of records order[0], order[1], ... those of
    // records 1, 2, ...; records past the order lose their packet of kind.
    void Reorder(int kind, std::span<const std::int64_t> order);
    // Drops every record and time text.
    void Clear();
    // Gives back the blocks made ready ahead of need; the readers call it
    // when a file is read.
    void Trim();
    // Bytes held by the records and their time texts.
    std::size_t MemoryBytes() const;

private:
    // Where and when a packet was received, and its time text's id.
    struct Slot {
        Instant At;
        std::uint64_t Offset;
        std::uint32_t File;
        std::uint32_t TimeId;
    };
    // The packets of one kind in blocks: their slots, then their bytes. The
    // first blocks grow from 256 slots to 4,096, so that a small capture
    // takes little memory; every block after them holds as many slots as
    // fill one large page (BigBlockBytes), and while one fills, the next is
    // made ready, its pages mapped, on another thread.
    struct Column {
        static constexpr std::int64_t FirstSlots = 256;
        static constexpr std::int64_t GrowingSlots = 8192; // the growing blocks' slots in all
        static constexpr std::size_t GrowingBlocks = 6;
        explicit Column(std::size_t width)
            : Width(width)
            , BlockSlots(static_cast<std::int64_t>(BigBlockBytes / (sizeof(Slot) + width)))
        {
        }
        std::size_t Width;
        std::int64_t BlockSlots; // in each block after the growing ones
        std::vector<BlockMemory> Blocks;
        std::future<BlockMemory> NextBlock;
        std::int64_t Count = 0;
        std::int64_t Capacity = 0; // slots in the blocks

        // Slot and bytes of record n, 1 <= n <= Count, alone or at once.
        const Slot& SlotOf(std::int64_t n) const { return *At(n).first; }
        Slot& SlotOf(std::int64_t n) { return *At(n).first; }
        const std::uint8_t* BytesOf(std::int64_t n) const { return At(n).second; }
        std::uint8_t* BytesOf(std::int64_t n) { return At(n).second; }
        std::pair<Slot*, std::uint8_t*> At(std::int64_t n) const
        {
            const std::size_t block = Block(n);
            const std::size_t index = Index(n);
            return {SlotsOf(block) + index, BytesIn(block) + index * Width};
        }
        std::size_t BlockBytes(std::size_t block) const
        {
            return block < GrowingBlocks ? SlotsIn(block) * (sizeof(Slot) + Width) : BigBlockBytes;
        }
        // Room made for record n; the records added below it hold nothing.
        void Grow(std::int64_t n)
        {
            if (n == Count + 1 && n <= Capacity) // the next one, in a block at hand
                Count = n;
            else
                GrowTo(n);
        }
        bool Holds(std::int64_t n) const;

    private:
        void GrowTo(std::int64_t n);
        Slot* SlotsOf(std::size_t block) const { return reinterpret_cast<Slot*>(Blocks[block].get()); }
        std::uint8_t* BytesIn(std::size_t block) const { return Blocks[block].get() + SlotsIn(block) * sizeof(Slot); }
        // Block b holds slots from Start(b) (counted from 0) on, SlotsIn(b) of them.
        std::size_t SlotsIn(std::size_t b) const
        {
            return static_cast<std::size_t>(b == 0 ? FirstSlots
                    : b < GrowingBlocks            ? FirstSlots << (b - 1)
                                                   : BlockSlots);
        }
        std::uint64_t Start(std::size_t b) const
        {
            return b < GrowingBlocks ? (b == 0 ? 0 : std::uint64_t{FirstSlots} << (b - 1))
                                     : GrowingSlots + (b - GrowingBlocks) * static_cast<std::uint64_t>(BlockSlots);
        }
        std::size_t Block(std::int64_t n) const
        {
            const auto i = static_cast<std::uint64_t>(n - 1);
            return i < GrowingSlots
                ? static_cast<std::size_t>(std::bit_width(i / FirstSlots))
                : static_cast<std::size_t>((i - GrowingSlots) / static_cast<std::uint64_t>(BlockSlots)) + GrowingBlocks;
        }
        std::size_t Index(std::int64_t n) const
        {
            return static_cast<std::size_t>(static_cast<std::uint64_t>(n - 1) - Start(Block(n)));
        }
    };

    const Column& ColumnOf(int kind) const { return columns_[static_cast<std::size_t>(kind - 1)]; }
    Column& ColumnOf(int kind) { return columns_[static_cast<std::size_t>(kind - 1)]; }

    std::vector<Column> columns_; // one for each packet kind
    TimeTexts times_;
};
