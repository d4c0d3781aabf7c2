// The DDS texture loader: reads one DDS file whole into memory, validates and
// interprets its header (with or without the DX10 extension), locates every
// subresource inside the file's pixel data, creates the texture and an upload
// buffer and records the copy between them on a command list.
//
// Every function returns a result code; nothing is thrown. Reading,
// validation, format mapping and the subresource layout need no device.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <memory>

// The file layout, little-endian, as DDS writers produce it.
struct DDS_PIXELFORMAT
{
    uint32_t size;
    uint32_t flags;
    uint32_t fourCC;
    uint32_t RGBBitCount;
    uint32_t RBitMask;
    uint32_t GBitMask;
    uint32_t BBitMask;
    uint32_t ABitMask;
};

struct DDS_HEADER
{
    uint32_t size;
    uint32_t flags;
    uint32_t height;
    uint32_t width;
    uint32_t pitchOrLinearSize;
    uint32_t depth;
    uint32_t mipMapCount;
    uint32_t reserved1[11];
    DDS_PIXELFORMAT ddspf;
    uint32_t caps;
    uint32_t caps2;
    uint32_t caps3;
    uint32_t caps4;
    uint32_t reserved2;
};

// Plain numbers rather than enums: they come from the file and may hold any
// value until they have been checked.
struct DDS_HEADER_DXT10
{
    uint32_t dxgiFormat;
    uint32_t resourceDimension;
    uint32_t miscFlag;
    uint32_t arraySize;
    uint32_t miscFlags2;
};

static_assert(sizeof(DDS_PIXELFORMAT) == 32, "DDS pixel-format block is 32 bytes");
static_assert(sizeof(DDS_HEADER) == 124, "DDS header is 124 bytes");
static_assert(sizeof(DDS_HEADER_DXT10) == 20, "DDS extension header is 20 bytes");

// What a DDS header describes, with the table that locates each subresource
// in the pixel data: MipCount × ArraySize entries, array slice by array slice,
// largest level first (the entry index is the subresource index). The entries
// point into the pixel data they were computed from.
struct DdsTextureLayout
{
    D3D12_RESOURCE_DIMENSION Dimension = D3D12_RESOURCE_DIMENSION_UNKNOWN;
    DXGI_FORMAT Format = DXGI_FORMAT_UNKNOWN;
    size_t Width = 0;
    size_t Height = 0;
    size_t Depth = 0;
    size_t MipCount = 0;
    size_t ArraySize = 0;
    bool IsCube = false;
    std::unique_ptr<D3D12_SUBRESOURCE_DATA[]> Subresources;
    // Bytes of pixel data the subresources cover; the rest of the data is
    // ignored.
    size_t BytesUsed = 0;
};

// Loads `szFileName` into `texture` and records on `cmdList` its upload from
// `textureUploadHeap`, which must live until the list has executed. Both slots
// are emptied first and stay empty on failure.
HRESULT CreateDDSTextureFromFile12(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList,
                                   const wchar_t* szFileName,
                                   Microsoft::WRL::ComPtr<ID3D12Resource>& texture,
                                   Microsoft::WRL::ComPtr<ID3D12Resource>& textureUploadHeap);

// Reads the whole file into `ddsData` (one buffer of the file's size) and
// points `header`, `bitData` and `bitSize` at the header and the pixel data in
// it.
HRESULT LoadDdsFileData(const wchar_t* fileName, std::unique_ptr<uint8_t[]>& ddsData,
                        const DDS_HEADER** header, const uint8_t** bitData, size_t* bitSize);

// The checks LoadDdsFileData makes on the bytes it has read: magic, header
// and pixel-format sizes, room for the extension header. Points the outputs
// into `data`.
HRESULT LocateDdsHeaders(const uint8_t* data, size_t size, const DDS_HEADER** header,
                         const uint8_t** bitData, size_t* bitSize);

// Interprets a header located by LocateDdsHeaders (the extension header, when
// the pixel format announces one, follows it in memory) and builds the
// subresource table over `bitSize` bytes at `bitData`.
HRESULT InterpretDdsData(const DDS_HEADER* header, const uint8_t* bitData, size_t bitSize,
                         DdsTextureLayout& layout);

// InterpretDdsData, then CreateTextureResources with its result.
HRESULT CreateTextureFromDdsData(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList,
                                 const DDS_HEADER* header, const uint8_t* bitData, size_t bitSize,
                                 Microsoft::WRL::ComPtr<ID3D12Resource>& texture,
                                 Microsoft::WRL::ComPtr<ID3D12Resource>& textureUploadHeap);

// The format of a pixel-format block without the extension header, or
// DXGI_FORMAT_UNKNOWN.
DXGI_FORMAT FormatFromPixelFormat(const DDS_PIXELFORMAT& ddpf);

// Bits per pixel of a format (per block pixel for compressed formats); 0 for
// formats the loader does not know.
size_t FormatBitsPerPixel(DXGI_FORMAT fmt);

// Bytes of one two-dimensional surface of `width` × `height` pixels and of one
// row (of 4 × 4 blocks for block-compressed formats). Either output may be
// null.
void ComputeSurfaceSizes(uint64_t width, uint64_t height, DXGI_FORMAT fmt, uint64_t* outNumBytes,
                         uint64_t* outRowBytes);

// Creates the texture and its upload buffer and records the upload of the
// `mipCount` × `arraySize` subresources of `initData`.
HRESULT CreateTextureResources(ID3D12Device* d3dDevice, ID3D12GraphicsCommandList* cmdList,
                               D3D12_RESOURCE_DIMENSION resDim, size_t width, size_t height,
                               size_t depth, size_t mipCount, size_t arraySize, DXGI_FORMAT format,
                               const D3D12_SUBRESOURCE_DATA* initData,
                               Microsoft::WRL::ComPtr<ID3D12Resource>& texture,
                               Microsoft::WRL::ComPtr<ID3D12Resource>& textureUploadHeap);
