// The DDS files the generator writes, read back field by field at the
// offsets of the published layout, for every encoding it uses.
#include "AssetFiles.h"
#include "DdsWriter.h"

#include <squish.h>

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using assettest::U32;

// What a reader must find in the header for each encoding.
struct Expected
{
    DdsEncoding Encoding;
    const char* Name;
    uint32_t PixelFlags;
    uint32_t FourCc;
    uint32_t Masks[4];   // R, G, B, A; zero where a code describes the pixels
    uint32_t DxgiFormat; // 0: no extension header
    uint32_t BlockBytes; // 0: 4 bytes per pixel
};

const Expected Encodings[] = {
    {DdsEncoding::LegacyRgba8, "legacy RGBA", 0x41, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 0, 0},
    {DdsEncoding::LegacyBgra8, "legacy BGRA", 0x41, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0, 0},
    {DdsEncoding::Dx10Rgba8, "DX10 R8G8B8A8", 0x4, 0x30315844, {}, 28, 0},
    {DdsEncoding::Dx10Bgra8, "DX10 B8G8R8A8", 0x4, 0x30315844, {}, 87, 0},
    {DdsEncoding::Bc1, "DXT1", 0x4, 0x31545844, {}, 0, 8},
    {DdsEncoding::Dx10Bc1, "DX10 BC1", 0x4, 0x30315844, {}, 71, 8},
    {DdsEncoding::Bc3, "DXT5", 0x4, 0x35545844, {}, 0, 16},
};

// A small picture with a gradient, so levels and channels all differ.
Image Gradient(uint32_t size)
{
    Image image(size, size);
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x)
            image.At(x, y) = {uint8_t(x * 30), uint8_t(y * 30), uint8_t(200 - x * 10),
                              uint8_t(255 - y * 8)};
    return image;
}

uint64_t LevelBytes(const Expected& e, uint32_t width, uint32_t height)
{
    if (e.BlockBytes == 0)
        return uint64_t(width) * height * 4;
    return uint64_t((width + 3) / 4) * ((height + 3) / 4) * e.BlockBytes;
}

TEST(DdsWriter, HeaderDescribesTheEncodingAndTheChain)
{
    const std::vector<Image> chain = BuildMipChain(Gradient(8));
    for (const Expected& e : Encodings)
    {
        SCOPED_TRACE(e.Name);
        const std::vector<uint8_t> file = EncodeDds(chain, e.Encoding);
        EXPECT_EQ(U32(file, 0), 0x20534444u); // "DDS "
        EXPECT_EQ(U32(file, 4), 124u);
        EXPECT_EQ(U32(file, 8) & 0x1007, 0x1007u); // caps, height, width, pixel format
        EXPECT_NE(U32(file, 8) & 0x20000, 0u);     // mip count present
        // Pitch for rows of pixels, linear size for blocks: one of the two.
        EXPECT_EQ(U32(file, 8) & 0x80008, e.BlockBytes ? 0x80000u : 0x8u);
        EXPECT_EQ(U32(file, 12), 8u); // height
        EXPECT_EQ(U32(file, 16), 8u); // width
        EXPECT_EQ(U32(file, 20), e.BlockBytes ? LevelBytes(e, 8, 8) : 8u * 4);
        EXPECT_EQ(U32(file, 28), 4u); // 8, 4, 2, 1
        EXPECT_EQ(U32(file, 76), 32u);
        EXPECT_EQ(U32(file, 80), e.PixelFlags);
        EXPECT_EQ(U32(file, 84), e.FourCc);
        if (e.FourCc == 0)
        {
            EXPECT_EQ(U32(file, 88), 32u);
            for (int m = 0; m < 4; ++m)
                EXPECT_EQ(U32(file, 92 + 4 * m), e.Masks[m]) << "mask " << m;
        }
        EXPECT_EQ(U32(file, 112), 0u); // caps2: no cube, no volume
        size_t offset = 128;
        if (e.DxgiFormat)
        {
            EXPECT_EQ(U32(file, 128), e.DxgiFormat);
            EXPECT_EQ(U32(file, 132), 3u); // two-dimensional
            EXPECT_EQ(U32(file, 136), 0u); // not a cube
            EXPECT_EQ(U32(file, 140), 1u); // array size
            offset = 148;
        }
        EXPECT_EQ(DdsDataOffset(e.Encoding), offset);
        uint64_t pixels = 0;
        for (uint32_t size = 8; size >= 1; size /= 2)
            pixels += LevelBytes(e, size, size);
        EXPECT_EQ(file.size(), offset + pixels);
    }
}

TEST(DdsWriter, UncompressedLevelsStoreThePixelsInTheirChannelOrder)
{
    const std::vector<Image> chain = BuildMipChain(Gradient(4));
    for (const Expected& e : Encodings)
    {
        if (e.BlockBytes)
            continue;
        SCOPED_TRACE(e.Name);
        const bool bgra = e.Masks[0] == 0xFF0000 || e.DxgiFormat == 87;
        const std::vector<uint8_t> file = EncodeDds(chain, e.Encoding);
        size_t pos = DdsDataOffset(e.Encoding);
        for (const Image& level : chain)
        {
            for (const Rgba8& p : level.Pixels)
            {
                const uint8_t expected[4] = {bgra ? p.B : p.R, p.G, bgra ? p.R : p.B, p.A};
                ASSERT_EQ(0, std::memcmp(&file[pos], expected, 4)) << "at byte " << pos;
                pos += 4;
            }
        }
    }
}

TEST(DdsWriter, BlockLevelsDecodeToTheirSource)
{
    // A flat colour survives BC1 and BC3 almost exactly; the smallest levels
    // (2 x 2 and 1 x 1) still take a whole block each.
    Image flat(8, 8);
    for (Rgba8& p : flat.Pixels)
        p = {200, 120, 40, 90};
    const std::vector<Image> chain = BuildMipChain(flat);
    for (const Expected& e : Encodings)
    {
        if (!e.BlockBytes)
            continue;
        SCOPED_TRACE(e.Name);
        const std::vector<uint8_t> file = EncodeDds(chain, e.Encoding);
        const int flags = e.BlockBytes == 16 ? squish::kDxt5 : squish::kDxt1;
        size_t pos = DdsDataOffset(e.Encoding);
        for (const Image& level : chain)
        {
            std::vector<uint8_t> rgba(level.Pixels.size() * 4);
            squish::DecompressImage(rgba.data(), int(level.Width), int(level.Height), &file[pos],
                                    flags);
            for (size_t i = 0; i < rgba.size(); i += 4)
            {
                EXPECT_NEAR(rgba[i], 200, 4);
                EXPECT_NEAR(rgba[i + 1], 120, 4);
                EXPECT_NEAR(rgba[i + 2], 40, 4);
                // BC1 is written opaque; BC3 keeps the alpha.
                EXPECT_NEAR(rgba[i + 3], e.BlockBytes == 16 ? 90 : 255, 2);
            }
            pos += LevelBytes(e, level.Width, level.Height);
        }
    }
}

} // namespace
