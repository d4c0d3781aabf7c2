// A descriptor: one record in a descriptor heap. A CPU or GPU descriptor
// handle is the address of its record, so a handle turns into a record with a
// range check against its heap and nothing else. Views are Vulkan image
// views owned by their resource; the record names the resource by registry
// id, so a view of a released resource is refused rather than used.
#pragma once

#include "format.h"
#include "resource_registry.h"

#include <vulkan/vulkan.h>

#include <cstdint>

namespace d3d12
{

enum class DescriptorKind : uint8_t
{
    Empty,
    RenderTarget,
    DepthStencil,
    ShaderResource,
    NullShaderResource, // a view of no resource: reads return zeros
};

struct Descriptor
{
    DescriptorKind Kind = DescriptorKind::Empty;
    ResourceId Resource;
    VkImageView View = VK_NULL_HANDLE;
    VkImage Image = VK_NULL_HANDLE;
    VkFormat Format = VK_FORMAT_UNDEFINED;
    ClearKind Clear = ClearKind::Float; // how clear colours are given for the format
    VkImageSubresourceRange Range{};    // the mips, layers and aspects viewed
    VkExtent2D Extent{};                // of the viewed mip
    VkSampleCountFlagBits Samples = VK_SAMPLE_COUNT_1_BIT;
    D3D12_DSV_FLAGS DepthStencilFlags = D3D12_DSV_FLAG_NONE;
};

} // namespace d3d12
