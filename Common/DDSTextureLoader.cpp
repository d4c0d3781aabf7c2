#include "DDSTextureLoader.h"

#include <d3dx12.h>
#include <dxguids/dxguids.h>

#include <algorithm>
#include <cstring>
#include <new>

using Microsoft::WRL::ComPtr;

namespace
{
constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | (uint32_t(uint8_t(b)) << 8) | (uint32_t(uint8_t(c)) << 16) |
           (uint32_t(uint8_t(d)) << 24);
}

constexpr uint32_t DdsMagic = MakeFourCC('D', 'D', 'S', ' ');
constexpr uint32_t Dx10FourCC = MakeFourCC('D', 'X', '1', '0');

constexpr size_t HeaderBytes = sizeof(uint32_t) + sizeof(DDS_HEADER);
constexpr size_t Dx10HeaderBytes = HeaderBytes + sizeof(DDS_HEADER_DXT10);

// Header flags
constexpr uint32_t DdsHeight = 0x2;
constexpr uint32_t DdsVolume = 0x800000;

// Pixel-format flags
constexpr uint32_t DdsFourCC = 0x4;
constexpr uint32_t DdsRgb = 0x40;
constexpr uint32_t DdsLuminance = 0x20000;
constexpr uint32_t DdsAlpha = 0x2;

// caps2 and the extension's misc flags
constexpr uint32_t DdsCubeMap = 0x200;
constexpr uint32_t DdsCubeMapAllFaces = 0xFE00;
constexpr uint32_t DdsResourceMiscTextureCube = 0x4;

const HRESULT InvalidData = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
const HRESULT NotSupported = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
const HRESULT EndOfFile = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

// The pixel-format blocks without a four-character code, matched on bit count
// and the four channel masks.
struct MaskedFormat
{
    uint32_t bits;
    uint32_t r, g, b, a;
    DXGI_FORMAT format;
};

constexpr MaskedFormat RgbFormats[] = {
    {32, 0xff, 0xff00, 0xff0000, 0xff000000, DXGI_FORMAT_R8G8B8A8_UNORM},
    {32, 0xff0000, 0xff00, 0xff, 0xff000000, DXGI_FORMAT_B8G8R8A8_UNORM},
    {32, 0xff0000, 0xff00, 0xff, 0, DXGI_FORMAT_B8G8R8X8_UNORM},
    {32, 0x3ff00000, 0xffc00, 0x3ff, 0xc0000000, DXGI_FORMAT_R10G10B10A2_UNORM},
    {32, 0xffff, 0xffff0000, 0, 0, DXGI_FORMAT_R16G16_UNORM},
    {32, 0xffffffff, 0, 0, 0, DXGI_FORMAT_R32_FLOAT},
    {16, 0x7c00, 0x3e0, 0x1f, 0x8000, DXGI_FORMAT_B5G5R5A1_UNORM},
    {16, 0xf800, 0x7e0, 0x1f, 0, DXGI_FORMAT_B5G6R5_UNORM},
    {16, 0xf00, 0xf0, 0xf, 0xf000, DXGI_FORMAT_B4G4R4A4_UNORM},
};

constexpr MaskedFormat LuminanceFormats[] = {
    {8, 0xff, 0, 0, 0, DXGI_FORMAT_R8_UNORM},
    {16, 0xffff, 0, 0, 0, DXGI_FORMAT_R16_UNORM},
    {16, 0xff, 0, 0, 0xff00, DXGI_FORMAT_R8G8_UNORM},
};

struct CodedFormat
{
    uint32_t code;
    DXGI_FORMAT format;
};

// Four-character codes, and the numeric codes some writers store instead.
constexpr CodedFormat CodedFormats[] = {
    {MakeFourCC('D', 'X', 'T', '1'), DXGI_FORMAT_BC1_UNORM},
    {MakeFourCC('D', 'X', 'T', '2'), DXGI_FORMAT_BC2_UNORM},
    {MakeFourCC('D', 'X', 'T', '3'), DXGI_FORMAT_BC2_UNORM},
    {MakeFourCC('D', 'X', 'T', '4'), DXGI_FORMAT_BC3_UNORM},
    {MakeFourCC('D', 'X', 'T', '5'), DXGI_FORMAT_BC3_UNORM},
    {MakeFourCC('A', 'T', 'I', '1'), DXGI_FORMAT_BC4_UNORM},
    {MakeFourCC('B', 'C', '4', 'U'), DXGI_FORMAT_BC4_UNORM},
    {MakeFourCC('B', 'C', '4', 'S'), DXGI_FORMAT_BC4_SNORM},
    {MakeFourCC('A', 'T', 'I', '2'), DXGI_FORMAT_BC5_UNORM},
    {MakeFourCC('B', 'C', '5', 'U'), DXGI_FORMAT_BC5_UNORM},
    {MakeFourCC('B', 'C', '5', 'S'), DXGI_FORMAT_BC5_SNORM},
    {MakeFourCC('R', 'G', 'B', 'G'), DXGI_FORMAT_R8G8_B8G8_UNORM},
    {MakeFourCC('G', 'R', 'G', 'B'), DXGI_FORMAT_G8R8_G8B8_UNORM},
    {MakeFourCC('Y', 'U', 'Y', '2'), DXGI_FORMAT_YUY2},
    {36, DXGI_FORMAT_R16G16B16A16_UNORM},
    {110, DXGI_FORMAT_R16G16B16A16_SNORM},
    {111, DXGI_FORMAT_R16_FLOAT},
    {112, DXGI_FORMAT_R16G16_FLOAT},
    {113, DXGI_FORMAT_R16G16B16A16_FLOAT},
    {114, DXGI_FORMAT_R32_FLOAT},
    {115, DXGI_FORMAT_R32G32_FLOAT},
    {116, DXGI_FORMAT_R32G32B32A32_FLOAT},
};

template <size_t N>
DXGI_FORMAT MatchMasks(const MaskedFormat (&table)[N], const DDS_PIXELFORMAT& ddpf)
{
    for (const MaskedFormat& row : table)
    {
        if (ddpf.RGBBitCount == row.bits && ddpf.RBitMask == row.r && ddpf.GBitMask == row.g &&
            ddpf.BBitMask == row.b && ddpf.ABitMask == row.a)
            return row.format;
    }
    return DXGI_FORMAT_UNKNOWN;
}

// Formats grouped by bits per pixel, in ranges of consecutive format numbers.
struct FormatRange
{
    DXGI_FORMAT first, last;
    size_t bits;
};

// clang-format off
constexpr FormatRange BitsPerPixel[] = {
    {DXGI_FORMAT_R32G32B32A32_TYPELESS, DXGI_FORMAT_R32G32B32A32_SINT, 128},
    {DXGI_FORMAT_R32G32B32_TYPELESS, DXGI_FORMAT_R32G32B32_SINT, 96},
    {DXGI_FORMAT_R16G16B16A16_TYPELESS, DXGI_FORMAT_X32_TYPELESS_G8X24_UINT, 64},
    {DXGI_FORMAT_Y416, DXGI_FORMAT_Y416, 64},
    {DXGI_FORMAT_Y210, DXGI_FORMAT_Y216, 64},
    {DXGI_FORMAT_R10G10B10A2_TYPELESS, DXGI_FORMAT_X24_TYPELESS_G8_UINT, 32},
    {DXGI_FORMAT_R9G9B9E5_SHAREDEXP, DXGI_FORMAT_G8R8_G8B8_UNORM, 32},
    {DXGI_FORMAT_B8G8R8A8_UNORM, DXGI_FORMAT_B8G8R8X8_UNORM_SRGB, 32},
    {DXGI_FORMAT_AYUV, DXGI_FORMAT_Y410, 32},
    {DXGI_FORMAT_YUY2, DXGI_FORMAT_YUY2, 32},
    {DXGI_FORMAT_P010, DXGI_FORMAT_P016, 24},
    {DXGI_FORMAT_R8G8_TYPELESS, DXGI_FORMAT_R16_SINT, 16},
    {DXGI_FORMAT_B5G6R5_UNORM, DXGI_FORMAT_B5G5R5A1_UNORM, 16},
    {DXGI_FORMAT_A8P8, DXGI_FORMAT_B4G4R4A4_UNORM, 16},
    {DXGI_FORMAT_NV12, DXGI_FORMAT_NV12, 12},
    {DXGI_FORMAT_420_OPAQUE, DXGI_FORMAT_420_OPAQUE, 12},
    {DXGI_FORMAT_NV11, DXGI_FORMAT_NV11, 12},
    {DXGI_FORMAT_R8_TYPELESS, DXGI_FORMAT_A8_UNORM, 8},
    {DXGI_FORMAT_BC2_TYPELESS, DXGI_FORMAT_BC3_UNORM_SRGB, 8},
    {DXGI_FORMAT_BC5_TYPELESS, DXGI_FORMAT_BC5_SNORM, 8},
    {DXGI_FORMAT_BC6H_TYPELESS, DXGI_FORMAT_BC7_UNORM_SRGB, 8},
    {DXGI_FORMAT_AI44, DXGI_FORMAT_P8, 8},
    {DXGI_FORMAT_BC1_TYPELESS, DXGI_FORMAT_BC1_UNORM_SRGB, 4},
    {DXGI_FORMAT_BC4_TYPELESS, DXGI_FORMAT_BC4_SNORM, 4},
    {DXGI_FORMAT_R1_UNORM, DXGI_FORMAT_R1_UNORM, 1},
};
// clang-format on

// How the bytes of a surface follow from its size.
enum class SurfaceKind
{
    Linear,       // bits per pixel, rows rounded up to whole bytes
    Block8,       // 4 × 4 blocks of 8 bytes
    Block16,      // 4 × 4 blocks of 16 bytes
    PairOf4Bytes, // two pixels in 4 bytes
    PairOf8Bytes, // two pixels in 8 bytes
    Nv11,         // four-pixel-wide luma rows and a chroma plane of the same size
    Planar2Bytes, // a luma plane plus half as much chroma, 2 bytes per pixel pair
    Planar4Bytes, // the same with 4 bytes per pixel pair
};

struct SurfaceRange
{
    DXGI_FORMAT first, last;
    SurfaceKind kind;
};

// clang-format off
constexpr SurfaceRange SurfaceKinds[] = {
    {DXGI_FORMAT_BC1_TYPELESS, DXGI_FORMAT_BC1_UNORM_SRGB, SurfaceKind::Block8},
    {DXGI_FORMAT_BC4_TYPELESS, DXGI_FORMAT_BC4_SNORM, SurfaceKind::Block8},
    {DXGI_FORMAT_BC2_TYPELESS, DXGI_FORMAT_BC3_UNORM_SRGB, SurfaceKind::Block16},
    {DXGI_FORMAT_BC5_TYPELESS, DXGI_FORMAT_BC5_SNORM, SurfaceKind::Block16},
    {DXGI_FORMAT_BC6H_TYPELESS, DXGI_FORMAT_BC7_UNORM_SRGB, SurfaceKind::Block16},
    {DXGI_FORMAT_R8G8_B8G8_UNORM, DXGI_FORMAT_G8R8_G8B8_UNORM, SurfaceKind::PairOf4Bytes},
    {DXGI_FORMAT_YUY2, DXGI_FORMAT_YUY2, SurfaceKind::PairOf4Bytes},
    {DXGI_FORMAT_Y210, DXGI_FORMAT_Y216, SurfaceKind::PairOf8Bytes},
    {DXGI_FORMAT_NV11, DXGI_FORMAT_NV11, SurfaceKind::Nv11},
    {DXGI_FORMAT_NV12, DXGI_FORMAT_NV12, SurfaceKind::Planar2Bytes},
    {DXGI_FORMAT_420_OPAQUE, DXGI_FORMAT_420_OPAQUE, SurfaceKind::Planar2Bytes},
    {DXGI_FORMAT_P010, DXGI_FORMAT_P016, SurfaceKind::Planar4Bytes},
};
// clang-format on

SurfaceKind SurfaceKindOf(DXGI_FORMAT fmt)
{
    for (const SurfaceRange& range : SurfaceKinds)
    {
        if (fmt >= range.first && fmt <= range.last)
            return range.kind;
    }
    return SurfaceKind::Linear;
}

bool HasDx10Header(const DDS_PIXELFORMAT& ddpf)
{
    return (ddpf.flags & DdsFourCC) && ddpf.fourCC == Dx10FourCC;
}

// The result of a failed file call. A call that failed without leaving an
// error code must still fail, not turn into a success code.
HRESULT ResultFromLastError()
{
    const DWORD error = GetLastError();
    if (error == ERROR_SUCCESS)
        return E_FAIL;
    return HRESULT_FROM_WIN32(error);
}

// Closes the file on every path out of LoadDdsFileData.
class ScopedFile
{
public:
    explicit ScopedFile(HANDLE handle) : mHandle(handle) {}
    ~ScopedFile() { CloseHandle(mHandle); }
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;

private:
    HANDLE mHandle;
};

// The header's dimension, format, sizes and cube flag, checked against the
// extension header or worked out from the pixel format, and against the
// platform's limits.
HRESULT InterpretHeader(const DDS_HEADER& header, const DDS_HEADER_DXT10* extension,
                        DdsTextureLayout& layout)
{
    size_t width = header.width;
    size_t height = header.height;
    size_t depth = header.depth;
    size_t mipCount = header.mipMapCount == 0 ? 1 : header.mipMapCount;
    // 64-bit: a cube array multiplies the file's 32-bit array size by 6.
    size_t arraySize = 1;
    bool isCube = false;
    D3D12_RESOURCE_DIMENSION dimension;
    DXGI_FORMAT format;

    if (extension)
    {
        arraySize = extension->arraySize;
        if (arraySize == 0)
            return InvalidData;

        format = static_cast<DXGI_FORMAT>(extension->dxgiFormat);
        switch (format)
        {
        case DXGI_FORMAT_AI44:
        case DXGI_FORMAT_IA44:
        case DXGI_FORMAT_P8:
        case DXGI_FORMAT_A8P8:
            return NotSupported;
        default:
            if (FormatBitsPerPixel(format) == 0)
                return NotSupported;
        }

        switch (extension->resourceDimension)
        {
        case D3D12_RESOURCE_DIMENSION_TEXTURE1D:
            if ((header.flags & DdsHeight) && height != 1)
                return InvalidData;
            height = depth = 1;
            break;
        case D3D12_RESOURCE_DIMENSION_TEXTURE2D:
            if (extension->miscFlag & DdsResourceMiscTextureCube)
            {
                arraySize *= 6;
                isCube = true;
            }
            depth = 1;
            break;
        case D3D12_RESOURCE_DIMENSION_TEXTURE3D:
            if (!(header.flags & DdsVolume))
                return InvalidData;
            if (arraySize > 1)
                return NotSupported;
            break;
        default:
            return NotSupported;
        }
        dimension = static_cast<D3D12_RESOURCE_DIMENSION>(extension->resourceDimension);
    }
    else
    {
        format = FormatFromPixelFormat(header.ddspf);
        if (format == DXGI_FORMAT_UNKNOWN)
            return NotSupported;

        if (header.flags & DdsVolume)
        {
            dimension = D3D12_RESOURCE_DIMENSION_TEXTURE3D;
        }
        else
        {
            dimension = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
            depth = 1;
            if (header.caps2 & DdsCubeMap)
            {
                // Only complete cube maps: a texture cannot leave faces out.
                if ((header.caps2 & DdsCubeMapAllFaces) != DdsCubeMapAllFaces)
                    return NotSupported;
                arraySize = 6;
                isCube = true;
            }
        }
    }

    if (mipCount > D3D12_REQ_MIP_LEVELS)
        return NotSupported;
    switch (dimension)
    {
    case D3D12_RESOURCE_DIMENSION_TEXTURE1D:
        if (arraySize > D3D12_REQ_TEXTURE1D_ARRAY_AXIS_DIMENSION ||
            width > D3D12_REQ_TEXTURE1D_U_DIMENSION)
            return NotSupported;
        break;
    case D3D12_RESOURCE_DIMENSION_TEXTURE2D:
        if (arraySize > D3D12_REQ_TEXTURE2D_ARRAY_AXIS_DIMENSION ||
            width > D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION ||
            height > D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION)
            return NotSupported;
        break;
    default: // three-dimensional
        if (arraySize > 1 || width > D3D12_REQ_TEXTURE3D_U_V_OR_W_DIMENSION ||
            height > D3D12_REQ_TEXTURE3D_U_V_OR_W_DIMENSION ||
            depth > D3D12_REQ_TEXTURE3D_U_V_OR_W_DIMENSION)
            return NotSupported;
        break;
    }

    layout.Dimension = dimension;
    layout.Format = format;
    layout.Width = width;
    layout.Height = height;
    layout.Depth = depth;
    layout.MipCount = mipCount;
    layout.ArraySize = arraySize;
    layout.IsCube = isCube;
    return S_OK;
}

// Walks the pixel data level by level, slice by slice, filling the table;
// fails as soon as a subresource would end past the data.
HRESULT LocateSubresources(const uint8_t* bitData, size_t bitSize, DdsTextureLayout& layout)
{
    size_t used = 0;
    size_t index = 0;
    for (size_t slice = 0; slice < layout.ArraySize; ++slice)
    {
        // Every slice starts from the header's size, which is also the size
        // of the texture's first level.
        uint64_t w = layout.Width, h = layout.Height, d = layout.Depth;
        for (size_t level = 0; level < layout.MipCount; ++level)
        {
            uint64_t numBytes = 0, rowBytes = 0;
            ComputeSurfaceSizes(w, h, layout.Format, &numBytes, &rowBytes);
            // The sizes fit in 32 bits whenever the data is really there: the
            // file is smaller than 4 GiB.
            D3D12_SUBRESOURCE_DATA& entry = layout.Subresources[index++];
            entry.pData = bitData + used;
            entry.RowPitch = LONG_PTR(uint32_t(rowBytes));
            entry.SlicePitch = LONG_PTR(uint32_t(numBytes));

            // The limits keep numBytes × d below 2^38, so the product cannot
            // wrap; comparing with what is left forms no pointer past the
            // data.
            const uint64_t levelBytes = numBytes * d;
            if (levelBytes > bitSize - used)
                return EndOfFile;
            used += size_t(levelBytes);

            w = std::max<uint64_t>(w / 2, 1);
            h = std::max<uint64_t>(h / 2, 1);
            d = std::max<uint64_t>(d / 2, 1);
        }
    }
    if (index == 0)
        return E_FAIL;
    layout.BytesUsed = used;
    return S_OK;
}
} // namespace

HRESULT CreateDDSTextureFromFile12(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList,
                                   const wchar_t* szFileName, ComPtr<ID3D12Resource>& texture,
                                   ComPtr<ID3D12Resource>& textureUploadHeap)
{
    texture.Reset();
    textureUploadHeap.Reset();
    if (!device || !szFileName)
        return E_INVALIDARG;

    // The pixel data is used in place inside the file buffer until it has
    // been copied into the upload buffer.
    std::unique_ptr<uint8_t[]> ddsData;
    const DDS_HEADER* header = nullptr;
    const uint8_t* bitData = nullptr;
    size_t bitSize = 0;
    HRESULT hr = LoadDdsFileData(szFileName, ddsData, &header, &bitData, &bitSize);
    if (FAILED(hr))
        return hr;
    return CreateTextureFromDdsData(device, cmdList, header, bitData, bitSize, texture,
                                    textureUploadHeap);
}

HRESULT LoadDdsFileData(const wchar_t* fileName, std::unique_ptr<uint8_t[]>& ddsData,
                        const DDS_HEADER** header, const uint8_t** bitData, size_t* bitSize)
{
    if (!header || !bitData || !bitSize)
        return E_POINTER;
    *header = nullptr;
    *bitData = nullptr;
    *bitSize = 0;

    HANDLE file = CreateFile2(fileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ResultFromLastError();
    ScopedFile closeOnReturn(file);

    FILE_STANDARD_INFO fileInfo = {};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &fileInfo, sizeof(fileInfo)))
        return ResultFromLastError();
    // The size is known before anything is allocated: at least the magic and
    // the header, and one read call's worth at most.
    if (fileInfo.EndOfFile.QuadPart < int64_t(HeaderBytes) ||
        fileInfo.EndOfFile.QuadPart > int64_t(UINT32_MAX))
        return E_FAIL;
    const size_t fileSize = size_t(fileInfo.EndOfFile.QuadPart);

    ddsData.reset(new (std::nothrow) uint8_t[fileSize]);
    if (!ddsData)
        return E_OUTOFMEMORY;

    DWORD bytesRead = 0;
    if (!ReadFile(file, ddsData.get(), DWORD(fileSize), &bytesRead, nullptr))
        return ResultFromLastError();
    if (bytesRead < fileSize)
        return E_FAIL;

    return LocateDdsHeaders(ddsData.get(), fileSize, header, bitData, bitSize);
}

HRESULT LocateDdsHeaders(const uint8_t* data, size_t size, const DDS_HEADER** header,
                         const uint8_t** bitData, size_t* bitSize)
{
    if (!data || !header || !bitData || !bitSize)
        return E_POINTER;
    if (size < HeaderBytes)
        return E_FAIL;

    // Copies rather than casts: the fields are read wherever the bytes lie.
    uint32_t magic;
    std::memcpy(&magic, data, sizeof(magic));
    DDS_HEADER fileHeader;
    std::memcpy(&fileHeader, data + sizeof(magic), sizeof(fileHeader));
    if (magic != DdsMagic || fileHeader.size != sizeof(DDS_HEADER) ||
        fileHeader.ddspf.size != sizeof(DDS_PIXELFORMAT))
        return E_FAIL;

    size_t offset = HeaderBytes;
    if (HasDx10Header(fileHeader.ddspf))
    {
        if (size < Dx10HeaderBytes)
            return E_FAIL;
        offset = Dx10HeaderBytes;
    }

    *header = reinterpret_cast<const DDS_HEADER*>(data + sizeof(magic));
    *bitData = data + offset;
    *bitSize = size - offset;
    return S_OK;
}

HRESULT InterpretDdsData(const DDS_HEADER* header, const uint8_t* bitData, size_t bitSize,
                         DdsTextureLayout& layout)
{
    layout = DdsTextureLayout();
    if (!header)
        return E_POINTER;

    DDS_HEADER fileHeader;
    std::memcpy(&fileHeader, header, sizeof(fileHeader));
    DDS_HEADER_DXT10 extension;
    const bool hasExtension = HasDx10Header(fileHeader.ddspf);
    if (hasExtension)
        std::memcpy(&extension, header + 1, sizeof(extension));

    HRESULT hr = InterpretHeader(fileHeader, hasExtension ? &extension : nullptr, layout);
    if (FAILED(hr))
        return hr;

    // At most 15 × 2048 entries after the limits; the count still saturates
    // rather than wraps.
    const size_t count = layout.ArraySize > SIZE_MAX / layout.MipCount
                             ? SIZE_MAX
                             : layout.MipCount * layout.ArraySize;
    if (count <= SIZE_MAX / sizeof(D3D12_SUBRESOURCE_DATA))
        layout.Subresources.reset(new (std::nothrow) D3D12_SUBRESOURCE_DATA[count]);
    if (!layout.Subresources)
        return E_OUTOFMEMORY;
    if (!bitData)
        return E_POINTER;

    hr = LocateSubresources(bitData, bitSize, layout);
    if (FAILED(hr))
        layout.Subresources.reset();
    return hr;
}

HRESULT CreateTextureFromDdsData(ID3D12Device* device, ID3D12GraphicsCommandList* cmdList,
                                 const DDS_HEADER* header, const uint8_t* bitData, size_t bitSize,
                                 ComPtr<ID3D12Resource>& texture,
                                 ComPtr<ID3D12Resource>& textureUploadHeap)
{
    DdsTextureLayout layout;
    HRESULT hr = InterpretDdsData(header, bitData, bitSize, layout);
    if (FAILED(hr))
        return hr;
    return CreateTextureResources(device, cmdList, layout.Dimension, layout.Width, layout.Height,
                                  layout.Depth, layout.MipCount, layout.ArraySize, layout.Format,
                                  layout.Subresources.get(), texture, textureUploadHeap);
}

DXGI_FORMAT FormatFromPixelFormat(const DDS_PIXELFORMAT& ddpf)
{
    // The first flag group present decides, in this order; a block flagged
    // RGB is never read as luminance or by its four-character code.
    if (ddpf.flags & DdsRgb)
        return MatchMasks(RgbFormats, ddpf);
    if (ddpf.flags & DdsLuminance)
        return MatchMasks(LuminanceFormats, ddpf);
    if (ddpf.flags & DdsAlpha)
        return ddpf.RGBBitCount == 8 ? DXGI_FORMAT_A8_UNORM : DXGI_FORMAT_UNKNOWN;
    if (ddpf.flags & DdsFourCC)
    {
        for (const CodedFormat& row : CodedFormats)
        {
            if (ddpf.fourCC == row.code)
                return row.format;
        }
    }
    return DXGI_FORMAT_UNKNOWN;
}

size_t FormatBitsPerPixel(DXGI_FORMAT fmt)
{
    for (const FormatRange& range : BitsPerPixel)
    {
        if (fmt >= range.first && fmt <= range.last)
            return range.bits;
    }
    return 0;
}

void ComputeSurfaceSizes(uint64_t width, uint64_t height, DXGI_FORMAT fmt, uint64_t* outNumBytes,
                         uint64_t* outRowBytes)
{
    auto blocks = [](uint64_t pixels)
    { return pixels == 0 ? 0 : std::max<uint64_t>(1, (pixels + 3) / 4); };
    uint64_t rowBytes = 0;
    uint64_t numBytes = 0;
    switch (SurfaceKindOf(fmt))
    {
    case SurfaceKind::Block8:
    case SurfaceKind::Block16:
    {
        const uint64_t blockBytes = SurfaceKindOf(fmt) == SurfaceKind::Block8 ? 8 : 16;
        rowBytes = blocks(width) * blockBytes;
        numBytes = rowBytes * blocks(height);
        break;
    }
    case SurfaceKind::PairOf4Bytes:
        rowBytes = ((width + 1) / 2) * 4;
        numBytes = rowBytes * height;
        break;
    case SurfaceKind::PairOf8Bytes:
        rowBytes = ((width + 1) / 2) * 8;
        numBytes = rowBytes * height;
        break;
    case SurfaceKind::Nv11:
        rowBytes = ((width + 3) / 4) * 4;
        numBytes = rowBytes * height * 2;
        break;
    case SurfaceKind::Planar2Bytes:
    case SurfaceKind::Planar4Bytes:
    {
        const uint64_t pairBytes = SurfaceKindOf(fmt) == SurfaceKind::Planar2Bytes ? 2 : 4;
        rowBytes = ((width + 1) / 2) * pairBytes;
        const uint64_t lumaBytes = rowBytes * height;
        numBytes = lumaBytes + lumaBytes / 2;
        break;
    }
    case SurfaceKind::Linear:
        rowBytes = (width * FormatBitsPerPixel(fmt) + 7) / 8;
        numBytes = rowBytes * height;
        break;
    }
    if (outNumBytes)
        *outNumBytes = numBytes;
    if (outRowBytes)
        *outRowBytes = rowBytes;
}

HRESULT CreateTextureResources(ID3D12Device* d3dDevice, ID3D12GraphicsCommandList* cmdList,
                               D3D12_RESOURCE_DIMENSION resDim, size_t width, size_t height,
                               size_t depth, size_t mipCount, size_t arraySize, DXGI_FORMAT format,
                               const D3D12_SUBRESOURCE_DATA* initData,
                               ComPtr<ID3D12Resource>& texture,
                               ComPtr<ID3D12Resource>& textureUploadHeap)
{
    if (!d3dDevice || !cmdList || !initData)
        return E_POINTER;
    // One- and three-dimensional files pass the header checks, but the scene
    // samples only two-dimensional textures.
    if (resDim != D3D12_RESOURCE_DIMENSION_TEXTURE2D)
        return E_FAIL;

    D3D12_RESOURCE_DESC texDesc = {};
    texDesc.Dimension = resDim;
    texDesc.Alignment = 0;
    texDesc.Width = width;
    texDesc.Height = UINT(height);
    texDesc.DepthOrArraySize = UINT16(depth > 1 ? depth : arraySize);
    texDesc.MipLevels = UINT16(mipCount);
    texDesc.Format = format;
    texDesc.SampleDesc.Count = 1;
    texDesc.SampleDesc.Quality = 0;
    texDesc.Layout = D3D12_TEXTURE_LAYOUT_UNKNOWN;
    texDesc.Flags = D3D12_RESOURCE_FLAG_NONE;

    texture.Reset();
    const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
    HRESULT hr = d3dDevice->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &texDesc,
                                                    D3D12_RESOURCE_STATE_COMMON, nullptr,
                                                    IID_PPV_ARGS(&texture));
    if (FAILED(hr))
    {
        texture.Reset();
        return hr;
    }

    const UINT subresourceCount = UINT(texDesc.DepthOrArraySize) * texDesc.MipLevels;
    const UINT64 uploadBytes = GetRequiredIntermediateSize(texture.Get(), 0, subresourceCount);

    textureUploadHeap.Reset();
    const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
    const CD3DX12_RESOURCE_DESC uploadDesc = CD3DX12_RESOURCE_DESC::Buffer(uploadBytes);
    hr = d3dDevice->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &uploadDesc,
                                            D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                            IID_PPV_ARGS(&textureUploadHeap));
    if (FAILED(hr))
    {
        texture.Reset();
        textureUploadHeap.Reset();
        return hr;
    }

    const CD3DX12_RESOURCE_BARRIER toCopyDest = CD3DX12_RESOURCE_BARRIER::Transition(
        texture.Get(), D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_COPY_DEST);
    cmdList->ResourceBarrier(1, &toCopyDest);

    // UpdateSubresources returns 0 when it could not map the upload buffer or
    // the buffer is too small; the texture would then hold no image while
    // the call reported success.
    if (UpdateSubresources(cmdList, texture.Get(), textureUploadHeap.Get(), 0, 0, subresourceCount,
                           initData) == 0)
    {
        texture.Reset();
        textureUploadHeap.Reset();
        return E_FAIL;
    }

    const CD3DX12_RESOURCE_BARRIER toShaderResource = CD3DX12_RESOURCE_BARRIER::Transition(
        texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
    cmdList->ResourceBarrier(1, &toShaderResource);
    return S_OK;
}
