// The twelve texture files the build puts into the run directory: their
// headers, their pixels against the pictures they were made from, the art's
// basic promises, and a second run giving the same bytes. That the program
// loads these files in the catalogue's order is tested with the program
// (tests/ShapesApp/SceneBuildTests.cpp).
#include "AssetFiles.h"
#include "TextureArt.h"
#include "TextureCatalog.h"

#include <squish.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

namespace
{

namespace fs = std::filesystem;
using assettest::U32;

const fs::path TextureDir = fs::path(RUN_DIR) / "Textures";

// What the loader will see, read straight from the header bytes.
struct Layout
{
    uint32_t Offset = 0;     // first pixel byte
    uint32_t BlockBytes = 0; // 0 for 4-byte pixels
    bool Bgra = false;
};

Layout ReadLayout(const std::vector<uint8_t>& file)
{
    Layout layout;
    const uint32_t flags = U32(file, 80);
    const uint32_t code = U32(file, 84);
    layout.Offset = 128;
    if ((flags & 0x4) && code == 0x30315844) // "DX10"
    {
        layout.Offset = 148;
        const uint32_t format = U32(file, 128);
        layout.BlockBytes = format == 71 ? 8 : 0;
        layout.Bgra = format == 87;
    }
    else if (flags & 0x4)
    {
        layout.BlockBytes = code == 0x31545844 ? 8 : 16; // "DXT1" or "DXT5"
    }
    else
    {
        layout.Bgra = U32(file, 92) == 0xFF0000;
    }
    return layout;
}

uint64_t LevelBytes(const Layout& layout, uint32_t width, uint32_t height)
{
    if (!layout.BlockBytes)
        return uint64_t(width) * height * 4;
    return uint64_t((width + 3) / 4) * ((height + 3) / 4) * layout.BlockBytes;
}

// Level `index` of the file as RGBA pixels (block levels decoded).
Image DecodeLevel(const std::vector<uint8_t>& file, uint32_t index)
{
    const Layout layout = ReadLayout(file);
    uint32_t width = U32(file, 16);
    uint32_t height = U32(file, 12);
    size_t pos = layout.Offset;
    for (uint32_t i = 0; i < index; ++i)
    {
        pos += LevelBytes(layout, width, height);
        width = std::max(width / 2, 1u);
        height = std::max(height / 2, 1u);
    }
    Image image(width, height);
    if (pos + LevelBytes(layout, width, height) > file.size())
        return Image();
    uint8_t* out = reinterpret_cast<uint8_t*>(image.Pixels.data());
    if (layout.BlockBytes)
    {
        squish::DecompressImage(out, int(width), int(height), &file[pos],
                                layout.BlockBytes == 8 ? squish::kDxt1 : squish::kDxt5);
        return image;
    }
    std::copy_n(&file[pos], image.Pixels.size() * 4, out);
    if (layout.Bgra)
        for (Rgba8& p : image.Pixels)
            std::swap(p.R, p.B);
    return image;
}

struct Difference
{
    double MeanAbs = 0.0; // over R, G, B (and A where compared)
    int Max = 0;
};

Difference Compare(const Image& a, const Image& b, bool withAlpha)
{
    Difference d;
    if (a.Pixels.size() != b.Pixels.size())
        return {1e9, 255};
    double sum = 0.0;
    for (size_t i = 0; i < a.Pixels.size(); ++i)
    {
        const Rgba8& p = a.Pixels[i];
        const Rgba8& q = b.Pixels[i];
        const int diffs[4] = {std::abs(p.R - q.R), std::abs(p.G - q.G), std::abs(p.B - q.B),
                              withAlpha ? std::abs(p.A - q.A) : 0};
        for (int c : diffs)
        {
            sum += c;
            d.Max = std::max(d.Max, c);
        }
    }
    d.MeanAbs = sum / double(a.Pixels.size() * (withAlpha ? 4 : 3));
    return d;
}

TEST(SceneTextures, EachFileIsAWellFormedFullChain)
{
    for (const TextureEntry& entry : SceneTextures())
    {
        SCOPED_TRACE(entry.FileName);
        const std::vector<uint8_t> file = assettest::ReadBytes(TextureDir / entry.FileName);
        ASSERT_GE(file.size(), 128u);
        EXPECT_EQ(U32(file, 0), 0x20534444u);
        EXPECT_EQ(U32(file, 4), 124u);
        EXPECT_EQ(U32(file, 76), 32u);
        EXPECT_EQ(U32(file, 12), 512u);
        EXPECT_EQ(U32(file, 16), 512u);
        EXPECT_EQ(U32(file, 28), 10u);
        const Layout layout = ReadLayout(file);
        EXPECT_EQ(layout.Offset, DdsDataOffset(entry.Encoding));
        EXPECT_EQ(layout.BlockBytes != 0, IsBlockCompressed(entry.Encoding));
        uint64_t pixels = 0;
        for (uint32_t size = 512; size >= 1; size /= 2)
            pixels += LevelBytes(layout, size, size);
        EXPECT_EQ(file.size(), layout.Offset + pixels);
    }
}

TEST(SceneTextures, TheListUsesEveryEncodingTheLoaderIsMeantToMeet)
{
    std::set<DdsEncoding> used;
    for (const TextureEntry& entry : SceneTextures())
        used.insert(entry.Encoding);
    for (DdsEncoding e :
         {DdsEncoding::LegacyRgba8, DdsEncoding::LegacyBgra8, DdsEncoding::Dx10Rgba8,
          DdsEncoding::Dx10Bgra8, DdsEncoding::Bc1, DdsEncoding::Dx10Bc1, DdsEncoding::Bc3})
        EXPECT_TRUE(used.count(e)) << "encoding " << int(e);
}

TEST(SceneTextures, StoredPixelsMatchThePaintedPictures)
{
    for (const TextureEntry& entry : SceneTextures())
    {
        SCOPED_TRACE(entry.FileName);
        const std::vector<uint8_t> file = assettest::ReadBytes(TextureDir / entry.FileName);
        const Image painted = entry.Paint(SceneTextureSize);
        const Image stored = DecodeLevel(file, 0);
        if (!IsBlockCompressed(entry.Encoding))
        {
            const Difference d = Compare(stored, painted, true);
            EXPECT_EQ(d.Max, 0);
        }
        else
        {
            const bool bc3 = entry.Encoding == DdsEncoding::Bc3;
            const Difference d = Compare(stored, painted, bc3);
            EXPECT_LT(d.MeanAbs, 5.0) << "block encoding lost too much";
            EXPECT_LT(d.Max, 128);
        }
        // The last level is the mean of the picture: levels are in order
        // and every one of them was filtered from the one above.
        const Image last = DecodeLevel(file, 9);
        ASSERT_EQ(last.Width, 1u);
        double mean[3] = {};
        for (const Rgba8& p : painted.Pixels)
        {
            mean[0] += p.R;
            mean[1] += p.G;
            mean[2] += p.B;
        }
        const double n = double(painted.Pixels.size());
        EXPECT_NEAR(last.At(0, 0).R, mean[0] / n, 8.0);
        EXPECT_NEAR(last.At(0, 0).G, mean[1] / n, 8.0);
        EXPECT_NEAR(last.At(0, 0).B, mean[2] / n, 8.0);
    }
}

// Luminance, 0 to 255.
double Luma(const Rgba8& p)
{
    return 0.2126 * p.R + 0.7152 * p.G + 0.0722 * p.B;
}

TEST(SceneTextures, FacadesAreDistinctAndHaveLitAndDarkWindows)
{
    std::vector<std::array<double, 3>> means;
    for (int i = 0; i < 5; ++i)
    {
        SCOPED_TRACE("facade " + std::to_string(i));
        const Image facade = PaintFacade(CityFacadeStyle(i), 256);
        std::array<double, 3> mean{};
        size_t bright = 0;
        size_t dark = 0;
        for (const Rgba8& p : facade.Pixels)
        {
            mean[0] += p.R;
            mean[1] += p.G;
            mean[2] += p.B;
            bright += Luma(p) > 185.0;
            dark += Luma(p) < 75.0;
        }
        const double n = double(facade.Pixels.size());
        for (double& m : mean)
            m /= n;
        means.push_back(mean);
        EXPECT_GT(bright / n, 0.03) << "too few lit windows";
        EXPECT_GT(dark / n, 0.03) << "too few dark windows";
    }
    for (size_t a = 0; a < means.size(); ++a)
    {
        for (size_t b = a + 1; b < means.size(); ++b)
        {
            const double distance = std::abs(means[a][0] - means[b][0]) +
                                    std::abs(means[a][1] - means[b][1]) +
                                    std::abs(means[a][2] - means[b][2]);
            EXPECT_GT(distance, 20.0) << "facades " << a << " and " << b << " look alike";
        }
    }
}

// Mean difference between two columns (or rows) of pixels.
double EdgeStep(const Image& image, bool columns, uint32_t a, uint32_t b)
{
    double sum = 0.0;
    const uint32_t n = columns ? image.Height : image.Width;
    for (uint32_t i = 0; i < n; ++i)
    {
        const Rgba8& p = columns ? image.At(a, i) : image.At(i, a);
        const Rgba8& q = columns ? image.At(b, i) : image.At(i, b);
        sum += std::abs(Luma(p) - Luma(q));
    }
    return sum / n;
}

TEST(SceneTextures, RepeatingSurfacesTileWithoutSeams)
{
    // The ground repeats eight times each way and walls may repeat too: the
    // step across the wrap-around edge must look like any step inside.
    const std::pair<const char*, Image (*)(uint32_t)> tiled[] = {{"bricks", PaintBricks},
                                                                 {"stone", PaintStone},
                                                                 {"paving", PaintPaving},
                                                                 {"wood", PaintWood}};
    for (const auto& [name, paint] : tiled)
    {
        SCOPED_TRACE(name);
        const Image image = paint(256);
        for (bool columns : {true, false})
        {
            double inside = 0.0;
            for (uint32_t i = 0; i + 1 < 256; ++i)
                inside += EdgeStep(image, columns, i, i + 1);
            inside /= 255.0;
            EXPECT_LT(EdgeStep(image, columns, 255, 0), 2.5 * inside + 2.0)
                << (columns ? "left/right" : "top/bottom") << " seam";
        }
    }
}

TEST(SceneTextures, ASecondRunWritesTheSameBytes)
{
    const fs::path scratch = assettest::ScratchFolder("texgen-again");
    ASSERT_TRUE(assettest::Run(std::string("'") + TEXGEN_PROGRAM + "' '" + scratch.string() + "'"));
    for (const TextureEntry& entry : SceneTextures())
    {
        const char* name = entry.FileName;
        EXPECT_EQ(assettest::ReadBytes(scratch / name), assettest::ReadBytes(TextureDir / name))
            << name;
    }
    fs::remove_all(scratch);
}

} // namespace
