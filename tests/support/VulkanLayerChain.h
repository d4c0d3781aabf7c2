// What every layer of the tests does to take its place in the loader's chain:
// find the link to the next layer, key its records by dispatch table, and
// agree on the loader's interface.
#pragma once

#include <vulkan/vk_layer.h>
#include <vulkan/vulkan.h>

namespace layer_chain
{

// Dispatchable handles begin with the loader's dispatch pointer; an
// instance's physical devices share the instance's, a device's queues the
// device's.
using Key = void*;
template <class Handle> Key KeyOf(Handle handle)
{
    return *reinterpret_cast<void**>(handle);
}

// The loader's link to the next layer in a create info's chain, or null.
template <class Info> Info* FindLinkInfo(const void* next, VkStructureType type)
{
    auto* info = static_cast<Info*>(const_cast<void*>(next));
    while (info && !(info->sType == type && info->function == VK_LAYER_LINK_INFO))
        info = static_cast<Info*>(const_cast<void*>(info->pNext));
    return info;
}

// Agrees on version 2 of the loader's layer interface.
inline VkResult Negotiate(VkNegotiateLayerInterface* version,
                          PFN_vkGetInstanceProcAddr getInstanceProcAddr,
                          PFN_vkGetDeviceProcAddr getDeviceProcAddr)
{
    if (!version || version->sType != LAYER_NEGOTIATE_INTERFACE_STRUCT ||
        version->loaderLayerInterfaceVersion < 2)
        return VK_ERROR_INITIALIZATION_FAILED;
    version->loaderLayerInterfaceVersion = 2;
    version->pfnGetInstanceProcAddr = getInstanceProcAddr;
    version->pfnGetDeviceProcAddr = getDeviceProcAddr;
    version->pfnGetPhysicalDeviceProcAddr = nullptr;
    return VK_SUCCESS;
}

} // namespace layer_chain
