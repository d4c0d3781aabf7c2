// The one translation of Direct3D 12's fixed-function enumerations into
// Vulkan's: comparisons, blending, stencil operations, rasterizer modes,
// topologies and sampler states. Each function returns false for a value the
// runtime does not know or cannot honour, so callers refuse the description
// instead of guessing.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12
{

bool TranslateComparison(D3D12_COMPARISON_FUNC function, VkCompareOp* op);
bool TranslateStencilOp(D3D12_STENCIL_OP op, VkStencilOp* vk);
// Dual-source factors (SRC1_*) are refused: the device is made without them.
bool TranslateBlendFactor(D3D12_BLEND factor, VkBlendFactor* vk);
bool TranslateBlendOp(D3D12_BLEND_OP op, VkBlendOp* vk);
bool TranslateCullMode(D3D12_CULL_MODE mode, VkCullModeFlags* vk);
bool TranslateFillMode(D3D12_FILL_MODE mode, VkPolygonMode* vk);

// The topologies that IASetPrimitiveTopology takes (lists and strips, with
// and without adjacency) and the type a pipeline is made for.
bool TranslateTopology(D3D_PRIMITIVE_TOPOLOGY topology, VkPrimitiveTopology* vk,
                       D3D12_PRIMITIVE_TOPOLOGY_TYPE* type);
// A topology of `type` that a pipeline is created with; draws set the actual
// one dynamically within the type.
bool TopologyOfType(D3D12_PRIMITIVE_TOPOLOGY_TYPE type, VkPrimitiveTopology* vk);

// A static sampler: filters, address modes, anisotropy, comparison, border
// colour and LOD range. MaxAnisotropy and the LOD bias are clamped to the
// device's limits, and anisotropic filtering becomes trilinear filtering
// where the device lacks it.
struct SamplerLimits
{
    bool Anisotropy;
    float MaxAnisotropy;
    float MaxLodBias;
};
bool TranslateSampler(const D3D12_STATIC_SAMPLER_DESC& sampler, const SamplerLimits& limits,
                      VkSamplerCreateInfo* info);

// The stages that see a root parameter or static sampler of `visibility`
// (all stages, or the vertex or pixel shader alone).
bool TranslateVisibility(D3D12_SHADER_VISIBILITY visibility, VkShaderStageFlags* stages);

} // namespace d3d12
