#include "translation.h"

#include <algorithm>
#include <iterator>

namespace d3d12
{
namespace
{

// A table indexed by a Direct3D 12 enumeration value; entries marked
// unsupported have no Vulkan counterpart the runtime can use.
template <class Vk, size_t N>
bool Look(const Vk (&table)[N], unsigned index, Vk unsupported, Vk* out)
{
    if (index >= N || table[index] == unsupported)
        return false;
    *out = table[index];
    return true;
}

constexpr VkCompareOp NoCompare = VK_COMPARE_OP_MAX_ENUM;
constexpr VkCompareOp Comparisons[] = {
    NoCompare,                      // 0: not a comparison function
    VK_COMPARE_OP_NEVER,            // D3D12_COMPARISON_FUNC_NEVER
    VK_COMPARE_OP_LESS,             // LESS
    VK_COMPARE_OP_EQUAL,            // EQUAL
    VK_COMPARE_OP_LESS_OR_EQUAL,    // LESS_EQUAL
    VK_COMPARE_OP_GREATER,          // GREATER
    VK_COMPARE_OP_NOT_EQUAL,        // NOT_EQUAL
    VK_COMPARE_OP_GREATER_OR_EQUAL, // GREATER_EQUAL
    VK_COMPARE_OP_ALWAYS,           // ALWAYS
};

constexpr VkStencilOp NoStencilOp = VK_STENCIL_OP_MAX_ENUM;
constexpr VkStencilOp StencilOps[] = {
    NoStencilOp,
    VK_STENCIL_OP_KEEP,                // D3D12_STENCIL_OP_KEEP
    VK_STENCIL_OP_ZERO,                // ZERO
    VK_STENCIL_OP_REPLACE,             // REPLACE
    VK_STENCIL_OP_INCREMENT_AND_CLAMP, // INCR_SAT
    VK_STENCIL_OP_DECREMENT_AND_CLAMP, // DECR_SAT
    VK_STENCIL_OP_INVERT,              // INVERT
    VK_STENCIL_OP_INCREMENT_AND_WRAP,  // INCR
    VK_STENCIL_OP_DECREMENT_AND_WRAP,  // DECR
};

constexpr VkBlendFactor NoFactor = VK_BLEND_FACTOR_MAX_ENUM;
constexpr VkBlendFactor BlendFactors[] = {
    NoFactor,
    VK_BLEND_FACTOR_ZERO,                     // D3D12_BLEND_ZERO
    VK_BLEND_FACTOR_ONE,                      // ONE
    VK_BLEND_FACTOR_SRC_COLOR,                // SRC_COLOR
    VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR,      // INV_SRC_COLOR
    VK_BLEND_FACTOR_SRC_ALPHA,                // SRC_ALPHA
    VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA,      // INV_SRC_ALPHA
    VK_BLEND_FACTOR_DST_ALPHA,                // DEST_ALPHA
    VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA,      // INV_DEST_ALPHA
    VK_BLEND_FACTOR_DST_COLOR,                // DEST_COLOR
    VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR,      // INV_DEST_COLOR
    VK_BLEND_FACTOR_SRC_ALPHA_SATURATE,       // SRC_ALPHA_SAT
    NoFactor,                                 // 12: unused
    NoFactor,                                 // 13: unused
    VK_BLEND_FACTOR_CONSTANT_COLOR,           // BLEND_FACTOR
    VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR, // INV_BLEND_FACTOR
    NoFactor,                                 // SRC1_COLOR
    NoFactor,                                 // INV_SRC1_COLOR
    NoFactor,                                 // SRC1_ALPHA
    NoFactor,                                 // INV_SRC1_ALPHA
};

constexpr VkBlendOp NoBlendOp = VK_BLEND_OP_MAX_ENUM;
constexpr VkBlendOp BlendOps[] = {
    NoBlendOp,
    VK_BLEND_OP_ADD,              // D3D12_BLEND_OP_ADD
    VK_BLEND_OP_SUBTRACT,         // SUBTRACT
    VK_BLEND_OP_REVERSE_SUBTRACT, // REV_SUBTRACT
    VK_BLEND_OP_MIN,              // MIN
    VK_BLEND_OP_MAX,              // MAX
};

constexpr VkSamplerAddressMode NoAddress = VK_SAMPLER_ADDRESS_MODE_MAX_ENUM;
// Mirror-once needs a Vulkan feature the device is made without.
constexpr VkSamplerAddressMode AddressModes[] = {
    NoAddress,
    VK_SAMPLER_ADDRESS_MODE_REPEAT,          // D3D12_TEXTURE_ADDRESS_MODE_WRAP
    VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT, // MIRROR
    VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,   // CLAMP
    VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER, // BORDER
    NoAddress,                               // MIRROR_ONCE
};

constexpr VkBorderColor BorderColors[] = {
    VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK, // D3D12_STATIC_BORDER_COLOR_TRANSPARENT_BLACK
    VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK,      // OPAQUE_BLACK
    VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE,      // OPAQUE_WHITE
    VK_BORDER_COLOR_INT_OPAQUE_BLACK,        // OPAQUE_BLACK_UINT
    VK_BORDER_COLOR_INT_OPAQUE_WHITE,        // OPAQUE_WHITE_UINT
};

struct TopologyEntry
{
    D3D_PRIMITIVE_TOPOLOGY Topology;
    VkPrimitiveTopology Vulkan;
    D3D12_PRIMITIVE_TOPOLOGY_TYPE Type;
};

constexpr TopologyEntry Topologies[] = {
    {D3D_PRIMITIVE_TOPOLOGY_POINTLIST, VK_PRIMITIVE_TOPOLOGY_POINT_LIST,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_POINT},
    {D3D_PRIMITIVE_TOPOLOGY_LINELIST, VK_PRIMITIVE_TOPOLOGY_LINE_LIST,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE},
    {D3D_PRIMITIVE_TOPOLOGY_LINESTRIP, VK_PRIMITIVE_TOPOLOGY_LINE_STRIP,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE},
    {D3D_PRIMITIVE_TOPOLOGY_LINELIST_ADJ, VK_PRIMITIVE_TOPOLOGY_LINE_LIST_WITH_ADJACENCY,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE},
    {D3D_PRIMITIVE_TOPOLOGY_LINESTRIP_ADJ, VK_PRIMITIVE_TOPOLOGY_LINE_STRIP_WITH_ADJACENCY,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE},
    {D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST, VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE},
    {D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP, VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE},
    {D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ, VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST_WITH_ADJACENCY,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE},
    {D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP_ADJ, VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP_WITH_ADJACENCY,
     D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE},
};

// The parts of a Direct3D 12 filter value.
constexpr unsigned FilterTypeMask = 0x1; // point (0) or linear (1)
constexpr unsigned MipShift = 0, MagShift = 2, MinShift = 4;
constexpr unsigned AnisotropicBit = 0x40;
constexpr unsigned KnownFilterBits = 0x1D5;

VkFilter FilterOfType(unsigned filter, unsigned shift)
{
    return (filter >> shift) & FilterTypeMask ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
}

} // namespace

bool TranslateComparison(D3D12_COMPARISON_FUNC function, VkCompareOp* op)
{
    return Look(Comparisons, unsigned(function), NoCompare, op);
}

bool TranslateStencilOp(D3D12_STENCIL_OP op, VkStencilOp* vk)
{
    return Look(StencilOps, unsigned(op), NoStencilOp, vk);
}

bool TranslateBlendFactor(D3D12_BLEND factor, VkBlendFactor* vk)
{
    return Look(BlendFactors, unsigned(factor), NoFactor, vk);
}

bool TranslateBlendOp(D3D12_BLEND_OP op, VkBlendOp* vk)
{
    return Look(BlendOps, unsigned(op), NoBlendOp, vk);
}

bool TranslateCullMode(D3D12_CULL_MODE mode, VkCullModeFlags* vk)
{
    switch (mode)
    {
    case D3D12_CULL_MODE_NONE:
        *vk = VK_CULL_MODE_NONE;
        return true;
    case D3D12_CULL_MODE_FRONT:
        *vk = VK_CULL_MODE_FRONT_BIT;
        return true;
    case D3D12_CULL_MODE_BACK:
        *vk = VK_CULL_MODE_BACK_BIT;
        return true;
    }
    return false;
}

bool TranslateFillMode(D3D12_FILL_MODE mode, VkPolygonMode* vk)
{
    switch (mode)
    {
    case D3D12_FILL_MODE_WIREFRAME:
        *vk = VK_POLYGON_MODE_LINE;
        return true;
    case D3D12_FILL_MODE_SOLID:
        *vk = VK_POLYGON_MODE_FILL;
        return true;
    }
    return false;
}

bool TranslateTopology(D3D_PRIMITIVE_TOPOLOGY topology, VkPrimitiveTopology* vk,
                       D3D12_PRIMITIVE_TOPOLOGY_TYPE* type)
{
    const auto* entry =
        std::find_if(std::begin(Topologies), std::end(Topologies),
                     [topology](const TopologyEntry& e) { return e.Topology == topology; });
    if (entry == std::end(Topologies))
        return false;
    *vk = entry->Vulkan;
    *type = entry->Type;
    return true;
}

bool TopologyOfType(D3D12_PRIMITIVE_TOPOLOGY_TYPE type, VkPrimitiveTopology* vk)
{
    const auto* entry = std::find_if(std::begin(Topologies), std::end(Topologies),
                                     [type](const TopologyEntry& e) { return e.Type == type; });
    if (entry == std::end(Topologies))
        return false;
    *vk = entry->Vulkan;
    return true;
}

bool TranslateSampler(const D3D12_STATIC_SAMPLER_DESC& sampler, const SamplerLimits& limits,
                      VkSamplerCreateInfo* info)
{
    const unsigned filter = unsigned(sampler.Filter);
    if ((filter & ~KnownFilterBits) != 0)
        return false;
    // Minimum and maximum reductions need a Vulkan feature the device is
    // made without; the comparison reduction is a compare operation.
    const D3D12_FILTER_REDUCTION_TYPE reduction = D3D12_DECODE_FILTER_REDUCTION(sampler.Filter);
    if (reduction != D3D12_FILTER_REDUCTION_TYPE_STANDARD &&
        reduction != D3D12_FILTER_REDUCTION_TYPE_COMPARISON)
        return false;
    const bool anisotropic = (filter & AnisotropicBit) != 0;
    if (anisotropic && (filter & 0x15) != 0x15)
        return false; // anisotropic filters are linear in every dimension
    if (anisotropic && (sampler.MaxAnisotropy < 1 || sampler.MaxAnisotropy > 16))
        return false;

    VkSamplerAddressMode u, v, w;
    VkCompareOp compare = VK_COMPARE_OP_NEVER;
    const bool comparison = reduction == D3D12_FILTER_REDUCTION_TYPE_COMPARISON;
    if (!Look(AddressModes, unsigned(sampler.AddressU), NoAddress, &u) ||
        !Look(AddressModes, unsigned(sampler.AddressV), NoAddress, &v) ||
        !Look(AddressModes, unsigned(sampler.AddressW), NoAddress, &w) ||
        unsigned(sampler.BorderColor) >= std::size(BorderColors) ||
        (comparison && !TranslateComparison(sampler.ComparisonFunc, &compare)) ||
        !(sampler.MinLOD <= sampler.MaxLOD) || !(sampler.MipLODBias == sampler.MipLODBias))
        return false;

    info->sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO;
    info->magFilter = FilterOfType(filter, MagShift);
    info->minFilter = FilterOfType(filter, MinShift);
    info->mipmapMode = (filter >> MipShift) & FilterTypeMask ? VK_SAMPLER_MIPMAP_MODE_LINEAR
                                                             : VK_SAMPLER_MIPMAP_MODE_NEAREST;
    info->addressModeU = u;
    info->addressModeV = v;
    info->addressModeW = w;
    info->mipLodBias = std::clamp(sampler.MipLODBias, -limits.MaxLodBias, limits.MaxLodBias);
    info->anisotropyEnable = anisotropic && limits.Anisotropy;
    info->maxAnisotropy =
        info->anisotropyEnable ? std::min(float(sampler.MaxAnisotropy), limits.MaxAnisotropy) : 1;
    // The comparison function only counts for comparison filters, as on the
    // real platform, where every sampler carries one.
    info->compareEnable = comparison;
    info->compareOp = compare;
    info->minLod = sampler.MinLOD;
    info->maxLod = sampler.MaxLOD;
    info->borderColor = BorderColors[sampler.BorderColor];
    info->unnormalizedCoordinates = VK_FALSE;
    return true;
}

bool TranslateVisibility(D3D12_SHADER_VISIBILITY visibility, VkShaderStageFlags* stages)
{
    switch (visibility)
    {
    case D3D12_SHADER_VISIBILITY_ALL:
        *stages = VK_SHADER_STAGE_VERTEX_BIT | VK_SHADER_STAGE_FRAGMENT_BIT;
        return true;
    case D3D12_SHADER_VISIBILITY_VERTEX:
        *stages = VK_SHADER_STAGE_VERTEX_BIT;
        return true;
    case D3D12_SHADER_VISIBILITY_PIXEL:
        *stages = VK_SHADER_STAGE_FRAGMENT_BIT;
        return true;
    default:
        return false; // hull, domain, geometry and mesh shaders do not exist here
    }
}

} // namespace d3d12
