// The loader's textures on the runtime: each file is loaded through
// CreateDDSTextureFromFile12, the recorded upload is executed, and every
// subresource is copied back out of the GPU and compared with the bytes the
// file holds for it. The city's twelve textures, the real files of other
// tools and the loader's own test files are all read back this way, with
// the validation layer watching every step.
#include "DdsTestFiles.h"
#include "GpuTest.h"

#include <TempDir.h>

#include <DDSTextureLoader.h>
#include <DdsWriter.h>
#include <TextureCatalog.h>

#include <squish.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using Microsoft::WRL::ComPtr;

namespace
{

namespace fs = std::filesystem;

std::vector<uint8_t> ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 4 > bytes.size())
        return 0xDEADBEEF;
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
           uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24;
}

// The first pixel byte of a file: after the header, and after the extension
// header where the pixel format announces one.
size_t DataOffset(const std::vector<uint8_t>& file)
{
    const bool extension =
        (U32(file, 80) & ddstest::PfFourCC) && U32(file, 84) == ddstest::FourCC("DX10");
    return extension ? 148 : 128;
}

// Equal bytes, or where the first difference lies (never the whole dump).
::testing::AssertionResult SameBytes(const std::vector<uint8_t>& actual,
                                     const std::vector<uint8_t>& file, size_t offset, size_t size)
{
    if (offset + size > file.size())
        return ::testing::AssertionFailure() << "the file ends before byte " << offset + size;
    if (actual.size() != size)
        return ::testing::AssertionFailure()
               << "read back " << actual.size() << " bytes, the file holds " << size;
    const auto [a, f] = std::mismatch(actual.begin(), actual.end(), file.begin() + offset);
    if (a == actual.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "byte " << (a - actual.begin()) << " of " << size
                                         << " is " << int(*a) << ", the file has " << int(*f);
}

::testing::AssertionResult SameImage(const Image& actual, const Image& expected)
{
    if (actual.Width != expected.Width || actual.Height != expected.Height)
        return ::testing::AssertionFailure() << "sizes differ";
    size_t wrong = 0;
    size_t first = 0;
    for (size_t i = actual.Pixels.size(); i-- > 0;)
    {
        if (!(actual.Pixels[i] == expected.Pixels[i]))
        {
            ++wrong;
            first = i;
        }
    }
    if (!wrong)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << wrong << " pixels differ, the first at (" << first % actual.Width << ", "
           << first / actual.Width << ")";
}

class DdsTextureOnGpu : public GpuTest
{
protected:
    // Loads the file and executes the recorded upload; the texture is then in
    // the pixel-shader-resource state the loader leaves it in.
    HRESULT LoadAndUpload(const fs::path& path, ComPtr<ID3D12Resource>& texture)
    {
        ComPtr<ID3D12Resource> upload;
        const HRESULT hr = CreateDDSTextureFromFile12(Device(), mList.Get(), path.wstring().c_str(),
                                                      texture, upload);
        if (SUCCEEDED(hr))
            ExecuteAndWait();
        return hr;
    }

    // Reads every subresource back and compares it with the file, where the
    // subresources lie one after the other from `offset`: slice by slice,
    // largest level first, each level of whole rows (of blocks) without
    // padding. Returns the bytes of subresource 0.
    std::vector<uint8_t> ExpectSubresourcesMatchFile(ID3D12Resource* texture,
                                                     const std::vector<uint8_t>& file,
                                                     size_t offset)
    {
        const D3D12_RESOURCE_DESC desc = texture->GetDesc();
        Transition(texture, D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE,
                   D3D12_RESOURCE_STATE_COPY_SOURCE);
        std::vector<uint8_t> first;
        for (UINT slice = 0; slice < desc.DepthOrArraySize; ++slice)
        {
            for (UINT mip = 0; mip < desc.MipLevels; ++mip)
            {
                const UINT64 width = std::max<UINT64>(desc.Width >> mip, 1);
                const UINT height = std::max<UINT>(desc.Height >> mip, 1);
                const size_t size = ddstest::ChainBytes(width, height, 1, 1, 1, desc.Format);
                std::vector<uint8_t> bytes = ReadSubresource(texture, mip + slice * desc.MipLevels);
                EXPECT_TRUE(SameBytes(bytes, file, offset, size))
                    << "slice " << slice << ", level " << mip << " (" << width << " x " << height
                    << ")";
                offset += size;
                if (slice == 0 && mip == 0)
                    first = std::move(bytes);
            }
        }
        return first;
    }
};

// ---------------------------------------------------------------------------
// The city's twelve textures, made at build time by the texture generator

DXGI_FORMAT FormatOf(DdsEncoding encoding)
{
    switch (encoding)
    {
    case DdsEncoding::LegacyRgba8:
    case DdsEncoding::Dx10Rgba8:
        return DXGI_FORMAT_R8G8B8A8_UNORM;
    case DdsEncoding::LegacyBgra8:
    case DdsEncoding::Dx10Bgra8:
        return DXGI_FORMAT_B8G8R8A8_UNORM;
    case DdsEncoding::Bc1:
    case DdsEncoding::Dx10Bc1:
        return DXGI_FORMAT_BC1_UNORM;
    case DdsEncoding::Bc3:
        return DXGI_FORMAT_BC3_UNORM;
    }
    return DXGI_FORMAT_UNKNOWN;
}

// Level 0 of a texture as RGBA pixels, read the way its format says:
// channels swapped for BGRA, blocks decoded by libsquish's decoder.
Image Pixels(const std::vector<uint8_t>& bytes, DXGI_FORMAT format, uint32_t width, uint32_t height)
{
    Image image(width, height);
    auto* out = reinterpret_cast<squish::u8*>(image.Pixels.data());
    if (format == DXGI_FORMAT_BC1_UNORM || format == DXGI_FORMAT_BC3_UNORM)
    {
        squish::DecompressImage(out, int(width), int(height), bytes.data(),
                                format == DXGI_FORMAT_BC1_UNORM ? squish::kDxt1 : squish::kDxt5);
        return image;
    }
    std::copy_n(bytes.begin(), std::min(bytes.size(), image.Pixels.size() * 4), out);
    if (format == DXGI_FORMAT_B8G8R8A8_UNORM)
        for (Rgba8& p : image.Pixels)
            std::swap(p.R, p.B);
    return image;
}

class SceneTextureOnGpu : public DdsTextureOnGpu, public ::testing::WithParamInterface<size_t>
{
};

TEST_P(SceneTextureOnGpu, MatchesTheFileAndThePaintedPicture)
{
    const TextureEntry& entry = SceneTextures()[GetParam()];
    const fs::path path = fs::path(RUN_DIR) / "Textures" / entry.FileName;
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_GE(file.size(), 148u) << path;

    ComPtr<ID3D12Resource> texture;
    ASSERT_HRESULT_SUCCEEDED(LoadAndUpload(path, texture));

    // The description follows the header: its size and level count, and the
    // format its encoding stands for.
    const D3D12_RESOURCE_DESC desc = texture->GetDesc();
    EXPECT_EQ(desc.Dimension, D3D12_RESOURCE_DIMENSION_TEXTURE2D);
    ASSERT_EQ(desc.Format, FormatOf(entry.Encoding));
    EXPECT_EQ(desc.Width, U32(file, 16));
    EXPECT_EQ(desc.Height, U32(file, 12));
    EXPECT_EQ(desc.MipLevels, std::max(U32(file, 28), 1u));
    EXPECT_EQ(desc.DepthOrArraySize, 1u);
    EXPECT_EQ(DataOffset(file), DdsDataOffset(entry.Encoding));

    const std::vector<uint8_t> level0 =
        ExpectSubresourcesMatchFile(texture.Get(), file, DataOffset(file));

    // Read as its format says, level 0 is the painted picture itself, or for
    // block formats what the encoder's own decoder makes of its encoding of
    // that picture: a BGRA file read as RGBA, or BC3 read as BC1, fails here.
    const Image painted = entry.Paint(SceneTextureSize);
    const Image stored = Pixels(level0, desc.Format, painted.Width, painted.Height);
    if (IsBlockCompressed(entry.Encoding))
    {
        const std::vector<uint8_t> encoded = EncodeLevel(painted, entry.Encoding);
        EXPECT_TRUE(SameImage(stored, Pixels(encoded, desc.Format, painted.Width, painted.Height)));
    }
    else
    {
        EXPECT_TRUE(SameImage(stored, painted));
    }
}

std::string TextureName(const ::testing::TestParamInfo<size_t>& info)
{
    const std::string file = SceneTextures()[info.param].FileName;
    return file.substr(0, file.find('.'));
}

INSTANTIATE_TEST_SUITE_P(CityTextures, SceneTextureOnGpu,
                         ::testing::Range<size_t>(0, SceneTextures().size()), TextureName);

// ---------------------------------------------------------------------------
// Files written by other tools that the loader accepts: odd sizes, 8- and
// 16-bit formats, every block format and a cube map with its levels

struct RealFile
{
    const char* Name;
    DXGI_FORMAT Format;
    UINT Width, Height;
    UINT16 MipLevels, ArraySize;
};

using DdsRealFilesOnGpu = DdsTextureOnGpu;

TEST_F(DdsRealFilesOnGpu, UploadIntoTexturesAsTheirHeadersDescribe)
{
    const fs::path dir = DDS_REAL_DIR;
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no test data at " << dir;

    const RealFile files[] = {
        {"A8_A_Modern.dds", DXGI_FORMAT_A8_UNORM, 1280, 720, 11, 1},
        {"B5G6R5_RGB_Legacy.dds", DXGI_FORMAT_B5G6R5_UNORM, 1280, 720, 11, 1},
        {"BC1DXT1_RGB_Legacy.dds", DXGI_FORMAT_BC1_UNORM, 1280, 720, 11, 1},
        {"BC1DXT1_RGB_Modern.dds", DXGI_FORMAT_BC1_UNORM, 1280, 720, 11, 1},
        {"BC1DXT1_RGB_Modern_317x177.dds", DXGI_FORMAT_BC1_UNORM, 317, 177, 1, 1},
        {"BC1DXT1_RGB_Modern_318x178.dds", DXGI_FORMAT_BC1_UNORM, 318, 178, 1, 1},
        {"BC2DXT2DXT3_RGBA_Legacy.dds", DXGI_FORMAT_BC2_UNORM, 1280, 720, 11, 1},
        {"BC3DXT4DXT5_RGBA_Modern.dds", DXGI_FORMAT_BC3_UNORM, 1280, 720, 11, 1},
        {"BC4ATI1_R_Modern.dds", DXGI_FORMAT_BC4_UNORM, 1280, 720, 11, 1},
        {"BC5ATI2_RG_Modern.dds", DXGI_FORMAT_BC5_UNORM, 1280, 720, 11, 1},
        {"BC6U_HDRRGB_Modern.dds", DXGI_FORMAT_BC6H_UF16, 644, 874, 10, 1},
        {"BC7_RGBA_Modern.dds", DXGI_FORMAT_BC7_UNORM, 1280, 720, 11, 1},
        {"Cubemap_DDS_BC1_M.dds", DXGI_FORMAT_BC1_UNORM, 512, 512, 10, 6},
        {"R16f_R_Legacy.dds", DXGI_FORMAT_R16_FLOAT, 644, 874, 10, 1},
    };
    for (const RealFile& row : files)
    {
        SCOPED_TRACE(row.Name);
        const fs::path path = dir / row.Name;
        const std::vector<uint8_t> file = ReadFileBytes(path);
        ASSERT_GE(file.size(), 128u) << path;

        ComPtr<ID3D12Resource> texture;
        ASSERT_HRESULT_SUCCEEDED(LoadAndUpload(path, texture));
        const D3D12_RESOURCE_DESC desc = texture->GetDesc();
        EXPECT_EQ(desc.Dimension, D3D12_RESOURCE_DIMENSION_TEXTURE2D);
        ASSERT_EQ(desc.Format, row.Format);
        EXPECT_EQ(desc.Width, row.Width);
        EXPECT_EQ(desc.Height, row.Height);
        EXPECT_EQ(desc.MipLevels, row.MipLevels);
        EXPECT_EQ(desc.DepthOrArraySize, row.ArraySize);
        ExpectSubresourcesMatchFile(texture.Get(), file, DataOffset(file));
    }
}

// ---------------------------------------------------------------------------
// The loader's own well-formed files: every header variant that becomes a
// two-dimensional texture, among them A8, R8G8, B5G6R5, R16 float, BC7 of
// 5 x 3, cube maps and data after the last level.

using DdsTestFilesOnGpu = DdsTextureOnGpu;

// What the loader's own header rules make of a file, for the description.
DdsTextureLayout Interpret(const std::vector<uint8_t>& bytes)
{
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    DdsTextureLayout layout;
    if (SUCCEEDED(LocateDdsHeaders(bytes.data(), bytes.size(), &header, &bitData, &bitSize)))
        InterpretDdsData(header, bitData, bitSize, layout);
    return layout;
}

TEST_F(DdsTestFilesOnGpu, TwoDimensionalFilesUploadByteForByte)
{
    TempDir dir;
    size_t uploaded = 0;
    for (const ddstest::DdsCase& file : ddstest::WellFormedFiles())
    {
        SCOPED_TRACE(file.Name);
        const DdsTextureLayout layout = Interpret(file.Bytes);
        const fs::path path = dir.Write("case.dds", file.Bytes);
        ComPtr<ID3D12Resource> texture;
        const HRESULT hr = LoadAndUpload(path, texture);
        if (layout.Dimension != D3D12_RESOURCE_DIMENSION_TEXTURE2D)
        {
            EXPECT_EQ(hr, E_FAIL) << "only two-dimensional textures are created";
            continue;
        }
        ASSERT_HRESULT_SUCCEEDED(hr);
        const D3D12_RESOURCE_DESC desc = texture->GetDesc();
        ASSERT_EQ(desc.Format, layout.Format);
        EXPECT_EQ(desc.Width, layout.Width);
        EXPECT_EQ(desc.Height, layout.Height);
        EXPECT_EQ(desc.MipLevels, layout.MipCount);
        EXPECT_EQ(desc.DepthOrArraySize, layout.ArraySize);
        ExpectSubresourcesMatchFile(texture.Get(), file.Bytes, DataOffset(file.Bytes));
        ++uploaded;
    }
    EXPECT_GE(uploaded, 10u);
}

} // namespace
