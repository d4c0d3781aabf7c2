#include "host_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace d3d12
{

HostPages MapHostPages(size_t bytes)
{
    const size_t size = (bytes + HugePageSize - 1) / HugePageSize * HugePageSize;
    // Mapped a huge page larger than asked, then trimmed to a huge-page
    // boundary at both ends.
    void* mapped = mmap(nullptr, size + HugePageSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return {};
    auto* base = static_cast<uint8_t*>(mapped);
    auto* aligned = reinterpret_cast<uint8_t*>(
        (reinterpret_cast<uintptr_t>(base) + HugePageSize - 1) & ~uintptr_t(HugePageSize - 1));
    if (aligned > base)
        munmap(base, size_t(aligned - base));
    if (aligned + size < base + size + HugePageSize)
        munmap(aligned + size, size_t(base + size + HugePageSize - (aligned + size)));

    // Both are hints: where the kernel has no transparent huge pages, or
    // cannot populate ahead, the memory is faulted in as it is first used.
    madvise(aligned, size, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(aligned, size, MADV_POPULATE_WRITE);
#endif
    return {aligned, size};
}

void UnmapHostPages(const HostPages& pages)
{
    if (pages.Data)
        munmap(pages.Data, pages.Size);
}

} // namespace d3d12
