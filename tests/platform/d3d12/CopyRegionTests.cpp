// The regions of texture copies at their edges: compressed blocks, the tail
// of a mip chain, boxes at the border of a footprint and of its buffer.
#include "copy_region.h"

#include <gtest/gtest.h>

namespace
{

using namespace d3d12;

D3D12_PLACED_SUBRESOURCE_FOOTPRINT Footprint(UINT64 offset, DXGI_FORMAT format, UINT width,
                                             UINT height, UINT depth, UINT rowPitch)
{
    return {offset, {format, width, height, depth, rowPitch}};
}

TEST(CopyRegions, ABoxIsItsCornerAndSizeAndNoBoxIsTheWhole)
{
    const D3D12_BOX box = {2, 3, 0, 10, 4, 1};
    const CopyBox region = BoxRegion(&box, {64, 64, 1});
    EXPECT_EQ(region.Offset.x, 2);
    EXPECT_EQ(region.Offset.y, 3);
    EXPECT_EQ(region.Extent.width, 8u);
    EXPECT_EQ(region.Extent.height, 1u);
    const CopyBox whole = BoxRegion(nullptr, {64, 32, 2});
    EXPECT_EQ(whole.Offset.x + whole.Offset.y + whole.Offset.z, 0);
    EXPECT_EQ(whole.Extent.width, 64u);
    EXPECT_EQ(whole.Extent.depth, 2u);
}

TEST(CopyRegions, BufferPositionsCountRowsAndSlicesInBlocks)
{
    // 4 × 4 blocks of 8 bytes: texel (8, 4) of slice 1 is block (2, 1) of
    // the second slice of two block rows.
    const auto compressed = Footprint(512, DXGI_FORMAT_BC1_UNORM, 16, 8, 2, 256);
    const VkBufferImageCopy blocks = PlacementCopy(
        {compressed, 8, 4}, {8, 4, 1}, {VK_IMAGE_ASPECT_COLOR_BIT, 2, 0, 1}, {4, 0, 0}, {8, 4, 1});
    EXPECT_EQ(blocks.bufferOffset, 512u + 1 * 256 + 2 * 8 + 1 * 256 * 2);
    EXPECT_EQ(blocks.bufferRowLength, 128u); // texels
    EXPECT_EQ(blocks.bufferImageHeight, 8u);
    EXPECT_EQ(blocks.imageSubresource.mipLevel, 2u);
    EXPECT_EQ(blocks.imageOffset.x, 4);
    EXPECT_EQ(blocks.imageExtent.width, 8u);

    const auto plain = Footprint(0, DXGI_FORMAT_R8G8B8A8_UNORM, 16, 8, 1, 256);
    const VkBufferImageCopy texels = PlacementCopy(
        {plain, 4, 1}, {3, 2, 0}, {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1}, {0, 0, 0}, {1, 1, 1});
    EXPECT_EQ(texels.bufferOffset, 2u * 256 + 3 * 4);
    EXPECT_EQ(texels.bufferRowLength, 64u);
}

TEST(CopyRegions, CopiesStopAtTheEdgeOfAMipAndNeverLeaveIt)
{
    // The 2 × 2 tail of a compressed chain is one whole block in a footprint.
    VkExtent3D block = {4, 4, 1};
    EXPECT_TRUE(ClampToMip({2, 2, 1}, 4, {0, 0, 0}, &block));
    EXPECT_EQ(block.width, 2u);
    EXPECT_EQ(block.height, 2u);
    VkExtent3D twoBlocks = {8, 4, 1};
    EXPECT_FALSE(ClampToMip({2, 2, 1}, 4, {0, 0, 0}, &twoBlocks));
    VkExtent3D inside = {4, 4, 1};
    EXPECT_FALSE(ClampToMip({16, 16, 1}, 4, {2, 0, 0}, &inside)) << "not on a block";

    // Uncompressed: the last texel is inside, one past the border is not.
    VkExtent3D last = {1, 1, 1};
    EXPECT_TRUE(ClampToMip({16, 8, 1}, 1, {15, 7, 0}, &last));
    VkExtent3D over = {2, 1, 1};
    EXPECT_FALSE(ClampToMip({16, 8, 1}, 1, {15, 0, 0}, &over));
    VkExtent3D outside = {1, 1, 1};
    EXPECT_FALSE(ClampToMip({16, 8, 1}, 1, {16, 0, 0}, &outside));
}

TEST(CopyRegions, AFootprintFitsItsBufferToTheLastByte)
{
    // 8 rows of 64 bytes, 256 apart: the last row ends 7 × 256 + 64 bytes in.
    const auto placed = Footprint(512, DXGI_FORMAT_R8G8B8A8_UNORM, 16, 8, 1, 256);
    const Placement placement{placed, 4, 1};
    EXPECT_TRUE(PlacementFits(placement, {0, 0, 0}, {16, 8, 1}, 512 + 7 * 256 + 64));
    EXPECT_FALSE(PlacementFits(placement, {0, 0, 0}, {16, 8, 1}, 512 + 7 * 256 + 63));
    EXPECT_TRUE(PlacementFits(placement, {15, 7, 0}, {1, 1, 1}, 4096));
    EXPECT_FALSE(PlacementFits(placement, {15, 7, 0}, {2, 1, 1}, 4096));

    // The real platform's alignments: 512 for the offset, 256 for the pitch.
    const auto misplaced = Footprint(256, DXGI_FORMAT_R8G8B8A8_UNORM, 16, 8, 1, 256);
    EXPECT_FALSE(PlacementFits({misplaced, 4, 1}, {0, 0, 0}, {16, 8, 1}, 4096));
    const auto narrow = Footprint(0, DXGI_FORMAT_R8G8B8A8_UNORM, 16, 8, 1, 128);
    EXPECT_FALSE(PlacementFits({narrow, 4, 1}, {0, 0, 0}, {16, 8, 1}, 4096));
    // Compressed footprints are whole blocks, and so are copies in them.
    const auto blocks = Footprint(0, DXGI_FORMAT_BC1_UNORM, 16, 8, 1, 256);
    EXPECT_TRUE(PlacementFits({blocks, 8, 4}, {4, 4, 0}, {4, 4, 1}, 4096));
    EXPECT_FALSE(PlacementFits({blocks, 8, 4}, {2, 0, 0}, {4, 4, 1}, 4096));
}

} // namespace
