// A graphics pipeline state: a Vulkan pipeline for dynamic rendering, built
// when it is created, from every value of the description. Viewport,
// scissor, primitive topology (within the description's type), vertex
// strides, stencil reference and blend factor stay dynamic, as they are
// command-list state on the real platform.
#pragma once

#include "device_child.h"

#include <wrl/client.h>

#include <cstdint>

namespace d3d12
{

class RootSignature;

class PipelineState final : public DeviceChild<ID3D12PipelineState>
{
public:
    static HRESULT Create(Device& device, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc,
                          PipelineState** state);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetCachedBlob(ID3DBlob** blob) override;

    VkPipeline Handle() const { return mPipeline; }
    RootSignature& Signature() const { return *mSignature.Get(); }

    // What a draw must match.
    uint32_t ColorCount() const { return mColorCount; }
    VkFormat ColorFormat(uint32_t i) const { return mColorFormats[i]; }
    VkFormat DepthStencilFormat() const { return mDepthStencilFormat; } // UNDEFINED: none
    VkSampleCountFlagBits Samples() const { return mSamples; }
    D3D12_PRIMITIVE_TOPOLOGY_TYPE TopologyType() const { return mTopologyType; }
    // Root parameters the shaders read, one bit per parameter.
    uint64_t UsedParameters() const { return mUsedParameters; }
    // Input slots the vertex shader reads, and the bytes each vertex of a
    // slot must at least span.
    uint32_t UsedSlots() const { return mUsedSlots; }
    uint32_t SlotExtent(uint32_t slot) const { return mSlotExtents[slot]; }

private:
    struct Builder;

    explicit PipelineState(Device& device);
    ~PipelineState() override;

    Microsoft::WRL::ComPtr<RootSignature> mSignature;
    VkPipeline mPipeline = VK_NULL_HANDLE;
    uint32_t mColorCount = 0;
    VkFormat mColorFormats[D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
    VkFormat mDepthStencilFormat = VK_FORMAT_UNDEFINED;
    VkSampleCountFlagBits mSamples = VK_SAMPLE_COUNT_1_BIT;
    D3D12_PRIMITIVE_TOPOLOGY_TYPE mTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_UNDEFINED;
    uint64_t mUsedParameters = 0;
    uint32_t mUsedSlots = 0;
    uint32_t mSlotExtents[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
};

} // namespace d3d12
