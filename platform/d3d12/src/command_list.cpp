#include "command_list.h"

#include "command_allocator.h"
#include "copy_region.h"
#include "footprint.h"
#include "resource.h"
#include "resource_state.h"

#include <vulkan_runtime/barrier.h>
#include <vulkan_runtime/result.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vulkan_runtime/structure.h>

namespace d3d12
{
namespace
{

VkClearValue ClearColor(ClearKind kind, const FLOAT color[4])
{
    VkClearValue value{};
    for (int i = 0; i < 4; ++i)
    {
        switch (kind)
        {
        case ClearKind::Float:
            value.color.float32[i] = color[i];
            break;
        case ClearKind::Uint:
            value.color.uint32[i] = uint32_t(std::max(0.0f, color[i]));
            break;
        case ClearKind::Sint:
            value.color.int32[i] = int32_t(color[i]);
            break;
        }
    }
    return value;
}

VkRenderingAttachmentInfo Attachment(const Descriptor& view, VkImageLayout layout, bool clear,
                                     const VkClearValue& value)
{
    auto attachment =
        vkrt::Structure<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
    attachment.imageView = view.View;
    attachment.imageLayout = layout;
    attachment.loadOp = clear ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_LOAD;
    attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    attachment.clearValue = value;
    return attachment;
}

bool BoxIsValid(const D3D12_BOX& box)
{
    return box.left < box.right && box.top < box.bottom && box.front < box.back;
}

} // namespace

HRESULT CommandList::Create(Device& device, D3D12_COMMAND_LIST_TYPE type,
                            CommandAllocator& allocator, ID3D12PipelineState* initialState,
                            CommandList** list)
{
    *list = nullptr;
    if (type != D3D12_COMMAND_LIST_TYPE_DIRECT)
        return E_NOTIMPL;
    if (allocator.Type() != type)
        return E_INVALIDARG;
    auto* created = new (std::nothrow) CommandList(device, type);
    if (!created)
        return E_OUTOFMEMORY;
    // A list is created open, as on the real platform.
    HRESULT hr = created->Begin(allocator, initialState);
    if (FAILED(hr))
    {
        created->Release();
        return hr;
    }
    *list = created;
    return S_OK;
}

CommandList::CommandList(Device& device, D3D12_COMMAND_LIST_TYPE type)
    : CommandListDefaults(device), mType(type)
{
}

CommandList::~CommandList()
{
    if (!mAllocator)
        return;
    if (mOpen)
        mAllocator->EndList(); // its buffer, still recording, waits for the allocator's Reset
    else
        mAllocator->Retire(mBuffer, mAllocatorGeneration);
    mAllocator->Release();
}

HRESULT CommandList::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12CommandList,
                                 ID3D12GraphicsCommandList>(this, riid, object);
}

HRESULT CommandList::Begin(CommandAllocator& allocator, ID3D12PipelineState* initialState)
{
    VkCommandBuffer buffer = VK_NULL_HANDLE;
    HRESULT hr = allocator.BeginList(&buffer);
    if (FAILED(hr))
        return hr;
    auto begin =
        vkrt::Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    VkResult result = vkBeginCommandBuffer(buffer, &begin);
    if (result != VK_SUCCESS)
    {
        allocator.EndList();
        return vkrt::HResultFromVk(result);
    }

    // The earlier recording can no longer be executed: its buffer goes back
    // to the allocator it came from.
    allocator.AddRef();
    if (mAllocator)
    {
        mAllocator->Retire(mBuffer, mAllocatorGeneration);
        mAllocator->Release();
    }
    mAllocator = &allocator;
    mAllocatorGeneration = allocator.Generation();
    mBuffer = buffer;
    mLastSerial = 0; // a fresh recording: no run of it can be pending
    mOpen = true;
    mInvalid = false;
    mRendering = false;
    mTargets = {};
    mViewportCount = 0;
    mScissorCount = 0;
    ResetDrawState();

    // What earlier submissions wrote is visible to this list: resources
    // return to the common state between executions on the real platform, and
    // may be used from it without a barrier.
    vkrt::RecordWritesVisible(mBuffer, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,
                              VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT);

    if (initialState)
        SetPipelineState(initialState);
    return S_OK;
}

HRESULT CommandList::Close()
{
    if (!mOpen)
        return E_FAIL; // closing a closed list, as the real platform reports it
    EndRendering();

    // What the list wrote is visible to the processor once a fence signalled
    // after it is reached, as a readback resource is read on the real
    // platform: a wait on the host alone does not make device writes visible.
    vkrt::RecordWritesVisible(mBuffer, VK_PIPELINE_STAGE_2_HOST_BIT, VK_ACCESS_2_HOST_READ_BIT);
    const VkResult result = vkEndCommandBuffer(mBuffer);
    mOpen = false;
    mAllocator->EndList();
    if (result != VK_SUCCESS)
        mInvalid = true;
    return mInvalid ? E_INVALIDARG : S_OK;
}

HRESULT CommandList::Reset(ID3D12CommandAllocator* allocator, ID3D12PipelineState* initialState)
{
    if (mOpen)
        return E_FAIL; // a list is closed before it is reset
    auto* ownAllocator = Unwrap<CommandAllocator>(allocator, Owner());
    if (!ownAllocator || ownAllocator->Type() != mType)
        return E_INVALIDARG;
    return Begin(*ownAllocator, initialState);
}

void CommandList::Invalidate(const char* call)
{
    if (!mOpen || mInvalid)
        return;
    mInvalid = true;
    const std::string message = std::string("ID3D12GraphicsCommandList::") + call +
                                ": the call cannot be honoured; the list is invalid\n";
    OutputDebugStringA(message.c_str());
}

bool CommandList::IsExecutable() const
{
    return !mOpen && !mInvalid && mBuffer != VK_NULL_HANDLE &&
           mAllocator->Generation() == mAllocatorGeneration;
}

void CommandList::WaitUntilIdle() const
{
    // Only a second run of the very same recording waits: a reset list
    // records into another buffer and never waits for its earlier run.
    const uint64_t last = mLastSerial;
    if (Owner().Queue().CompletedSerial() < last)
        Owner().Queue().WaitForSerial(last);
}

void CommandList::Submitted(uint64_t serial)
{
    mLastSerial = serial;
    mAllocator->Submitted(serial);
}

void CommandList::EndRendering()
{
    if (mRendering)
    {
        vkCmdEndRendering(mBuffer);
        mRendering = false;
    }
}

const Descriptor* CommandList::LiveDescriptor(D3D12_CPU_DESCRIPTOR_HANDLE handle,
                                              D3D12_DESCRIPTOR_HEAP_TYPE type,
                                              DescriptorKind kind) const
{
    const Descriptor* record = Owner().FindDescriptor(handle, type);
    if (!record || record->Kind != kind || !Owner().Resources().Find(record->Resource))
        return nullptr;
    return record;
}

// ---------------------------------------------------------------------------
// Barriers

void CommandList::ResourceBarrier(UINT count, const D3D12_RESOURCE_BARRIER* barriers)
{
    if (!Recording())
        return;
    if (count > 0 && !barriers)
        return Invalidate("ResourceBarrier");

    mImageBarriers.clear();
    mBufferBarriers.clear();
    auto memory = vkrt::Structure<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
    for (UINT i = 0; i < count; ++i)
    {
        const D3D12_RESOURCE_BARRIER& barrier = barriers[i];
        if (barrier.Flags &
            ~(D3D12_RESOURCE_BARRIER_FLAG_BEGIN_ONLY | D3D12_RESOURCE_BARRIER_FLAG_END_ONLY))
            return Invalidate("ResourceBarrier");
        switch (barrier.Type)
        {
        case D3D12_RESOURCE_BARRIER_TYPE_TRANSITION:
            // A split transition takes effect at its end.
            if (barrier.Flags & D3D12_RESOURCE_BARRIER_FLAG_BEGIN_ONLY)
                continue;
            if (!AddTransition(barrier.Transition))
                return Invalidate("ResourceBarrier");
            break;
        case D3D12_RESOURCE_BARRIER_TYPE_UAV:
            memory.srcStageMask |= ScopeOfState(D3D12_RESOURCE_STATE_UNORDERED_ACCESS).Stages;
            memory.srcAccessMask |= VK_ACCESS_2_SHADER_STORAGE_WRITE_BIT;
            memory.dstStageMask |= ScopeOfState(D3D12_RESOURCE_STATE_UNORDERED_ACCESS).Stages;
            memory.dstAccessMask |= ScopeOfState(D3D12_RESOURCE_STATE_UNORDERED_ACCESS).Access;
            break;
        case D3D12_RESOURCE_BARRIER_TYPE_ALIASING:
            memory.srcStageMask |= VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT;
            memory.srcAccessMask |= VK_ACCESS_2_MEMORY_WRITE_BIT;
            memory.dstStageMask |= VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT;
            memory.dstAccessMask |= VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT;
            break;
        default:
            return Invalidate("ResourceBarrier");
        }
    }

    const bool global = memory.srcStageMask != 0;
    if (!global && mImageBarriers.empty() && mBufferBarriers.empty())
        return;
    EndRendering();
    auto dependency = vkrt::Structure<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.memoryBarrierCount = global ? 1 : 0;
    dependency.pMemoryBarriers = &memory;
    dependency.bufferMemoryBarrierCount = uint32_t(mBufferBarriers.size());
    dependency.pBufferMemoryBarriers = mBufferBarriers.data();
    dependency.imageMemoryBarrierCount = uint32_t(mImageBarriers.size());
    dependency.pImageMemoryBarriers = mImageBarriers.data();
    vkCmdPipelineBarrier2(mBuffer, &dependency);
}

bool CommandList::AddTransition(const D3D12_RESOURCE_TRANSITION_BARRIER& transition)
{
    Resource* resource = Unwrap<Resource>(transition.pResource, Owner());
    if (!resource || !IsKnownState(transition.StateBefore) || !IsKnownState(transition.StateAfter))
        return false;
    const StateScope before = ScopeOfState(transition.StateBefore);
    const StateScope after = ScopeOfState(transition.StateAfter);

    if (resource->IsBuffer())
    {
        if (transition.Subresource != 0 &&
            transition.Subresource != D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES)
            return false;
        auto barrier =
            vkrt::Structure<VkBufferMemoryBarrier2>(VK_STRUCTURE_TYPE_BUFFER_MEMORY_BARRIER_2);
        barrier.srcStageMask = before.Stages;
        barrier.srcAccessMask = before.Access;
        barrier.dstStageMask = after.Stages;
        barrier.dstAccessMask = after.Access;
        barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        barrier.buffer = resource->Buffer();
        barrier.size = VK_WHOLE_SIZE;
        mBufferBarriers.push_back(barrier);
        return true;
    }

    // The depth and stencil planes of one mip and slice change layout
    // together: Vulkan keeps one layout for both unless separate layouts are
    // enabled, which the runtime does not need.
    VkImageSubresourceRange range = {resource->Aspects(), 0, VK_REMAINING_MIP_LEVELS, 0,
                                     VK_REMAINING_ARRAY_LAYERS};
    if (transition.Subresource != D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES)
    {
        if (transition.Subresource >= resource->SubresourceCount())
            return false;
        const Subresource sub =
            SplitSubresource(transition.Subresource, resource->Mips(), resource->Slices());
        range = {resource->Aspects(), sub.Mip, 1, sub.Slice, 1};
    }
    auto barrier = vkrt::Structure<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = before.Stages;
    barrier.srcAccessMask = before.Access;
    barrier.dstStageMask = after.Stages;
    barrier.dstAccessMask = after.Access;
    barrier.oldLayout = LayoutOfState(transition.StateBefore);
    barrier.newLayout = LayoutOfState(transition.StateAfter);
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = resource->Image();
    barrier.subresourceRange = range;
    mImageBarriers.push_back(barrier);
    return true;
}

// ---------------------------------------------------------------------------
// Copies

void CommandList::CopyBufferRegion(ID3D12Resource* destination, UINT64 destinationOffset,
                                   ID3D12Resource* source, UINT64 sourceOffset, UINT64 byteCount)
{
    if (!Recording())
        return;
    Resource* to = Unwrap<Resource>(destination, Owner());
    Resource* from = Unwrap<Resource>(source, Owner());
    const auto fits = [byteCount](const Resource* buffer, UINT64 offset)
    { return byteCount <= buffer->Width() && offset <= buffer->Width() - byteCount; };
    if (!to || !from || !to->IsBuffer() || !from->IsBuffer() || !fits(to, destinationOffset) ||
        !fits(from, sourceOffset))
        return Invalidate("CopyBufferRegion");
    const bool overlapping = to == from && destinationOffset < sourceOffset + byteCount &&
                             sourceOffset < destinationOffset + byteCount;
    if (overlapping)
        return Invalidate("CopyBufferRegion");
    if (byteCount == 0)
        return;
    EndRendering();
    const VkBufferCopy region = {sourceOffset, destinationOffset, byteCount};
    vkCmdCopyBuffer(mBuffer, from->Buffer(), to->Buffer(), 1, &region);
}

void CommandList::CopyTextureRegion(const D3D12_TEXTURE_COPY_LOCATION* destination, UINT x, UINT y,
                                    UINT z, const D3D12_TEXTURE_COPY_LOCATION* source,
                                    const D3D12_BOX* sourceBox)
{
    if (!Recording())
        return;
    if (!destination || !source || (sourceBox && !BoxIsValid(*sourceBox)))
        return Invalidate("CopyTextureRegion");
    constexpr auto Index = D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
    constexpr auto Placed = D3D12_TEXTURE_COPY_TYPE_PLACED_FOOTPRINT;
    bool recorded = false;
    if (destination->Type == Index && source->Type == Placed)
        recorded = CopyBufferToImage(*destination, x, y, z, *source, sourceBox);
    else if (destination->Type == Placed && source->Type == Index)
        recorded = CopyImageToBuffer(*destination, x, y, z, *source, sourceBox);
    else if (destination->Type == Index && source->Type == Index)
        recorded = CopyImageToImage(*destination, x, y, z, *source, sourceBox);
    if (!recorded)
        Invalidate("CopyTextureRegion");
}

bool CommandList::CopyBufferToImage(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y,
                                    UINT z, const D3D12_TEXTURE_COPY_LOCATION& source,
                                    const D3D12_BOX* box)
{
    Resource* image = Unwrap<Resource>(destination.pResource, Owner());
    Resource* buffer = Unwrap<Resource>(source.pResource, Owner());
    if (!image || !buffer || image->IsBuffer() || !buffer->IsBuffer() ||
        image->Samples() != VK_SAMPLE_COUNT_1_BIT ||
        destination.SubresourceIndex >= image->SubresourceCount())
        return false;
    const Subresource sub =
        SplitSubresource(destination.SubresourceIndex, image->Mips(), image->Slices());
    const auto& footprint = source.PlacedFootprint.Footprint;
    const FormatInfo* layout = FindFormat(footprint.Format);
    const uint32_t blockBytes = PlaneBlockBytes(image->Format(), sub.Plane);
    if (!layout || layout->BlockBytes != blockBytes ||
        layout->BlockSize != image->Format().BlockSize)
        return false;

    auto [from, extent] = BoxRegion(box, {footprint.Width, footprint.Height, footprint.Depth});
    const Placement placement{source.PlacedFootprint, blockBytes, layout->BlockSize};
    const VkOffset3D to{int32_t(x), int32_t(y), int32_t(z)};
    if (!PlacementFits(placement, from, extent, buffer->Width()) ||
        !ClampToMip(image->MipExtent(sub.Mip), image->Format().BlockSize, to, &extent))
        return false;

    const VkBufferImageCopy region = PlacementCopy(
        placement, from, {image->PlaneAspect(sub.Plane), sub.Mip, sub.Slice, 1}, to, extent);
    EndRendering();
    vkCmdCopyBufferToImage(mBuffer, buffer->Buffer(), image->Image(),
                           LayoutOfState(D3D12_RESOURCE_STATE_COPY_DEST), 1, &region);
    return true;
}

bool CommandList::CopyImageToBuffer(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y,
                                    UINT z, const D3D12_TEXTURE_COPY_LOCATION& source,
                                    const D3D12_BOX* box)
{
    Resource* buffer = Unwrap<Resource>(destination.pResource, Owner());
    Resource* image = Unwrap<Resource>(source.pResource, Owner());
    if (!image || !buffer || image->IsBuffer() || !buffer->IsBuffer() ||
        image->Samples() != VK_SAMPLE_COUNT_1_BIT ||
        source.SubresourceIndex >= image->SubresourceCount())
        return false;
    const Subresource sub =
        SplitSubresource(source.SubresourceIndex, image->Mips(), image->Slices());
    const auto& footprint = destination.PlacedFootprint.Footprint;
    const FormatInfo* layout = FindFormat(footprint.Format);
    const uint32_t blockBytes = PlaneBlockBytes(image->Format(), sub.Plane);
    if (!layout || layout->BlockBytes != blockBytes ||
        layout->BlockSize != image->Format().BlockSize)
        return false;

    const VkExtent3D mip = image->MipExtent(sub.Mip);
    auto [from, extent] = BoxRegion(box, mip);
    const Placement placement{destination.PlacedFootprint, blockBytes, layout->BlockSize};
    const VkOffset3D to{int32_t(x), int32_t(y), int32_t(z)};
    if (!ClampToMip(mip, image->Format().BlockSize, from, &extent) ||
        !PlacementFits(placement, to, extent, buffer->Width()))
        return false;

    const VkBufferImageCopy region = PlacementCopy(
        placement, to, {image->PlaneAspect(sub.Plane), sub.Mip, sub.Slice, 1}, from, extent);
    EndRendering();
    vkCmdCopyImageToBuffer(mBuffer, image->Image(), LayoutOfState(D3D12_RESOURCE_STATE_COPY_SOURCE),
                           buffer->Buffer(), 1, &region);
    return true;
}

bool CommandList::CopyImageToImage(const D3D12_TEXTURE_COPY_LOCATION& destination, UINT x, UINT y,
                                   UINT z, const D3D12_TEXTURE_COPY_LOCATION& source,
                                   const D3D12_BOX* box)
{
    Resource* to = Unwrap<Resource>(destination.pResource, Owner());
    Resource* from = Unwrap<Resource>(source.pResource, Owner());
    if (!to || !from || to->IsBuffer() || from->IsBuffer() || to->Samples() != from->Samples() ||
        destination.SubresourceIndex >= to->SubresourceCount() ||
        source.SubresourceIndex >= from->SubresourceCount() ||
        !SameFamily(to->Desc().Format, from->Desc().Format))
        return false;
    const Subresource toSub =
        SplitSubresource(destination.SubresourceIndex, to->Mips(), to->Slices());
    const Subresource fromSub =
        SplitSubresource(source.SubresourceIndex, from->Mips(), from->Slices());
    auto [fromOffset, extent] = BoxRegion(box, from->MipExtent(fromSub.Mip));
    const VkOffset3D toOffset{int32_t(x), int32_t(y), int32_t(z)};
    VkExtent3D sourceExtent = extent;
    if (!ClampToMip(from->MipExtent(fromSub.Mip), from->Format().BlockSize, fromOffset,
                    &sourceExtent) ||
        !ClampToMip(to->MipExtent(toSub.Mip), to->Format().BlockSize, toOffset, &extent) ||
        sourceExtent.width != extent.width || sourceExtent.height != extent.height ||
        toSub.Plane != fromSub.Plane)
        return false;

    VkImageCopy region{};
    region.srcSubresource = {from->PlaneAspect(fromSub.Plane), fromSub.Mip, fromSub.Slice, 1};
    region.srcOffset = fromOffset;
    region.dstSubresource = {to->PlaneAspect(toSub.Plane), toSub.Mip, toSub.Slice, 1};
    region.dstOffset = toOffset;
    region.extent = extent;
    EndRendering();
    vkCmdCopyImage(mBuffer, from->Image(), LayoutOfState(D3D12_RESOURCE_STATE_COPY_SOURCE),
                   to->Image(), LayoutOfState(D3D12_RESOURCE_STATE_COPY_DEST), 1, &region);
    return true;
}

// ---------------------------------------------------------------------------
// Output state

void CommandList::RSSetViewports(UINT count, const D3D12_VIEWPORT* viewports)
{
    if (!Recording())
        return;
    if (count > D3D12_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE || (count && !viewports))
        return Invalidate("RSSetViewports");
    std::copy_n(viewports, count, mViewports);
    mViewportCount = count;
    mViewportSet = false;
}

void CommandList::RSSetScissorRects(UINT count, const D3D12_RECT* rects)
{
    if (!Recording())
        return;
    if (count > D3D12_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE || (count && !rects))
        return Invalidate("RSSetScissorRects");
    std::copy_n(rects, count, mScissors);
    mScissorCount = count;
    mViewportSet = false;
}

void CommandList::OMSetRenderTargets(UINT count, const D3D12_CPU_DESCRIPTOR_HANDLE* renderTargets,
                                     BOOL singleRange,
                                     const D3D12_CPU_DESCRIPTOR_HANDLE* depthStencil)
{
    if (!Recording())
        return;
    if (count > D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT || (count && !renderTargets))
        return Invalidate("OMSetRenderTargets");

    // Render-target descriptors are read now, as on the real platform: the
    // heap may be rewritten as soon as the call returns.
    RenderTargets targets;
    for (UINT i = 0; i < count; ++i)
    {
        const D3D12_CPU_DESCRIPTOR_HANDLE handle =
            singleRange ? D3D12_CPU_DESCRIPTOR_HANDLE{renderTargets[0].ptr + i * sizeof(Descriptor)}
                        : renderTargets[i];
        const Descriptor* record =
            LiveDescriptor(handle, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, DescriptorKind::RenderTarget);
        if (!record)
            return Invalidate("OMSetRenderTargets");
        targets.Colors[i] = *record;
    }
    targets.ColorCount = count;
    if (depthStencil)
    {
        const Descriptor* record = LiveDescriptor(*depthStencil, D3D12_DESCRIPTOR_HEAP_TYPE_DSV,
                                                  DescriptorKind::DepthStencil);
        if (!record)
            return Invalidate("OMSetRenderTargets");
        targets.DepthStencil = *record;
        targets.HasDepthStencil = true;
    }
    EndRendering();
    mTargets = targets;
}

// ---------------------------------------------------------------------------
// Clears

bool CommandList::ClearRects(UINT count, const D3D12_RECT* rects, const Descriptor& target)
{
    mClearRects.clear();
    if (count > 0 && !rects)
        return false;
    for (UINT i = 0; i < count; ++i)
    {
        // Clipped to the view, as the real platform clips them.
        const LONG left = std::max<LONG>(rects[i].left, 0);
        const LONG top = std::max<LONG>(rects[i].top, 0);
        const LONG right = std::min<LONG>(rects[i].right, LONG(target.Extent.width));
        const LONG bottom = std::min<LONG>(rects[i].bottom, LONG(target.Extent.height));
        if (left >= right || top >= bottom)
            continue;
        mClearRects.push_back({{{left, top}, {uint32_t(right - left), uint32_t(bottom - top)}},
                               0,
                               target.Range.layerCount});
    }
    return true;
}

void CommandList::RecordClearPass(const Descriptor& target, const VkRenderingAttachmentInfo* color,
                                  const VkRenderingAttachmentInfo* depth,
                                  const VkRenderingAttachmentInfo* stencil,
                                  const VkClearAttachment& clear)
{
    EndRendering();
    auto rendering = vkrt::Structure<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
    rendering.renderArea = {{0, 0}, target.Extent};
    rendering.layerCount = target.Range.layerCount;
    rendering.colorAttachmentCount = color ? 1 : 0;
    rendering.pColorAttachments = color;
    rendering.pDepthAttachment = depth;
    rendering.pStencilAttachment = stencil;
    vkCmdBeginRendering(mBuffer, &rendering);
    if (!mClearRects.empty())
        vkCmdClearAttachments(mBuffer, 1, &clear, uint32_t(mClearRects.size()), mClearRects.data());
    vkCmdEndRendering(mBuffer);
}

void CommandList::ClearRenderTargetView(D3D12_CPU_DESCRIPTOR_HANDLE view, const FLOAT color[4],
                                        UINT rectCount, const D3D12_RECT* rects)
{
    if (!Recording())
        return;
    const Descriptor* target =
        LiveDescriptor(view, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, DescriptorKind::RenderTarget);
    if (!target || !color || !ClearRects(rectCount, rects, *target))
        return Invalidate("ClearRenderTargetView");
    if (rectCount > 0 && mClearRects.empty())
        return; // every rectangle lies outside the view

    // Without rectangles the pass clears the whole view as it loads it.
    const VkClearValue value = ClearColor(target->Clear, color);
    const VkRenderingAttachmentInfo attachment = Attachment(
        *target, LayoutOfState(D3D12_RESOURCE_STATE_RENDER_TARGET), rectCount == 0, value);
    const VkClearAttachment clear = {VK_IMAGE_ASPECT_COLOR_BIT, 0, value};
    RecordClearPass(*target, &attachment, nullptr, nullptr, clear);
}

void CommandList::ClearDepthStencilView(D3D12_CPU_DESCRIPTOR_HANDLE view, D3D12_CLEAR_FLAGS flags,
                                        FLOAT depth, UINT8 stencil, UINT rectCount,
                                        const D3D12_RECT* rects)
{
    if (!Recording())
        return;
    const Descriptor* target =
        LiveDescriptor(view, D3D12_DESCRIPTOR_HEAP_TYPE_DSV, DescriptorKind::DepthStencil);
    const bool flagsValid =
        flags != 0 && (flags & ~(D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL)) == 0;
    // Vulkan accepts depths in [0, 1] only, which is also the real platform's rule.
    if (!target || !flagsValid || !(depth >= 0.0f && depth <= 1.0f) ||
        !ClearRects(rectCount, rects, *target))
        return Invalidate("ClearDepthStencilView");
    if (rectCount > 0 && mClearRects.empty())
        return;

    const bool hasDepth = target->Range.aspectMask & VK_IMAGE_ASPECT_DEPTH_BIT;
    const bool hasStencil = target->Range.aspectMask & VK_IMAGE_ASPECT_STENCIL_BIT;
    const bool clearDepth = hasDepth && (flags & D3D12_CLEAR_FLAG_DEPTH);
    const bool clearStencil = hasStencil && (flags & D3D12_CLEAR_FLAG_STENCIL);
    VkClearValue value{};
    value.depthStencil = {depth, stencil};
    const VkImageLayout layout = LayoutOfState(D3D12_RESOURCE_STATE_DEPTH_WRITE);
    const VkRenderingAttachmentInfo depthAttachment =
        Attachment(*target, layout, clearDepth && rectCount == 0, value);
    const VkRenderingAttachmentInfo stencilAttachment =
        Attachment(*target, layout, clearStencil && rectCount == 0, value);
    const VkClearAttachment clear = {
        VkImageAspectFlags((clearDepth ? VK_IMAGE_ASPECT_DEPTH_BIT : 0) |
                           (clearStencil ? VK_IMAGE_ASPECT_STENCIL_BIT : 0)),
        0, value};
    if (clear.aspectMask == 0)
        return; // only planes the view does not have were to be cleared
    RecordClearPass(*target, nullptr, hasDepth ? &depthAttachment : nullptr,
                    hasStencil ? &stencilAttachment : nullptr, clear);
}

} // namespace d3d12
