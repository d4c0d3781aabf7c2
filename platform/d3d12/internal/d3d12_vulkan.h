// The Vulkan objects behind a device of this runtime, for tests that reach
// past the Direct3D 12 interface (to misuse Vulkan on purpose, say). The
// program never includes this header.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12
{

// The Vulkan device of `device`, or null where it is not one of this
// runtime's devices.
VkDevice VulkanDeviceOf(ID3D12Device* device);

} // namespace d3d12
