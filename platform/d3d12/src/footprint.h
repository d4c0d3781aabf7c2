// Subresource numbering and the placed footprints of GetCopyableFootprints:
// how the subresources of a resource are laid out in a buffer, which the
// copies between buffers and textures read back.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>

namespace d3d12
{

struct Subresource
{
    uint32_t Mip;
    uint32_t Slice;
    uint32_t Plane;
};

// Subresource numbers run over mips, then array slices, then planes.
inline Subresource SplitSubresource(uint32_t index, uint32_t mips, uint32_t slices)
{
    return {index % mips, (index / mips) % slices, index / (mips * slices)};
}

// The number of mips of a full chain down to 1 × 1 × 1.
uint32_t FullMipChain(uint64_t width, uint32_t height, uint32_t depth);

// Array slices of a resource (a volume texture has one).
uint32_t ArraySlices(const D3D12_RESOURCE_DESC& desc);

// Mips, slices and planes together, or 0 for a description the runtime
// cannot place (unknown format, zero size).
uint32_t SubresourceCount(const D3D12_RESOURCE_DESC& desc);

// What ID3D12Device::GetCopyableFootprints answers: rows aligned to 256
// bytes, subresources to 512 bytes, block-compressed formats in rows of
// blocks, depth-stencil formats one plane at a time. Outputs may be null.
// For a description or subresource range it cannot place it fills every given
// output with ones (all bits set) and returns false.
bool ComputeCopyableFootprints(const D3D12_RESOURCE_DESC& desc, uint32_t firstSubresource,
                               uint32_t subresourceCount, uint64_t baseOffset,
                               D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                               UINT64* rowSizes, UINT64* totalBytes);

} // namespace d3d12
