#include "pipeline_state.h"

#include "format.h"
#include "root_signature.h"
#include "translation.h"

#include <shader_bytecode.h>
#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <strings.h>

namespace d3d12
{
namespace
{

using shader_bytecode::ShaderBytecode;

constexpr VkDynamicState DynamicStates[] = {
    VK_DYNAMIC_STATE_VIEWPORT,           VK_DYNAMIC_STATE_SCISSOR,
    VK_DYNAMIC_STATE_PRIMITIVE_TOPOLOGY, VK_DYNAMIC_STATE_VERTEX_INPUT_BINDING_STRIDE,
    VK_DYNAMIC_STATE_STENCIL_REFERENCE,  VK_DYNAMIC_STATE_BLEND_CONSTANTS,
};

bool SameComponents(const VkComponentMapping& a, const VkComponentMapping& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// The numeric kind a format hands a shader: float (float, unorm, snorm) or
// unsigned or signed integer, told apart by how its clear colours are given.
bool MatchesShaderType(const FormatInfo& format, shader_bytecode::ComponentType type)
{
    switch (type)
    {
    case shader_bytecode::ComponentType::Float:
        return format.Clear == ClearKind::Float;
    case shader_bytecode::ComponentType::UInt:
        return format.Clear == ClearKind::Uint;
    case shader_bytecode::ComponentType::SInt:
        return format.Clear == ClearKind::Sint;
    }
    return false;
}

VkDescriptorType DescriptorTypeOf(shader_bytecode::ResourceKind kind)
{
    switch (kind)
    {
    case shader_bytecode::ResourceKind::ConstantBuffer:
        return VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
    case shader_bytecode::ResourceKind::Texture:
        return VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
    case shader_bytecode::ResourceKind::Sampler:
        return VK_DESCRIPTOR_TYPE_SAMPLER;
    }
    return VK_DESCRIPTOR_TYPE_MAX_ENUM;
}

bool SameBlend(const D3D12_RENDER_TARGET_BLEND_DESC& a, const D3D12_RENDER_TARGET_BLEND_DESC& b)
{
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

} // namespace

// Builds a pipeline from a description in steps, each checking its part and
// translating it; the first rejection stops it with the reason.
struct PipelineState::Builder
{
    Builder(Device& owner, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc, PipelineState& state)
        : Owner(owner), Desc(desc), State(state)
    {
    }

    Device& Owner;
    const D3D12_GRAPHICS_PIPELINE_STATE_DESC& Desc;
    PipelineState& State;
    std::string Error;

    ShaderBytecode Vertex;
    ShaderBytecode Pixel;
    bool HasPixel = false;
    std::vector<VkVertexInputAttributeDescription> Attributes;
    std::vector<VkVertexInputBindingDescription> Bindings;
    VkPipelineRasterizationStateCreateInfo Rasterizer =
        vkrt::Structure<VkPipelineRasterizationStateCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
    VkPipelineMultisampleStateCreateInfo Multisample =
        vkrt::Structure<VkPipelineMultisampleStateCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
    VkPipelineDepthStencilStateCreateInfo DepthStencil =
        vkrt::Structure<VkPipelineDepthStencilStateCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO);
    VkPipelineColorBlendAttachmentState Blends[D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
    VkPrimitiveTopology Topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    VkFormat DepthFormat = VK_FORMAT_UNDEFINED;
    VkFormat StencilFormat = VK_FORMAT_UNDEFINED;

    bool Reject(const std::string& reason)
    {
        Error = reason;
        return false;
    }

    bool ReadShader(const D3D12_SHADER_BYTECODE& code, shader_bytecode::Stage stage,
                    ShaderBytecode* shader, const char* name);
    bool ReadShaders();
    bool CheckBindings(const ShaderBytecode& shader, VkShaderStageFlags stage);
    bool MatchInputLayout();
    bool LinkStages();
    bool ReadTargets();
    bool ReadRasterizer();
    bool ReadBlend();
    bool ReadDepthStencil();
    bool ReadTopology();
    HRESULT Build();
};

bool PipelineState::Builder::ReadShader(const D3D12_SHADER_BYTECODE& code,
                                        shader_bytecode::Stage stage, ShaderBytecode* shader,
                                        const char* name)
{
    std::string error;
    if (!code.pShaderBytecode ||
        !shader_bytecode::Parse(code.pShaderBytecode, code.BytecodeLength, shader, &error))
        return Reject(std::string("the ") + name + " is not byte code of this platform's compiler" +
                      (error.empty() ? "" : ": " + error));
    if (shader->ShaderStage != stage)
        return Reject(std::string("the ") + name + " was compiled for another stage");
    return true;
}

bool PipelineState::Builder::ReadShaders()
{
    if (Desc.DS.BytecodeLength || Desc.HS.BytecodeLength || Desc.GS.BytecodeLength ||
        Desc.StreamOutput.NumEntries)
        return Reject("only vertex and pixel shaders are supported, without stream output");
    if (!ReadShader(Desc.VS, shader_bytecode::Stage::Vertex, &Vertex, "vertex shader"))
        return false;
    HasPixel = Desc.PS.BytecodeLength > 0;
    if (HasPixel && !ReadShader(Desc.PS, shader_bytecode::Stage::Pixel, &Pixel, "pixel shader"))
        return false;
    return CheckBindings(Vertex, VK_SHADER_STAGE_VERTEX_BIT) &&
           (!HasPixel || CheckBindings(Pixel, VK_SHADER_STAGE_FRAGMENT_BIT));
}

// Every resource a shader reads must be in the root signature, of its kind and
// visible to the shader's stage; what they read marks the parameters a draw
// must have set.
bool PipelineState::Builder::CheckBindings(const ShaderBytecode& shader, VkShaderStageFlags stage)
{
    static constexpr char Classes[] = {'b', 't', 's'};
    const RootSignature& signature = *State.mSignature.Get();
    for (const shader_bytecode::ResourceBinding& binding : shader.Bindings)
    {
        const std::string name =
            Classes[uint32_t(binding.Kind) % 3] + std::to_string(binding.Register);
        if (binding.Space != 0 || binding.Count != 1)
            return Reject("register " + name +
                          ": only single resources in register space 0 are supported");
        if (signature.TypeOfBinding(binding.Binding) != DescriptorTypeOf(binding.Kind) ||
            !(signature.StagesOfBinding(binding.Binding) & stage))
            return Reject("register " + name +
                          " is not in the root signature for the shader's stage");
        const int parameter = signature.ParameterOfBinding(binding.Binding);
        if (parameter >= 0)
            State.mUsedParameters |= uint64_t(1) << parameter;
    }
    return true;
}

// Each vertex-shader input takes the element of the same semantic (names
// compare without regard to case); elements the shader does not read are
// left out, as on the real platform.
bool PipelineState::Builder::MatchInputLayout()
{
    const D3D12_INPUT_LAYOUT_DESC& layout = Desc.InputLayout;
    if (layout.NumElements > 0 && !layout.pInputElementDescs)
        return Reject("the input layout counts elements but has none");
    const uint32_t maxOffset = Owner.Limits().maxVertexInputAttributeOffset;

    uint32_t slotEnds[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT] = {};
    int slotClasses[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
    std::fill(std::begin(slotClasses), std::end(slotClasses), -1);
    std::vector<uint32_t> offsets(layout.NumElements);
    for (UINT i = 0; i < layout.NumElements; ++i)
    {
        const D3D12_INPUT_ELEMENT_DESC& element = layout.pInputElementDescs[i];
        const std::string name = "input element " + std::to_string(i) + " (" +
                                 (element.SemanticName ? element.SemanticName : "no name") + ")";
        const FormatInfo* format = FindFormat(element.Format);
        if (!element.SemanticName || !format || format->Typeless ||
            !SameComponents(format->Components, VkComponentMapping{}))
            return Reject(name + " has no semantic name or a format vertices cannot have");
        VkFormatProperties properties{};
        vkGetPhysicalDeviceFormatProperties(Owner.PhysicalHandle(), format->Vulkan, &properties);
        if (!(properties.bufferFeatures & VK_FORMAT_FEATURE_VERTEX_BUFFER_BIT))
            return Reject(name + ": the device cannot read vertices of its format");
        if (element.InputSlot >= D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT)
            return Reject(name + ": input slot out of range");
        const bool perInstance =
            element.InputSlotClass == D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA;
        if ((!perInstance &&
             (element.InputSlotClass != D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA ||
              element.InstanceDataStepRate != 0)) ||
            (perInstance && element.InstanceDataStepRate != 1))
            return Reject(name + ": per-vertex data, or per-instance data with a step rate of 1, "
                                 "are supported");
        int& slotClass = slotClasses[element.InputSlot];
        if (slotClass >= 0 && slotClass != int(perInstance))
            return Reject(name + ": one input slot mixes per-vertex and per-instance data");
        slotClass = int(perInstance);
        uint32_t& end = slotEnds[element.InputSlot];
        offsets[i] = element.AlignedByteOffset == D3D12_APPEND_ALIGNED_ELEMENT
                         ? end
                         : element.AlignedByteOffset;
        if (offsets[i] > maxOffset)
            return Reject(name + ": the offset is beyond what the device allows");
        end = offsets[i] + format->BlockBytes;
    }

    for (const shader_bytecode::SignatureElement& input : Vertex.Inputs)
    {
        const auto* match = std::find_if(
            layout.pInputElementDescs, layout.pInputElementDescs + layout.NumElements,
            [&input](const D3D12_INPUT_ELEMENT_DESC& element)
            {
                return element.SemanticIndex == input.SemanticIndex &&
                       strcasecmp(element.SemanticName, input.SemanticName.c_str()) == 0;
            });
        const std::string name = input.SemanticName + std::to_string(input.SemanticIndex);
        if (match == layout.pInputElementDescs + layout.NumElements)
            return Reject("the vertex shader's input " + name +
                          " has no element in the input layout");
        const FormatInfo& format = *FindFormat(match->Format);
        if (!MatchesShaderType(format, input.Type))
            return Reject("the vertex shader's input " + name +
                          " is of another numeric kind than its element's format");
        const uint32_t offset = offsets[match - layout.pInputElementDescs];
        Attributes.push_back({input.Location, match->InputSlot, format.Vulkan, offset});
        State.mUsedSlots |= 1u << match->InputSlot;
        uint32_t& extent = State.mSlotExtents[match->InputSlot];
        extent = std::max(extent, offset + format.BlockBytes);
    }
    for (uint32_t slot = 0; slot < D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT; ++slot)
    {
        if (State.mUsedSlots & (1u << slot))
        {
            // The stride is dynamic: IASetVertexBuffers gives it.
            Bindings.push_back({slot, 0,
                                slotClasses[slot] == 1 ? VK_VERTEX_INPUT_RATE_INSTANCE
                                                       : VK_VERTEX_INPUT_RATE_VERTEX});
        }
    }
    return true;
}

// SPIR-V links the stages by location: every pixel-shader input must be a
// vertex-shader output of the same semantic at the same location.
bool PipelineState::Builder::LinkStages()
{
    if (!HasPixel)
        return true;
    for (const shader_bytecode::SignatureElement& input : Pixel.Inputs)
    {
        const auto output = std::find_if(Vertex.Outputs.begin(), Vertex.Outputs.end(),
                                         [&input](const shader_bytecode::SignatureElement& o) {
                                             return o.SemanticName == input.SemanticName &&
                                                    o.SemanticIndex == input.SemanticIndex;
                                         });
        const std::string name = input.SemanticName + std::to_string(input.SemanticIndex);
        if (output == Vertex.Outputs.end())
            return Reject("the pixel shader's input " + name +
                          " is not an output of the vertex shader");
        if (output->Location != input.Location || output->Type != input.Type ||
            output->ComponentCount < input.ComponentCount)
            return Reject("the pixel shader's input " + name +
                          " does not match the vertex shader's output");
    }
    return true;
}

bool PipelineState::Builder::ReadTargets()
{
    if (Desc.NumRenderTargets > D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT)
        return Reject("more than eight render targets");
    const uint32_t count = Desc.SampleDesc.Count;
    if (count == 0 || count > 64 || (count & (count - 1)) != 0)
        return Reject("the sample count is not a power of two");
    // One quality level per count is what CheckFeatureSupport reports.
    if (Desc.SampleDesc.Quality != 0)
        return Reject("only sample quality 0 exists on this device");
    State.mSamples = VkSampleCountFlagBits(count);

    State.mColorCount = Desc.NumRenderTargets;
    for (UINT i = 0; i < Desc.NumRenderTargets; ++i)
    {
        const DXGI_FORMAT dxgi = Desc.RTVFormats[i];
        if (dxgi == DXGI_FORMAT_UNKNOWN)
            continue; // a slot without a target
        const FormatInfo* format = FindFormat(dxgi);
        if (!format || format->Typeless || format->DepthStencilAspects)
            return Reject("render target " + std::to_string(i) + " has no colour format");
        const VkFormat vk = Owner.ImageFormat(*format);
        VkFormatProperties properties{};
        vkGetPhysicalDeviceFormatProperties(Owner.PhysicalHandle(), vk, &properties);
        if (!(properties.optimalTilingFeatures & VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT) ||
            !(Owner.Limits().framebufferColorSampleCounts & count))
            return Reject("the device cannot render to render target " + std::to_string(i) +
                          "'s format with this many samples");
        State.mColorFormats[i] = vk;
    }

    if (Desc.DSVFormat == DXGI_FORMAT_UNKNOWN)
        return true;
    const FormatInfo* format = FindFormat(Desc.DSVFormat);
    if (!format || format->Typeless || !format->DepthStencilAspects)
        return Reject("the depth-stencil format is not one");
    const VkFormat vk = Owner.ImageFormat(*format);
    VkFormatProperties properties{};
    vkGetPhysicalDeviceFormatProperties(Owner.PhysicalHandle(), vk, &properties);
    if (!(properties.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) ||
        !(Owner.Limits().framebufferDepthSampleCounts & count))
        return Reject("the device cannot render to the depth-stencil format with this many "
                      "samples");
    State.mDepthStencilFormat = vk;
    if (format->DepthStencilAspects & VK_IMAGE_ASPECT_DEPTH_BIT)
        DepthFormat = vk;
    if (format->DepthStencilAspects & VK_IMAGE_ASPECT_STENCIL_BIT)
        StencilFormat = vk;
    return true;
}

bool PipelineState::Builder::ReadRasterizer()
{
    const D3D12_RASTERIZER_DESC& r = Desc.RasterizerState;
    const VkPhysicalDeviceFeatures& features = Owner.Features();
    if (!TranslateFillMode(r.FillMode, &Rasterizer.polygonMode) ||
        !TranslateCullMode(r.CullMode, &Rasterizer.cullMode))
        return Reject("unknown fill or cull mode");
    if (Rasterizer.polygonMode != VK_POLYGON_MODE_FILL && !features.fillModeNonSolid)
        return Reject("the device cannot draw wireframes");
    if ((!r.DepthClipEnable && !features.depthClamp) ||
        (r.DepthBiasClamp != 0.0f && !features.depthBiasClamp))
        return Reject("the device can neither leave depth unclipped nor clamp depth bias");
    if (r.ForcedSampleCount != 0 ||
        r.ConservativeRaster != D3D12_CONSERVATIVE_RASTERIZATION_MODE_OFF)
        return Reject("forced sample counts and conservative rasterization are not supported");
    // Front faces are told apart in framebuffer space, which the viewport
    // keeps as the real platform has it (y down), so the winding carries over.
    Rasterizer.frontFace =
        r.FrontCounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE;
    // Without depth clipping the real platform still clamps depth to the
    // viewport's range, which is what Vulkan's depth clamp does.
    Rasterizer.depthClampEnable = !r.DepthClipEnable;
    Rasterizer.depthBiasEnable =
        r.DepthBias != 0 || r.SlopeScaledDepthBias != 0.0f || r.DepthBiasClamp != 0.0f;
    Rasterizer.depthBiasConstantFactor = float(r.DepthBias);
    Rasterizer.depthBiasClamp = r.DepthBiasClamp;
    Rasterizer.depthBiasSlopeFactor = r.SlopeScaledDepthBias;
    Rasterizer.lineWidth = 1.0f;
    // MultisampleEnable and AntialiasedLineEnable choose how lines are drawn;
    // triangles rasterize with the target's samples either way.
    return true;
}

bool PipelineState::Builder::ReadBlend()
{
    const D3D12_BLEND_DESC& blend = Desc.BlendState;
    Multisample.rasterizationSamples = State.mSamples;
    Multisample.alphaToCoverageEnable = blend.AlphaToCoverageEnable;
    for (UINT i = 0; i < Desc.NumRenderTargets; ++i)
    {
        const D3D12_RENDER_TARGET_BLEND_DESC& target =
            blend.RenderTarget[blend.IndependentBlendEnable ? i : 0];
        if (blend.IndependentBlendEnable && !Owner.Features().independentBlend &&
            !SameBlend(target, blend.RenderTarget[0]))
            return Reject("the device cannot blend render targets differently");
        if (target.LogicOpEnable)
            return Reject("logic operations are not supported");
        VkPipelineColorBlendAttachmentState& out = Blends[i];
        out = {VK_FALSE,
               VK_BLEND_FACTOR_ONE,
               VK_BLEND_FACTOR_ZERO,
               VK_BLEND_OP_ADD,
               VK_BLEND_FACTOR_ONE,
               VK_BLEND_FACTOR_ZERO,
               VK_BLEND_OP_ADD,
               0};
        // The channel bits are the same in both APIs: red 1, green 2, blue 4, alpha 8.
        out.colorWriteMask = target.RenderTargetWriteMask & 0xF;
        if (!target.BlendEnable)
            continue;
        out.blendEnable = VK_TRUE;
        if (!TranslateBlendFactor(target.SrcBlend, &out.srcColorBlendFactor) ||
            !TranslateBlendFactor(target.DestBlend, &out.dstColorBlendFactor) ||
            !TranslateBlendOp(target.BlendOp, &out.colorBlendOp) ||
            !TranslateBlendFactor(target.SrcBlendAlpha, &out.srcAlphaBlendFactor) ||
            !TranslateBlendFactor(target.DestBlendAlpha, &out.dstAlphaBlendFactor) ||
            !TranslateBlendOp(target.BlendOpAlpha, &out.alphaBlendOp))
            return Reject("render target " + std::to_string(i) +
                          ": a blend factor or operation that cannot be honoured");
        VkFormatProperties properties{};
        vkGetPhysicalDeviceFormatProperties(Owner.PhysicalHandle(), State.mColorFormats[i],
                                            &properties);
        if (State.mColorFormats[i] != VK_FORMAT_UNDEFINED &&
            !(properties.optimalTilingFeatures & VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BLEND_BIT))
            return Reject("render target " + std::to_string(i) + ": its format cannot blend");
    }
    return true;
}

bool PipelineState::Builder::ReadDepthStencil()
{
    const D3D12_DEPTH_STENCIL_DESC& ds = Desc.DepthStencilState;
    // Tests of a plane the target lacks are off, as on the real platform.
    const bool depth = ds.DepthEnable && DepthFormat != VK_FORMAT_UNDEFINED;
    const bool stencil = ds.StencilEnable && StencilFormat != VK_FORMAT_UNDEFINED;
    DepthStencil.depthTestEnable = depth;
    DepthStencil.depthWriteEnable = depth && ds.DepthWriteMask == D3D12_DEPTH_WRITE_MASK_ALL;
    DepthStencil.depthCompareOp = VK_COMPARE_OP_ALWAYS;
    if (depth && !TranslateComparison(ds.DepthFunc, &DepthStencil.depthCompareOp))
        return Reject("unknown depth function");
    DepthStencil.stencilTestEnable = stencil;
    const auto face =
        [this, &ds, stencil](const D3D12_DEPTH_STENCILOP_DESC& in, VkStencilOpState* out)
    {
        *out = {VK_STENCIL_OP_KEEP,
                VK_STENCIL_OP_KEEP,
                VK_STENCIL_OP_KEEP,
                VK_COMPARE_OP_ALWAYS,
                ds.StencilReadMask,
                ds.StencilWriteMask,
                0};
        if (stencil && (!TranslateStencilOp(in.StencilFailOp, &out->failOp) ||
                        !TranslateStencilOp(in.StencilPassOp, &out->passOp) ||
                        !TranslateStencilOp(in.StencilDepthFailOp, &out->depthFailOp) ||
                        !TranslateComparison(in.StencilFunc, &out->compareOp)))
            return Reject("unknown stencil operation or function");
        return true;
    };
    return face(ds.FrontFace, &DepthStencil.front) && face(ds.BackFace, &DepthStencil.back);
}

bool PipelineState::Builder::ReadTopology()
{
    State.mTopologyType = Desc.PrimitiveTopologyType;
    if (!TopologyOfType(Desc.PrimitiveTopologyType, &Topology))
        return Reject("the topology type must be point, line or triangle");
    if (Desc.IBStripCutValue != D3D12_INDEX_BUFFER_STRIP_CUT_VALUE_DISABLED)
        return Reject("strip cut values are not supported");
    return true;
}

HRESULT PipelineState::Builder::Build()
{
    std::vector<VkShaderModule> modules;
    std::vector<VkPipelineShaderStageCreateInfo> stages;
    const auto addStage = [&](const ShaderBytecode& shader, VkShaderStageFlagBits stage)
    {
        auto info =
            vkrt::Structure<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
        info.codeSize = shader.Spirv.size() * sizeof(uint32_t);
        info.pCode = shader.Spirv.data();
        VkShaderModule module = VK_NULL_HANDLE;
        const VkResult result = vkCreateShaderModule(Owner.Handle(), &info, nullptr, &module);
        if (result != VK_SUCCESS)
            return result;
        modules.push_back(module);
        auto stageInfo = vkrt::Structure<VkPipelineShaderStageCreateInfo>(
            VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
        stageInfo.stage = stage;
        stageInfo.module = module;
        stageInfo.pName = shader.EntryPoint.c_str();
        stages.push_back(stageInfo);
        return VK_SUCCESS;
    };
    VkResult result = addStage(Vertex, VK_SHADER_STAGE_VERTEX_BIT);
    if (result == VK_SUCCESS && HasPixel)
        result = addStage(Pixel, VK_SHADER_STAGE_FRAGMENT_BIT);

    auto vertexInput = vkrt::Structure<VkPipelineVertexInputStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
    vertexInput.vertexBindingDescriptionCount = uint32_t(Bindings.size());
    vertexInput.pVertexBindingDescriptions = Bindings.data();
    vertexInput.vertexAttributeDescriptionCount = uint32_t(Attributes.size());
    vertexInput.pVertexAttributeDescriptions = Attributes.data();
    auto inputAssembly = vkrt::Structure<VkPipelineInputAssemblyStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
    inputAssembly.topology = Topology;
    auto viewport = vkrt::Structure<VkPipelineViewportStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
    viewport.viewportCount = 1;
    viewport.scissorCount = 1;
    const VkSampleMask sampleMask = Desc.SampleMask;
    Multisample.pSampleMask = &sampleMask;
    auto blend = vkrt::Structure<VkPipelineColorBlendStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
    blend.attachmentCount = State.mColorCount;
    blend.pAttachments = Blends;
    auto dynamic = vkrt::Structure<VkPipelineDynamicStateCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
    dynamic.dynamicStateCount = uint32_t(std::size(DynamicStates));
    dynamic.pDynamicStates = DynamicStates;
    auto rendering = vkrt::Structure<VkPipelineRenderingCreateInfo>(
        VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO);
    rendering.colorAttachmentCount = State.mColorCount;
    rendering.pColorAttachmentFormats = State.mColorFormats;
    rendering.depthAttachmentFormat = DepthFormat;
    rendering.stencilAttachmentFormat = StencilFormat;

    auto info = vkrt::Structure<VkGraphicsPipelineCreateInfo>(
        VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO);
    info.pNext = &rendering;
    info.stageCount = uint32_t(stages.size());
    info.pStages = stages.data();
    info.pVertexInputState = &vertexInput;
    info.pInputAssemblyState = &inputAssembly;
    info.pViewportState = &viewport;
    info.pRasterizationState = &Rasterizer;
    info.pMultisampleState = &Multisample;
    info.pDepthStencilState = &DepthStencil;
    info.pColorBlendState = &blend;
    info.pDynamicState = &dynamic;
    info.layout = State.mSignature->PipelineLayout();
    if (result == VK_SUCCESS)
        result = vkCreateGraphicsPipelines(Owner.Handle(), VK_NULL_HANDLE, 1, &info, nullptr,
                                           &State.mPipeline);
    for (VkShaderModule module : modules)
        vkDestroyShaderModule(Owner.Handle(), module, nullptr);
    return vkrt::HResultFromVk(result);
}

HRESULT PipelineState::Create(Device& device, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc,
                              PipelineState** state)
{
    *state = nullptr;
    auto* created = new (std::nothrow) PipelineState(device);
    if (!created)
        return E_OUTOFMEMORY;
    Microsoft::WRL::ComPtr<PipelineState> owner;
    owner.Attach(created);

    Builder builder(device, desc, *created);
    created->mSignature = Unwrap<RootSignature>(desc.pRootSignature, device);
    bool valid = created->mSignature != nullptr ||
                 builder.Reject("a root signature of this device is needed");
    valid = valid && desc.NodeMask <= 1 && desc.Flags == D3D12_PIPELINE_STATE_FLAG_NONE;
    valid = valid && builder.ReadShaders() && builder.MatchInputLayout() && builder.LinkStages() &&
            builder.ReadTargets() && builder.ReadRasterizer() && builder.ReadBlend() &&
            builder.ReadDepthStencil() && builder.ReadTopology();
    if (!valid)
    {
        const std::string reason = builder.Error.empty() ? "node mask or flags" : builder.Error;
        OutputDebugStringA(("ID3D12Device::CreateGraphicsPipelineState: " + reason + "\n").c_str());
        return E_INVALIDARG;
    }
    HRESULT hr = builder.Build();
    if (FAILED(hr))
        return hr;
    *state = owner.Detach();
    return S_OK;
}

PipelineState::PipelineState(Device& device) : DeviceChild(device) {}

PipelineState::~PipelineState()
{
    if (mPipeline == VK_NULL_HANDLE)
        return;
    const VkDevice device = Owner().Handle();
    Owner().Queue().Retire([device, pipeline = mPipeline]
                           { vkDestroyPipeline(device, pipeline, nullptr); });
}

HRESULT PipelineState::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12PipelineState>(this, riid, object);
}

HRESULT PipelineState::GetCachedBlob(ID3DBlob** blob)
{
    // Pipelines are built from their descriptions every time.
    return com::NotImplemented("ID3D12PipelineState", "GetCachedBlob", blob);
}

} // namespace d3d12
