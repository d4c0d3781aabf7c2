// What the GPU reports about itself (identity, limits, features, memory,
// formats, queue families, extensions), and device and image creation held
// to it.
#include "layer.h"

#include <cstdio>
#include <cstring>

namespace city_personality
{

void ApplyLimits(const Personality& personality, VkPhysicalDeviceLimits& limits)
{
    if (personality.MinUniformBufferOffsetAlignment)
        limits.minUniformBufferOffsetAlignment = std::max(
            limits.minUniformBufferOffsetAlignment, personality.MinUniformBufferOffsetAlignment);
    if (personality.NonCoherentAtomSize)
        limits.nonCoherentAtomSize =
            std::max(limits.nonCoherentAtomSize, personality.NonCoherentAtomSize);
    if (personality.MaxBoundDescriptorSets)
        limits.maxBoundDescriptorSets =
            std::min(limits.maxBoundDescriptorSets, personality.MaxBoundDescriptorSets);
}

namespace
{

bool IsHidden(const Personality& personality, const char* extension)
{
    for (const char* hidden : personality.HiddenExtensions)
    {
        if (std::strcmp(hidden, extension) == 0)
            return true;
    }
    return false;
}

void Patch(const Personality& personality, VkPhysicalDeviceProperties& properties)
{
    if (personality.ApiVersion)
        properties.apiVersion = personality.ApiVersion;
    if (personality.DeviceType)
        properties.deviceType = personality.DeviceType;
    if (personality.VendorId)
        properties.vendorID = personality.VendorId;
    if (personality.DeviceId)
        properties.deviceID = personality.DeviceId;
    if (personality.DeviceName)
        std::snprintf(properties.deviceName, sizeof properties.deviceName, "%s",
                      personality.DeviceName);
    ApplyLimits(personality, properties.limits);
}

void PatchDriver(const Personality& personality, VkDriverId& id,
                 char (&name)[VK_MAX_DRIVER_NAME_SIZE])
{
    if (personality.DriverId)
        id = personality.DriverId;
    if (personality.DriverName)
        std::snprintf(name, sizeof name, "%s", personality.DriverName);
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceProperties(VkPhysicalDevice physical,
                                                       VkPhysicalDeviceProperties* properties)
{
    InstanceOf(physical).Next.GetPhysicalDeviceProperties(physical, properties);
    if (const Personality* personality = ProfileOf(physical))
        Patch(*personality, *properties);
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceProperties2(VkPhysicalDevice physical,
                                                        VkPhysicalDeviceProperties2* properties)
{
    InstanceOf(physical).Next.GetPhysicalDeviceProperties2(physical, properties);
    const Personality* personality = ProfileOf(physical);
    if (!personality)
        return;
    Patch(*personality, properties->properties);
    if (auto* driver = FindInChain<VkPhysicalDeviceDriverProperties>(
            properties->pNext, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DRIVER_PROPERTIES))
        PatchDriver(*personality, driver->driverID, driver->driverName);
    if (auto* vulkan12 = FindInChain<VkPhysicalDeviceVulkan12Properties>(
            properties->pNext, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_PROPERTIES))
        PatchDriver(*personality, vulkan12->driverID, vulkan12->driverName);
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFeatures(VkPhysicalDevice physical,
                                                     VkPhysicalDeviceFeatures* features)
{
    InstanceOf(physical).Next.GetPhysicalDeviceFeatures(physical, features);
    if (const Personality* personality = ProfileOf(physical))
        features->textureCompressionBC &= !personality->NoTextureCompressionBC;
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFeatures2(VkPhysicalDevice physical,
                                                      VkPhysicalDeviceFeatures2* features)
{
    InstanceOf(physical).Next.GetPhysicalDeviceFeatures2(physical, features);
    if (const Personality* personality = ProfileOf(physical))
        features->features.textureCompressionBC &= !personality->NoTextureCompressionBC;
}

void Emulate(const Personality& personality, VkPhysicalDeviceMemoryProperties& memory)
{
    memory = {};
    memory.memoryHeapCount = uint32_t(personality.Heaps.size());
    for (uint32_t i = 0; i < memory.memoryHeapCount; ++i)
        memory.memoryHeaps[i] = {personality.Heaps[i].Size, personality.Heaps[i].Flags};
    memory.memoryTypeCount = uint32_t(personality.Types.size());
    for (uint32_t i = 0; i < memory.memoryTypeCount; ++i)
        memory.memoryTypes[i] = {personality.Types[i].Flags, personality.Types[i].Heap};
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceMemoryProperties(
    VkPhysicalDevice physical, VkPhysicalDeviceMemoryProperties* memory)
{
    const Personality* personality = ProfileOf(physical);
    if (personality && !personality->Types.empty())
        return Emulate(*personality, *memory);
    InstanceOf(physical).Next.GetPhysicalDeviceMemoryProperties(physical, memory);
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceMemoryProperties2(
    VkPhysicalDevice physical, VkPhysicalDeviceMemoryProperties2* memory)
{
    InstanceData& instance = InstanceOf(physical);
    instance.Next.GetPhysicalDeviceMemoryProperties2(physical, memory);
    const Personality* personality = ProfileOf(physical);
    if (!personality || personality->Types.empty())
        return;
    Emulate(*personality, memory->memoryProperties);
    auto* budget = FindInChain<VkPhysicalDeviceMemoryBudgetPropertiesEXT>(
        memory->pNext, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_BUDGET_PROPERTIES_EXT);
    if (!budget)
        return;
    std::lock_guard lock(instance.HeapMutex);
    for (uint32_t i = 0; i < VK_MAX_MEMORY_HEAPS; ++i)
    {
        const bool emulated = i < personality->Heaps.size();
        budget->heapBudget[i] = emulated ? personality->Heaps[i].Size : 0;
        budget->heapUsage[i] = emulated ? instance.HeapUsage[i] : 0;
    }
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFormatProperties(VkPhysicalDevice physical,
                                                             VkFormat format,
                                                             VkFormatProperties* properties)
{
    InstanceOf(physical).Next.GetPhysicalDeviceFormatProperties(physical, format, properties);
    const Personality* personality = ProfileOf(physical);
    if (personality && IsRemoved(*personality, format))
        *properties = {};
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceFormatProperties2(VkPhysicalDevice physical,
                                                              VkFormat format,
                                                              VkFormatProperties2* properties)
{
    InstanceOf(physical).Next.GetPhysicalDeviceFormatProperties2(physical, format, properties);
    const Personality* personality = ProfileOf(physical);
    if (!personality || !IsRemoved(*personality, format))
        return;
    properties->formatProperties = {};
    if (auto* three = FindInChain<VkFormatProperties3>(properties->pNext,
                                                       VK_STRUCTURE_TYPE_FORMAT_PROPERTIES_3))
        three->linearTilingFeatures = three->optimalTilingFeatures = three->bufferFeatures = 0;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceImageFormatProperties(
    VkPhysicalDevice physical, VkFormat format, VkImageType type, VkImageTiling tiling,
    VkImageUsageFlags usage, VkImageCreateFlags flags, VkImageFormatProperties* properties)
{
    const Personality* personality = ProfileOf(physical);
    if (personality && IsRemoved(*personality, format))
    {
        *properties = {};
        return VK_ERROR_FORMAT_NOT_SUPPORTED;
    }
    return InstanceOf(physical).Next.GetPhysicalDeviceImageFormatProperties(
        physical, format, type, tiling, usage, flags, properties);
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceImageFormatProperties2(
    VkPhysicalDevice physical, const VkPhysicalDeviceImageFormatInfo2* info,
    VkImageFormatProperties2* properties)
{
    const Personality* personality = ProfileOf(physical);
    if (personality && IsRemoved(*personality, info->format))
    {
        properties->imageFormatProperties = {};
        return VK_ERROR_FORMAT_NOT_SUPPORTED;
    }
    return InstanceOf(physical).Next.GetPhysicalDeviceImageFormatProperties2(physical, info,
                                                                             properties);
}

bool HasPresentOnlyFamily(VkPhysicalDevice physical)
{
    const Personality* personality = ProfileOf(physical);
    return personality && personality->Present == Presentation::PresentOnlyFamily;
}

// A family that can present and do nothing else.
constexpr VkQueueFamilyProperties PresentOnlyProperties = {0, 1, 0, {1, 1, 1}};

// Appends the present-only family after lavapipe's, where the program's
// array has room: `count` held its room and now holds lavapipe's answer.
template <class Family, class Properties>
void AddPresentOnlyFamily(uint32_t room, uint32_t* count, Family* families, Properties properties)
{
    if (!families)
        ++*count;
    else if (*count == PresentOnlyFamily && room > PresentOnlyFamily)
    {
        properties(families[PresentOnlyFamily]) = PresentOnlyProperties;
        ++*count;
    }
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceQueueFamilyProperties(VkPhysicalDevice physical,
                                                                  uint32_t* count,
                                                                  VkQueueFamilyProperties* families)
{
    const uint32_t room = *count;
    InstanceOf(physical).Next.GetPhysicalDeviceQueueFamilyProperties(physical, count, families);
    if (HasPresentOnlyFamily(physical))
        AddPresentOnlyFamily(
            room, count, families,
            [](VkQueueFamilyProperties & family) -> auto& { return family; });
}

VKAPI_ATTR void VKAPI_CALL GetPhysicalDeviceQueueFamilyProperties2(
    VkPhysicalDevice physical, uint32_t* count, VkQueueFamilyProperties2* families)
{
    const uint32_t room = *count;
    InstanceOf(physical).Next.GetPhysicalDeviceQueueFamilyProperties2(physical, count, families);
    if (HasPresentOnlyFamily(physical))
        AddPresentOnlyFamily(
            room, count, families, [](VkQueueFamilyProperties2 & family) -> auto& {
                return family.queueFamilyProperties;
            });
}

VKAPI_ATTR VkResult VKAPI_CALL EnumerateDeviceExtensionProperties(VkPhysicalDevice physical,
                                                                  const char* layerName,
                                                                  uint32_t* count,
                                                                  VkExtensionProperties* properties)
{
    const InstanceData& instance = InstanceOf(physical);
    const Personality* personality = ProfileOf(physical);
    if (!personality || (layerName && *layerName))
        return instance.Next.EnumerateDeviceExtensionProperties(physical, layerName, count,
                                                                properties);
    uint32_t all = 0;
    instance.Next.EnumerateDeviceExtensionProperties(physical, nullptr, &all, nullptr);
    std::vector<VkExtensionProperties> offered(all);
    instance.Next.EnumerateDeviceExtensionProperties(physical, nullptr, &all, offered.data());
    offered.resize(all);
    std::erase_if(offered, [&](const VkExtensionProperties& extension)
                  { return IsHidden(*personality, extension.extensionName); });
    return CopyOut(offered, count, properties);
}

VKAPI_ATTR VkResult VKAPI_CALL CreateImage(VkDevice device, const VkImageCreateInfo* info,
                                           const VkAllocationCallbacks* allocator, VkImage* image)
{
    const DeviceData& data = DeviceOf(device);
    if (data.Profile && IsRemoved(*data.Profile, info->format))
    {
        *image = VK_NULL_HANDLE;
        return Refuse(VK_ERROR_FORMAT_NOT_SUPPORTED, "vkCreateImage",
                      "format %d is not offered by this device (%s)", int(info->format),
                      data.Profile->Name);
    }
    return data.Next.CreateImage(device, info, allocator, image);
}

const Intercept Intercepts[] = {
    {"vkGetPhysicalDeviceProperties", PFN_vkVoidFunction(GetPhysicalDeviceProperties)},
    {"vkGetPhysicalDeviceProperties2", PFN_vkVoidFunction(GetPhysicalDeviceProperties2)},
    {"vkGetPhysicalDeviceProperties2KHR", PFN_vkVoidFunction(GetPhysicalDeviceProperties2)},
    {"vkGetPhysicalDeviceFeatures", PFN_vkVoidFunction(GetPhysicalDeviceFeatures)},
    {"vkGetPhysicalDeviceFeatures2", PFN_vkVoidFunction(GetPhysicalDeviceFeatures2)},
    {"vkGetPhysicalDeviceFeatures2KHR", PFN_vkVoidFunction(GetPhysicalDeviceFeatures2)},
    {"vkGetPhysicalDeviceMemoryProperties", PFN_vkVoidFunction(GetPhysicalDeviceMemoryProperties)},
    {"vkGetPhysicalDeviceMemoryProperties2",
     PFN_vkVoidFunction(GetPhysicalDeviceMemoryProperties2)},
    {"vkGetPhysicalDeviceMemoryProperties2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceMemoryProperties2)},
    {"vkGetPhysicalDeviceFormatProperties", PFN_vkVoidFunction(GetPhysicalDeviceFormatProperties)},
    {"vkGetPhysicalDeviceFormatProperties2",
     PFN_vkVoidFunction(GetPhysicalDeviceFormatProperties2)},
    {"vkGetPhysicalDeviceFormatProperties2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceFormatProperties2)},
    {"vkGetPhysicalDeviceImageFormatProperties",
     PFN_vkVoidFunction(GetPhysicalDeviceImageFormatProperties)},
    {"vkGetPhysicalDeviceImageFormatProperties2",
     PFN_vkVoidFunction(GetPhysicalDeviceImageFormatProperties2)},
    {"vkGetPhysicalDeviceImageFormatProperties2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceImageFormatProperties2)},
    {"vkGetPhysicalDeviceQueueFamilyProperties",
     PFN_vkVoidFunction(GetPhysicalDeviceQueueFamilyProperties)},
    {"vkGetPhysicalDeviceQueueFamilyProperties2",
     PFN_vkVoidFunction(GetPhysicalDeviceQueueFamilyProperties2)},
    {"vkGetPhysicalDeviceQueueFamilyProperties2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceQueueFamilyProperties2)},
    {"vkEnumerateDeviceExtensionProperties",
     PFN_vkVoidFunction(EnumerateDeviceExtensionProperties)},
    {"vkCreateImage", PFN_vkVoidFunction(CreateImage)},
};

} // namespace

std::span<const Intercept> PhysicalDeviceIntercepts()
{
    return Intercepts;
}

VkResult CheckDeviceCreation(const Personality& personality, const VkDeviceCreateInfo& info,
                             std::vector<VkDeviceQueueCreateInfo>& queues, bool& presentOnlyAsked)
{
    for (uint32_t i = 0; i < info.enabledExtensionCount; ++i)
    {
        if (IsHidden(personality, info.ppEnabledExtensionNames[i]))
            return Refuse(VK_ERROR_EXTENSION_NOT_PRESENT, "vkCreateDevice",
                          "%s is not offered by this device (%s)", info.ppEnabledExtensionNames[i],
                          personality.Name);
    }
    void* chain = const_cast<void*>(info.pNext);
    const VkPhysicalDeviceFeatures* features = info.pEnabledFeatures;
    if (auto* features2 = FindInChain<VkPhysicalDeviceFeatures2>(
            chain, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2))
        features = &features2->features;
    if (personality.NoTextureCompressionBC && features && features->textureCompressionBC)
        return Refuse(VK_ERROR_FEATURE_NOT_PRESENT, "vkCreateDevice",
                      "textureCompressionBC is not offered by this device (%s)", personality.Name);
    if (personality.ApiVersion && personality.ApiVersion < VK_API_VERSION_1_3 &&
        FindInChain<VkPhysicalDeviceVulkan13Features>(
            chain, VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES))
        return Refuse(VK_ERROR_FEATURE_NOT_PRESENT, "vkCreateDevice",
                      "VkPhysicalDeviceVulkan13Features on a Vulkan 1.2 device (%s)",
                      personality.Name);

    // lavapipe has no family 1: its queue is the layer's, standing for
    // lavapipe's one queue, which the device then always has.
    static const float priority = 1.0f;
    bool graphicsAsked = false;
    for (uint32_t i = 0; i < info.queueCreateInfoCount; ++i)
    {
        const VkDeviceQueueCreateInfo& queue = info.pQueueCreateInfos[i];
        const bool presentOnly = personality.Present == Presentation::PresentOnlyFamily &&
                                 queue.queueFamilyIndex == PresentOnlyFamily;
        presentOnlyAsked |= presentOnly;
        graphicsAsked |= queue.queueFamilyIndex == 0;
        if (!presentOnly)
            queues.push_back(queue);
    }
    if (!graphicsAsked)
        queues.push_back({VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO, nullptr, 0, 0, 1, &priority});
    return VK_SUCCESS;
}

} // namespace city_personality
