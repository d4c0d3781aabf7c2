// The regions of texture copies, in one place: a box of a subresource as a
// Vulkan offset and extent, the part of a mip a copy may touch, and a placed
// footprint's texels as positions in the buffer that holds them.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

#include <cstdint>

namespace d3d12
{

struct CopyBox
{
    VkOffset3D Offset;
    VkExtent3D Extent;
};

// `box` as an offset and extent, or the whole of `whole` from the origin
// where there is no box.
CopyBox BoxRegion(const D3D12_BOX* box, VkExtent3D whole);

// Whether the copy of `extent` texels at `at` stays inside a mip of size
// `mip` made of `blockSize`-square blocks, and then `extent` cut to the mip:
// footprints of compressed formats are whole blocks wide, so a copy may run
// over the edge of a mip that is not (the tail of a mip chain) and stops at
// the edge.
bool ClampToMip(VkExtent3D mip, uint32_t blockSize, VkOffset3D at, VkExtent3D* extent);

// A placed footprint, with the size in bytes of one block of its format and
// the side of a block in texels (1 for uncompressed formats).
struct Placement
{
    const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& Placed;
    uint32_t BlockBytes;
    uint32_t BlockSize;
};

// Whether the copy of `extent` texels at `at` of the footprint keeps the
// rules of the real platform (offset and pitch alignment, whole blocks) and
// stays inside the footprint and the buffer of `bufferBytes` that holds it.
bool PlacementFits(const Placement& placement, VkOffset3D at, VkExtent3D extent,
                   uint64_t bufferBytes);

// The copy between the texels at `at` of the footprint and the region
// (`imageOffset`, `extent`) of the image subresource `subresource`.
VkBufferImageCopy PlacementCopy(const Placement& placement, VkOffset3D at,
                                const VkImageSubresourceLayers& subresource, VkOffset3D imageOffset,
                                VkExtent3D extent);

} // namespace d3d12
