#include "DdsWriter.h"

#include <squish.h>

#include <cstring>
#include <stdexcept>

namespace
{

// Header flags: caps, height, width, pixel format and mip count are always
// valid; pitch for uncompressed files, linear size for compressed ones.
constexpr uint32_t FlagCaps = 0x1;
constexpr uint32_t FlagHeight = 0x2;
constexpr uint32_t FlagWidth = 0x4;
constexpr uint32_t FlagPitch = 0x8;
constexpr uint32_t FlagPixelFormat = 0x1000;
constexpr uint32_t FlagMipCount = 0x20000;
constexpr uint32_t FlagLinearSize = 0x80000;

constexpr uint32_t PixelFourCc = 0x4;
constexpr uint32_t PixelRgb = 0x40;
constexpr uint32_t PixelAlphaPixels = 0x1;

constexpr uint32_t CapsComplex = 0x8;
constexpr uint32_t CapsTexture = 0x1000;
constexpr uint32_t CapsMipmap = 0x400000;

constexpr uint32_t DxgiR8G8B8A8 = 28;
constexpr uint32_t DxgiBc1 = 71;
constexpr uint32_t DxgiB8G8R8A8 = 87;
constexpr uint32_t DimensionTexture2D = 3;
constexpr uint32_t AlphaModeStraight = 1;

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

int SquishFlags(DdsEncoding encoding)
{
    const int format = encoding == DdsEncoding::Bc3 ? squish::kDxt5 : squish::kDxt1;
    return format | squish::kColourClusterFit;
}

bool SwapsRedAndBlue(DdsEncoding encoding)
{
    return encoding == DdsEncoding::LegacyBgra8 || encoding == DdsEncoding::Dx10Bgra8;
}

void PutPixelFormat(std::vector<uint8_t>& out, DdsEncoding encoding)
{
    Put32(out, DdsPixelFormatBytes);
    if (HasDx10Header(encoding) || IsBlockCompressed(encoding))
    {
        Put32(out, PixelFourCc);
        const uint32_t code = HasDx10Header(encoding)        ? DdsFourCcDx10
                              : encoding == DdsEncoding::Bc3 ? DdsFourCcDxt5
                                                             : DdsFourCcDxt1;
        Put32(out, code);
        for (int i = 0; i < 5; ++i)
            Put32(out, 0); // bit count and masks: unused with a code
        return;
    }
    Put32(out, PixelRgb | PixelAlphaPixels);
    Put32(out, 0);
    Put32(out, 32);
    const bool bgra = SwapsRedAndBlue(encoding);
    Put32(out, bgra ? 0x00FF0000 : 0x000000FF);
    Put32(out, 0x0000FF00);
    Put32(out, bgra ? 0x000000FF : 0x00FF0000);
    Put32(out, 0xFF000000);
}

uint32_t Dx10Format(DdsEncoding encoding)
{
    switch (encoding)
    {
    case DdsEncoding::Dx10Rgba8:
        return DxgiR8G8B8A8;
    case DdsEncoding::Dx10Bgra8:
        return DxgiB8G8R8A8;
    default:
        return DxgiBc1;
    }
}

void PutHeader(std::vector<uint8_t>& out, const Image& top, uint32_t levelCount,
               DdsEncoding encoding)
{
    const bool compressed = IsBlockCompressed(encoding);
    Put32(out, DdsMagic);
    Put32(out, DdsHeaderBytes);
    Put32(out, FlagCaps | FlagHeight | FlagWidth | FlagPixelFormat | FlagMipCount |
                   (compressed ? FlagLinearSize : FlagPitch));
    Put32(out, top.Height);
    Put32(out, top.Width);
    // Pitch of an uncompressed row, or the byte size of the whole top level.
    Put32(out,
          compressed ? uint32_t(DdsLevelBytes(top.Width, top.Height, encoding)) : top.Width * 4);
    Put32(out, 0); // depth
    Put32(out, levelCount);
    for (int i = 0; i < 11; ++i)
        Put32(out, 0); // reserved
    PutPixelFormat(out, encoding);
    Put32(out, CapsTexture | (levelCount > 1 ? CapsComplex | CapsMipmap : 0));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0); // caps2, caps3, caps4, reserved
    if (HasDx10Header(encoding))
    {
        Put32(out, Dx10Format(encoding));
        Put32(out, DimensionTexture2D);
        Put32(out, 0); // misc flags: not a cube
        Put32(out, 1); // array size
        Put32(out, AlphaModeStraight);
    }
}

// BC1 files here are opaque: given texels with alpha below 128 the encoder
// would switch those blocks to its punch-through mode and store them as
// transparent black.
Image Opaque(Image image)
{
    for (Rgba8& p : image.Pixels)
        p.A = 255;
    return image;
}

} // namespace

bool IsBlockCompressed(DdsEncoding encoding)
{
    return encoding == DdsEncoding::Bc1 || encoding == DdsEncoding::Dx10Bc1 ||
           encoding == DdsEncoding::Bc3;
}

bool HasDx10Header(DdsEncoding encoding)
{
    return encoding == DdsEncoding::Dx10Rgba8 || encoding == DdsEncoding::Dx10Bgra8 ||
           encoding == DdsEncoding::Dx10Bc1;
}

uint32_t DdsDataOffset(DdsEncoding encoding)
{
    return 4 + DdsHeaderBytes + (HasDx10Header(encoding) ? DdsDx10HeaderBytes : 0);
}

uint64_t DdsLevelBytes(uint32_t width, uint32_t height, DdsEncoding encoding)
{
    if (!IsBlockCompressed(encoding))
        return uint64_t(width) * height * 4;
    const uint64_t blocks = uint64_t((width + 3) / 4) * ((height + 3) / 4);
    return blocks * (encoding == DdsEncoding::Bc3 ? 16 : 8);
}

std::vector<uint8_t> EncodeLevel(const Image& level, DdsEncoding encoding)
{
    static_assert(sizeof(Rgba8) == 4, "pixels are stored as four bytes R, G, B, A");
    std::vector<uint8_t> bytes(DdsLevelBytes(level.Width, level.Height, encoding));
    if (IsBlockCompressed(encoding))
    {
        const Image source = encoding == DdsEncoding::Bc3 ? level : Opaque(level);
        squish::CompressImage(reinterpret_cast<const squish::u8*>(source.Pixels.data()),
                              int(source.Width), int(source.Height), bytes.data(),
                              SquishFlags(encoding));
        return bytes;
    }
    std::memcpy(bytes.data(), level.Pixels.data(), bytes.size());
    if (SwapsRedAndBlue(encoding))
    {
        for (size_t i = 0; i < bytes.size(); i += 4)
            std::swap(bytes[i], bytes[i + 2]);
    }
    return bytes;
}

std::vector<uint8_t> EncodeDds(const std::vector<Image>& levels, DdsEncoding encoding)
{
    if (levels.empty())
        throw std::invalid_argument("a DDS file needs at least one level");
    std::vector<uint8_t> file;
    PutHeader(file, levels.front(), uint32_t(levels.size()), encoding);
    for (const Image& level : levels)
    {
        const std::vector<uint8_t> bytes = EncodeLevel(level, encoding);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    return file;
}
