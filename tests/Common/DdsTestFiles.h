// DDS files built byte by byte for the loader's tests and the fuzzing corpus.
#pragma once

#include <DDSTextureLoader.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ddstest
{

constexpr uint32_t FourCC(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) | (uint32_t(uint8_t(code[1])) << 8) |
           (uint32_t(uint8_t(code[2])) << 16) | (uint32_t(uint8_t(code[3])) << 24);
}

// Pixel-format flags and header bits as files carry them.
constexpr uint32_t PfAlpha = 0x2;
constexpr uint32_t PfFourCC = 0x4;
constexpr uint32_t PfRgb = 0x40;
constexpr uint32_t PfLuminance = 0x20000;
constexpr uint32_t HeaderHeight = 0x2;
constexpr uint32_t HeaderVolume = 0x800000;
constexpr uint32_t Caps2CubeMap = 0x200;
constexpr uint32_t Caps2AllFaces = 0xFE00;

DDS_PIXELFORMAT MaskedFormat(uint32_t flags, uint32_t bits, uint32_t r, uint32_t g, uint32_t b,
                             uint32_t a);
DDS_PIXELFORMAT CodedFormat(uint32_t code);
inline DDS_PIXELFORMAT Rgba32()
{
    return MaskedFormat(PfRgb, 32, 0xff, 0xff00, 0xff0000, 0xff000000);
}

// A file as a header plus `DataBytes` of patterned pixel data.
struct DdsFile
{
    uint32_t Magic = FourCC("DDS ");
    DDS_HEADER Header = {};
    bool HasExtension = false;
    DDS_HEADER_DXT10 Extension = {};
    size_t DataBytes = 0;

    std::vector<uint8_t> Bytes() const;
};

// A two-dimensional file without the extension header.
DdsFile LegacyFile(uint32_t width, uint32_t height, uint32_t mipCount,
                   const DDS_PIXELFORMAT& format, size_t dataBytes);

// A file with the extension header; `dimension` is the extension's resource
// dimension (2, 3 or 4), `arraySize` its array size.
DdsFile Dx10File(DXGI_FORMAT format, uint32_t dimension, uint32_t width, uint32_t height,
                 uint32_t mipCount, uint32_t arraySize, size_t dataBytes);

// The bytes of every level of every slice, as the rules lay them out.
size_t ChainBytes(uint64_t width, uint64_t height, uint64_t depth, size_t mipCount,
                  size_t arraySize, DXGI_FORMAT format);

struct DdsCase
{
    std::string Name;
    std::vector<uint8_t> Bytes;
    HRESULT Expected;
};

// Files the loader refuses, each with the code of the rule it breaks: the
// failure rows of the loader and the classic attacks on DDS parsers.
std::vector<DdsCase> MalformedFiles();

// Files the loader accepts, of every header variant (seeds for fuzzing).
std::vector<DdsCase> WellFormedFiles();

} // namespace ddstest
