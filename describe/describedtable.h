// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ksypacked.h"

#include "telemetry/blockmemory.h"
#include "telemetry/telemetrytable.h"
#include "telemetry/timetexts.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class DescribedSatellite;

// The records of a described satellite: each frame's bytes as received and
// its field values as its one reading with the description gave them
// (packed), with where and when it was received and its time text.
class DescribedTable {
public:
    // Stores a frame with its values packed as the shape ShapeId gave lays
    // them out.
    void Store(std::span<const std::uint8_t> frame, std::uint32_t shape, std::span<const std::uint8_t> packedValues,
        const PacketInfo& info, std::string_view time);
    // The number a shape has in this store.
    std::uint32_t ShapeId(const KsyShape& shape) { return shapes_.IdOf(shape); }
    std::int64_t Count() const { return static_cast<std::int64_t>(entries_.Count()); }
    // Whether the frames' bytes are kept beside their values: what merging
    // compares to drop duplicates, and nothing else needs. Kept unless the
    // data set's reader says it will not merge.
    void KeepFrames(bool keep) { keepFrames_ = keep; }
    bool FramesKept() const { return keepFrames_; }
    // Record n (from 1): its frame (empty where frames are not kept), its
    // packed values and their shape, its reception data, its time text.
    std::span<const std::uint8_t> Frame(std::int64_t n) const;
    const std::uint8_t* PackedValues(std::int64_t n) const { return At(n).Start + At(n).Length; }
    const KsyShape& Shape(std::int64_t n) const { return shapes_[At(n).Shape]; }
    std::uint32_t ShapeNumber(std::int64_t n) const { return At(n).Shape; }
    const PacketInfo& Info(std::int64_t n) const { return At(n).Info; }
    void AppendTime(std::string& out, std::int64_t n) const { times_.Append(out, At(n).TimeId, At(n).Info.At); }
    std::string Time(std::int64_t n) const
    {
        std::string text;
        AppendTime(text, n);
        return text;
    }
    // Makes records order[0], order[1], ... records 1, 2, ...; the others go.
    void Reorder(std::span<const std::int64_t> order);
    void Clear();
    std::size_t MemoryBytes() const;

private:
    struct Entry {
        const std::uint8_t* Start;
        std::uint32_t Length;
        std::uint32_t TimeId;
        PacketInfo Info;
        std::uint32_t Shape;
    };
    const Entry& At(std::int64_t n) const { return entries_[static_cast<std::size_t>(n - 1)]; }

    // The frames' bytes, each followed by its packed values, in blocks that
    // are never moved (a record larger than a block has one of its own), so
    // that storing never copies them again.
    static constexpr std::size_t BlockBytes = BigBlockBytes;
    std::vector<BlockMemory> blocks_;
    std::size_t blockUsed_ = BlockBytes;
    std::size_t heldBytes_ = 0;
    bool keepFrames_ = true;
    KsyShapes shapes_;
    BlockVector<Entry> entries_;
    TimeTexts times_;
};

// A batch of frames of a described satellite that the readers have handed
// on, in reading order, to be read with the description, and what reading
// them gives.
struct DescribedBatch {
    struct Entry {
        std::size_t Start;
        std::uint32_t Length;
        std::uint32_t Time; // in Times
        PacketInfo Info;
        // A KISS frame: listed on the dump page when stored, read again from
        // its capture there where it can be, with its type byte.
        bool Dump = false;
        bool Rereadable = false;
        std::uint8_t TypeByte = 0;
    };
    std::vector<std::uint8_t> Bytes;
    std::vector<Entry> Entries;
    std::vector<std::string> Times;
    // What reading gives each frame: whether it parsed, and its packed
    // values (in the packed bytes of the reader that read it).
    struct Reading {
        bool Parsed = false;
        std::uint8_t Reader = 0; // 0 this core's, 1 the other's
        std::size_t Shape = 0;   // of that reader
        std::size_t PackedStart = 0;
        std::size_t PackedLength = 0;
    };
    std::vector<Reading> Readings;
    std::vector<std::uint8_t> Packed[2];

    std::span<const std::uint8_t> Frame(const Entry& e) const { return {Bytes.data() + e.Start, e.Length}; }
    void Clear()
    {
        Bytes.clear();
        Entries.clear();
        Times.clear();
    }
};

// The frames handed on and not yet stored: a batch that the readers fill
// while the batch before it is read on the other core (and on this one,
// once it has filled its own), then stored in order.
struct PendingFrames {
    DescribedBatch Waiting;
    DescribedBatch Reading;
    std::future<void> Read;                    // valid while Reading is read
    std::atomic<std::size_t> NextFrame{0};     // of Reading, the next that no core has taken
    std::unique_ptr<DescribedSatellite> Other; // the other core's reader

    PendingFrames();
    ~PendingFrames();
    // A move waits until the other core is done with its batch.
    PendingFrames(PendingFrames&& o) noexcept;
    PendingFrames& operator=(PendingFrames&& o) noexcept;
    // Frames handed on and not yet stored.
    std::size_t Count() const { return Waiting.Entries.size() + (Read.valid() ? Reading.Entries.size() : 0); }
    // Drops both batches, once the other core is done with its.
    void Clear();
};
