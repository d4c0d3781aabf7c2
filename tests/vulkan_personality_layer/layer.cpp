// A Vulkan layer for the tests that makes lavapipe look like another device
// (a "personality") and holds the program to what that device offers, so a
// program that would fail on a real GPU fails here too, in CI, without one.
//
// CITY_VK_PERSONALITY=NAME chooses the personality (see personalities.cpp);
// unset or empty, the layer passes everything through; an unknown name fails
// vkCreateInstance. Only the first physical device the chain below lists
// wears the personality: with lavapipe listed twice as a driver, the first
// plays the GPU and the second stays the CPU device a real machine has
// beside its GPU. Every refusal writes one line to standard error beginning
// "city personality layer: ".
//
// The parts: physical_device.cpp (what the device reports, and device
// creation), surface.cpp (what the surface offers), memory.cpp (memory types
// and heaps, mapping), queue.cpp (the present-only family), swapchain.cpp
// (swapchains, FIFO paced to a virtual 60 Hz blank, its queue in fifo.h).
#include "layer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#define LAYER_EXPORT extern "C" __attribute__((visibility("default")))

namespace city_personality
{
namespace
{

std::mutex gMutex; // guards the two maps
std::map<Key, std::unique_ptr<InstanceData>> gInstances;
std::map<Key, std::unique_ptr<DeviceData>> gDevices;

} // namespace

InstanceData& InstanceOf(Key key)
{
    std::lock_guard lock(gMutex);
    return *gInstances.at(key);
}

DeviceData& DeviceOf(Key key)
{
    std::lock_guard lock(gMutex);
    return *gDevices.at(key);
}

const Personality* ProfileOf(VkPhysicalDevice physical)
{
    const InstanceData& instance = InstanceOf(physical);
    return physical == instance.Gpu ? instance.Profile : nullptr;
}

VkResult Refuse(VkResult result, const char* call, const char* why, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, why);
    std::vsnprintf(text, sizeof text, why, arguments);
    va_end(arguments);
    std::fprintf(stderr, "city personality layer: %s: %s\n", call, text);
    return result;
}

namespace
{

PFN_vkVoidFunction FindIntercept(const char* name)
{
    for (auto part : {PhysicalDeviceIntercepts, SurfaceIntercepts, QueueIntercepts,
                      MemoryIntercepts, SwapchainIntercepts})
    {
        for (const Intercept& intercept : part())
        {
            if (std::strcmp(intercept.Name, name) == 0)
                return intercept.Function;
        }
    }
    return nullptr;
}

using layer_chain::FindLinkInfo;

// The first physical device the chain below lists: the one that plays the GPU.
VkPhysicalDevice FirstPhysicalDevice(const InstanceData& data)
{
    uint32_t count = 0;
    data.Next.EnumeratePhysicalDevices(data.Instance, &count, nullptr);
    std::vector<VkPhysicalDevice> devices(count);
    data.Next.EnumeratePhysicalDevices(data.Instance, &count, devices.data());
    return count ? devices[0] : VK_NULL_HANDLE;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateInstance(const VkInstanceCreateInfo* createInfo,
                                              const VkAllocationCallbacks* allocator,
                                              VkInstance* instance)
{
    const char* name = std::getenv("CITY_VK_PERSONALITY");
    const Personality* profile = name && *name ? FindPersonality(name) : nullptr;
    if (name && *name && !profile)
        return Refuse(VK_ERROR_INITIALIZATION_FAILED, "vkCreateInstance",
                      "no personality is named \"%s\"", name);

    auto* link = FindLinkInfo<VkLayerInstanceCreateInfo>(
        createInfo->pNext, VK_STRUCTURE_TYPE_LOADER_INSTANCE_CREATE_INFO);
    if (!link)
        return VK_ERROR_INITIALIZATION_FAILED;
    const PFN_vkGetInstanceProcAddr next = link->u.pLayerInfo->pfnNextGetInstanceProcAddr;
    link->u.pLayerInfo = link->u.pLayerInfo->pNext; // the next layer finds its own link
    auto create = reinterpret_cast<PFN_vkCreateInstance>(next(VK_NULL_HANDLE, "vkCreateInstance"));
    const VkResult result = create(createInfo, allocator, instance);
    if (result != VK_SUCCESS)
        return result;

    auto data = std::make_unique<InstanceData>();
    data->Instance = *instance;
    data->GetInstanceProcAddr = next;
#define CITY_RESOLVE(name)                                                                         \
    data->Next.name = reinterpret_cast<PFN_vk##name>(next(*instance, "vk" #name));
    CITY_INSTANCE_CALLS(CITY_RESOLVE)
#undef CITY_RESOLVE
    data->Profile = profile;
    if (profile)
        data->Gpu = FirstPhysicalDevice(*data);
    std::lock_guard lock(gMutex);
    gInstances[KeyOf(*instance)] = std::move(data);
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyInstance(VkInstance instance,
                                           const VkAllocationCallbacks* allocator)
{
    if (instance == VK_NULL_HANDLE)
        return;
    const PFN_vkDestroyInstance destroy = InstanceOf(instance).Next.DestroyInstance;
    {
        std::lock_guard lock(gMutex);
        gInstances.erase(KeyOf(instance));
    }
    destroy(instance, allocator);
}

// The memory type of lavapipe's that backs every emulated one: it must be
// mappable and coherent, as the shadows of non-coherent types rely on it.
uint32_t RealMemoryType(const InstanceData& instance, VkPhysicalDevice physical)
{
    VkPhysicalDeviceMemoryProperties memory;
    instance.Next.GetPhysicalDeviceMemoryProperties(physical, &memory);
    constexpr VkMemoryPropertyFlags needed =
        VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
    for (uint32_t i = 0; i < memory.memoryTypeCount; ++i)
    {
        if ((memory.memoryTypes[i].propertyFlags & needed) == needed)
            return i;
    }
    return 0;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDevice(VkPhysicalDevice physical,
                                            const VkDeviceCreateInfo* createInfo,
                                            const VkAllocationCallbacks* allocator,
                                            VkDevice* device)
{
    InstanceData& instance = InstanceOf(physical);
    const Personality* profile = ProfileOf(physical);
    VkDeviceCreateInfo info = *createInfo;
    std::vector<VkDeviceQueueCreateInfo> queues;
    bool presentOnlyAsked = false;
    if (profile)
    {
        const VkResult checked = CheckDeviceCreation(*profile, info, queues, presentOnlyAsked);
        if (checked != VK_SUCCESS)
            return checked;
        info.queueCreateInfoCount = uint32_t(queues.size());
        info.pQueueCreateInfos = queues.data();
    }

    auto* link = FindLinkInfo<VkLayerDeviceCreateInfo>(createInfo->pNext,
                                                       VK_STRUCTURE_TYPE_LOADER_DEVICE_CREATE_INFO);
    if (!link)
        return VK_ERROR_INITIALIZATION_FAILED;
    const PFN_vkGetInstanceProcAddr nextInstance = link->u.pLayerInfo->pfnNextGetInstanceProcAddr;
    const PFN_vkGetDeviceProcAddr nextDevice = link->u.pLayerInfo->pfnNextGetDeviceProcAddr;
    link->u.pLayerInfo = link->u.pLayerInfo->pNext;
    auto create =
        reinterpret_cast<PFN_vkCreateDevice>(nextInstance(instance.Instance, "vkCreateDevice"));
    const VkResult result = create(physical, &info, allocator, device);
    if (result != VK_SUCCESS)
        return result;

    auto data = std::make_unique<DeviceData>();
    data->Device = *device;
    data->Physical = physical;
    data->Instance = &instance;
    data->GetDeviceProcAddr = nextDevice;
    data->Profile = profile;
#define CITY_RESOLVE(name)                                                                         \
    data->Next.name = reinterpret_cast<PFN_vk##name>(nextDevice(*device, "vk" #name));
    CITY_DEVICE_CALLS(CITY_RESOLVE)
#undef CITY_RESOLVE
    if (profile)
    {
        data->Next.GetDeviceQueue(*device, 0, 0, &data->RealQueue);
        if (presentOnlyAsked)
            data->PresentOnly.reset(new PresentQueue{KeyOf(*device), data->RealQueue});
        data->RealMemoryType = RealMemoryType(instance, physical);
        VkPhysicalDeviceProperties properties;
        instance.Next.GetPhysicalDeviceProperties(physical, &properties);
        ApplyLimits(*profile, properties.limits);
        data->AtomSize = properties.limits.nonCoherentAtomSize;
        // Tests read this to know that the program really ran on the
        // personality, not on the CPU device beside it.
        std::fprintf(stderr, "city personality layer: device created on %s\n", profile->Name);
    }
    std::lock_guard lock(gMutex);
    gDevices[KeyOf(*device)] = std::move(data);
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDevice(VkDevice device, const VkAllocationCallbacks* allocator)
{
    if (device == VK_NULL_HANDLE)
        return;
    const PFN_vkDestroyDevice destroy = DeviceOf(device).Next.DestroyDevice;
    {
        std::lock_guard lock(gMutex);
        gDevices.erase(KeyOf(device));
    }
    destroy(device, allocator);
}

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetDeviceProcAddr(VkDevice device, const char* name)
{
    if (std::strcmp(name, "vkGetDeviceProcAddr") == 0)
        return PFN_vkVoidFunction(GetDeviceProcAddr);
    if (std::strcmp(name, "vkDestroyDevice") == 0)
        return PFN_vkVoidFunction(DestroyDevice);
    const DeviceData& data = DeviceOf(device);
    const PFN_vkVoidFunction next = data.GetDeviceProcAddr(device, name);
    if (!data.Profile || !next)
        return next; // a plain device, or a call the device does not offer
    const PFN_vkVoidFunction own = FindIntercept(name);
    return own ? own : next;
}

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetInstanceProcAddr(VkInstance instance, const char* name)
{
    if (std::strcmp(name, "vkGetInstanceProcAddr") == 0)
        return PFN_vkVoidFunction(GetInstanceProcAddr);
    if (std::strcmp(name, "vkCreateInstance") == 0)
        return PFN_vkVoidFunction(CreateInstance);
    if (std::strcmp(name, "vkDestroyInstance") == 0)
        return PFN_vkVoidFunction(DestroyInstance);
    if (std::strcmp(name, "vkCreateDevice") == 0)
        return PFN_vkVoidFunction(CreateDevice);
    if (std::strcmp(name, "vkGetDeviceProcAddr") == 0)
        return PFN_vkVoidFunction(GetDeviceProcAddr);
    if (instance == VK_NULL_HANDLE)
        return nullptr;
    const InstanceData& data = InstanceOf(instance);
    const PFN_vkVoidFunction next = data.GetInstanceProcAddr(instance, name);
    if (!data.Profile || !next)
        return next;
    const PFN_vkVoidFunction own = FindIntercept(name);
    return own ? own : next;
}

} // namespace
} // namespace city_personality

LAYER_EXPORT VKAPI_ATTR VkResult VKAPI_CALL
vkNegotiateLoaderLayerInterfaceVersion(VkNegotiateLayerInterface* version)
{
    return layer_chain::Negotiate(version, city_personality::GetInstanceProcAddr,
                                  city_personality::GetDeviceProcAddr);
}
