#include "DdsTestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace ddstest
{
namespace
{
const HRESULT Fail = E_FAIL;
const HRESULT InvalidData = HRESULT(0x8007000D);
const HRESULT NotSupported = HRESULT(0x80070032);
const HRESULT EndOfFile = HRESULT(0x80070026);

// Bytes of one block (4 × 4 pixels) for block-compressed formats, else 0.
size_t BlockBytes(DXGI_FORMAT format)
{
    switch (format)
    {
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC4_UNORM:
        return 8;
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC5_UNORM:
    case DXGI_FORMAT_BC6H_UF16:
    case DXGI_FORMAT_BC7_UNORM:
        return 16;
    default:
        return 0;
    }
}

size_t PixelBytes(DXGI_FORMAT format)
{
    switch (format)
    {
    case DXGI_FORMAT_R8_UNORM:
    case DXGI_FORMAT_A8_UNORM:
        return 1;
    case DXGI_FORMAT_B5G6R5_UNORM:
    case DXGI_FORMAT_R16_FLOAT:
    case DXGI_FORMAT_R8G8_UNORM:
        return 2;
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
        return 4;
    case DXGI_FORMAT_R32G32B32A32_FLOAT:
        return 16;
    default:
        std::abort(); // a format the tests do not use
    }
}

DdsCase Case(std::string name, const DdsFile& file, HRESULT expected)
{
    return {std::move(name), file.Bytes(), expected};
}

DdsCase Changed(std::string name, DdsFile file, const std::function<void(DdsFile&)>& change,
                HRESULT expected)
{
    change(file);
    return Case(std::move(name), file, expected);
}

DdsCase Truncated(std::string name, const DdsFile& file, size_t size, HRESULT expected)
{
    std::vector<uint8_t> bytes = file.Bytes();
    bytes.resize(size);
    return {std::move(name), std::move(bytes), expected};
}

DdsFile Rgba(uint32_t width, uint32_t height, uint32_t mips)
{
    return LegacyFile(
        width, height, mips, Rgba32(),
        ChainBytes(width, height, 1, std::max(1u, mips), 1, DXGI_FORMAT_R8G8B8A8_UNORM));
}

DdsFile Dx10Rgba(uint32_t dimension, uint32_t width, uint32_t height, uint32_t mips,
                 uint32_t arraySize, size_t dataBytes)
{
    return Dx10File(DXGI_FORMAT_R8G8B8A8_UNORM, dimension, width, height, mips, arraySize,
                    dataBytes);
}

DdsFile Volume(uint32_t width, uint32_t height, uint32_t depth, uint32_t mips)
{
    DdsFile file = Dx10Rgba(4, width, height, mips, 1,
                            ChainBytes(width, height, depth, mips, 1, DXGI_FORMAT_R8G8B8A8_UNORM));
    file.Header.depth = depth;
    return file;
}

DdsFile LegacyCube(uint32_t caps2, size_t dataBytes)
{
    DdsFile file = LegacyFile(8, 8, 4, CodedFormat(FourCC("DXT1")), dataBytes);
    file.Header.caps2 = caps2;
    return file;
}
} // namespace

DDS_PIXELFORMAT MaskedFormat(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                             uint32_t a)
{
    return {32, flags, 0, bits, r, g, b, a};
}

DDS_PIXELFORMAT CodedFormat(uint32_t code)
{
    return {32, PfFourCC, code, 0, 0, 0, 0, 0};
}

std::vector<uint8_t> DdsFile::Bytes() const
{
    const size_t headerBytes = sizeof(Magic) + sizeof(Header);
    const size_t dataStart = headerBytes + (HasExtension ? sizeof(Extension) : 0);
    std::vector<uint8_t> bytes(dataStart + DataBytes);
    std::memcpy(bytes.data(), &Magic, sizeof(Magic));
    std::memcpy(bytes.data() + sizeof(Magic), &Header, sizeof(Header));
    if (HasExtension)
        std::memcpy(bytes.data() + headerBytes, &Extension, sizeof(Extension));
    // A pattern that differs from level to level, so a misplaced subresource
    // shows in a comparison.
    for (size_t i = 0; i < DataBytes; ++i)
        bytes[dataStart + i] = uint8_t(i * 7 + i / 251);
    return bytes;
}

DdsFile LegacyFile(uint32_t width, uint32_t height, uint32_t mipCount,
                   const DDS_PIXELFORMAT& format, size_t dataBytes)
{
    DdsFile file;
    file.Header.size = sizeof(DDS_HEADER);
    // caps, height, width, pixel format; mip-map count when there are levels
    file.Header.flags = 0x1007 | (mipCount > 1 ? 0x20000 : 0);
    file.Header.height = height;
    file.Header.width = width;
    file.Header.mipMapCount = mipCount;
    file.Header.ddspf = format;
    file.Header.caps = 0x1000;
    file.DataBytes = dataBytes;
    return file;
}

DdsFile Dx10File(DXGI_FORMAT format, uint32_t dimension, uint32_t width, uint32_t height,
                 uint32_t mipCount, uint32_t arraySize, size_t dataBytes)
{
    DdsFile file = LegacyFile(width, height, mipCount, CodedFormat(FourCC("DX10")), dataBytes);
    if (dimension == 4)
        file.Header.flags |= HeaderVolume;
    file.HasExtension = true;
    file.Extension = {uint32_t(format), dimension, 0, arraySize, 0};
    return file;
}

size_t ChainBytes(uint64_t width, uint64_t height, uint64_t depth, size_t mipCount,
                  size_t arraySize, DXGI_FORMAT format)
{
    size_t total = 0;
    for (size_t level = 0; level < mipCount; ++level)
    {
        const uint64_t w = std::max<uint64_t>(width >> level, 1);
        const uint64_t h = std::max<uint64_t>(height >> level, 1);
        const uint64_t d = std::max<uint64_t>(depth >> level, 1);
        const size_t block = BlockBytes(format);
        total += block ? ((w + 3) / 4) * ((h + 3) / 4) * block * d : w * h * d * PixelBytes(format);
    }
    return total * arraySize;
}

std::vector<DdsCase> MalformedFiles()
{
    const DdsFile rgba = Rgba(4, 4, 3);
    const DdsFile dx10 = Dx10Rgba(3, 4, 4, 1, 1, 64);
    const DdsFile bc1 = LegacyFile(8, 8, 4, CodedFormat(FourCC("DXT1")), 32 + 8 + 8 + 8);
    auto format = [](const DDS_PIXELFORMAT& pf)
    { return [pf](DdsFile& f) { f.Header.ddspf = pf; }; };
    auto dxgiFormat = [](uint32_t value)
    { return [value](DdsFile& f) { f.Extension.dxgiFormat = value; }; };
    auto dimension = [](uint32_t value)
    { return [value](DdsFile& f) { f.Extension.resourceDimension = value; }; };
    auto arraySize = [](uint32_t value)
    { return [value](DdsFile& f) { f.Extension.arraySize = value; }; };

    DdsFile noExtension = rgba;
    noExtension.Header.ddspf = {32, 0, FourCC("DX10"), 0, 0, 0, 0, 0};
    noExtension.DataBytes = 0;

    DdsFile oneDimensional = Dx10Rgba(2, 16, 1, 1, 1, 64);
    DdsFile cubeArray = Dx10Rgba(3, 4, 4, 1, 0x2AAAAAAB, 64);
    cubeArray.Extension.miscFlag = 0x4;

    return {
        // What the file reader checks
        Truncated("empty file", rgba, 0, Fail),
        Truncated("magic only", rgba, 4, Fail),
        Truncated("header one byte short", rgba, 127, Fail),
        Changed(
            "wrong magic", rgba, [](DdsFile& f) { f.Magic = FourCC("DDS\t"); }, Fail),
        Changed(
            "header size claims 128", rgba, [](DdsFile& f) { f.Header.size = 128; }, Fail),
        Changed(
            "header size 0", rgba, [](DdsFile& f) { f.Header.size = 0; }, Fail),
        Changed(
            "pixel-format size 0", rgba, [](DdsFile& f) { f.Header.ddspf.size = 0; }, Fail),
        Changed(
            "pixel-format size 36", rgba, [](DdsFile& f) { f.Header.ddspf.size = 36; }, Fail),
        Truncated("extension header one byte short", dx10, 147, Fail),
        Truncated("extension header missing", dx10, 128, Fail),
        // Without the four-character flag a "DX10" code announces no
        // extension: these 128 bytes are a whole file of unknown format.
        Case("DX10 code without the four-character flag", noExtension, NotSupported),

        // The extension header
        Changed("array size 0", dx10, arraySize(0), InvalidData),
        Changed("array size 2049", dx10, arraySize(2049), NotSupported),
        Changed("array size 2^32 - 1", dx10, arraySize(0xFFFFFFFF), NotSupported),
        Case("cube array whose face count wraps 32 bits", cubeArray, NotSupported),
        Changed("palette format AI44", dx10, dxgiFormat(DXGI_FORMAT_AI44), NotSupported),
        Changed("palette format IA44", dx10, dxgiFormat(DXGI_FORMAT_IA44), NotSupported),
        Changed("palette format P8", dx10, dxgiFormat(DXGI_FORMAT_P8), NotSupported),
        Changed("palette format A8P8", dx10, dxgiFormat(DXGI_FORMAT_A8P8), NotSupported),
        Changed("format unknown", dx10, dxgiFormat(0), NotSupported),
        Changed("format 116", dx10, dxgiFormat(116), NotSupported),
        Changed("format 134", dx10, dxgiFormat(134), NotSupported),
        Changed("format 2^32 - 1", dx10, dxgiFormat(0xFFFFFFFF), NotSupported),
        Changed("dimension 0", dx10, dimension(0), NotSupported),
        Changed("dimension 1 (buffer)", dx10, dimension(1), NotSupported),
        Changed("dimension 5", dx10, dimension(5), NotSupported),
        Changed(
            "one-dimensional with height 2", oneDimensional,
            [](DdsFile& f) { f.Header.height = 2; }, InvalidData),
        Changed(
            "one-dimensional width 16385", oneDimensional,
            [](DdsFile& f) { f.Header.width = 16385; }, NotSupported),
        Changed("one-dimensional array 2049", oneDimensional, arraySize(2049), NotSupported),
        Changed(
            "volume without the volume flag", Volume(4, 4, 4, 1),
            [](DdsFile& f) { f.Header.flags &= ~HeaderVolume; }, InvalidData),
        Changed("volume array of 2", Volume(4, 4, 4, 1), arraySize(2), NotSupported),
        Changed(
            "volume depth 2049", Volume(4, 4, 4, 1), [](DdsFile& f) { f.Header.depth = 2049; },
            NotSupported),
        Changed(
            "volume width 2049", Volume(4, 4, 4, 1), [](DdsFile& f) { f.Header.width = 2049; },
            NotSupported),

        // Sizes and levels
        Changed(
            "mip count 16", rgba, [](DdsFile& f) { f.Header.mipMapCount = 16; }, NotSupported),
        Changed(
            "mip count 2^32 - 1", rgba, [](DdsFile& f) { f.Header.mipMapCount = 0xFFFFFFFF; },
            NotSupported),
        Changed(
            "width 16385", rgba, [](DdsFile& f) { f.Header.width = 16385; }, NotSupported),
        Changed(
            "height 16385", rgba, [](DdsFile& f) { f.Header.height = 16385; }, NotSupported),
        Changed(
            "legacy volume depth 2049", rgba,
            [](DdsFile& f)
            {
                f.Header.flags |= HeaderVolume;
                f.Header.depth = 2049;
            },
            NotSupported),
        Case("16384 x 16384 with 200 bytes", LegacyFile(16384, 16384, 1, Rgba32(), 200), EndOfFile),
        Case("16384 x 16384 BC1, 15 levels, no data",
             LegacyFile(16384, 16384, 15, CodedFormat(FourCC("DXT1")), 0), EndOfFile),
        Case("2048 slices of 15 levels, no data", Dx10Rgba(3, 16384, 16384, 15, 2048, 0),
             EndOfFile),
        Case("valid header without pixel data", LegacyFile(4, 4, 1, Rgba32(), 0), EndOfFile),
        Changed(
            "last level one byte short", rgba, [](DdsFile& f) { --f.DataBytes; }, EndOfFile),
        Changed(
            "volume slices short", Volume(4, 4, 4, 1), [](DdsFile& f) { --f.DataBytes; },
            EndOfFile),

        // Cube maps
        Case("cube map with one face", LegacyCube(Caps2CubeMap | 0x400, 6 * 56), NotSupported),
        Case("cube map with five faces", LegacyCube(Caps2CubeMap | 0xFA00, 6 * 56), NotSupported),
        Case("cube map whose sixth face is short",
             LegacyCube(Caps2CubeMap | Caps2AllFaces, 6 * 56 - 8), EndOfFile),

        // Pixel formats without the extension header
        Changed("RGB with all masks zero", rgba, format(MaskedFormat(PfRgb, 32, 0, 0, 0, 0)),
                NotSupported),
        Changed("24-bit RGB", rgba, format(MaskedFormat(PfRgb, 24, 0xff0000, 0xff00, 0xff, 0)),
                NotSupported),
        Changed("32-bit RGB without alpha", rgba,
                format(MaskedFormat(PfRgb, 32, 0xff, 0xff00, 0xff0000, 0)), NotSupported),
        Changed("8-bit flagged RGB, not luminance", rgba,
                format(MaskedFormat(PfRgb, 8, 0xff, 0, 0, 0)), NotSupported),
        Changed(
            "RGB and four-character flags, masks of no format", bc1,
            [](DdsFile& f) { f.Header.ddspf.flags |= PfRgb; }, NotSupported),
        Changed("luminance with RGB masks", rgba,
                format(MaskedFormat(PfLuminance, 32, 0xff, 0xff00, 0xff0000, 0xff000000)),
                NotSupported),
        Changed("16-bit alpha", rgba, format(MaskedFormat(PfAlpha, 16, 0, 0, 0, 0xffff)),
                NotSupported),
        Changed("no pixel-format flags", rgba,
                format(MaskedFormat(0, 32, 0xff, 0xff00, 0xff0000, 0xff000000)), NotSupported),
        Changed("code ETC", bc1, format(CodedFormat(FourCC("ETC "))), NotSupported),
        Changed("code DXT6", bc1, format(CodedFormat(FourCC("DXT6"))), NotSupported),
        Changed("numeric code 117", bc1, format(CodedFormat(117)), NotSupported),
    };
}

std::vector<DdsCase> WellFormedFiles()
{
    DdsFile legacyVolume = Rgba(4, 4, 2);
    legacyVolume.Header.flags |= HeaderVolume;
    legacyVolume.Header.depth = 4;
    legacyVolume.DataBytes = ChainBytes(4, 4, 4, 2, 1, DXGI_FORMAT_R8G8B8A8_UNORM);

    DdsFile dx10Cubes =
        Dx10Rgba(3, 4, 4, 3, 2, ChainBytes(4, 4, 1, 3, 12, DXGI_FORMAT_R8G8B8A8_UNORM));
    dx10Cubes.Extension.miscFlag = 0x4;

    DdsFile dx10CodeWithRgb = Rgba(4, 4, 1);
    dx10CodeWithRgb.Header.ddspf.fourCC = FourCC("DX10");

    DdsFile trailing = Rgba(4, 4, 3);
    trailing.DataBytes += 100;

    return {
        Case("RGBA 4 x 4, 3 levels", Rgba(4, 4, 3), S_OK),
        Case("mip count 0", Rgba(4, 4, 0), S_OK),
        Case("BC1 256 x 256, 9 levels",
             LegacyFile(256, 256, 9, CodedFormat(FourCC("DXT1")),
                        ChainBytes(256, 256, 1, 9, 1, DXGI_FORMAT_BC1_UNORM)),
             S_OK),
        Case("legacy cube map", LegacyCube(Caps2CubeMap | Caps2AllFaces, 6 * 56), S_OK),
        Case("DX10 array of two cubes", dx10Cubes, S_OK),
        Case("DX10 one-dimensional",
             Dx10Rgba(2, 16, 1, 5, 1, ChainBytes(16, 1, 1, 5, 1, DXGI_FORMAT_R8G8B8A8_UNORM)),
             S_OK),
        Case("DX10 volume", Volume(4, 4, 4, 3), S_OK),
        Case("legacy volume", legacyVolume, S_OK),
        Case("DX10 BC7 5 x 3", Dx10File(DXGI_FORMAT_BC7_UNORM, 3, 5, 3, 1, 1, 32), S_OK),
        Case("luminance and alpha",
             LegacyFile(4, 4, 1, MaskedFormat(PfLuminance | PfAlpha, 16, 0xff, 0, 0, 0xff00), 32),
             S_OK),
        Case("alpha only", LegacyFile(4, 4, 1, MaskedFormat(PfAlpha, 8, 0, 0, 0, 0xff), 16), S_OK),
        Case("B5G6R5", LegacyFile(4, 4, 1, MaskedFormat(PfRgb, 16, 0xf800, 0x7e0, 0x1f, 0), 32),
             S_OK),
        Case("numeric code 111 (R16 float)", LegacyFile(4, 4, 1, CodedFormat(111), 32), S_OK),
        Case("DX10 code with the RGB flag", dx10CodeWithRgb, S_OK),
        Case("data after the last level", trailing, S_OK),
    };
}

} // namespace ddstest
