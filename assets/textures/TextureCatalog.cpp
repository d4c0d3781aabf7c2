#include "TextureCatalog.h"

#include "TextureArt.h"

namespace
{

Image Facade0(uint32_t size)
{
    return PaintFacade(CityFacadeStyle(0), size);
}
Image Facade1(uint32_t size)
{
    return PaintFacade(CityFacadeStyle(1), size);
}
Image Facade2(uint32_t size)
{
    return PaintFacade(CityFacadeStyle(2), size);
}
Image Facade3(uint32_t size)
{
    return PaintFacade(CityFacadeStyle(3), size);
}
Image Facade4(uint32_t size)
{
    return PaintFacade(CityFacadeStyle(4), size);
}

// The encodings are spread over the list so that the program reads every
// kind its loader meets in practice: plain 32-bit files with either channel
// order, files with the extension header, and both block formats.
constexpr TextureEntry Entries[] = {
    {"bricks.dds", DdsEncoding::LegacyRgba8, PaintBricks},
    {"stone.dds", DdsEncoding::Dx10Bc1, PaintStone},
    {"tile.dds", DdsEncoding::Bc1, PaintPaving},
    {"corona.dds", DdsEncoding::Dx10Bgra8, PaintWood},
    {"ed1.dds", DdsEncoding::LegacyRgba8, Facade0},
    {"ed2.dds", DdsEncoding::LegacyBgra8, Facade1},
    {"ed3b.dds", DdsEncoding::Dx10Rgba8, Facade2},
    {"ed4.dds", DdsEncoding::Bc1, Facade3},
    {"ed5.dds", DdsEncoding::Bc3, Facade4},
    {"f6.dds", DdsEncoding::LegacyRgba8, PaintPlanet},
    {"f2.dds", DdsEncoding::Dx10Bgra8, PaintMarble},
    {"f7.dds", DdsEncoding::Bc3, PaintHarlequin},
};

} // namespace

std::span<const TextureEntry> SceneTextures()
{
    return Entries;
}
