// What the parts of the personality layer share: the layer's record of each
// instance and device, the calls of the chain below, and how a refusal is
// reported.
#pragma once

#include "VulkanLayerChain.h"
#include "personalities.h"

#include <vulkan/vk_layer.h>
#include <vulkan/vulkan.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace city_personality
{

// The calls of the next layer (or driver) the layer makes, by name without
// "vk". Each list makes a record of function pointers below.
#define CITY_INSTANCE_CALLS(X)                                                                     \
    X(DestroyInstance)                                                                             \
    X(EnumeratePhysicalDevices)                                                                    \
    X(EnumerateDeviceExtensionProperties)                                                          \
    X(GetPhysicalDeviceProperties)                                                                 \
    X(GetPhysicalDeviceProperties2)                                                                \
    X(GetPhysicalDeviceFeatures)                                                                   \
    X(GetPhysicalDeviceFeatures2)                                                                  \
    X(GetPhysicalDeviceMemoryProperties)                                                           \
    X(GetPhysicalDeviceMemoryProperties2)                                                          \
    X(GetPhysicalDeviceFormatProperties)                                                           \
    X(GetPhysicalDeviceFormatProperties2)                                                          \
    X(GetPhysicalDeviceImageFormatProperties)                                                      \
    X(GetPhysicalDeviceImageFormatProperties2)                                                     \
    X(GetPhysicalDeviceQueueFamilyProperties)                                                      \
    X(GetPhysicalDeviceQueueFamilyProperties2)                                                     \
    X(GetPhysicalDeviceSurfaceSupportKHR)                                                          \
    X(GetPhysicalDeviceSurfaceFormatsKHR)                                                          \
    X(GetPhysicalDeviceSurfaceFormats2KHR)                                                         \
    X(GetPhysicalDeviceSurfacePresentModesKHR)                                                     \
    X(GetPhysicalDeviceSurfaceCapabilitiesKHR)                                                     \
    X(GetPhysicalDeviceSurfaceCapabilities2KHR)

#define CITY_DEVICE_CALLS(X)                                                                       \
    X(DestroyDevice)                                                                               \
    X(GetDeviceQueue)                                                                              \
    X(GetDeviceQueue2)                                                                             \
    X(QueueSubmit)                                                                                 \
    X(QueueSubmit2)                                                                                \
    X(QueueWaitIdle)                                                                               \
    X(DeviceWaitIdle)                                                                              \
    X(QueuePresentKHR)                                                                             \
    X(QueueBeginDebugUtilsLabelEXT)                                                                \
    X(QueueEndDebugUtilsLabelEXT)                                                                  \
    X(QueueInsertDebugUtilsLabelEXT)                                                               \
    X(AllocateMemory)                                                                              \
    X(FreeMemory)                                                                                  \
    X(MapMemory)                                                                                   \
    X(UnmapMemory)                                                                                 \
    X(FlushMappedMemoryRanges)                                                                     \
    X(InvalidateMappedMemoryRanges)                                                                \
    X(GetBufferMemoryRequirements)                                                                 \
    X(GetBufferMemoryRequirements2)                                                                \
    X(GetImageMemoryRequirements)                                                                  \
    X(GetImageMemoryRequirements2)                                                                 \
    X(GetDeviceBufferMemoryRequirements)                                                           \
    X(GetDeviceImageMemoryRequirements)                                                            \
    X(CreateImage)                                                                                 \
    X(CreateFence)                                                                                 \
    X(DestroyFence)                                                                                \
    X(ResetFences)                                                                                 \
    X(WaitForFences)                                                                               \
    X(CreateSwapchainKHR)                                                                          \
    X(DestroySwapchainKHR)                                                                         \
    X(GetSwapchainImagesKHR)                                                                       \
    X(AcquireNextImageKHR)                                                                         \
    X(AcquireNextImage2KHR)

#define CITY_DECLARE_CALL(name) PFN_vk##name name = nullptr;
struct InstanceCalls
{
    CITY_INSTANCE_CALLS(CITY_DECLARE_CALL)
};
struct DeviceCalls
{
    CITY_DEVICE_CALLS(CITY_DECLARE_CALL)
};
#undef CITY_DECLARE_CALL

struct InstanceData
{
    VkInstance Instance = VK_NULL_HANDLE;
    PFN_vkGetInstanceProcAddr GetInstanceProcAddr = nullptr;
    InstanceCalls Next;
    const Personality* Profile = nullptr;  // null: the layer passes everything through
    VkPhysicalDevice Gpu = VK_NULL_HANDLE; // the one physical device that wears it

    std::mutex HeapMutex; // guards HeapUsage, which the GPU's devices share
    std::array<VkDeviceSize, VK_MAX_MEMORY_HEAPS> HeapUsage{};
};

// An allocation of the personality's memory; a mapping of a type that is not
// host-coherent hands the program a shadow copy, which only a flush writes
// to the memory and only an invalidation reads it back into.
struct Allocation
{
    uint32_t Type = 0;
    VkDeviceSize Size = 0;
    VkDeviceSize MapOffset = 0;
    VkDeviceSize MapSize = 0;
    uint8_t* Mapped = nullptr; // the real mapping, at MapOffset
    std::unique_ptr<uint8_t, decltype(&std::free)> Shadow{nullptr, &std::free};
};

struct FifoSwapchain;

// The queue of the present-only family: a handle of the layer's own that the
// loader dispatches like a queue of the device; it stands for the real queue.
struct PresentQueue
{
    void* LoaderDispatch;
    VkQueue Real;
};

struct DeviceData
{
    VkDevice Device = VK_NULL_HANDLE;
    VkPhysicalDevice Physical = VK_NULL_HANDLE;
    InstanceData* Instance = nullptr;
    PFN_vkGetDeviceProcAddr GetDeviceProcAddr = nullptr;
    DeviceCalls Next;
    const Personality* Profile = nullptr; // null: the layer passes everything through

    // lavapipe has one queue; every use of it, through either family, takes
    // this lock, as the program may use both families' queues from two threads.
    std::mutex QueueMutex;
    VkQueue RealQueue = VK_NULL_HANDLE;
    std::unique_ptr<PresentQueue> PresentOnly; // when the program asked for family 1

    uint32_t RealMemoryType = 0; // lavapipe's type behind every emulated one
    VkDeviceSize AtomSize = 0;   // nonCoherentAtomSize as reported

    std::mutex Mutex; // guards what follows
    std::map<VkDeviceMemory, Allocation> Allocations;
    std::map<VkSwapchainKHR, std::unique_ptr<FifoSwapchain>> Swapchains;

    DeviceData();
    ~DeviceData();
};

using layer_chain::Key;
using layer_chain::KeyOf;

InstanceData& InstanceOf(Key key);
DeviceData& DeviceOf(Key key);
template <class Handle> InstanceData& InstanceOf(Handle handle)
{
    return InstanceOf(KeyOf(handle));
}
template <class Handle> DeviceData& DeviceOf(Handle handle)
{
    return DeviceOf(KeyOf(handle));
}

// The personality `physical` wears, or null for a device that passes through.
const Personality* ProfileOf(VkPhysicalDevice physical);

// The index of the present-only family: the one after lavapipe's families.
constexpr uint32_t PresentOnlyFamily = 1;

// The queue of lavapipe's that a queue of the program's stands for.
VkQueue RealQueueOf(const DeviceData& data, VkQueue queue);
bool IsPresentOnly(const DeviceData& data, VkQueue queue);

// Writes "city personality layer: CALL: WHY" to standard error, returns `result`.
VkResult Refuse(VkResult result, const char* call, const char* why, ...)
    __attribute__((format(printf, 3, 4)));

// The layer's own version of each call it changes, by name, per part.
struct Intercept
{
    const char* Name;
    PFN_vkVoidFunction Function;
};
std::span<const Intercept> PhysicalDeviceIntercepts();
std::span<const Intercept> SurfaceIntercepts();
std::span<const Intercept> QueueIntercepts();
std::span<const Intercept> MemoryIntercepts();
std::span<const Intercept> SwapchainIntercepts();

// The structure of that type in a chain of output structures, or null.
template <class Structure> Structure* FindInChain(void* chain, VkStructureType type)
{
    for (auto* item = static_cast<VkBaseOutStructure*>(chain); item; item = item->pNext)
    {
        if (item->sType == type)
            return reinterpret_cast<Structure*>(item);
    }
    return nullptr;
}

// Answers an enumeration of `all` the way Vulkan does: the count alone when
// `out` is null, else as many as fit, VK_INCOMPLETE when not all did.
template <class Item> VkResult CopyOut(const std::vector<Item>& all, uint32_t* count, Item* out)
{
    if (!out)
    {
        *count = uint32_t(all.size());
        return VK_SUCCESS;
    }
    const uint32_t copied = std::min(*count, uint32_t(all.size()));
    std::copy_n(all.begin(), copied, out);
    *count = copied;
    return copied < all.size() ? VK_INCOMPLETE : VK_SUCCESS;
}

// What the surface offers the physical device, as reported (surface.cpp);
// `Real...` is what lavapipe offers.
std::vector<VkSurfaceFormatKHR> OfferedFormats(VkPhysicalDevice physical, VkSurfaceKHR surface);
std::vector<VkPresentModeKHR> OfferedModes(VkPhysicalDevice physical, VkSurfaceKHR surface);
std::vector<VkPresentModeKHR> RealModes(VkPhysicalDevice physical, VkSurfaceKHR surface);
VkSurfaceCapabilitiesKHR OfferedCapabilities(VkPhysicalDevice physical, VkSurfaceKHR surface);

// Device creation as the personality allows it, in physical_device.cpp:
// refuses what the device does not offer, and fills `queues` with the
// queues to ask lavapipe for.
VkResult CheckDeviceCreation(const Personality& personality, const VkDeviceCreateInfo& info,
                             std::vector<VkDeviceQueueCreateInfo>& queues, bool& presentOnlyAsked);

// The reported limits: the personality's where no looser than lavapipe's.
void ApplyLimits(const Personality& personality, VkPhysicalDeviceLimits& limits);

} // namespace city_personality
