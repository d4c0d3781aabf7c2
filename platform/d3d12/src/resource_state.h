// The one translation of Direct3D 12 resource states into Vulkan image
// layouts, pipeline stages and access masks.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12
{

struct StateScope
{
    VkPipelineStageFlags2 Stages;
    VkAccessFlags2 Access;
};

// Whether `state` is a combination of the states the runtime knows.
bool IsKnownState(D3D12_RESOURCE_STATES state);

// The stages and accesses that use a resource in `state`.
StateScope ScopeOfState(D3D12_RESOURCE_STATES state);

// The layout an image has while in `state`.
VkImageLayout LayoutOfState(D3D12_RESOURCE_STATES state);

} // namespace d3d12
