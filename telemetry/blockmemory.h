#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Memory for the store's blocks, not cleared. A block of a huge page's size
// is aligned to it and, on Linux, offered huge pages, so that filling a large
// store takes one page fault per 2 MiB rather than one per 4 KiB.
struct BlockMemoryFree {
    void operator()(std::uint8_t* block) const noexcept;
};
using BlockMemory = std::unique_ptr<std::uint8_t[], BlockMemoryFree>;

BlockMemory AllocateBlock(std::size_t bytes);
