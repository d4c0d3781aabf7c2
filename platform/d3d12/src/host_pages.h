// Memory for a CPU device's big resources, taken by the runtime itself in
// whole huge pages and handed to the driver (VK_EXT_external_memory_host).
// On a CPU device a resource's memory is the process's own: a driver's
// allocation faults it in 4 KiB at a time as it is first written, which
// costs several microseconds a page on a virtual machine, and the runtime
// must then zero it. Pages mapped here are 2 MiB-aligned, asked for as
// transparent huge pages and populated at once, and come zeroed from the
// kernel.
#pragma once

#include <cstddef>

namespace d3d12
{

// Resources this big or bigger take host pages; the mapping is rounded up to
// whole huge pages, so smaller ones would waste too much of it.
constexpr size_t HostPagesThreshold = size_t(1) << 20;
constexpr size_t HugePageSize = size_t(2) << 20;

struct HostPages
{
    void* Data = nullptr;
    size_t Size = 0;
};

// `bytes` rounded up to whole huge pages, zeroed; empty where the system has
// no such memory to give.
HostPages MapHostPages(size_t bytes);
void UnmapHostPages(const HostPages& pages);

} // namespace d3d12
