// The personality's memory types and heaps, each backed by lavapipe's one
// type. Heaps are as small as the device's: an allocation past a heap's size
// fails, as it would on the device (the 256 MiB window onto VRAM above all).
// A type that is not host-visible cannot be mapped; a type that is not
// host-coherent maps to a shadow copy, so a missing flush or invalidation
// shows in the pictures as it would on the device.
#include "layer.h"

#include <cstring>

namespace city_personality
{
namespace
{

constexpr VkDeviceSize ShadowAlignment = 4096;

bool Emulates(const DeviceData& data)
{
    return data.Profile && !data.Profile->Types.empty();
}

// A resource that lavapipe's type can hold can be held by every emulated
// type: all are allowed, as the devices allow memory of every kind for
// ordinary buffers and images.
uint32_t EmulatedTypeBits(const DeviceData& data, uint32_t realBits)
{
    const uint32_t all = uint32_t((uint64_t(1) << data.Profile->Types.size()) - 1);
    return (realBits >> data.RealMemoryType) & 1 ? all : 0;
}

VKAPI_ATTR void VKAPI_CALL GetBufferMemoryRequirements(VkDevice device, VkBuffer buffer,
                                                       VkMemoryRequirements* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetBufferMemoryRequirements(device, buffer, requirements);
    if (Emulates(data))
        requirements->memoryTypeBits = EmulatedTypeBits(data, requirements->memoryTypeBits);
}

VKAPI_ATTR void VKAPI_CALL GetImageMemoryRequirements(VkDevice device, VkImage image,
                                                      VkMemoryRequirements* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetImageMemoryRequirements(device, image, requirements);
    if (Emulates(data))
        requirements->memoryTypeBits = EmulatedTypeBits(data, requirements->memoryTypeBits);
}

void Translate(const DeviceData& data, VkMemoryRequirements2* requirements)
{
    uint32_t& bits = requirements->memoryRequirements.memoryTypeBits;
    if (Emulates(data))
        bits = EmulatedTypeBits(data, bits);
}

VKAPI_ATTR void VKAPI_CALL GetBufferMemoryRequirements2(VkDevice device,
                                                        const VkBufferMemoryRequirementsInfo2* info,
                                                        VkMemoryRequirements2* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetBufferMemoryRequirements2(device, info, requirements);
    Translate(data, requirements);
}

VKAPI_ATTR void VKAPI_CALL GetImageMemoryRequirements2(VkDevice device,
                                                       const VkImageMemoryRequirementsInfo2* info,
                                                       VkMemoryRequirements2* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetImageMemoryRequirements2(device, info, requirements);
    Translate(data, requirements);
}

VKAPI_ATTR void VKAPI_CALL
GetDeviceBufferMemoryRequirements(VkDevice device, const VkDeviceBufferMemoryRequirements* info,
                                  VkMemoryRequirements2* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetDeviceBufferMemoryRequirements(device, info, requirements);
    Translate(data, requirements);
}

VKAPI_ATTR void VKAPI_CALL
GetDeviceImageMemoryRequirements(VkDevice device, const VkDeviceImageMemoryRequirements* info,
                                 VkMemoryRequirements2* requirements)
{
    const DeviceData& data = DeviceOf(device);
    data.Next.GetDeviceImageMemoryRequirements(device, info, requirements);
    Translate(data, requirements);
}

VKAPI_ATTR VkResult VKAPI_CALL AllocateMemory(VkDevice device, const VkMemoryAllocateInfo* info,
                                              const VkAllocationCallbacks* allocator,
                                              VkDeviceMemory* memory)
{
    DeviceData& data = DeviceOf(device);
    if (!Emulates(data))
        return data.Next.AllocateMemory(device, info, allocator, memory);
    const Personality& personality = *data.Profile;
    const uint32_t type = info->memoryTypeIndex;
    const VkDeviceSize size = info->allocationSize;
    *memory = VK_NULL_HANDLE;
    if (type >= personality.Types.size())
        return Refuse(VK_ERROR_OUT_OF_DEVICE_MEMORY, "vkAllocateMemory",
                      "there is no memory type %u (%s)", type, personality.Name);
    // lavapipe has no device-coherent memory, so the feature these types
    // need can never have been enabled.
    if (personality.Types[type].Flags & VK_MEMORY_PROPERTY_DEVICE_COHERENT_BIT_AMD)
        return Refuse(VK_ERROR_OUT_OF_DEVICE_MEMORY, "vkAllocateMemory",
                      "memory type %u is device-coherent, a feature the device has not enabled "
                      "(%s)",
                      type, personality.Name);
    const uint32_t heap = personality.Types[type].Heap;
    InstanceData& instance = *data.Instance;
    {
        std::lock_guard lock(instance.HeapMutex);
        VkDeviceSize& usage = instance.HeapUsage[heap];
        if (size > personality.Heaps[heap].Size - usage)
            return Refuse(VK_ERROR_OUT_OF_DEVICE_MEMORY, "vkAllocateMemory",
                          "%llu bytes of memory type %u do not fit in heap %u, which has %llu of "
                          "its %llu bytes in use (%s)",
                          (unsigned long long)size, type, heap, (unsigned long long)usage,
                          (unsigned long long)personality.Heaps[heap].Size, personality.Name);
        usage += size;
    }
    VkMemoryAllocateInfo real = *info;
    real.memoryTypeIndex = data.RealMemoryType;
    const VkResult result = data.Next.AllocateMemory(device, &real, allocator, memory);
    if (result != VK_SUCCESS)
    {
        std::lock_guard lock(instance.HeapMutex);
        instance.HeapUsage[heap] -= size;
        return result;
    }
    std::lock_guard lock(data.Mutex);
    Allocation& allocation = data.Allocations[*memory];
    allocation.Type = type;
    allocation.Size = size;
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL FreeMemory(VkDevice device, VkDeviceMemory memory,
                                      const VkAllocationCallbacks* allocator)
{
    DeviceData& data = DeviceOf(device);
    if (Emulates(data) && memory != VK_NULL_HANDLE)
    {
        // A mapping ends with the memory, without a flush: what the program
        // left unflushed is lost.
        std::unique_lock lock(data.Mutex);
        const auto freed = data.Allocations.extract(memory);
        lock.unlock();
        if (!freed.empty())
        {
            std::lock_guard heapLock(data.Instance->HeapMutex);
            const Allocation& allocation = freed.mapped();
            data.Instance->HeapUsage[data.Profile->Types[allocation.Type].Heap] -= allocation.Size;
        }
    }
    data.Next.FreeMemory(device, memory, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL MapMemory(VkDevice device, VkDeviceMemory memory,
                                         VkDeviceSize offset, VkDeviceSize size,
                                         VkMemoryMapFlags flags, void** mapped)
{
    DeviceData& data = DeviceOf(device);
    if (!Emulates(data))
        return data.Next.MapMemory(device, memory, offset, size, flags, mapped);
    std::lock_guard lock(data.Mutex);
    Allocation& allocation = data.Allocations.at(memory);
    const VkMemoryPropertyFlags properties = data.Profile->Types[allocation.Type].Flags;
    if (!(properties & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT))
    {
        *mapped = nullptr;
        return Refuse(VK_ERROR_MEMORY_MAP_FAILED, "vkMapMemory",
                      "memory type %u is not host-visible (%s)", allocation.Type,
                      data.Profile->Name);
    }
    const VkResult result = data.Next.MapMemory(device, memory, offset, size, flags, mapped);
    if (result != VK_SUCCESS || (properties & VK_MEMORY_PROPERTY_HOST_COHERENT_BIT))
        return result;

    allocation.MapOffset = offset;
    allocation.MapSize = size == VK_WHOLE_SIZE ? allocation.Size - offset : size;
    allocation.Mapped = static_cast<uint8_t*>(*mapped);
    const VkDeviceSize rounded =
        (allocation.MapSize + ShadowAlignment - 1) / ShadowAlignment * ShadowAlignment;
    allocation.Shadow.reset(static_cast<uint8_t*>(std::aligned_alloc(ShadowAlignment, rounded)));
    std::memcpy(allocation.Shadow.get(), allocation.Mapped, allocation.MapSize);
    *mapped = allocation.Shadow.get();
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL UnmapMemory(VkDevice device, VkDeviceMemory memory)
{
    DeviceData& data = DeviceOf(device);
    if (Emulates(data))
    {
        // Unmapping flushes nothing, as on the device.
        std::lock_guard lock(data.Mutex);
        Allocation& allocation = data.Allocations.at(memory);
        allocation.Shadow.reset();
        allocation.Mapped = nullptr;
    }
    data.Next.UnmapMemory(device, memory);
}

// Copies the whole atoms a range touches within the mapping, from the shadow
// to the memory (a flush) or back (an invalidation), as the CPU's caches
// write back or drop whole lines.
void CopyAtoms(DeviceData& data, const VkMappedMemoryRange& range, bool flush)
{
    const auto found = data.Allocations.find(range.memory);
    if (found == data.Allocations.end() || !found->second.Shadow)
        return;
    const Allocation& allocation = found->second;
    const VkDeviceSize atom = data.AtomSize;
    const VkDeviceSize mapEnd = allocation.MapOffset + allocation.MapSize;
    const VkDeviceSize end = range.size == VK_WHOLE_SIZE ? mapEnd : range.offset + range.size;
    const VkDeviceSize first = std::max(allocation.MapOffset, range.offset / atom * atom);
    const VkDeviceSize last = std::min(mapEnd, (end + atom - 1) / atom * atom);
    if (first >= last)
        return;
    uint8_t* shadow = allocation.Shadow.get() + (first - allocation.MapOffset);
    uint8_t* real = allocation.Mapped + (first - allocation.MapOffset);
    std::memcpy(flush ? real : shadow, flush ? shadow : real, last - first);
}

VKAPI_ATTR VkResult VKAPI_CALL FlushMappedMemoryRanges(VkDevice device, uint32_t count,
                                                       const VkMappedMemoryRange* ranges)
{
    DeviceData& data = DeviceOf(device);
    if (Emulates(data))
    {
        std::lock_guard lock(data.Mutex);
        for (uint32_t i = 0; i < count; ++i)
            CopyAtoms(data, ranges[i], true);
    }
    return data.Next.FlushMappedMemoryRanges(device, count, ranges);
}

VKAPI_ATTR VkResult VKAPI_CALL InvalidateMappedMemoryRanges(VkDevice device, uint32_t count,
                                                            const VkMappedMemoryRange* ranges)
{
    DeviceData& data = DeviceOf(device);
    const VkResult result = data.Next.InvalidateMappedMemoryRanges(device, count, ranges);
    if (Emulates(data))
    {
        std::lock_guard lock(data.Mutex);
        for (uint32_t i = 0; i < count; ++i)
            CopyAtoms(data, ranges[i], false);
    }
    return result;
}

const Intercept Intercepts[] = {
    {"vkGetBufferMemoryRequirements", PFN_vkVoidFunction(GetBufferMemoryRequirements)},
    {"vkGetImageMemoryRequirements", PFN_vkVoidFunction(GetImageMemoryRequirements)},
    {"vkGetBufferMemoryRequirements2", PFN_vkVoidFunction(GetBufferMemoryRequirements2)},
    {"vkGetBufferMemoryRequirements2KHR", PFN_vkVoidFunction(GetBufferMemoryRequirements2)},
    {"vkGetImageMemoryRequirements2", PFN_vkVoidFunction(GetImageMemoryRequirements2)},
    {"vkGetImageMemoryRequirements2KHR", PFN_vkVoidFunction(GetImageMemoryRequirements2)},
    {"vkGetDeviceBufferMemoryRequirements", PFN_vkVoidFunction(GetDeviceBufferMemoryRequirements)},
    {"vkGetDeviceBufferMemoryRequirementsKHR",
     PFN_vkVoidFunction(GetDeviceBufferMemoryRequirements)},
    {"vkGetDeviceImageMemoryRequirements", PFN_vkVoidFunction(GetDeviceImageMemoryRequirements)},
    {"vkGetDeviceImageMemoryRequirementsKHR", PFN_vkVoidFunction(GetDeviceImageMemoryRequirements)},
    {"vkAllocateMemory", PFN_vkVoidFunction(AllocateMemory)},
    {"vkFreeMemory", PFN_vkVoidFunction(FreeMemory)},
    {"vkMapMemory", PFN_vkVoidFunction(MapMemory)},
    {"vkUnmapMemory", PFN_vkVoidFunction(UnmapMemory)},
    {"vkFlushMappedMemoryRanges", PFN_vkVoidFunction(FlushMappedMemoryRanges)},
    {"vkInvalidateMappedMemoryRanges", PFN_vkVoidFunction(InvalidateMappedMemoryRanges)},
};

} // namespace

std::span<const Intercept> MemoryIntercepts()
{
    return Intercepts;
}

} // namespace city_personality
