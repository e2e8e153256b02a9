// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Memory for the store's blocks, not cleared; with mapNow, its pages mapped
// at once where the system can, rather than one page fault at a time as the
// block is filled.
struct BlockMemoryFree {
    void operator()(std::uint8_t* block) const noexcept;
};
using BlockMemory = std::unique_ptr<std::uint8_t[], BlockMemoryFree>;

BlockMemory AllocateBlock(std::size_t bytes, bool mapNow);
