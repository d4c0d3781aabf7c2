#include "root_signature.h"

#include "translation.h"

#include <shader_bytecode.h>
#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

#include <algorithm>
#include <new>

namespace d3d12
{
namespace
{

using shader_bytecode::BindingForRegister;
using shader_bytecode::ResourceKind;

// The stages that see an entry of `visibility` once the signature's denial
// flags have been applied.
VkShaderStageFlags VisibleStages(D3D12_SHADER_VISIBILITY visibility,
                                 D3D12_ROOT_SIGNATURE_FLAGS flags)
{
    VkShaderStageFlags stages = 0;
    TranslateVisibility(visibility, &stages); // checked when the bytes were read
    if (flags & D3D12_ROOT_SIGNATURE_FLAG_DENY_VERTEX_SHADER_ROOT_ACCESS)
        stages &= ~VkShaderStageFlags(VK_SHADER_STAGE_VERTEX_BIT);
    if (flags & D3D12_ROOT_SIGNATURE_FLAG_DENY_PIXEL_SHADER_ROOT_ACCESS)
        stages &= ~VkShaderStageFlags(VK_SHADER_STAGE_FRAGMENT_BIT);
    return stages;
}

VkWriteDescriptorSet Write(uint32_t binding, VkDescriptorType type)
{
    auto write = vkrt::Structure<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    write.dstBinding = binding;
    write.descriptorCount = 1;
    write.descriptorType = type;
    return write;
}

} // namespace

HRESULT RootSignature::Create(Device& device, const void* bytes, size_t size,
                              RootSignature** signature)
{
    *signature = nullptr;
    RootSignatureLayout layout;
    std::string error;
    if (!DecodeLayout(bytes, size, &layout, &error))
    {
        OutputDebugStringA(("ID3D12Device::CreateRootSignature: " + error + "\n").c_str());
        return E_INVALIDARG;
    }
    const auto* first = static_cast<const uint8_t*>(bytes);
    return com::Initialized(
        new (std::nothrow)
            RootSignature(device, std::move(layout), std::vector<uint8_t>(first, first + size)),
        signature);
}

RootSignature::RootSignature(Device& device, RootSignatureLayout layout, std::vector<uint8_t> bytes)
    : DeviceChild(device), mLayout(std::move(layout)), mBytes(std::move(bytes))
{
    std::fill(std::begin(mParameterOfBinding), std::end(mParameterOfBinding), -2);
}

RootSignature::~RootSignature()
{
    // Lists already submitted may still use the samplers and layouts.
    const VkDevice device = Owner().Handle();
    Owner().Queue().Retire(
        [device, samplers = std::move(mSamplers), set = mSetLayout, pipeline = mPipelineLayout]
        {
            vkDestroyPipelineLayout(device, pipeline, nullptr);
            vkDestroyDescriptorSetLayout(device, set, nullptr);
            for (VkSampler sampler : samplers)
                vkDestroySampler(device, sampler, nullptr);
        });
}

HRESULT RootSignature::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12RootSignature>(
        this, riid, object);
}

void RootSignature::AddBinding(uint32_t binding, VkDescriptorType type, VkShaderStageFlags stages,
                               int parameter)
{
    mBindings.push_back({binding, type, 1, stages, nullptr});
    mParameterOfBinding[binding] = parameter;
    mStagesOfBinding[binding] = stages;
    mTypeOfBinding[binding] = type;
}

HRESULT RootSignature::Initialize()
{
    // The push-descriptor set holds every descriptor of the signature.
    const size_t descriptors = std::count_if(mLayout.Parameters.begin(), mLayout.Parameters.end(),
                                             [](const RootParameter& p)
                                             { return p.Type == D3D12_ROOT_PARAMETER_TYPE_CBV; }) +
                               mLayout.Samplers.size();
    size_t tableDescriptors = 0;
    for (const RootParameter& parameter : mLayout.Parameters)
    {
        for (const RootDescriptorRange& range : parameter.Ranges)
            tableDescriptors += range.Count;
    }
    if (descriptors + tableDescriptors > Owner().MaxPushDescriptors())
    {
        OutputDebugStringA("ID3D12Device::CreateRootSignature: the signature holds more "
                           "descriptors than the device can push\n");
        return E_INVALIDARG;
    }

    for (size_t p = 0; p < mLayout.Parameters.size(); ++p)
    {
        const RootParameter& parameter = mLayout.Parameters[p];
        const VkShaderStageFlags stages = VisibleStages(parameter.Visibility, mLayout.Flags);
        RootSlot slot;
        slot.Type = parameter.Type;
        slot.FirstWrite = uint32_t(mWrites.size());
        if (parameter.Type == D3D12_ROOT_PARAMETER_TYPE_CBV)
        {
            const uint32_t binding =
                BindingForRegister(ResourceKind::ConstantBuffer, parameter.Register);
            AddBinding(binding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, stages, int(p));
            mWrites.push_back(Write(binding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER));
        }
        else // a table of shader-resource views, the only other kind a layout may hold
        {
            uint32_t next = 0; // where an appended range starts
            for (const RootDescriptorRange& range : parameter.Ranges)
            {
                const uint32_t start =
                    range.Offset == D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND ? next : range.Offset;
                for (uint32_t i = 0; i < range.Count; ++i)
                {
                    const uint32_t binding =
                        BindingForRegister(ResourceKind::Texture, range.BaseRegister + i);
                    AddBinding(binding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, stages, int(p));
                    mWrites.push_back(Write(binding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE));
                    slot.TableOffsets.push_back(start + i);
                }
                next = start + range.Count;
            }
        }
        slot.WriteCount = uint32_t(mWrites.size()) - slot.FirstWrite;
        mSlots.push_back(std::move(slot));
    }

    HRESULT hr = CreateSamplers();
    if (FAILED(hr))
        return hr;

    auto setInfo = vkrt::Structure<VkDescriptorSetLayoutCreateInfo>(
        VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
    setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
    setInfo.bindingCount = uint32_t(mBindings.size());
    setInfo.pBindings = mBindings.data();
    VkResult result = vkCreateDescriptorSetLayout(Owner().Handle(), &setInfo, nullptr, &mSetLayout);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    auto layoutInfo =
        vkrt::Structure<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
    layoutInfo.setLayoutCount = 1;
    layoutInfo.pSetLayouts = &mSetLayout;
    result = vkCreatePipelineLayout(Owner().Handle(), &layoutInfo, nullptr, &mPipelineLayout);
    return vkrt::HResultFromVk(result);
}

HRESULT RootSignature::CreateSamplers()
{
    const VkPhysicalDeviceLimits& limits = Owner().Limits();
    const SamplerLimits samplerLimits = {Owner().Features().samplerAnisotropy == VK_TRUE,
                                         limits.maxSamplerAnisotropy, limits.maxSamplerLodBias};
    mSamplers.reserve(mLayout.Samplers.size());
    for (const D3D12_STATIC_SAMPLER_DESC& sampler : mLayout.Samplers)
    {
        VkSamplerCreateInfo info{};
        TranslateSampler(sampler, samplerLimits, &info); // checked when the bytes were read
        VkSampler created = VK_NULL_HANDLE;
        const VkResult result = vkCreateSampler(Owner().Handle(), &info, nullptr, &created);
        if (result != VK_SUCCESS)
            return vkrt::HResultFromVk(result);
        mSamplers.push_back(created);
    }
    // The bindings point at the samplers only once the array stops growing.
    for (size_t i = 0; i < mSamplers.size(); ++i)
    {
        const D3D12_STATIC_SAMPLER_DESC& sampler = mLayout.Samplers[i];
        const uint32_t binding = BindingForRegister(ResourceKind::Sampler, sampler.ShaderRegister);
        AddBinding(binding, VK_DESCRIPTOR_TYPE_SAMPLER,
                   VisibleStages(sampler.ShaderVisibility, mLayout.Flags), -1);
        mBindings.back().pImmutableSamplers = &mSamplers[i];
        mWrites.push_back(Write(binding, VK_DESCRIPTOR_TYPE_SAMPLER));
        mSamplerInfos.push_back({mSamplers[i], VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED});
    }
    return S_OK;
}

int RootSignature::ParameterOfBinding(uint32_t binding) const
{
    return binding < BindingCount ? mParameterOfBinding[binding] : -2;
}

VkShaderStageFlags RootSignature::StagesOfBinding(uint32_t binding) const
{
    return binding < BindingCount ? mStagesOfBinding[binding] : 0;
}

VkDescriptorType RootSignature::TypeOfBinding(uint32_t binding) const
{
    return binding < BindingCount ? mTypeOfBinding[binding] : VK_DESCRIPTOR_TYPE_MAX_ENUM;
}

bool RootSignature::IsCompatible(const RootSignature& other) const
{
    return &other == this || other.mBytes == mBytes;
}

} // namespace d3d12
