#include "format.h"

#include <array>

namespace d3d12
{
namespace
{

constexpr VkComponentMapping Identity = {};
constexpr VkComponentMapping OpaqueAlpha = {
    VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
    VK_COMPONENT_SWIZZLE_ONE};
constexpr VkComponentMapping AlphaOnly = {VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO,
                                          VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_R};

constexpr VkImageAspectFlags Depth = VK_IMAGE_ASPECT_DEPTH_BIT;
constexpr VkImageAspectFlags DepthStencil = VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT;

constexpr ClearKind F = ClearKind::Float;
constexpr ClearKind U = ClearKind::Uint;
constexpr ClearKind S = ClearKind::Sint;

// clang-format off
constexpr FormatInfo Formats[] = {
    // format                                 family                                   Vulkan format                          bytes block clear typeless aspects  components
    {DXGI_FORMAT_R32G32B32A32_TYPELESS,    DXGI_FORMAT_R32G32B32A32_TYPELESS, VK_FORMAT_R32G32B32A32_SFLOAT,    16, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R32G32B32A32_FLOAT,       DXGI_FORMAT_R32G32B32A32_TYPELESS, VK_FORMAT_R32G32B32A32_SFLOAT,    16, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R32G32B32A32_UINT,        DXGI_FORMAT_R32G32B32A32_TYPELESS, VK_FORMAT_R32G32B32A32_UINT,      16, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R32G32B32A32_SINT,        DXGI_FORMAT_R32G32B32A32_TYPELESS, VK_FORMAT_R32G32B32A32_SINT,      16, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R32G32B32_TYPELESS,       DXGI_FORMAT_R32G32B32_TYPELESS,    VK_FORMAT_R32G32B32_SFLOAT,       12, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R32G32B32_FLOAT,          DXGI_FORMAT_R32G32B32_TYPELESS,    VK_FORMAT_R32G32B32_SFLOAT,       12, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R32G32B32_UINT,           DXGI_FORMAT_R32G32B32_TYPELESS,    VK_FORMAT_R32G32B32_UINT,         12, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R32G32B32_SINT,           DXGI_FORMAT_R32G32B32_TYPELESS,    VK_FORMAT_R32G32B32_SINT,         12, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R16G16B16A16_TYPELESS,    DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_SFLOAT,     8, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R16G16B16A16_FLOAT,       DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_SFLOAT,     8, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16B16A16_UNORM,       DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_UNORM,      8, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16B16A16_UINT,        DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_UINT,       8, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R16G16B16A16_SNORM,       DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_SNORM,      8, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16B16A16_SINT,        DXGI_FORMAT_R16G16B16A16_TYPELESS, VK_FORMAT_R16G16B16A16_SINT,       8, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R32G32_TYPELESS,          DXGI_FORMAT_R32G32_TYPELESS,       VK_FORMAT_R32G32_SFLOAT,           8, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R32G32_FLOAT,             DXGI_FORMAT_R32G32_TYPELESS,       VK_FORMAT_R32G32_SFLOAT,           8, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R32G32_UINT,              DXGI_FORMAT_R32G32_TYPELESS,       VK_FORMAT_R32G32_UINT,             8, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R32G32_SINT,              DXGI_FORMAT_R32G32_TYPELESS,       VK_FORMAT_R32G32_SINT,             8, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R32G8X24_TYPELESS,        DXGI_FORMAT_R32G8X24_TYPELESS,     VK_FORMAT_D32_SFLOAT_S8_UINT,      4, 1, F, true,  DepthStencil, Identity},
    {DXGI_FORMAT_D32_FLOAT_S8X24_UINT,     DXGI_FORMAT_R32G8X24_TYPELESS,     VK_FORMAT_D32_SFLOAT_S8_UINT,      4, 1, F, false, DepthStencil, Identity},
    {DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS, DXGI_FORMAT_R32G8X24_TYPELESS,     VK_FORMAT_D32_SFLOAT_S8_UINT,      4, 1, F, false, DepthStencil, Identity},
    {DXGI_FORMAT_X32_TYPELESS_G8X24_UINT,  DXGI_FORMAT_R32G8X24_TYPELESS,     VK_FORMAT_D32_SFLOAT_S8_UINT,      4, 1, U, false, DepthStencil, Identity},
    {DXGI_FORMAT_R10G10B10A2_TYPELESS,     DXGI_FORMAT_R10G10B10A2_TYPELESS,  VK_FORMAT_A2B10G10R10_UNORM_PACK32, 4, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R10G10B10A2_UNORM,        DXGI_FORMAT_R10G10B10A2_TYPELESS,  VK_FORMAT_A2B10G10R10_UNORM_PACK32, 4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R10G10B10A2_UINT,         DXGI_FORMAT_R10G10B10A2_TYPELESS,  VK_FORMAT_A2B10G10R10_UINT_PACK32,  4, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R11G11B10_FLOAT,          DXGI_FORMAT_R11G11B10_FLOAT,       VK_FORMAT_B10G11R11_UFLOAT_PACK32, 4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8B8A8_TYPELESS,        DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_UNORM,          4, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R8G8B8A8_UNORM,           DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_UNORM,          4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,      DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_SRGB,           4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8B8A8_UINT,            DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_UINT,           4, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R8G8B8A8_SNORM,           DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_SNORM,          4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8B8A8_SINT,            DXGI_FORMAT_R8G8B8A8_TYPELESS,     VK_FORMAT_R8G8B8A8_SINT,           4, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R16G16_TYPELESS,          DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_SFLOAT,           4, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R16G16_FLOAT,             DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_SFLOAT,           4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16_UNORM,             DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_UNORM,            4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16_UINT,              DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_UINT,             4, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R16G16_SNORM,             DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_SNORM,            4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16G16_SINT,              DXGI_FORMAT_R16G16_TYPELESS,       VK_FORMAT_R16G16_SINT,             4, 1, S, false, 0, Identity},
    // R32_TYPELESS images are colour images unless created for depth, when
    // the resource takes the depth format (see the resource's format choice).
    {DXGI_FORMAT_R32_TYPELESS,             DXGI_FORMAT_R32_TYPELESS,          VK_FORMAT_R32_SFLOAT,              4, 1, F, true,  0, Identity},
    {DXGI_FORMAT_D32_FLOAT,                DXGI_FORMAT_R32_TYPELESS,          VK_FORMAT_D32_SFLOAT,              4, 1, F, false, Depth, Identity},
    {DXGI_FORMAT_R32_FLOAT,                DXGI_FORMAT_R32_TYPELESS,          VK_FORMAT_R32_SFLOAT,              4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R32_UINT,                 DXGI_FORMAT_R32_TYPELESS,          VK_FORMAT_R32_UINT,                4, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R32_SINT,                 DXGI_FORMAT_R32_TYPELESS,          VK_FORMAT_R32_SINT,                4, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R24G8_TYPELESS,           DXGI_FORMAT_R24G8_TYPELESS,        VK_FORMAT_D24_UNORM_S8_UINT,       4, 1, F, true,  DepthStencil, Identity},
    {DXGI_FORMAT_D24_UNORM_S8_UINT,        DXGI_FORMAT_R24G8_TYPELESS,        VK_FORMAT_D24_UNORM_S8_UINT,       4, 1, F, false, DepthStencil, Identity},
    {DXGI_FORMAT_R24_UNORM_X8_TYPELESS,    DXGI_FORMAT_R24G8_TYPELESS,        VK_FORMAT_D24_UNORM_S8_UINT,       4, 1, F, false, DepthStencil, Identity},
    {DXGI_FORMAT_X24_TYPELESS_G8_UINT,     DXGI_FORMAT_R24G8_TYPELESS,        VK_FORMAT_D24_UNORM_S8_UINT,       4, 1, U, false, DepthStencil, Identity},
    {DXGI_FORMAT_R8G8_TYPELESS,            DXGI_FORMAT_R8G8_TYPELESS,         VK_FORMAT_R8G8_UNORM,              2, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R8G8_UNORM,               DXGI_FORMAT_R8G8_TYPELESS,         VK_FORMAT_R8G8_UNORM,              2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8_UINT,                DXGI_FORMAT_R8G8_TYPELESS,         VK_FORMAT_R8G8_UINT,               2, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R8G8_SNORM,               DXGI_FORMAT_R8G8_TYPELESS,         VK_FORMAT_R8G8_SNORM,              2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8G8_SINT,                DXGI_FORMAT_R8G8_TYPELESS,         VK_FORMAT_R8G8_SINT,               2, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R16_TYPELESS,             DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_SFLOAT,              2, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R16_FLOAT,                DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_SFLOAT,              2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_D16_UNORM,                DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_D16_UNORM,               2, 1, F, false, Depth, Identity},
    {DXGI_FORMAT_R16_UNORM,                DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_UNORM,               2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16_UINT,                 DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_UINT,                2, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R16_SNORM,                DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_SNORM,               2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R16_SINT,                 DXGI_FORMAT_R16_TYPELESS,          VK_FORMAT_R16_SINT,                2, 1, S, false, 0, Identity},
    {DXGI_FORMAT_R8_TYPELESS,              DXGI_FORMAT_R8_TYPELESS,           VK_FORMAT_R8_UNORM,                1, 1, F, true,  0, Identity},
    {DXGI_FORMAT_R8_UNORM,                 DXGI_FORMAT_R8_TYPELESS,           VK_FORMAT_R8_UNORM,                1, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8_UINT,                  DXGI_FORMAT_R8_TYPELESS,           VK_FORMAT_R8_UINT,                 1, 1, U, false, 0, Identity},
    {DXGI_FORMAT_R8_SNORM,                 DXGI_FORMAT_R8_TYPELESS,           VK_FORMAT_R8_SNORM,                1, 1, F, false, 0, Identity},
    {DXGI_FORMAT_R8_SINT,                  DXGI_FORMAT_R8_TYPELESS,           VK_FORMAT_R8_SINT,                 1, 1, S, false, 0, Identity},
    {DXGI_FORMAT_A8_UNORM,                 DXGI_FORMAT_A8_UNORM,              VK_FORMAT_R8_UNORM,                1, 1, F, false, 0, AlphaOnly},
    {DXGI_FORMAT_R9G9B9E5_SHAREDEXP,       DXGI_FORMAT_R9G9B9E5_SHAREDEXP,    VK_FORMAT_E5B9G9R9_UFLOAT_PACK32,  4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_BC1_TYPELESS,             DXGI_FORMAT_BC1_TYPELESS,          VK_FORMAT_BC1_RGBA_UNORM_BLOCK,    8, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC1_UNORM,                DXGI_FORMAT_BC1_TYPELESS,          VK_FORMAT_BC1_RGBA_UNORM_BLOCK,    8, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC1_UNORM_SRGB,           DXGI_FORMAT_BC1_TYPELESS,          VK_FORMAT_BC1_RGBA_SRGB_BLOCK,     8, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC2_TYPELESS,             DXGI_FORMAT_BC2_TYPELESS,          VK_FORMAT_BC2_UNORM_BLOCK,        16, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC2_UNORM,                DXGI_FORMAT_BC2_TYPELESS,          VK_FORMAT_BC2_UNORM_BLOCK,        16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC2_UNORM_SRGB,           DXGI_FORMAT_BC2_TYPELESS,          VK_FORMAT_BC2_SRGB_BLOCK,         16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC3_TYPELESS,             DXGI_FORMAT_BC3_TYPELESS,          VK_FORMAT_BC3_UNORM_BLOCK,        16, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC3_UNORM,                DXGI_FORMAT_BC3_TYPELESS,          VK_FORMAT_BC3_UNORM_BLOCK,        16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC3_UNORM_SRGB,           DXGI_FORMAT_BC3_TYPELESS,          VK_FORMAT_BC3_SRGB_BLOCK,         16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC4_TYPELESS,             DXGI_FORMAT_BC4_TYPELESS,          VK_FORMAT_BC4_UNORM_BLOCK,         8, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC4_UNORM,                DXGI_FORMAT_BC4_TYPELESS,          VK_FORMAT_BC4_UNORM_BLOCK,         8, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC4_SNORM,                DXGI_FORMAT_BC4_TYPELESS,          VK_FORMAT_BC4_SNORM_BLOCK,         8, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC5_TYPELESS,             DXGI_FORMAT_BC5_TYPELESS,          VK_FORMAT_BC5_UNORM_BLOCK,        16, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC5_UNORM,                DXGI_FORMAT_BC5_TYPELESS,          VK_FORMAT_BC5_UNORM_BLOCK,        16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC5_SNORM,                DXGI_FORMAT_BC5_TYPELESS,          VK_FORMAT_BC5_SNORM_BLOCK,        16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_B5G6R5_UNORM,             DXGI_FORMAT_B5G6R5_UNORM,          VK_FORMAT_R5G6B5_UNORM_PACK16,     2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_B5G5R5A1_UNORM,           DXGI_FORMAT_B5G5R5A1_UNORM,        VK_FORMAT_A1R5G5B5_UNORM_PACK16,   2, 1, F, false, 0, Identity},
    {DXGI_FORMAT_B8G8R8A8_UNORM,           DXGI_FORMAT_B8G8R8A8_TYPELESS,     VK_FORMAT_B8G8R8A8_UNORM,          4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_B8G8R8X8_UNORM,           DXGI_FORMAT_B8G8R8X8_TYPELESS,     VK_FORMAT_B8G8R8A8_UNORM,          4, 1, F, false, 0, OpaqueAlpha},
    {DXGI_FORMAT_B8G8R8A8_TYPELESS,        DXGI_FORMAT_B8G8R8A8_TYPELESS,     VK_FORMAT_B8G8R8A8_UNORM,          4, 1, F, true,  0, Identity},
    {DXGI_FORMAT_B8G8R8A8_UNORM_SRGB,      DXGI_FORMAT_B8G8R8A8_TYPELESS,     VK_FORMAT_B8G8R8A8_SRGB,           4, 1, F, false, 0, Identity},
    {DXGI_FORMAT_B8G8R8X8_TYPELESS,        DXGI_FORMAT_B8G8R8X8_TYPELESS,     VK_FORMAT_B8G8R8A8_UNORM,          4, 1, F, true,  0, OpaqueAlpha},
    {DXGI_FORMAT_B8G8R8X8_UNORM_SRGB,      DXGI_FORMAT_B8G8R8X8_TYPELESS,     VK_FORMAT_B8G8R8A8_SRGB,           4, 1, F, false, 0, OpaqueAlpha},
    {DXGI_FORMAT_BC6H_TYPELESS,            DXGI_FORMAT_BC6H_TYPELESS,         VK_FORMAT_BC6H_UFLOAT_BLOCK,      16, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC6H_UF16,                DXGI_FORMAT_BC6H_TYPELESS,         VK_FORMAT_BC6H_UFLOAT_BLOCK,      16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC6H_SF16,                DXGI_FORMAT_BC6H_TYPELESS,         VK_FORMAT_BC6H_SFLOAT_BLOCK,      16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC7_TYPELESS,             DXGI_FORMAT_BC7_TYPELESS,          VK_FORMAT_BC7_UNORM_BLOCK,        16, 4, F, true,  0, Identity},
    {DXGI_FORMAT_BC7_UNORM,                DXGI_FORMAT_BC7_TYPELESS,          VK_FORMAT_BC7_UNORM_BLOCK,        16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_BC7_UNORM_SRGB,           DXGI_FORMAT_BC7_TYPELESS,          VK_FORMAT_BC7_SRGB_BLOCK,         16, 4, F, false, 0, Identity},
    {DXGI_FORMAT_B4G4R4A4_UNORM,           DXGI_FORMAT_B4G4R4A4_UNORM,        VK_FORMAT_A4R4G4B4_UNORM_PACK16,   2, 1, F, false, 0, Identity},
};
// clang-format on

// Direct look-up by format number.
constexpr size_t TableSize = size_t(DXGI_FORMAT_B4G4R4A4_UNORM) + 1;

constexpr std::array<const FormatInfo*, TableSize> BuildIndex()
{
    std::array<const FormatInfo*, TableSize> index{};
    for (const FormatInfo& info : Formats)
        index[size_t(info.Dxgi)] = &info;
    return index;
}

constexpr std::array<const FormatInfo*, TableSize> Index = BuildIndex();

} // namespace

const FormatInfo* FindFormat(DXGI_FORMAT format)
{
    const auto number = size_t(format);
    return number < TableSize ? Index[number] : nullptr;
}

bool SameFamily(DXGI_FORMAT a, DXGI_FORMAT b)
{
    const FormatInfo* first = FindFormat(a);
    const FormatInfo* second = FindFormat(b);
    return first && second && first->Family == second->Family;
}

uint32_t PlaneBlockBytes(const FormatInfo& format, uint32_t plane)
{
    return plane == 0 ? format.BlockBytes : 1;
}

uint32_t PlaneCount(const FormatInfo& format)
{
    return (format.DepthStencilAspects & VK_IMAGE_ASPECT_STENCIL_BIT) ? 2 : 1;
}

} // namespace d3d12
