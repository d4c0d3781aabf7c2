#include "copy_region.h"

#include <algorithm>

namespace d3d12
{

CopyBox BoxRegion(const D3D12_BOX* box, VkExtent3D whole)
{
    if (!box)
        return {{0, 0, 0}, whole};
    return {{int32_t(box->left), int32_t(box->top), int32_t(box->front)},
            {box->right - box->left, box->bottom - box->top, box->back - box->front}};
}

bool ClampToMip(VkExtent3D mip, uint32_t blockSize, VkOffset3D at, VkExtent3D* extent)
{
    const auto fits = [blockSize](uint32_t start, uint32_t length, uint32_t edge)
    {
        return start < edge && start % blockSize == 0 &&
               uint64_t(start) + length <= (uint64_t(edge) + blockSize - 1) / blockSize * blockSize;
    };
    if (at.x < 0 || at.y < 0 || at.z != 0 || extent->depth != 1 ||
        !fits(uint32_t(at.x), extent->width, mip.width) ||
        !fits(uint32_t(at.y), extent->height, mip.height))
        return false;
    extent->width = std::min(extent->width, mip.width - uint32_t(at.x));
    extent->height = std::min(extent->height, mip.height - uint32_t(at.y));
    return extent->width > 0 && extent->height > 0;
}

bool PlacementFits(const Placement& placement, VkOffset3D at, VkExtent3D extent,
                   uint64_t bufferBytes)
{
    const auto& footprint = placement.Placed.Footprint;
    const uint64_t offset = placement.Placed.Offset;
    const uint64_t block = placement.BlockSize;
    if (offset % D3D12_TEXTURE_DATA_PLACEMENT_ALIGNMENT != 0 ||
        footprint.RowPitch % D3D12_TEXTURE_DATA_PITCH_ALIGNMENT != 0 ||
        footprint.Width % block != 0 || footprint.Height % block != 0 || at.x < 0 || at.y < 0 ||
        at.z < 0 || at.x % block != 0 || at.y % block != 0 ||
        uint64_t(at.x) + extent.width > footprint.Width ||
        uint64_t(at.y) + extent.height > footprint.Height ||
        uint64_t(at.z) + extent.depth > footprint.Depth)
        return false;
    const uint64_t rowBytes = (footprint.Width + block - 1) / block * placement.BlockBytes;
    const uint64_t rows = (footprint.Height + block - 1) / block;
    if (rowBytes > footprint.RowPitch)
        return false;
    const uint64_t size = footprint.RowPitch * (rows * footprint.Depth - 1) + rowBytes;
    return offset <= bufferBytes && size <= bufferBytes - offset;
}

VkBufferImageCopy PlacementCopy(const Placement& placement, VkOffset3D at,
                                const VkImageSubresourceLayers& subresource, VkOffset3D imageOffset,
                                VkExtent3D extent)
{
    const auto& footprint = placement.Placed.Footprint;
    const uint64_t block = placement.BlockSize;
    const uint64_t rowsPerSlice = (footprint.Height + block - 1) / block;
    VkBufferImageCopy region{};
    region.bufferOffset = placement.Placed.Offset + uint64_t(at.y) / block * footprint.RowPitch +
                          uint64_t(at.x) / block * placement.BlockBytes +
                          uint64_t(at.z) * footprint.RowPitch * rowsPerSlice;
    // Vulkan measures the buffer's rows and slices in texels.
    region.bufferRowLength = uint32_t(footprint.RowPitch / placement.BlockBytes * block);
    region.bufferImageHeight = footprint.Height;
    region.imageSubresource = subresource;
    region.imageOffset = imageOffset;
    region.imageExtent = extent;
    return region;
}

} // namespace d3d12
