// SPDX-License-Identifier: GPL-3.0-or-later
#include "blockmemory.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t Page = 4096;

} // namespace

BlockMemory AllocateBlock(std::size_t bytes, bool mapNow)
{
    const std::size_t align = bytes % BigBlockBytes == 0 ? BigBlockBytes : Page;
    const std::size_t size = (bytes + align - 1) / align * align; // as aligned_alloc asks
    void* block = std::aligned_alloc(align, size);
    if (!block)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Where the system keeps large pages only for those who ask (or never),
    // this is a wish, and nothing changes when it is refused.
    if (align == BigBlockBytes)
        madvise(block, size, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    // One call maps every page, where a page fault apiece costs far more
    // (most of all in a virtual machine). Kernels before 5.14 refuse it and
    // fault the pages in as they are written.
    if (mapNow)
        madvise(block, size, MADV_POPULATE_WRITE);
#else
    (void)mapNow;
#endif
    return BlockMemory(static_cast<std::uint8_t*>(block));
}
