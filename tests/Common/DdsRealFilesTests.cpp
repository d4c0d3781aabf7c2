// DDS files written by tools nobody here wrote. Each expectation follows from
// the file's header and the loader's rules (see each row's note), not from
// what the loader happens to return.
#include "DdsTestFiles.h"

#include <TempDir.h>

#include <DDSTextureLoader.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{
const HRESULT NotSupported = HRESULT(0x80070032);
constexpr auto D2 = D3D12_RESOURCE_DIMENSION_TEXTURE2D;

struct Expectation
{
    const char* File;
    HRESULT Result;
    DXGI_FORMAT Format = DXGI_FORMAT_UNKNOWN;
    size_t Width = 0, Height = 0, MipCount = 0, ArraySize = 0;
};

HRESULT LoadLayout(const std::filesystem::path& path, DdsTextureLayout& layout, size_t& bitSize)
{
    std::unique_ptr<uint8_t[]> data;
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    bitSize = 0;
    HRESULT hr = LoadDdsFileData(path.wstring().c_str(), data, &header, &bitData, &bitSize);
    if (SUCCEEDED(hr))
        hr = InterpretDdsData(header, bitData, bitSize, layout);
    return hr;
}

void ExpectLoads(const std::filesystem::path& path, const Expectation& row)
{
    SCOPED_TRACE(row.File);
    DdsTextureLayout layout;
    size_t bitSize = 0;
    ASSERT_EQ(LoadLayout(path, layout, bitSize), row.Result);
    if (FAILED(row.Result))
    {
        EXPECT_EQ(layout.Subresources, nullptr);
        return;
    }
    EXPECT_EQ(layout.Dimension, D2);
    EXPECT_EQ(layout.Format, row.Format);
    EXPECT_EQ(layout.Width, row.Width);
    EXPECT_EQ(layout.Height, row.Height);
    EXPECT_EQ(layout.Depth, 1u);
    EXPECT_EQ(layout.MipCount, row.MipCount);
    EXPECT_EQ(layout.ArraySize, row.ArraySize);
    // These writers leave nothing after the last level: the levels, sized
    // by the rules, cover the pixel data exactly.
    EXPECT_EQ(layout.BytesUsed, bitSize);
    EXPECT_EQ(layout.BytesUsed, ddstest::ChainBytes(row.Width, row.Height, 1, row.MipCount,
                                                    row.ArraySize, row.Format));
}

TEST(DdsRealFiles, LoadAsTheirHeadersDeclareOrAreRefusedByTheRuleTheyBreak)
{
    const std::filesystem::path dir = DDS_REAL_DIR;
    if (!std::filesystem::is_directory(dir))
        GTEST_SKIP() << "no test data at " << dir;

    const Expectation rows[] = {
        // DX10 header, format 65
        {"A8_A_Modern.dds", S_OK, DXGI_FORMAT_A8_UNORM, 1280, 720, 11, 1},
        // DX10 format 134 is past the known formats: no size
        {"ASTC4X4_RGB_Modern.dds", NotSupported},
        // RGB, 16 bits, masks f800 7e0 1f 0
        {"B5G6R5_RGB_Legacy.dds", S_OK, DXGI_FORMAT_B5G6R5_UNORM, 1280, 720, 11, 1},
        // RGB, 24 bits: no 24-bit row
        {"B8G8R8_RGB_Legacy.dds", NotSupported},
        // "DXT1"
        {"BC1DXT1_RGB_Legacy.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 1280, 720, 11, 1},
        // DX10 format 71
        {"BC1DXT1_RGB_Modern.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 1280, 720, 11, 1},
        // "DXT1", one level, sizes not multiples of 4: 80 × 45 blocks each
        {"BC1DXT1_RGB_Modern_317x177.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 317, 177, 1, 1},
        {"BC1DXT1_RGB_Modern_318x178.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 318, 178, 1, 1},
        // "DXT3"
        {"BC2DXT2DXT3_RGBA_Legacy.dds", S_OK, DXGI_FORMAT_BC2_UNORM, 1280, 720, 11, 1},
        // DX10 formats 77, 80, 83, 95, 98
        {"BC3DXT4DXT5_RGBA_Modern.dds", S_OK, DXGI_FORMAT_BC3_UNORM, 1280, 720, 11, 1},
        {"BC4ATI1_R_Modern.dds", S_OK, DXGI_FORMAT_BC4_UNORM, 1280, 720, 11, 1},
        {"BC5ATI2_RG_Modern.dds", S_OK, DXGI_FORMAT_BC5_UNORM, 1280, 720, 11, 1},
        {"BC6U_HDRRGB_Modern.dds", S_OK, DXGI_FORMAT_BC6H_UF16, 644, 874, 10, 1},
        {"BC7_RGBA_Modern.dds", S_OK, DXGI_FORMAT_BC7_UNORM, 1280, 720, 11, 1},
        // "DXT1" with caps2 fe00: a cube map, an array of six with all mips
        {"Cubemap_DDS_BC1_M.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 512, 512, 10, 6},
        // "ETC " is no known code
        {"ETC1_RGB_Legacy.dds", NotSupported},
        // flagged RGB (0x40), 8 bits: the RGB group has no 8-bit row and the
        // luminance group is never tried
        {"L8_L_Legacy.dds", NotSupported},
        // numeric code 111
        {"R16f_R_Legacy.dds", S_OK, DXGI_FORMAT_R16_FLOAT, 644, 874, 10, 1},
    };
    size_t checked = 0;
    for (const Expectation& row : rows)
    {
        const std::filesystem::path path = dir / row.File;
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        ExpectLoads(path, row);
        ++checked;
    }
    // Every file of the folder has its row.
    size_t present = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        present += entry.path().extension() == ".dds";
    EXPECT_EQ(present, checked);
}

TEST(DdsRealFiles, ImageWriterOutputLoads)
{
#ifndef IMAGE_CONVERT
    GTEST_SKIP() << "no image converter installed";
#else
    TempDir dir;
    struct Written
    {
        const char* Options;
        Expectation Expected;
    };
    // 64 × 32, so the writer makes a full chain of 7 levels. The uncompressed
    // image has an alpha channel and is written as 32-bit BGRA; without
    // alpha the writer uses 24-bit RGB, which the loader refuses.
    const Written files[] = {
        {"-alpha set -define dds:compression=none",
         {"none.dds", S_OK, DXGI_FORMAT_B8G8R8A8_UNORM, 64, 32, 7, 1}},
        {"-alpha off -define dds:compression=none", {"rgb24.dds", NotSupported}},
        {"-define dds:compression=dxt1", {"dxt1.dds", S_OK, DXGI_FORMAT_BC1_UNORM, 64, 32, 7, 1}},
        {"-alpha set -channel A -evaluate set 50% +channel -define dds:compression=dxt5",
         {"dxt5.dds", S_OK, DXGI_FORMAT_BC3_UNORM, 64, 32, 7, 1}},
    };
    for (const Written& file : files)
    {
        const std::filesystem::path path = dir.Path() / file.Expected.File;
        const std::string command = std::string(IMAGE_CONVERT) + " -size 64x32 gradient:red-blue " +
                                    file.Options + " '" + path.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        ExpectLoads(path, file.Expected);
    }
#endif
}

} // namespace
