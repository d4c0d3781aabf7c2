#include <vulkan_runtime/result.h>

namespace vkrt
{

HRESULT HResultFromVk(VkResult result)
{
    switch (result)
    {
    case VK_SUCCESS:
    case VK_INCOMPLETE:
        return S_OK;
    case VK_ERROR_OUT_OF_HOST_MEMORY:
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
    case VK_ERROR_OUT_OF_POOL_MEMORY:
    case VK_ERROR_TOO_MANY_OBJECTS:
    case VK_ERROR_FRAGMENTED_POOL:
    case VK_ERROR_FRAGMENTATION:
        return E_OUTOFMEMORY;
    case VK_ERROR_DEVICE_LOST:
        return DXGI_ERROR_DEVICE_REMOVED;
    case VK_ERROR_LAYER_NOT_PRESENT:
    case VK_ERROR_EXTENSION_NOT_PRESENT:
    case VK_ERROR_FEATURE_NOT_PRESENT:
    case VK_ERROR_INCOMPATIBLE_DRIVER:
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
        return DXGI_ERROR_UNSUPPORTED;
    default:
        return E_FAIL;
    }
}

} // namespace vkrt
