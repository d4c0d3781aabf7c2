// GetCopyableFootprints, which d3dx12's UpdateSubresources and
// GetRequiredIntermediateSize rely on: rows aligned to 256 bytes,
// subresources to 512, block-compressed formats in rows of blocks, depth and
// stencil one plane at a time.
#include "GpuTest.h"

#include <cstring>

namespace
{

struct ExpectedLayout
{
    UINT64 Offset;
    DXGI_FORMAT Format;
    UINT Width;
    UINT Height;
    UINT RowPitch;
    UINT Rows;
    UINT64 RowSize;
};

struct FootprintCase
{
    const char* Name;
    D3D12_RESOURCE_DESC Desc;
    UINT First;
    UINT64 BaseOffset;
    std::vector<ExpectedLayout> Layouts;
    UINT64 Total;
};

class Footprints : public GpuTest, public ::testing::WithParamInterface<FootprintCase>
{
};

TEST_P(Footprints, PlaceEverySubresource)
{
    const FootprintCase& c = GetParam();
    const UINT count = UINT(c.Layouts.size());
    std::vector<D3D12_PLACED_SUBRESOURCE_FOOTPRINT> layouts(count);
    std::vector<UINT> rows(count);
    std::vector<UINT64> rowSizes(count);
    UINT64 total = 0;
    Device()->GetCopyableFootprints(&c.Desc, c.First, count, c.BaseOffset, layouts.data(),
                                    rows.data(), rowSizes.data(), &total);
    EXPECT_EQ(total, c.Total);
    for (UINT i = 0; i < count; ++i)
    {
        const ExpectedLayout& e = c.Layouts[i];
        EXPECT_EQ(layouts[i].Offset, e.Offset) << "subresource " << i;
        EXPECT_EQ(layouts[i].Footprint.Format, e.Format) << "subresource " << i;
        EXPECT_EQ(layouts[i].Footprint.Width, e.Width) << "subresource " << i;
        EXPECT_EQ(layouts[i].Footprint.Height, e.Height) << "subresource " << i;
        EXPECT_EQ(layouts[i].Footprint.Depth, 1u) << "subresource " << i;
        EXPECT_EQ(layouts[i].Footprint.RowPitch, e.RowPitch) << "subresource " << i;
        EXPECT_EQ(rows[i], e.Rows) << "subresource " << i;
        EXPECT_EQ(rowSizes[i], e.RowSize) << "subresource " << i;
    }
}

constexpr auto Unknown = DXGI_FORMAT_UNKNOWN;
constexpr auto Rgba8 = DXGI_FORMAT_R8G8B8A8_UNORM;
constexpr auto Bc1 = DXGI_FORMAT_BC1_UNORM;

INSTANTIATE_TEST_SUITE_P(
    Resources, Footprints,
    ::testing::Values(
        FootprintCase{"Buffer",
                      CD3DX12_RESOURCE_DESC::Buffer(1000),
                      0,
                      0,
                      {{0, Unknown, 1000, 1, 1024, 1, 1000}},
                      1000},
        FootprintCase{"BufferAtAnOffset",
                      CD3DX12_RESOURCE_DESC::Buffer(64),
                      0,
                      512,
                      {{512, Unknown, 64, 1, 256, 1, 64}},
                      64},
        FootprintCase{"SmallTexture",
                      CD3DX12_RESOURCE_DESC::Tex2D(Rgba8, 4, 4, 1, 1),
                      0,
                      0,
                      {{0, Rgba8, 4, 4, 256, 4, 16}},
                      256 * 3 + 16},
        FootprintCase{"MipChain",
                      CD3DX12_RESOURCE_DESC::Tex2D(Rgba8, 64, 40, 1, 3),
                      0,
                      0,
                      {{0, Rgba8, 64, 40, 256, 40, 256},
                       {10240, Rgba8, 32, 20, 256, 20, 128},
                       {15360, Rgba8, 16, 10, 256, 10, 64}},
                      15360 + 256 * 9 + 64},
        FootprintCase{"SecondSliceOnly",
                      CD3DX12_RESOURCE_DESC::Tex2D(Rgba8, 8, 2, 2, 2),
                      2,
                      1024,
                      {{1024, Rgba8, 8, 2, 256, 2, 32}, {1024 + 512, Rgba8, 4, 1, 256, 1, 16}},
                      512 + 16},
        FootprintCase{"CompressedBlocks",
                      CD3DX12_RESOURCE_DESC::Tex2D(Bc1, 16, 8, 1, 3),
                      0,
                      0,
                      {{0, Bc1, 16, 8, 256, 2, 32},
                       {512, Bc1, 8, 4, 256, 1, 16},
                       {1024, Bc1, 4, 4, 256, 1, 8}},
                      1032},
        FootprintCase{"DepthAndStencilPlanes",
                      CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R24G8_TYPELESS, 8, 8, 1, 1),
                      0,
                      0,
                      {{0, DXGI_FORMAT_R32_TYPELESS, 8, 8, 256, 8, 32},
                       {2048, DXGI_FORMAT_R8_TYPELESS, 8, 8, 256, 8, 8}},
                      2048 + 256 * 7 + 8}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Footprints, OfWhatCannotBePlacedAreAllOnes)
{
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(Rgba8, 4, 4, 1, 1);
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT layout;
    UINT rows = 0;
    UINT64 rowSize = 0;
    UINT64 total = 0;
    Device()->GetCopyableFootprints(&desc, 1, 1, 0, &layout, &rows, &rowSize, &total);
    EXPECT_EQ(total, ~UINT64(0));
    EXPECT_EQ(layout.Offset, ~UINT64(0));
    EXPECT_EQ(rows, ~0u);
    EXPECT_EQ(rowSize, ~UINT64(0));

    const auto unknown = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_UNKNOWN, 4, 4, 1, 1);
    Device()->GetCopyableFootprints(&unknown, 0, 1, 0, nullptr, nullptr, nullptr, &total);
    EXPECT_EQ(total, ~UINT64(0));
    Device()->GetCopyableFootprints(nullptr, 0, 1, 0, nullptr, nullptr, nullptr, &total);
    EXPECT_EQ(total, ~UINT64(0));
}

} // namespace
