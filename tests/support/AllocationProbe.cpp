#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<bool> gWatching{false};
std::atomic<size_t> gLargest{0};

void* Allocate(size_t bytes) noexcept
{
    if (gWatching.load(std::memory_order_relaxed))
    {
        size_t seen = gLargest.load(std::memory_order_relaxed);
        while (bytes > seen && !gLargest.compare_exchange_weak(seen, bytes))
        {
        }
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}
} // namespace

LargestAllocation::LargestAllocation()
{
    gLargest = 0;
    gWatching = true;
}

LargestAllocation::~LargestAllocation()
{
    gWatching = false;
}

size_t LargestAllocation::Bytes() const
{
    return gLargest;
}

void* operator new(size_t bytes)
{
    if (void* memory = Allocate(bytes))
        return memory;
    throw std::bad_alloc();
}

void* operator new[](size_t bytes)
{
    return operator new(bytes);
}

void* operator new(size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes);
}

void* operator new[](size_t bytes, const std::nothrow_t&) noexcept
{
    return Allocate(bytes);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, size_t) noexcept
{
    std::free(memory);
}
