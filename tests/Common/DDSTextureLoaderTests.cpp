#include "DdsTestFiles.h"

#include <AllocationProbe.h>
#include <TempDir.h>

#include <DDSTextureLoader.h>
#include <d3dUtil.h>

#include <d3dx12.h>
#include <dxgi1_4.h>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <vulkan_runtime/validation.h>
#endif

#include <cstring>
#include <map>
#include <string>

using Microsoft::WRL::ComPtr;
using namespace ddstest;

namespace
{
const HRESULT InvalidData = HRESULT(0x8007000D);
const HRESULT NotSupported = HRESULT(0x80070032);

// Nothing the loader allocates before it has found the data may come near the
// size a lying header claims; its largest honest allocation is the
// subresource table of 15 levels × 2048 slices.
constexpr size_t LargeAllocation = 1 << 20;

// The in-memory path through the header checks and the interpretation, on an
// exact-size heap copy so that a read past the end is a read past the block.
HRESULT InterpretBytes(const std::vector<uint8_t>& bytes, DdsTextureLayout& layout,
                       const uint8_t** bitDataOut = nullptr, size_t* bitSizeOut = nullptr,
                       std::unique_ptr<uint8_t[]>* keep = nullptr)
{
    auto copy = std::make_unique<uint8_t[]>(bytes.size());
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    HRESULT hr = LocateDdsHeaders(copy.get(), bytes.size(), &header, &bitData, &bitSize);
    if (SUCCEEDED(hr))
        hr = InterpretDdsData(header, bitData, bitSize, layout);
    if (bitDataOut)
        *bitDataOut = bitData;
    if (bitSizeOut)
        *bitSizeOut = bitSize;
    if (keep)
        *keep = std::move(copy);
    return hr;
}

// The file path: LoadDdsFileData, then the interpretation.
HRESULT InterpretFile(const std::filesystem::path& path, DdsTextureLayout& layout,
                      std::unique_ptr<uint8_t[]>& data, const uint8_t** bitDataOut = nullptr,
                      size_t* bitSizeOut = nullptr)
{
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    HRESULT hr = LoadDdsFileData(path.wstring().c_str(), data, &header, &bitData, &bitSize);
    if (SUCCEEDED(hr))
        hr = InterpretDdsData(header, bitData, bitSize, layout);
    if (bitDataOut)
        *bitDataOut = bitData;
    if (bitSizeOut)
        *bitSizeOut = bitSize;
    return hr;
}

// A device on the default adapter or the software one.
ComPtr<ID3D12Device> CreateTestDevice()
{
    ComPtr<ID3D12Device> device;
    if (SUCCEEDED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device))))
        return device;
    ComPtr<IDXGIFactory4> factory;
    ComPtr<IDXGIAdapter> warp;
    if (FAILED(CreateDXGIFactory1(IID_PPV_ARGS(&factory))) ||
        FAILED(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp))) ||
        FAILED(D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device))))
        return nullptr;
    return device;
}

// A device with an open command list, for loading through the entry point.
// Any message of the validation layer (switched on by the test environment)
// between opening and the end of the test fails it.
struct Recorder
{
    ComPtr<ID3D12Device> Device;
    ComPtr<ID3D12CommandAllocator> Allocator;
    ComPtr<ID3D12GraphicsCommandList> List;
    size_t MessagesBefore = 0;

    ~Recorder()
    {
        List.Reset();
        Allocator.Reset();
        Device.Reset();
#ifndef _WIN32
        const std::vector<std::string> messages = vkrt::ValidationMessages();
        for (size_t i = MessagesBefore; i < messages.size(); ++i)
            ADD_FAILURE() << "validation message: " << messages[i];
#endif
    }

    bool Open()
    {
#ifndef _WIN32
        MessagesBefore = vkrt::ValidationMessageCount();
#endif
        Device = CreateTestDevice();
        return Device &&
               SUCCEEDED(Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                        IID_PPV_ARGS(&Allocator))) &&
               SUCCEEDED(Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                   Allocator.Get(), nullptr, IID_PPV_ARGS(&List)));
    }

    // Something for a slot to hold, to show the loader empties it.
    ComPtr<ID3D12Resource> Placeholder()
    {
        ComPtr<ID3D12Resource> buffer;
        const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_UPLOAD);
        const CD3DX12_RESOURCE_DESC desc = CD3DX12_RESOURCE_DESC::Buffer(256);
        EXPECT_EQ(Device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                  D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                  IID_PPV_ARGS(&buffer)),
                  S_OK);
        return buffer;
    }
};

// ---------------------------------------------------------------------------
// Format tables

TEST(DdsFormats, PixelFormatBlocksMapByTheirFirstFlagGroup)
{
    struct Row
    {
        DDS_PIXELFORMAT Block;
        DXGI_FORMAT Expected;
    };
    const Row rows[] = {
        {MaskedFormat(PfRgb, 32, 0xff, 0xff00, 0xff0000, 0xff000000), DXGI_FORMAT_R8G8B8A8_UNORM},
        {MaskedFormat(PfRgb, 32, 0xff0000, 0xff00, 0xff, 0xff000000), DXGI_FORMAT_B8G8R8A8_UNORM},
        {MaskedFormat(PfRgb, 32, 0xff0000, 0xff00, 0xff, 0), DXGI_FORMAT_B8G8R8X8_UNORM},
        {MaskedFormat(PfRgb, 32, 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000),
         DXGI_FORMAT_R10G10B10A2_UNORM},
        {MaskedFormat(PfRgb, 32, 0xffff, 0xffff0000, 0, 0), DXGI_FORMAT_R16G16_UNORM},
        {MaskedFormat(PfRgb, 32, 0xffffffff, 0, 0, 0), DXGI_FORMAT_R32_FLOAT},
        {MaskedFormat(PfRgb, 16, 0x7c00, 0x3e0, 0x1f, 0x8000), DXGI_FORMAT_B5G5R5A1_UNORM},
        {MaskedFormat(PfRgb, 16, 0xf800, 0x7e0, 0x1f, 0), DXGI_FORMAT_B5G6R5_UNORM},
        {MaskedFormat(PfRgb, 16, 0xf00, 0xf0, 0xf, 0xf000), DXGI_FORMAT_B4G4R4A4_UNORM},
        {MaskedFormat(PfLuminance, 8, 0xff, 0, 0, 0), DXGI_FORMAT_R8_UNORM},
        {MaskedFormat(PfLuminance, 16, 0xffff, 0, 0, 0), DXGI_FORMAT_R16_UNORM},
        {MaskedFormat(PfLuminance, 16, 0xff, 0, 0, 0xff00), DXGI_FORMAT_R8G8_UNORM},
        {MaskedFormat(PfAlpha, 8, 0x1, 0x2, 0x3, 0x4), DXGI_FORMAT_A8_UNORM},
        {CodedFormat(FourCC("DXT1")), DXGI_FORMAT_BC1_UNORM},
        {CodedFormat(FourCC("DXT2")), DXGI_FORMAT_BC2_UNORM},
        {CodedFormat(FourCC("DXT3")), DXGI_FORMAT_BC2_UNORM},
        {CodedFormat(FourCC("DXT4")), DXGI_FORMAT_BC3_UNORM},
        {CodedFormat(FourCC("DXT5")), DXGI_FORMAT_BC3_UNORM},
        {CodedFormat(FourCC("ATI1")), DXGI_FORMAT_BC4_UNORM},
        {CodedFormat(FourCC("BC4U")), DXGI_FORMAT_BC4_UNORM},
        {CodedFormat(FourCC("BC4S")), DXGI_FORMAT_BC4_SNORM},
        {CodedFormat(FourCC("ATI2")), DXGI_FORMAT_BC5_UNORM},
        {CodedFormat(FourCC("BC5U")), DXGI_FORMAT_BC5_UNORM},
        {CodedFormat(FourCC("BC5S")), DXGI_FORMAT_BC5_SNORM},
        {CodedFormat(FourCC("RGBG")), DXGI_FORMAT_R8G8_B8G8_UNORM},
        {CodedFormat(FourCC("GRGB")), DXGI_FORMAT_G8R8_G8B8_UNORM},
        {CodedFormat(FourCC("YUY2")), DXGI_FORMAT_YUY2},
        {CodedFormat(36), DXGI_FORMAT_R16G16B16A16_UNORM},
        {CodedFormat(110), DXGI_FORMAT_R16G16B16A16_SNORM},
        {CodedFormat(111), DXGI_FORMAT_R16_FLOAT},
        {CodedFormat(112), DXGI_FORMAT_R16G16_FLOAT},
        {CodedFormat(113), DXGI_FORMAT_R16G16B16A16_FLOAT},
        {CodedFormat(114), DXGI_FORMAT_R32_FLOAT},
        {CodedFormat(115), DXGI_FORMAT_R32G32_FLOAT},
        {CodedFormat(116), DXGI_FORMAT_R32G32B32A32_FLOAT},
        // The first flag group present decides, even when another would match.
        {MaskedFormat(PfRgb | PfFourCC, 32, 0xff, 0xff00, 0xff0000, 0xff000000),
         DXGI_FORMAT_R8G8B8A8_UNORM},
        {MaskedFormat(PfRgb | PfLuminance, 8, 0xff, 0, 0, 0), DXGI_FORMAT_UNKNOWN},
        {MaskedFormat(PfLuminance | PfAlpha, 8, 0xff, 0, 0, 0), DXGI_FORMAT_R8_UNORM},
        {{32, PfRgb | PfFourCC, FourCC("DXT1"), 0, 0, 0, 0, 0}, DXGI_FORMAT_UNKNOWN},
        // No row matches
        {MaskedFormat(PfRgb, 24, 0xff0000, 0xff00, 0xff, 0), DXGI_FORMAT_UNKNOWN},
        {MaskedFormat(PfRgb, 32, 0xff, 0xff00, 0xff0000, 0), DXGI_FORMAT_UNKNOWN},
        {MaskedFormat(PfRgb, 16, 0xf800, 0x7e0, 0x1f, 0xffff), DXGI_FORMAT_UNKNOWN},
        {MaskedFormat(PfAlpha, 16, 0, 0, 0, 0xffff), DXGI_FORMAT_UNKNOWN},
        {CodedFormat(FourCC("DX10")), DXGI_FORMAT_UNKNOWN},
        {CodedFormat(FourCC("dxt1")), DXGI_FORMAT_UNKNOWN},
        {CodedFormat(117), DXGI_FORMAT_UNKNOWN},
        {{32, 0, FourCC("DXT1"), 0, 0, 0, 0, 0}, DXGI_FORMAT_UNKNOWN},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << "flags " << std::hex << row.Block.flags << " code " << row.Block.fourCC
                     << " bits " << std::dec << row.Block.RGBBitCount);
        EXPECT_EQ(FormatFromPixelFormat(row.Block), row.Expected);
    }
}

TEST(DdsFormats, SurfaceSizesFollowEachFormatFamily)
{
    struct Row
    {
        uint64_t Width, Height;
        uint32_t Format;
        uint64_t RowBytes, SurfaceBytes;
    };
    const Row rows[] = {
        {1, 1, DXGI_FORMAT_BC1_UNORM, 8, 8},
        {5, 3, DXGI_FORMAT_BC3_UNORM, 32, 32},
        {256, 256, DXGI_FORMAT_BC1_UNORM, 512, 32768},
        {317, 177, DXGI_FORMAT_BC1_UNORM, 640, 28800},
        {0, 4, DXGI_FORMAT_BC1_UNORM, 0, 0},
        {4, 0, DXGI_FORMAT_BC4_SNORM, 8, 0},
        {3, 3, DXGI_FORMAT_BC7_UNORM, 16, 16},
        {9, 5, DXGI_FORMAT_BC6H_SF16, 48, 96},
        {3, 2, DXGI_FORMAT_YUY2, 8, 16},
        {3, 2, DXGI_FORMAT_R8G8_B8G8_UNORM, 8, 16},
        {3, 2, DXGI_FORMAT_Y210, 16, 32},
        {5, 3, DXGI_FORMAT_NV11, 8, 48},
        {5, 4, DXGI_FORMAT_NV12, 6, 36},
        {5, 4, DXGI_FORMAT_P010, 12, 72},
        {5, 4, DXGI_FORMAT_420_OPAQUE, 6, 36},
        {3, 3, DXGI_FORMAT_R8G8B8A8_UNORM, 12, 36},
        {3, 1, DXGI_FORMAT_R32G32B32_FLOAT, 36, 36},
        {9, 2, DXGI_FORMAT_R1_UNORM, 2, 4},
        {5, 2, DXGI_FORMAT_R8_UNORM, 5, 10},
        {16384, 16384, DXGI_FORMAT_R32G32B32A32_FLOAT, 262144, 1ull << 32},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << row.Width << " x " << row.Height << " of format " << row.Format);
        uint64_t surface = 1, rowBytes = 1;
        ComputeSurfaceSizes(row.Width, row.Height, DXGI_FORMAT(row.Format), &surface, &rowBytes);
        EXPECT_EQ(rowBytes, row.RowBytes);
        EXPECT_EQ(surface, row.SurfaceBytes);
        // Either output may be left out.
        ComputeSurfaceSizes(row.Width, row.Height, DXGI_FORMAT(row.Format), nullptr, &rowBytes);
        ComputeSurfaceSizes(row.Width, row.Height, DXGI_FORMAT(row.Format), &surface, nullptr);
        EXPECT_EQ(rowBytes, row.RowBytes);
        EXPECT_EQ(surface, row.SurfaceBytes);
    }
}

// ---------------------------------------------------------------------------
// Malformed files

TEST(DdsMalformedFiles, EachIsRefusedWithTheCodeOfItsRuleAndNothingLargeAllocated)
{
    TempDir dir;
    for (const DdsCase& file : MalformedFiles())
    {
        SCOPED_TRACE(file.Name);
        {
            DdsTextureLayout layout;
            LargestAllocation largest;
            EXPECT_EQ(InterpretBytes(file.Bytes, layout), file.Expected);
            EXPECT_EQ(layout.Subresources, nullptr);
            EXPECT_LE(largest.Bytes(), std::max(LargeAllocation, file.Bytes.size()));
        }
        {
            const auto path = dir.Write("case.dds", file.Bytes);
            DdsTextureLayout layout;
            std::unique_ptr<uint8_t[]> data;
            LargestAllocation largest;
            EXPECT_EQ(InterpretFile(path, layout, data), file.Expected);
            EXPECT_EQ(layout.Subresources, nullptr);
            EXPECT_LE(largest.Bytes(), std::max(LargeAllocation, file.Bytes.size()));
        }
    }
}

TEST(DdsMalformedFiles, ThroughTheEntryPointLeaveBothSlotsEmpty)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.Open()) << "no Direct3D 12 device";
    TempDir dir;
    for (const DdsCase& file : MalformedFiles())
    {
        SCOPED_TRACE(file.Name);
        const auto path = dir.Write("case.dds", file.Bytes);
        ComPtr<ID3D12Resource> texture = recorder.Placeholder();
        ComPtr<ID3D12Resource> upload = recorder.Placeholder();
        EXPECT_EQ(CreateDDSTextureFromFile12(recorder.Device.Get(), recorder.List.Get(),
                                             path.wstring().c_str(), texture, upload),
                  file.Expected);
        EXPECT_EQ(texture.Get(), nullptr);
        EXPECT_EQ(upload.Get(), nullptr);
    }
    EXPECT_EQ(recorder.List->Close(), S_OK);
}

// ---------------------------------------------------------------------------
// Layouts of well-formed files

struct ExpectedLayout
{
    D3D12_RESOURCE_DIMENSION Dimension;
    DXGI_FORMAT Format;
    size_t Width, Height, Depth, MipCount, ArraySize;
    bool IsCube;
};

void ExpectLayout(const DdsTextureLayout& layout, const ExpectedLayout& expected)
{
    EXPECT_EQ(layout.Dimension, expected.Dimension);
    EXPECT_EQ(layout.Format, expected.Format);
    EXPECT_EQ(layout.Width, expected.Width);
    EXPECT_EQ(layout.Height, expected.Height);
    EXPECT_EQ(layout.Depth, expected.Depth);
    EXPECT_EQ(layout.MipCount, expected.MipCount);
    EXPECT_EQ(layout.ArraySize, expected.ArraySize);
    EXPECT_EQ(layout.IsCube, expected.IsCube);
}

TEST(DdsLayout, WellFormedFilesGiveTheirHeadersTextureAndCoverTheirLevels)
{
    constexpr auto D1 = D3D12_RESOURCE_DIMENSION_TEXTURE1D;
    constexpr auto D2 = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
    constexpr auto D3 = D3D12_RESOURCE_DIMENSION_TEXTURE3D;
    const std::map<std::string, ExpectedLayout> expectations = {
        {"RGBA 4 x 4, 3 levels", {D2, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 3, 1, false}},
        {"mip count 0", {D2, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1, 1, false}},
        {"BC1 256 x 256, 9 levels", {D2, DXGI_FORMAT_BC1_UNORM, 256, 256, 1, 9, 1, false}},
        {"legacy cube map", {D2, DXGI_FORMAT_BC1_UNORM, 8, 8, 1, 4, 6, true}},
        {"DX10 array of two cubes", {D2, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 3, 12, true}},
        {"DX10 one-dimensional", {D1, DXGI_FORMAT_R8G8B8A8_UNORM, 16, 1, 1, 5, 1, false}},
        {"DX10 volume", {D3, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 4, 3, 1, false}},
        {"legacy volume", {D3, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 4, 2, 1, false}},
        {"DX10 BC7 5 x 3", {D2, DXGI_FORMAT_BC7_UNORM, 5, 3, 1, 1, 1, false}},
        {"luminance and alpha", {D2, DXGI_FORMAT_R8G8_UNORM, 4, 4, 1, 1, 1, false}},
        {"alpha only", {D2, DXGI_FORMAT_A8_UNORM, 4, 4, 1, 1, 1, false}},
        {"B5G6R5", {D2, DXGI_FORMAT_B5G6R5_UNORM, 4, 4, 1, 1, 1, false}},
        {"numeric code 111 (R16 float)", {D2, DXGI_FORMAT_R16_FLOAT, 4, 4, 1, 1, 1, false}},
        {"DX10 code with the RGB flag", {D2, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1, 1, false}},
        {"data after the last level", {D2, DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 3, 1, false}},
    };
    for (const DdsCase& file : WellFormedFiles())
    {
        SCOPED_TRACE(file.Name);
        ASSERT_EQ(expectations.count(file.Name), 1u);
        const ExpectedLayout& expected = expectations.at(file.Name);
        DdsTextureLayout layout;
        const uint8_t* bitData = nullptr;
        size_t bitSize = 0;
        std::unique_ptr<uint8_t[]> data;
        ASSERT_EQ(InterpretBytes(file.Bytes, layout, &bitData, &bitSize, &data), S_OK);
        ExpectLayout(layout, expected);

        // The table runs slice by slice, level by level, through the data
        // without gaps, each level taking its surface times its depth.
        const size_t used = ChainBytes(expected.Width, expected.Height, expected.Depth,
                                       expected.MipCount, expected.ArraySize, expected.Format);
        EXPECT_EQ(layout.BytesUsed, used);
        EXPECT_LE(used, bitSize);
        const uint8_t* next = bitData;
        for (size_t slice = 0; slice < expected.ArraySize; ++slice)
        {
            for (size_t level = 0; level < expected.MipCount; ++level)
            {
                const D3D12_SUBRESOURCE_DATA& entry =
                    layout.Subresources[slice * expected.MipCount + level];
                EXPECT_EQ(entry.pData, next) << "slice " << slice << " level " << level;
                next += entry.SlicePitch * std::max<size_t>(expected.Depth >> level, 1);
            }
        }
        EXPECT_EQ(next, bitData + used);
    }
}

TEST(DdsLayout, Bc1Of256SquareHasTheListedLevelSizes)
{
    const std::vector<uint8_t> bytes =
        LegacyFile(256, 256, 9, CodedFormat(FourCC("DXT1")), 43704).Bytes();
    DdsTextureLayout layout;
    ASSERT_EQ(InterpretBytes(bytes, layout), S_OK);
    const LONG_PTR expected[] = {32768, 8192, 2048, 512, 128, 32, 8, 8, 8};
    for (size_t level = 0; level < 9; ++level)
        EXPECT_EQ(layout.Subresources[level].SlicePitch, expected[level]) << level;
    EXPECT_EQ(layout.Subresources[0].RowPitch, 512);
    EXPECT_EQ(layout.Subresources[8].RowPitch, 8);
    EXPECT_EQ(layout.BytesUsed, 43704u);
}

TEST(DdsLayout, DataStartsAfterTheExtensionHeaderOnlyWhenOneIsAnnounced)
{
    DdsTextureLayout layout;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    std::unique_ptr<uint8_t[]> data;

    DdsFile withExtension = Dx10File(DXGI_FORMAT_R8G8B8A8_UNORM, 3, 4, 4, 1, 1, 64);
    ASSERT_EQ(InterpretBytes(withExtension.Bytes(), layout, &bitData, &bitSize, &data), S_OK);
    EXPECT_EQ(bitData, data.get() + 148);
    EXPECT_EQ(bitSize, 64u);

    DdsFile codeWithoutFlag = LegacyFile(4, 4, 1, Rgba32(), 64);
    codeWithoutFlag.Header.ddspf.fourCC = FourCC("DX10");
    ASSERT_EQ(InterpretBytes(codeWithoutFlag.Bytes(), layout, &bitData, &bitSize, &data), S_OK);
    EXPECT_EQ(bitData, data.get() + 128);
    EXPECT_EQ(bitSize, 64u);
}

// ---------------------------------------------------------------------------
// Reading files

TEST(DdsFileReading, MissingOutputsAndUnreadableFilesGiveTheirCodes)
{
    TempDir dir;
    const auto good = dir.Write("good.dds", LegacyFile(4, 4, 1, Rgba32(), 64).Bytes());
    std::unique_ptr<uint8_t[]> data;
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    const std::wstring goodName = good.wstring();
    EXPECT_EQ(LoadDdsFileData(goodName.c_str(), data, nullptr, &bitData, &bitSize), E_POINTER);
    EXPECT_EQ(LoadDdsFileData(goodName.c_str(), data, &header, nullptr, &bitSize), E_POINTER);
    EXPECT_EQ(LoadDdsFileData(goodName.c_str(), data, &header, &bitData, nullptr), E_POINTER);

    struct Row
    {
        std::filesystem::path Path;
        HRESULT Expected;
    };
    const Row rows[] = {
        {dir.Path() / "missing.dds", HRESULT(0x80070002)},
        {dir.Path() / "missing" / "file.dds", HRESULT(0x80070003)},
        {dir.Path(), HRESULT(0x80070005)},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.Path.string());
        EXPECT_EQ(LoadDdsFileData(row.Path.wstring().c_str(), data, &header, &bitData, &bitSize),
                  row.Expected);
    }
}

TEST(DdsFileReading, PointsIntoOneBufferOfTheFilesSize)
{
    TempDir dir;
    const std::vector<uint8_t> bytes =
        Dx10File(DXGI_FORMAT_R8G8B8A8_UNORM, 3, 4, 4, 1, 1, 64 + 10).Bytes();
    const auto path = dir.Write("dx10.dds", bytes);
    std::unique_ptr<uint8_t[]> data(new uint8_t[16]);
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    ASSERT_EQ(LoadDdsFileData(path.wstring().c_str(), data, &header, &bitData, &bitSize), S_OK);
    EXPECT_EQ(std::memcmp(data.get(), bytes.data(), bytes.size()), 0);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(header), data.get() + 4);
    EXPECT_EQ(bitData, data.get() + 148);
    EXPECT_EQ(bitSize, 74u);
}

TEST(DdsFileReading, AFileOf4GiBIsRefusedBeforeAnythingIsAllocated)
{
    TempDir dir;
    const auto path = dir.Path() / "huge.dds";
    // Sparse: the file claims 4 GiB and occupies almost nothing.
    std::ofstream(path).close();
    std::filesystem::resize_file(path, 1ull << 32);
    std::unique_ptr<uint8_t[]> data;
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    LargestAllocation largest;
    EXPECT_EQ(LoadDdsFileData(path.wstring().c_str(), data, &header, &bitData, &bitSize), E_FAIL);
    EXPECT_LE(largest.Bytes(), LargeAllocation);
    EXPECT_EQ(data, nullptr);
}

// ---------------------------------------------------------------------------
// Creation

TEST(DdsCreation, MissingDeviceIsRefusedBeforeAnythingIsRead)
{
    TempDir dir;
    const auto path = dir.Write("good.dds", LegacyFile(4, 4, 1, Rgba32(), 64).Bytes());
    ComPtr<ID3D12Resource> texture, upload;
    EXPECT_EQ(CreateDDSTextureFromFile12(nullptr, nullptr, path.wstring().c_str(), texture, upload),
              E_INVALIDARG);

    // Past the header checks, creation wants a device.
    DdsTextureLayout layout;
    std::unique_ptr<uint8_t[]> data;
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    ASSERT_EQ(LoadDdsFileData(path.wstring().c_str(), data, &header, &bitData, &bitSize), S_OK);
    EXPECT_EQ(CreateTextureFromDdsData(nullptr, nullptr, header, bitData, bitSize, texture, upload),
              E_POINTER);
    EXPECT_EQ(CreateTextureFromDdsData(nullptr, nullptr, header, nullptr, bitSize, texture, upload),
              E_POINTER);
}

TEST(DdsCreation, OnlyTwoDimensionalTexturesAreCreated)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.Open()) << "no Direct3D 12 device";
    TempDir dir;
    ComPtr<ID3D12Resource> texture, upload;
    EXPECT_EQ(CreateDDSTextureFromFile12(recorder.Device.Get(), recorder.List.Get(), nullptr,
                                         texture, upload),
              E_INVALIDARG);
    for (const DdsCase& file : WellFormedFiles())
    {
        SCOPED_TRACE(file.Name);
        DdsTextureLayout layout;
        ASSERT_EQ(InterpretBytes(file.Bytes, layout), S_OK);
        const auto path = dir.Write("case.dds", file.Bytes);
        const HRESULT hr = CreateDDSTextureFromFile12(recorder.Device.Get(), recorder.List.Get(),
                                                      path.wstring().c_str(), texture, upload);
        if (layout.Dimension != D3D12_RESOURCE_DIMENSION_TEXTURE2D)
        {
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_EQ(texture.Get(), nullptr);
            EXPECT_EQ(upload.Get(), nullptr);
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        const D3D12_RESOURCE_DESC desc = DescOf(texture.Get());
        EXPECT_EQ(desc.Dimension, D3D12_RESOURCE_DIMENSION_TEXTURE2D);
        EXPECT_EQ(desc.Format, layout.Format);
        EXPECT_EQ(desc.Width, layout.Width);
        EXPECT_EQ(desc.Height, layout.Height);
        EXPECT_EQ(desc.DepthOrArraySize, layout.ArraySize);
        EXPECT_EQ(desc.MipLevels, layout.MipCount);
        ASSERT_NE(upload.Get(), nullptr);
        EXPECT_EQ(DescOf(upload.Get()).Dimension, D3D12_RESOURCE_DIMENSION_BUFFER);
    }
    EXPECT_EQ(recorder.List->Close(), S_OK);
}

TEST(DdsCreation, DescriptionsTheRuntimeRefusesLeaveBothSlotsEmpty)
{
    Recorder recorder;
    ASSERT_TRUE(recorder.Open()) << "no Direct3D 12 device";
    TempDir dir;
    // The loader's rules pass these headers (a zero side gives levels of no
    // bytes; levels past 1 x 1 stay 1 x 1); the runtime refuses the texture
    // description, as the real platform does, and the loader hands that on.
    const DdsCase files[] = {
        {"width 0", LegacyFile(0, 4, 1, Rgba32(), 0).Bytes(), E_INVALIDARG},
        {"height 0", LegacyFile(4, 0, 1, Rgba32(), 0).Bytes(), E_INVALIDARG},
        {"BC1 width 0", LegacyFile(0, 8, 1, CodedFormat(FourCC("DXT1")), 0).Bytes(), E_INVALIDARG},
        {"4 x 4 with 4 levels",
         LegacyFile(4, 4, 4, Rgba32(), ChainBytes(4, 4, 1, 4, 1, DXGI_FORMAT_R8G8B8A8_UNORM))
             .Bytes(),
         E_INVALIDARG},
        {"1 x 1 with 2 levels", LegacyFile(1, 1, 2, Rgba32(), 8).Bytes(), E_INVALIDARG},
    };
    for (const DdsCase& file : files)
    {
        SCOPED_TRACE(file.Name);
        DdsTextureLayout layout;
        ASSERT_EQ(InterpretBytes(file.Bytes, layout), S_OK);
        const auto path = dir.Write("case.dds", file.Bytes);
        ComPtr<ID3D12Resource> texture = recorder.Placeholder();
        ComPtr<ID3D12Resource> upload = recorder.Placeholder();
        EXPECT_EQ(CreateDDSTextureFromFile12(recorder.Device.Get(), recorder.List.Get(),
                                             path.wstring().c_str(), texture, upload),
                  file.Expected);
        EXPECT_EQ(texture.Get(), nullptr);
        EXPECT_EQ(upload.Get(), nullptr);
    }
    EXPECT_EQ(recorder.List->Close(), S_OK);
}

} // namespace
