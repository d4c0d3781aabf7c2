// The drawing half of the command list: pipeline, root arguments, input
// assembly, draws and resolves. Bindings that Vulkan keeps across pipelines
// (vertex and index buffers, topology, stencil reference, blend factor) are
// recorded when they are set; the pipeline, viewport, scissor and root
// arguments are recorded at the next draw, and only where they changed.
#include "command_list.h"

#include "descriptor_heap.h"
#include "footprint.h"
#include "pipeline_state.h"
#include "resource.h"
#include "resource_state.h"
#include "root_signature.h"
#include "translation.h"

#include <vulkan_runtime/structure.h>

#include <algorithm>

namespace d3d12
{

void CommandList::ResetDrawState()
{
    mPipeline = nullptr;
    mSignature = nullptr;
    mViewHeap = nullptr;
    mHeld.clear();
    mRoot.Reset(nullptr);
    mPushedLayout = VK_NULL_HANDLE;
    mPipelineBound = false;
    mViewportSet = false;
    mPipelineMatchesSignature = false;
    mTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_UNDEFINED;
    std::fill(std::begin(mVertexSlots), std::end(mVertexSlots), VertexSlot{});
    mIndexCount = 0;
    // The real platform's initial stencil reference and blend factor; the
    // pipelines take both as dynamic state.
    vkCmdSetStencilReference(mBuffer, VK_STENCIL_FACE_FRONT_AND_BACK, 0);
    const float ones[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    vkCmdSetBlendConstants(mBuffer, ones);
}

void CommandList::Hold(IUnknown* object)
{
    if (mHeld.empty() || mHeld.back().Get() != object)
        mHeld.emplace_back(object);
}

// ---------------------------------------------------------------------------
// Pipeline and root arguments

void CommandList::SetPipelineState(ID3D12PipelineState* state)
{
    if (!Recording())
        return;
    auto* pipeline = Unwrap<PipelineState>(state, Owner());
    if (!pipeline)
        return Invalidate("SetPipelineState");
    if (pipeline == mPipeline)
        return;
    Hold(pipeline);
    mPipeline = pipeline;
    mPipelineBound = false;
    mPipelineMatchesSignature = false;
}

void CommandList::SetDescriptorHeaps(UINT count, ID3D12DescriptorHeap* const* heaps)
{
    if (!Recording())
        return;
    if (count > 2 || (count && !heaps))
        return Invalidate("SetDescriptorHeaps");
    // At most one shader-visible heap of each type; samplers are static here,
    // so a sampler heap is kept alive and otherwise unused.
    DescriptorHeap* views = nullptr;
    DescriptorHeap* samplers = nullptr;
    for (UINT i = 0; i < count; ++i)
    {
        auto* heap = Unwrap<DescriptorHeap>(heaps[i], Owner());
        if (!heap || !(heap->GetDesc().Flags & D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE))
            return Invalidate("SetDescriptorHeaps");
        DescriptorHeap** slot = heap->Type() == D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV ? &views
                                : heap->Type() == D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER   ? &samplers
                                                                                       : nullptr;
        if (!slot || *slot)
            return Invalidate("SetDescriptorHeaps");
        *slot = heap;
        Hold(heap);
    }
    mViewHeap = views;
}

void CommandList::SetGraphicsRootSignature(ID3D12RootSignature* signature)
{
    if (!Recording())
        return;
    auto* own = Unwrap<RootSignature>(signature, Owner());
    if (!own)
        return Invalidate("SetGraphicsRootSignature");
    // Setting the bound signature again keeps its arguments; another one
    // starts with none, as on the real platform.
    if (own == mSignature)
        return;
    Hold(own);
    mSignature = own;
    mRoot.Reset(own);
    mPipelineMatchesSignature = false;
}

void CommandList::SetGraphicsRootConstantBufferView(UINT parameter,
                                                    D3D12_GPU_VIRTUAL_ADDRESS address)
{
    if (!Recording())
        return;
    uint64_t offset = 0;
    const Resource* buffer = Owner().Resources().ResolveAddress(address, &offset);
    const VkPhysicalDeviceLimits& limits = Owner().Limits();
    if (!buffer || offset % limits.minUniformBufferOffsetAlignment != 0 ||
        !mRoot.SetConstantBuffer(
            parameter, buffer->Buffer(), offset,
            std::min<uint64_t>(buffer->Width() - offset, limits.maxUniformBufferRange)))
        return Invalidate("SetGraphicsRootConstantBufferView");
}

void CommandList::SetGraphicsRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE table)
{
    if (!Recording())
        return;
    if (!mViewHeap || !mRoot.SetTable(parameter, *mViewHeap, table.ptr))
        return Invalidate("SetGraphicsRootDescriptorTable");
}

// ---------------------------------------------------------------------------
// Input assembly and output-merger values

void CommandList::IASetPrimitiveTopology(D3D12_PRIMITIVE_TOPOLOGY topology)
{
    if (!Recording())
        return;
    VkPrimitiveTopology vk;
    D3D12_PRIMITIVE_TOPOLOGY_TYPE type;
    if (!TranslateTopology(topology, &vk, &type))
        return Invalidate("IASetPrimitiveTopology");
    vkCmdSetPrimitiveTopology(mBuffer, vk);
    mTopologyType = type;
}

void CommandList::IASetVertexBuffers(UINT startSlot, UINT count,
                                     const D3D12_VERTEX_BUFFER_VIEW* views)
{
    if (!Recording())
        return;
    if (startSlot >= D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT ||
        count > D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT - startSlot)
        return Invalidate("IASetVertexBuffers");
    for (UINT i = 0; i < count; ++i)
    {
        VertexSlot& slot = mVertexSlots[startSlot + i];
        slot = {};
        // No views, a null address or an empty view unbind the slot.
        if (!views || views[i].BufferLocation == 0 || views[i].SizeInBytes == 0)
            continue;
        uint64_t offset = 0;
        const Resource* buffer =
            Owner().Resources().ResolveAddress(views[i].BufferLocation, &offset);
        if (!buffer || views[i].SizeInBytes > buffer->Width() - offset ||
            views[i].StrideInBytes > Owner().Limits().maxVertexInputBindingStride)
            return Invalidate("IASetVertexBuffers");
        const VkBuffer handle = buffer->Buffer();
        const VkDeviceSize size = views[i].SizeInBytes;
        const VkDeviceSize stride = views[i].StrideInBytes;
        vkCmdBindVertexBuffers2(mBuffer, startSlot + i, 1, &handle, &offset, &size, &stride);
        slot = {true, views[i].StrideInBytes};
    }
}

void CommandList::IASetIndexBuffer(const D3D12_INDEX_BUFFER_VIEW* view)
{
    if (!Recording())
        return;
    mIndexCount = 0;
    if (!view || view->BufferLocation == 0)
        return; // unbound: indexed draws are refused until one is set
    const bool wide = view->Format == DXGI_FORMAT_R32_UINT;
    const uint32_t indexBytes = wide ? 4 : 2;
    uint64_t offset = 0;
    const Resource* buffer = Owner().Resources().ResolveAddress(view->BufferLocation, &offset);
    if ((!wide && view->Format != DXGI_FORMAT_R16_UINT) || !buffer || offset % indexBytes != 0 ||
        view->SizeInBytes > buffer->Width() - offset)
        return Invalidate("IASetIndexBuffer");
    vkCmdBindIndexBuffer(mBuffer, buffer->Buffer(), offset,
                         wide ? VK_INDEX_TYPE_UINT32 : VK_INDEX_TYPE_UINT16);
    mIndexCount = view->SizeInBytes / indexBytes;
}

void CommandList::OMSetBlendFactor(const FLOAT factor[4])
{
    if (!Recording())
        return;
    const float ones[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    vkCmdSetBlendConstants(mBuffer, factor ? factor : ones); // null: the default, as documented
}

void CommandList::OMSetStencilRef(UINT reference)
{
    if (!Recording())
        return;
    vkCmdSetStencilReference(mBuffer, VK_STENCIL_FACE_FRONT_AND_BACK, reference);
}

// ---------------------------------------------------------------------------
// Draws

bool CommandList::TargetsMatchPipeline() const
{
    const PipelineState& pipeline = *mPipeline;
    // A pass needs an attachment to take its size from.
    if (mTargets.ColorCount != pipeline.ColorCount() ||
        (mTargets.ColorCount == 0 && !mTargets.HasDepthStencil))
        return false;
    for (uint32_t i = 0; i < mTargets.ColorCount; ++i)
    {
        if (mTargets.Colors[i].Format != pipeline.ColorFormat(i) ||
            mTargets.Colors[i].Samples != pipeline.Samples())
            return false;
    }
    if (!mTargets.HasDepthStencil)
        return pipeline.DepthStencilFormat() == VK_FORMAT_UNDEFINED;
    // Read-only depth-stencil views are not drawn with: the pass would need
    // layouts that tell the planes apart.
    return mTargets.DepthStencil.Format == pipeline.DepthStencilFormat() &&
           mTargets.DepthStencil.Samples == pipeline.Samples() &&
           mTargets.DepthStencil.DepthStencilFlags == D3D12_DSV_FLAG_NONE;
}

void CommandList::BeginRendering()
{
    VkRenderingAttachmentInfo colors[D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT];
    VkExtent2D extent = {UINT32_MAX, UINT32_MAX};
    const auto attach = [&extent](const Descriptor& view, VkImageLayout layout)
    {
        auto attachment =
            vkrt::Structure<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
        attachment.imageView = view.View;
        attachment.imageLayout = layout;
        attachment.loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
        attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
        extent.width = std::min(extent.width, view.Extent.width);
        extent.height = std::min(extent.height, view.Extent.height);
        return attachment;
    };
    for (uint32_t i = 0; i < mTargets.ColorCount; ++i)
        colors[i] = attach(mTargets.Colors[i], LayoutOfState(D3D12_RESOURCE_STATE_RENDER_TARGET));
    VkRenderingAttachmentInfo depthStencil{};
    if (mTargets.HasDepthStencil)
        depthStencil =
            attach(mTargets.DepthStencil, LayoutOfState(D3D12_RESOURCE_STATE_DEPTH_WRITE));
    const VkImageAspectFlags aspects =
        mTargets.HasDepthStencil ? mTargets.DepthStencil.Range.aspectMask : 0;

    auto rendering = vkrt::Structure<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
    rendering.renderArea = {{0, 0}, extent};
    rendering.layerCount = 1;
    rendering.colorAttachmentCount = mTargets.ColorCount;
    rendering.pColorAttachments = colors;
    rendering.pDepthAttachment = aspects & VK_IMAGE_ASPECT_DEPTH_BIT ? &depthStencil : nullptr;
    rendering.pStencilAttachment = aspects & VK_IMAGE_ASPECT_STENCIL_BIT ? &depthStencil : nullptr;
    vkCmdBeginRendering(mBuffer, &rendering);
    mRendering = true;
}

bool CommandList::SetDynamicViewport()
{
    if (mViewportCount == 0 || mScissorCount == 0)
        return false;
    // Only the first viewport and scissor rectangle are used: the shaders
    // here cannot select another one.
    const D3D12_VIEWPORT& v = mViewports[0];
    if (!(v.Width > 0.0f && v.Height > 0.0f && v.MinDepth >= 0.0f && v.MaxDepth <= 1.0f &&
          v.MinDepth <= v.MaxDepth))
        return false;
    // Clip space has y up on the real platform and y down in Vulkan; a
    // viewport of negative height, starting at the bottom edge, flips it.
    const VkViewport viewport = {v.TopLeftX, v.TopLeftY + v.Height, v.Width, -v.Height, v.MinDepth,
                                 v.MaxDepth};
    vkCmdSetViewport(mBuffer, 0, 1, &viewport);

    const D3D12_RECT& r = mScissors[0];
    const LONG left = std::max<LONG>(r.left, 0);
    const LONG top = std::max<LONG>(r.top, 0);
    const LONG right = std::clamp<LONG>(r.right, left, INT32_MAX);
    const LONG bottom = std::clamp<LONG>(r.bottom, top, INT32_MAX);
    const VkRect2D scissor = {{int32_t(left), int32_t(top)},
                              {uint32_t(right - left), uint32_t(bottom - top)}};
    vkCmdSetScissor(mBuffer, 0, 1, &scissor);
    return true;
}

bool CommandList::PrepareDraw()
{
    if (!mPipeline || !mSignature)
        return false;
    if (!mPipelineMatchesSignature)
    {
        // A pipeline draws with the signature it was made with, or one
        // serialized from the same description.
        if (!mSignature->IsCompatible(mPipeline->Signature()))
            return false;
        mPipelineMatchesSignature = true;
    }
    if (!TargetsMatchPipeline() || mTopologyType != mPipeline->TopologyType() ||
        (mPipeline->UsedParameters() & ~mRoot.SetParameters()) != 0)
        return false;
    for (uint32_t slots = mPipeline->UsedSlots(); slots != 0; slots &= slots - 1)
    {
        const uint32_t slot = __builtin_ctz(slots);
        const VertexSlot& bound = mVertexSlots[slot];
        if (!bound.Bound || (bound.Stride != 0 && bound.Stride < mPipeline->SlotExtent(slot)))
            return false;
    }

    if (!mRendering)
        BeginRendering();
    if (!mViewportSet)
    {
        if (!SetDynamicViewport())
            return false;
        mViewportSet = true;
    }
    if (!mPipelineBound)
    {
        vkCmdBindPipeline(mBuffer, VK_PIPELINE_BIND_POINT_GRAPHICS, mPipeline->Handle());
        mPipelineBound = true;
    }
    // Arguments pushed for another layout do not count for this pipeline's.
    const VkPipelineLayout layout = mPipeline->Signature().PipelineLayout();
    if (layout != mPushedLayout)
    {
        mRoot.Invalidate();
        mPushedLayout = layout;
    }
    return mRoot.Push(mBuffer, Owner().PushDescriptorSet(), layout, Owner().Resources());
}

void CommandList::DrawInstanced(UINT vertexCount, UINT instanceCount, UINT startVertex,
                                UINT startInstance)
{
    if (!Recording())
        return;
    if (!PrepareDraw())
        return Invalidate("DrawInstanced");
    if (vertexCount > 0 && instanceCount > 0)
        vkCmdDraw(mBuffer, vertexCount, instanceCount, startVertex, startInstance);
}

void CommandList::DrawIndexedInstanced(UINT indexCount, UINT instanceCount, UINT startIndex,
                                       INT baseVertex, UINT startInstance)
{
    if (!Recording())
        return;
    // Indices past the end of the view are refused rather than read from
    // whatever follows it in the buffer.
    if (uint64_t(startIndex) + indexCount > mIndexCount || !PrepareDraw())
        return Invalidate("DrawIndexedInstanced");
    if (indexCount > 0 && instanceCount > 0)
        vkCmdDrawIndexed(mBuffer, indexCount, instanceCount, startIndex, baseVertex, startInstance);
}

// ---------------------------------------------------------------------------
// Resolve

void CommandList::ResolveSubresource(ID3D12Resource* destination, UINT destinationSubresource,
                                     ID3D12Resource* source, UINT sourceSubresource,
                                     DXGI_FORMAT format)
{
    if (!Recording())
        return;
    Resource* to = Unwrap<Resource>(destination, Owner());
    Resource* from = Unwrap<Resource>(source, Owner());
    const FormatInfo* view = FindFormat(format);
    // A colour resolve of a multisampled subresource into a single-sampled
    // one of the same size, in a format both resources can be seen in.
    if (!to || !from || to->IsBuffer() || from->IsBuffer() || !view || view->Typeless ||
        view->DepthStencilAspects || from->Samples() == VK_SAMPLE_COUNT_1_BIT ||
        to->Samples() != VK_SAMPLE_COUNT_1_BIT ||
        destinationSubresource >= to->SubresourceCount() ||
        sourceSubresource >= from->SubresourceCount() || !SameFamily(format, to->Desc().Format) ||
        !SameFamily(format, from->Desc().Format) || to->ImageFormat() != from->ImageFormat())
        return Invalidate("ResolveSubresource");
    const Subresource toSub = SplitSubresource(destinationSubresource, to->Mips(), to->Slices());
    const Subresource fromSub = SplitSubresource(sourceSubresource, from->Mips(), from->Slices());
    const VkExtent3D extent = from->MipExtent(fromSub.Mip);
    const VkExtent3D toExtent = to->MipExtent(toSub.Mip);
    VkFormatProperties properties{};
    vkGetPhysicalDeviceFormatProperties(Owner().PhysicalHandle(), to->ImageFormat(), &properties);
    if (extent.width != toExtent.width || extent.height != toExtent.height ||
        !(properties.optimalTilingFeatures & VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT))
        return Invalidate("ResolveSubresource");

    VkImageResolve region{};
    region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, fromSub.Mip, fromSub.Slice, 1};
    region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, toSub.Mip, toSub.Slice, 1};
    region.extent = extent;
    EndRendering();
    vkCmdResolveImage(mBuffer, from->Image(), LayoutOfState(D3D12_RESOURCE_STATE_RESOLVE_SOURCE),
                      to->Image(), LayoutOfState(D3D12_RESOURCE_STATE_RESOLVE_DEST), 1, &region);
}

} // namespace d3d12
