// What a window surface offers the GPU: which family presents, formats,
// present modes, image counts. A personality offers only what lavapipe can
// do on the same surface, in the personality's order.
#include "layer.h"

namespace city_personality
{

namespace
{

template <class Item, class Query> std::vector<Item> Enumerate(Query query)
{
    uint32_t count = 0;
    query(&count, nullptr);
    std::vector<Item> items(count);
    query(&count, items.data());
    items.resize(count);
    return items;
}

std::vector<VkSurfaceFormatKHR> RealFormats(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    const InstanceData& instance = InstanceOf(physical);
    return Enumerate<VkSurfaceFormatKHR>(
        [&](uint32_t* count, VkSurfaceFormatKHR* formats)
        { instance.Next.GetPhysicalDeviceSurfaceFormatsKHR(physical, surface, count, formats); });
}

void PatchCapabilities(const Personality& personality, VkSurfaceCapabilitiesKHR& capabilities)
{
    if (!personality.MinImageCount)
        return;
    // Fewer images than lavapipe needs: the swapchain gets lavapipe's minimum,
    // as a driver may make more images than asked for.
    capabilities.minImageCount = personality.MinImageCount;
    if (personality.MaxImageCount &&
        (!capabilities.maxImageCount || capabilities.maxImageCount > personality.MaxImageCount))
        capabilities.maxImageCount = personality.MaxImageCount;
}

} // namespace

std::vector<VkPresentModeKHR> RealModes(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    const InstanceData& instance = InstanceOf(physical);
    return Enumerate<VkPresentModeKHR>(
        [&](uint32_t* count, VkPresentModeKHR* modes) {
            instance.Next.GetPhysicalDeviceSurfacePresentModesKHR(physical, surface, count, modes);
        });
}

std::vector<VkSurfaceFormatKHR> OfferedFormats(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    const std::vector<VkSurfaceFormatKHR> real = RealFormats(physical, surface);
    const Personality* personality = ProfileOf(physical);
    if (!personality || personality->SurfaceFormats.empty())
        return real;
    std::vector<VkSurfaceFormatKHR> offered;
    for (VkFormat format : personality->SurfaceFormats)
    {
        const VkSurfaceFormatKHR wanted = {format, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR};
        if (std::any_of(real.begin(), real.end(),
                        [&](const VkSurfaceFormatKHR& item)
                        { return item.format == format && item.colorSpace == wanted.colorSpace; }))
            offered.push_back(wanted);
    }
    return offered;
}

std::vector<VkPresentModeKHR> OfferedModes(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    const std::vector<VkPresentModeKHR> real = RealModes(physical, surface);
    const Personality* personality = ProfileOf(physical);
    if (!personality || personality->PresentModes.empty())
        return real;
    std::vector<VkPresentModeKHR> offered;
    for (VkPresentModeKHR mode : personality->PresentModes)
    {
        if (std::find(real.begin(), real.end(), mode) != real.end())
            offered.push_back(mode);
    }
    return offered;
}

VkSurfaceCapabilitiesKHR OfferedCapabilities(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    VkSurfaceCapabilitiesKHR capabilities = {};
    InstanceOf(physical).Next.GetPhysicalDeviceSurfaceCapabilitiesKHR(physical, surface,
                                                                      &capabilities);
    if (const Personality* personality = ProfileOf(physical))
        PatchCapabilities(*personality, capabilities);
    return capabilities;
}

namespace
{

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceSupportKHR(VkPhysicalDevice physical,
                                                                  uint32_t family,
                                                                  VkSurfaceKHR surface,
                                                                  VkBool32* supported)
{
    const InstanceData& instance = InstanceOf(physical);
    const Personality* personality = ProfileOf(physical);
    if (!personality || personality->Present == Presentation::Graphics)
        return instance.Next.GetPhysicalDeviceSurfaceSupportKHR(physical, family, surface,
                                                                supported);
    *supported = VK_FALSE;
    if (personality->Present == Presentation::None || family != PresentOnlyFamily)
        return VK_SUCCESS;
    // The present-only family presents through lavapipe's family.
    return instance.Next.GetPhysicalDeviceSurfaceSupportKHR(physical, 0, surface, supported);
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceFormatsKHR(VkPhysicalDevice physical,
                                                                  VkSurfaceKHR surface,
                                                                  uint32_t* count,
                                                                  VkSurfaceFormatKHR* formats)
{
    if (!ProfileOf(physical))
        return InstanceOf(physical).Next.GetPhysicalDeviceSurfaceFormatsKHR(physical, surface,
                                                                            count, formats);
    return CopyOut(OfferedFormats(physical, surface), count, formats);
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceFormats2KHR(
    VkPhysicalDevice physical, const VkPhysicalDeviceSurfaceInfo2KHR* info, uint32_t* count,
    VkSurfaceFormat2KHR* formats)
{
    if (!ProfileOf(physical))
        return InstanceOf(physical).Next.GetPhysicalDeviceSurfaceFormats2KHR(physical, info, count,
                                                                             formats);
    const std::vector<VkSurfaceFormatKHR> offered = OfferedFormats(physical, info->surface);
    if (!formats)
    {
        *count = uint32_t(offered.size());
        return VK_SUCCESS;
    }
    *count = std::min(*count, uint32_t(offered.size()));
    for (uint32_t i = 0; i < *count; ++i)
        formats[i].surfaceFormat = offered[i];
    return *count < offered.size() ? VK_INCOMPLETE : VK_SUCCESS;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfacePresentModesKHR(VkPhysicalDevice physical,
                                                                       VkSurfaceKHR surface,
                                                                       uint32_t* count,
                                                                       VkPresentModeKHR* modes)
{
    if (!ProfileOf(physical))
        return InstanceOf(physical).Next.GetPhysicalDeviceSurfacePresentModesKHR(physical, surface,
                                                                                 count, modes);
    return CopyOut(OfferedModes(physical, surface), count, modes);
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceCapabilitiesKHR(
    VkPhysicalDevice physical, VkSurfaceKHR surface, VkSurfaceCapabilitiesKHR* capabilities)
{
    const VkResult result = InstanceOf(physical).Next.GetPhysicalDeviceSurfaceCapabilitiesKHR(
        physical, surface, capabilities);
    const Personality* personality = ProfileOf(physical);
    if (result == VK_SUCCESS && personality)
        PatchCapabilities(*personality, *capabilities);
    return result;
}

VKAPI_ATTR VkResult VKAPI_CALL GetPhysicalDeviceSurfaceCapabilities2KHR(
    VkPhysicalDevice physical, const VkPhysicalDeviceSurfaceInfo2KHR* info,
    VkSurfaceCapabilities2KHR* capabilities)
{
    const VkResult result = InstanceOf(physical).Next.GetPhysicalDeviceSurfaceCapabilities2KHR(
        physical, info, capabilities);
    const Personality* personality = ProfileOf(physical);
    if (result == VK_SUCCESS && personality)
        PatchCapabilities(*personality, capabilities->surfaceCapabilities);
    return result;
}

const Intercept Intercepts[] = {
    {"vkGetPhysicalDeviceSurfaceSupportKHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfaceSupportKHR)},
    {"vkGetPhysicalDeviceSurfaceFormatsKHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfaceFormatsKHR)},
    {"vkGetPhysicalDeviceSurfaceFormats2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfaceFormats2KHR)},
    {"vkGetPhysicalDeviceSurfacePresentModesKHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfacePresentModesKHR)},
    {"vkGetPhysicalDeviceSurfaceCapabilitiesKHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfaceCapabilitiesKHR)},
    {"vkGetPhysicalDeviceSurfaceCapabilities2KHR",
     PFN_vkVoidFunction(GetPhysicalDeviceSurfaceCapabilities2KHR)},
};

} // namespace

std::span<const Intercept> SurfaceIntercepts()
{
    return Intercepts;
}

} // namespace city_personality
