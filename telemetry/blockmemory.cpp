#include "blockmemory.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

} // namespace

void BlockMemoryFree::operator()(std::uint8_t* block) const noexcept { std::free(block); }

BlockMemory AllocateBlock(std::size_t bytes)
{
    // Rounded up to whole huge pages, as aligned_alloc asks.
    const std::size_t size = (bytes + HugePage - 1) / HugePage * HugePage;
    void* block = std::aligned_alloc(HugePage, size);
    if (!block)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Only a hint: where huge pages are off, the block has ordinary pages.
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return BlockMemory(static_cast<std::uint8_t*>(block));
}
