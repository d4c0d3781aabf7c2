// Writes a mip chain as a DDS file in one of the encodings the program's
// loader reads.
#pragma once

#include "Image.h"

#include <cstdint>
#include <vector>

enum class DdsEncoding
{
    LegacyRgba8, // 32-bit RGB pixel format, masks R ff, G ff00, B ff0000, A ff000000
    LegacyBgra8, // 32-bit RGB pixel format, masks R ff0000, G ff00, B ff, A ff000000
    Dx10Rgba8,   // "DX10" extension header, format 28 (R8G8B8A8_UNORM)
    Dx10Bgra8,   // "DX10" extension header, format 87 (B8G8R8A8_UNORM)
    Bc1,         // four-character code "DXT1", 8-byte 4 x 4 blocks
    Dx10Bc1,     // "DX10" extension header, format 71 (BC1_UNORM)
    Bc3,         // four-character code "DXT5", 16-byte 4 x 4 blocks
};

// Fixed sizes and offsets of the file layout.
constexpr uint32_t DdsMagic = 0x20534444;      // "DDS " in file order
constexpr uint32_t DdsHeaderBytes = 124;       // the header after the magic
constexpr uint32_t DdsPixelFormatBytes = 32;   // the pixel-format block inside it
constexpr uint32_t DdsDx10HeaderBytes = 20;    // the extension header
constexpr uint32_t DdsFourCcDx10 = 0x30315844; // "DX10"
constexpr uint32_t DdsFourCcDxt1 = 0x31545844; // "DXT1"
constexpr uint32_t DdsFourCcDxt5 = 0x35545844; // "DXT5"

bool IsBlockCompressed(DdsEncoding encoding);
bool HasDx10Header(DdsEncoding encoding);
// Bytes before the first pixel: magic, header and, where present, the extension.
uint32_t DdsDataOffset(DdsEncoding encoding);
// Bytes of one level of the given size; block formats round up to whole 4 x 4 blocks.
uint64_t DdsLevelBytes(uint32_t width, uint32_t height, DdsEncoding encoding);

// The whole file: header for the chain's size and level count, then every
// level from the largest down. Block-compressed levels are encoded with the
// cluster-fit colour encoder of libsquish.
std::vector<uint8_t> EncodeDds(const std::vector<Image>& levels, DdsEncoding encoding);

// The pixels of one level as they are stored in the file (used by tests to
// compare against the decoder's output and by EncodeDds).
std::vector<uint8_t> EncodeLevel(const Image& level, DdsEncoding encoding);
