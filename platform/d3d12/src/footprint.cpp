#include "footprint.h"

#include "format.h"

#include <algorithm>
#include <cstring>

namespace d3d12
{
namespace
{

uint64_t AlignUp(uint64_t value, uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// The format a plane of a depth-stencil resource has in a buffer.
DXGI_FORMAT PlaneFormat(const FormatInfo& format, uint32_t plane)
{
    if (!format.DepthStencilAspects)
        return format.Dxgi;
    if (plane == 1)
        return DXGI_FORMAT_R8_TYPELESS;
    return format.BlockBytes == 2 ? DXGI_FORMAT_R16_TYPELESS : DXGI_FORMAT_R32_TYPELESS;
}

void FillInvalid(uint32_t count, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                 UINT64* rowSizes, UINT64* totalBytes)
{
    if (layouts)
        std::memset(layouts, 0xFF, sizeof(*layouts) * count);
    if (rowCounts)
        std::memset(rowCounts, 0xFF, sizeof(*rowCounts) * count);
    if (rowSizes)
        std::memset(rowSizes, 0xFF, sizeof(*rowSizes) * count);
    if (totalBytes)
        *totalBytes = ~UINT64(0);
}

bool PlaceBuffer(const D3D12_RESOURCE_DESC& desc, uint32_t first, uint32_t count,
                 uint64_t baseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                 UINT64* rowSizes, UINT64* totalBytes)
{
    if (first != 0 || count != 1 || desc.Width == 0 || desc.Width > UINT32_MAX)
        return false;
    if (layouts)
    {
        layouts[0].Offset = baseOffset;
        layouts[0].Footprint = {DXGI_FORMAT_UNKNOWN, UINT(desc.Width), 1, 1,
                                UINT(AlignUp(desc.Width, D3D12_TEXTURE_DATA_PITCH_ALIGNMENT))};
    }
    if (rowCounts)
        rowCounts[0] = 1;
    if (rowSizes)
        rowSizes[0] = desc.Width;
    if (totalBytes)
        *totalBytes = desc.Width;
    return true;
}

} // namespace

uint32_t FullMipChain(uint64_t width, uint32_t height, uint32_t depth)
{
    uint64_t largest = std::max<uint64_t>({width, height, depth});
    uint32_t mips = 1;
    while (largest > 1)
    {
        largest >>= 1;
        ++mips;
    }
    return mips;
}

uint32_t ArraySlices(const D3D12_RESOURCE_DESC& desc)
{
    return desc.Dimension == D3D12_RESOURCE_DIMENSION_TEXTURE3D ? 1 : desc.DepthOrArraySize;
}

uint32_t SubresourceCount(const D3D12_RESOURCE_DESC& desc)
{
    if (desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER)
        return 1;
    const FormatInfo* format = FindFormat(desc.Format);
    if (!format || desc.Width == 0 || desc.Height == 0 || desc.DepthOrArraySize == 0)
        return 0;
    const uint32_t depth =
        desc.Dimension == D3D12_RESOURCE_DIMENSION_TEXTURE3D ? desc.DepthOrArraySize : 1;
    const uint32_t mips =
        desc.MipLevels ? desc.MipLevels : FullMipChain(desc.Width, desc.Height, depth);
    return mips * ArraySlices(desc) * PlaneCount(*format);
}

bool ComputeCopyableFootprints(const D3D12_RESOURCE_DESC& desc, uint32_t first, uint32_t count,
                               uint64_t baseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts,
                               UINT* rowCounts, UINT64* rowSizes, UINT64* totalBytes)
{
    const uint32_t available = SubresourceCount(desc);
    bool placed = false;
    if (desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER)
    {
        placed =
            PlaceBuffer(desc, first, count, baseOffset, layouts, rowCounts, rowSizes, totalBytes);
    }
    else if (available != 0 && desc.Width <= UINT32_MAX && count <= available &&
             first <= available - count)
    {
        const FormatInfo& format = *FindFormat(desc.Format);
        const bool volume = desc.Dimension == D3D12_RESOURCE_DIMENSION_TEXTURE3D;
        const uint32_t depth = volume ? desc.DepthOrArraySize : 1;
        const uint32_t mips =
            desc.MipLevels ? desc.MipLevels : FullMipChain(desc.Width, desc.Height, depth);
        const uint32_t block = format.BlockSize;

        uint64_t offset = 0;
        uint64_t total = 0;
        for (uint32_t i = 0; i < count; ++i)
        {
            const Subresource sub = SplitSubresource(first + i, mips, ArraySlices(desc));
            const uint64_t width = std::max<uint64_t>(1, desc.Width >> sub.Mip);
            const uint32_t height = std::max<uint32_t>(1, desc.Height >> sub.Mip);
            const uint32_t slices = std::max<uint32_t>(1, depth >> sub.Mip);
            const uint64_t rows = (height + block - 1) / block;
            const uint64_t rowSize =
                (width + block - 1) / block * PlaneBlockBytes(format, sub.Plane);
            const uint64_t rowPitch = AlignUp(rowSize, D3D12_TEXTURE_DATA_PITCH_ALIGNMENT);

            offset = AlignUp(offset, D3D12_TEXTURE_DATA_PLACEMENT_ALIGNMENT);
            if (layouts)
            {
                layouts[i].Offset = baseOffset + offset;
                layouts[i].Footprint = {PlaneFormat(format, sub.Plane), UINT(AlignUp(width, block)),
                                        UINT(AlignUp(height, block)), slices, UINT(rowPitch)};
            }
            if (rowCounts)
                rowCounts[i] = UINT(rows);
            if (rowSizes)
                rowSizes[i] = rowSize;
            // The last row of the last subresource needs no padding behind it.
            total = offset + rowPitch * (rows * slices - 1) + rowSize;
            offset += rowPitch * rows * slices;
        }
        if (totalBytes)
            *totalBytes = total;
        placed = true;
    }
    if (!placed)
        FillInvalid(count, layouts, rowCounts, rowSizes, totalBytes);
    return placed;
}

} // namespace d3d12
