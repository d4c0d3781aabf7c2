// A root signature: one Vulkan push-descriptor set layout (register space 0)
// and its pipeline layout. Root constant-buffer views and the shader-resource
// views of tables are push descriptors; static samplers are immutable
// samplers of the same set. Bindings follow the compiler's register scheme.
//
// A command list keeps one push-descriptor write per descriptor of the
// signature, in a fixed order: each parameter's writes (one for a root view,
// one per register of a table), then one per static sampler. The samplers'
// writes are pushed with everything else: on some drivers (lavapipe among
// them) a sampler binding of a push-descriptor set samples nothing until a
// write for it has been pushed, even when the sampler is immutable.
#pragma once

#include "device_child.h"
#include "root_signature_encoding.h"

#include <vector>

namespace d3d12
{

// The push-descriptor writes of one root parameter.
struct RootSlot
{
    D3D12_ROOT_PARAMETER_TYPE Type = D3D12_ROOT_PARAMETER_TYPE_CBV;
    uint32_t FirstWrite = 0; // index of its first write
    uint32_t WriteCount = 0;
    // Tables: for each write, the descriptor's position from the table's start.
    std::vector<uint32_t> TableOffsets;
};

class RootSignature final : public DeviceChild<ID3D12RootSignature>
{
public:
    static HRESULT Create(Device& device, const void* bytes, size_t size,
                          RootSignature** signature);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;

    VkPipelineLayout PipelineLayout() const { return mPipelineLayout; }
    const std::vector<RootSlot>& Slots() const { return mSlots; }
    // The writes of every descriptor, in slot order, then the samplers';
    // buffer and image infos are left for the command list to point at.
    const std::vector<VkWriteDescriptorSet>& WriteTemplate() const { return mWrites; }
    const std::vector<VkDescriptorImageInfo>& SamplerInfos() const { return mSamplerInfos; }

    // The root parameter that feeds `binding`, or -1 for a static sampler's
    // binding, or -2 where the signature has no such binding.
    int ParameterOfBinding(uint32_t binding) const;
    // The stages that see `binding` (0 where it does not exist).
    VkShaderStageFlags StagesOfBinding(uint32_t binding) const;
    VkDescriptorType TypeOfBinding(uint32_t binding) const;

    // Whether a pipeline made with `other` can draw with this signature
    // bound: the same object or the same serialized description.
    bool IsCompatible(const RootSignature& other) const;

private:
    static constexpr uint32_t BindingCount = 48;

    RootSignature(Device& device, RootSignatureLayout layout, std::vector<uint8_t> bytes);
    ~RootSignature() override;

    HRESULT Initialize();
    template <class T> friend HRESULT com::Initialized(T*, T**);
    HRESULT CreateSamplers();
    void AddBinding(uint32_t binding, VkDescriptorType type, VkShaderStageFlags stages,
                    int parameter);

    const RootSignatureLayout mLayout;
    const std::vector<uint8_t> mBytes;

    std::vector<VkSampler> mSamplers;
    std::vector<VkDescriptorSetLayoutBinding> mBindings;
    int mParameterOfBinding[BindingCount];
    VkShaderStageFlags mStagesOfBinding[BindingCount] = {};
    VkDescriptorType mTypeOfBinding[BindingCount] = {};
    std::vector<RootSlot> mSlots;
    std::vector<VkWriteDescriptorSet> mWrites;
    std::vector<VkDescriptorImageInfo> mSamplerInfos;

    VkDescriptorSetLayout mSetLayout = VK_NULL_HANDLE;
    VkPipelineLayout mPipelineLayout = VK_NULL_HANDLE;
};

} // namespace d3d12
