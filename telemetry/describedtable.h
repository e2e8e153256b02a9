// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "telemetrytable.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class DescribedSatellite;

// The records of a described satellite: each frame's bytes as received, with
// where and when it was received and its time text. A record is decoded
// when it is asked for, as the built-in satellites' packets are.
class DescribedTable {
public:
    void Store(std::span<const std::uint8_t> frame, const PacketInfo& info, std::string_view time);
    std::int64_t Count() const { return static_cast<std::int64_t>(entries_.size()); }
    // Record n (from 1): its frame, its reception data, its time text.
    std::span<const std::uint8_t> Frame(std::int64_t n) const;
    const PacketInfo& Info(std::int64_t n) const { return At(n).Info; }
    const std::string& Time(std::int64_t n) const { return times_[At(n).TimeId]; }
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
    };
    const Entry& At(std::int64_t n) const { return entries_[static_cast<std::size_t>(n - 1)]; }

    // The frames' bytes in blocks that are never moved (a frame larger than
    // a block has one of its own), so that storing never copies them again.
    static constexpr std::size_t BlockBytes = 1 << 20;
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::size_t blockUsed_ = BlockBytes;
    std::size_t heldBytes_ = 0;
    std::vector<Entry> entries_;
    std::vector<std::string> times_; // consecutive records with one text share it
};

// Frames of a described satellite that the readers have handed on and that
// wait, in reading order, to be read with the description: they are read in
// batches on both cores, then stored (or counted as not parsing).
struct PendingFrames {
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
    std::unique_ptr<DescribedSatellite> Reader; // the second core's

    PendingFrames();
    ~PendingFrames();
    PendingFrames(PendingFrames&&) noexcept;
    PendingFrames& operator=(PendingFrames&&) noexcept;
    void Clear()
    {
        Bytes.clear();
        Entries.clear();
        Times.clear();
    }
};
