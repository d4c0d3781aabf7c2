// Copies through the runtime, read back byte for byte: buffers, textures with
// mips and array slices filled through d3dx12's UpdateSubresources, and the
// zeroing of new resources.
#include "GpuTest.h"

#include <numeric>

using Microsoft::WRL::ComPtr;

namespace
{

std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(seed + i * 7 + (i >> 8));
    return bytes;
}

class Copies : public GpuTest
{
};

TEST_F(Copies, BufferRegionsLandAtTheirOffsets)
{
    const auto data = Pattern(1000, 3);
    ComPtr<ID3D12Resource> upload =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 1000, D3D12_RESOURCE_STATE_GENERIC_READ);
    uint8_t* mapped = nullptr;
    ASSERT_HRESULT_SUCCEEDED(upload->Map(0, nullptr, reinterpret_cast<void**>(&mapped)));
    std::copy(data.begin(), data.end(), mapped);
    upload->Unmap(0, nullptr);

    ComPtr<ID3D12Resource> target =
        CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 2000, D3D12_RESOURCE_STATE_COPY_DEST);
    mList->CopyBufferRegion(target.Get(), 500, upload.Get(), 100, 900);
    Transition(target.Get(), D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_COPY_SOURCE);
    const auto bytes = ReadBuffer(target.Get());

    ASSERT_EQ(bytes.size(), 2000u);
    for (size_t i = 0; i < 2000; ++i)
    {
        const uint8_t expected = (i >= 500 && i < 1400) ? data[i - 400] : 0;
        ASSERT_EQ(bytes[i], expected) << "byte " << i;
    }
}

// Small resources and big ones (the runtime may take the memory of big ones
// itself), each made again after a resource of its size was filled and
// released, so memory handed back cannot come back with its old bytes.
TEST_F(Copies, NewResourcesStartZeroed)
{
    const auto allZero = [](const std::vector<uint8_t>& bytes)
    { return size_t(std::count(bytes.begin(), bytes.end(), 0)) == bytes.size(); };
    for (UINT64 size : {UINT64(4099), UINT64(3 << 20) + 4099})
    {
        SCOPED_TRACE(size);
        for (int pass = 0; pass < 2; ++pass)
        {
            ComPtr<ID3D12Resource> upload =
                CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, size, D3D12_RESOURCE_STATE_GENERIC_READ);
            uint8_t* mapped = nullptr;
            ASSERT_HRESULT_SUCCEEDED(upload->Map(0, nullptr, reinterpret_cast<void**>(&mapped)));
            ASSERT_EQ(std::count(mapped, mapped + size, 0), ptrdiff_t(size));
            std::fill(mapped, mapped + size, uint8_t(0xA5));
        }
        ComPtr<ID3D12Resource> buffer =
            CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, size, D3D12_RESOURCE_STATE_COPY_SOURCE);
        const auto bufferBytes = ReadBuffer(buffer.Get());
        EXPECT_EQ(bufferBytes.size(), size);
        EXPECT_TRUE(allZero(bufferBytes));
    }

    for (UINT width : {33u, 1031u})
    {
        ComPtr<ID3D12Resource> texture = CreateTexture(
            CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, 517, 1, 1),
            D3D12_RESOURCE_STATE_COPY_SOURCE);
        const auto textureBytes = ReadSubresource(texture.Get(), 0);
        EXPECT_EQ(textureBytes.size(), size_t(width) * 517 * 4);
        EXPECT_TRUE(allZero(textureBytes)) << width;
    }
}

// Each case: a texture description whose every subresource is uploaded with
// UpdateSubresources and read back on its own.
struct TextureCase
{
    const char* Name;
    DXGI_FORMAT Format;
    UINT Width;
    UINT Height;
    UINT16 Slices;
    UINT16 Mips;
    UINT BytesPerBlock;
    UINT BlockSize;
};

class TextureUploads : public GpuTest, public ::testing::WithParamInterface<TextureCase>
{
};

TEST_P(TextureUploads, EverySubresourceReadsBackAsUploaded)
{
    const TextureCase& c = GetParam();
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(c.Format, c.Width, c.Height, c.Slices, c.Mips);
    ComPtr<ID3D12Resource> texture = CreateTexture(desc, D3D12_RESOURCE_STATE_COPY_DEST);
    ASSERT_NE(texture, nullptr);
    const UINT count = c.Mips * c.Slices;

    // Tightly packed source data for each subresource.
    std::vector<std::vector<uint8_t>> sources;
    std::vector<D3D12_SUBRESOURCE_DATA> data;
    for (UINT i = 0; i < count; ++i)
    {
        const UINT mip = i % c.Mips;
        const UINT width = std::max(1u, c.Width >> mip);
        const UINT height = std::max(1u, c.Height >> mip);
        const UINT rowBytes = (width + c.BlockSize - 1) / c.BlockSize * c.BytesPerBlock;
        const UINT rows = (height + c.BlockSize - 1) / c.BlockSize;
        sources.push_back(Pattern(size_t(rowBytes) * rows, uint8_t(i * 31 + 1)));
        data.push_back({sources.back().data(), LONG_PTR(rowBytes), LONG_PTR(rowBytes) * rows});
    }

    const UINT64 stagingSize = GetRequiredIntermediateSize(texture.Get(), 0, count);
    ComPtr<ID3D12Resource> staging =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, stagingSize, D3D12_RESOURCE_STATE_GENERIC_READ);
    ASSERT_EQ(
        UpdateSubresources(mList.Get(), texture.Get(), staging.Get(), 0, 0, count, data.data()),
        stagingSize);
    Transition(texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_COPY_SOURCE);
    ExecuteAndWait();

    for (UINT i = 0; i < count; ++i)
        EXPECT_EQ(ReadSubresource(texture.Get(), i), sources[i]) << "subresource " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TextureUploads,
    ::testing::Values(
        TextureCase{"Rgba8MipsAndSlices", DXGI_FORMAT_R8G8B8A8_UNORM, 64, 40, 3, 4, 4, 1},
        TextureCase{"Rgba8FullChainOddSize", DXGI_FORMAT_R8G8B8A8_UNORM, 37, 11, 1, 6, 4, 1},
        TextureCase{"R16SingleRow", DXGI_FORMAT_R16_UNORM, 300, 1, 2, 1, 2, 1},
        TextureCase{"Bc1DownToOneTexel", DXGI_FORMAT_BC1_UNORM, 16, 8, 2, 5, 8, 4},
        TextureCase{"Bc3NotMultipleOfFour", DXGI_FORMAT_BC3_UNORM, 18, 10, 1, 3, 16, 4}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
