// The one translation of Vulkan results into HRESULTs.
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

namespace vkrt
{

// Success codes become S_OK; memory exhaustion E_OUTOFMEMORY; a lost device
// DXGI_ERROR_DEVICE_REMOVED; anything the implementation lacks
// DXGI_ERROR_UNSUPPORTED; everything else E_FAIL.
HRESULT HResultFromVk(VkResult result);

} // namespace vkrt
