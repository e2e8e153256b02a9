// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

// Memory for the store's blocks, not cleared; with mapNow, its pages mapped
// at once where the system can, rather than one page fault at a time as the
// block is filled. A block of a multiple of BigBlockBytes is asked to stand
// in large pages: the first write to a page costs far more than the write
// itself (several microseconds in a virtual machine), and a large page
// takes that cost once for 2 MiB instead of 512 times.
struct BlockMemoryFree {
    void operator()(std::uint8_t* block) const noexcept { std::free(block); }
};
using BlockMemory = std::unique_ptr<std::uint8_t[], BlockMemoryFree>;

inline constexpr std::size_t BigBlockBytes = std::size_t{2} << 20; // a large page of x86-64 and arm64 Linux

BlockMemory AllocateBlock(std::size_t bytes, bool mapNow);

// A growing column of plain records in blocks of BigBlockBytes that never
// move: appending never copies the records before it (as a vector's growth
// does, touching twice the memory), and holds at most one block not full.
template <class T>
class BlockVector {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr std::size_t PerBlock = BigBlockBytes / sizeof(T);

    void Append(const T& value)
    {
        if (size_ == blocks_.size() * PerBlock)
            blocks_.push_back(AllocateBlock(BigBlockBytes, false));
        Data(blocks_.back())[size_ % PerBlock] = value;
        ++size_;
    }
    const T& operator[](std::size_t i) const { return Data(blocks_[i / PerBlock])[i % PerBlock]; }
    std::size_t Count() const { return size_; }
    void Clear()
    {
        blocks_.clear();
        size_ = 0;
    }
    std::size_t MemoryBytes() const
    {
        return blocks_.size() * BigBlockBytes + blocks_.capacity() * sizeof(BlockMemory);
    }

private:
    static T* Data(const BlockMemory& block) { return reinterpret_cast<T*>(block.get()); }

    std::vector<BlockMemory> blocks_;
    std::size_t size_ = 0;
};
