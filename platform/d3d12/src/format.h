// The one translation table between DXGI formats and Vulkan formats, with
// what the runtime needs to know about each format's memory layout.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

#include <cstdint>

namespace d3d12
{

// How clear colours are given to Vulkan for a format.
enum class ClearKind : uint8_t
{
    Float, // float, unorm, snorm and sRGB formats
    Uint,
    Sint,
};

struct FormatInfo
{
    DXGI_FORMAT Dxgi;
    // The typeless format of the family this format belongs to (itself
    // where it has no family).
    DXGI_FORMAT Family;
    // The Vulkan format of an image of this format. For a typeless format,
    // a member of its family (images of it are created with mutable formats);
    // for the depth-stencil families, the combined depth-stencil format.
    VkFormat Vulkan;
    // Bytes of one texel, or of one block of a block-compressed format; for a
    // depth-stencil format, of one texel of its depth plane.
    uint8_t BlockBytes;
    uint8_t BlockSize; // texels along one side of a block: 1, or 4
    ClearKind Clear;
    bool Typeless;
    // Depth and stencil aspects of the Vulkan format (0 for colour formats).
    VkImageAspectFlags DepthStencilAspects;
    // Reads of a component that the DXGI format lacks but its Vulkan format
    // holds (the X8 formats read alpha as one, A8 reads alpha from red).
    VkComponentMapping Components;
};

// The entry for `format`, or null for a format the runtime does not support.
const FormatInfo* FindFormat(DXGI_FORMAT format);

// Whether two formats belong to one typeless family, so that a view of one
// may look at a resource of the other.
bool SameFamily(DXGI_FORMAT a, DXGI_FORMAT b);

// Bytes of one texel (or block) of a plane of a depth-stencil format in a
// buffer: the depth plane (0) as for the format, the stencil plane (1) one.
uint32_t PlaneBlockBytes(const FormatInfo& format, uint32_t plane);

// The number of planes of a resource of this format: 2 for formats with
// stencil, else 1.
uint32_t PlaneCount(const FormatInfo& format);

} // namespace d3d12
