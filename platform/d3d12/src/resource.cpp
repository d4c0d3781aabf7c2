#include "resource.h"

#include "footprint.h"
#include "resource_state.h"

#include <vulkan_runtime/result.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vulkan_runtime/structure.h>

namespace d3d12
{
namespace
{

constexpr UINT64 DefaultAlignment = D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT;
constexpr UINT64 MultisampleAlignment = D3D12_DEFAULT_MSAA_RESOURCE_PLACEMENT_ALIGNMENT;

constexpr D3D12_RESOURCE_FLAGS KnownFlags = D3D12_RESOURCE_FLAGS(
    D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL |
    D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS | D3D12_RESOURCE_FLAG_DENY_SHADER_RESOURCE |
    D3D12_RESOURCE_FLAG_ALLOW_CROSS_ADAPTER | D3D12_RESOURCE_FLAG_ALLOW_SIMULTANEOUS_ACCESS);

MemoryUse MemoryUseOf(D3D12_HEAP_TYPE type)
{
    return type == D3D12_HEAP_TYPE_UPLOAD     ? MemoryUse::Upload
           : type == D3D12_HEAP_TYPE_READBACK ? MemoryUse::Readback
                                              : MemoryUse::DeviceLocal;
}

HRESULT CheckHeap(const D3D12_HEAP_PROPERTIES& heap, const D3D12_RESOURCE_DESC& desc,
                  D3D12_RESOURCE_STATES initialState)
{
    if (heap.Type == D3D12_HEAP_TYPE_CUSTOM)
        return E_NOTIMPL;
    if (heap.Type != D3D12_HEAP_TYPE_DEFAULT && heap.Type != D3D12_HEAP_TYPE_UPLOAD &&
        heap.Type != D3D12_HEAP_TYPE_READBACK)
        return E_INVALIDARG;
    if (heap.CreationNodeMask > 1 || heap.VisibleNodeMask > 1 || !IsKnownState(initialState))
        return E_INVALIDARG;
    // As on the real platform: CPU-visible heaps hold buffers, upload heaps
    // start in the generic-read state and readback heaps as copy targets.
    const bool buffer = desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER;
    if (heap.Type == D3D12_HEAP_TYPE_UPLOAD &&
        (!buffer || initialState != D3D12_RESOURCE_STATE_GENERIC_READ))
        return E_INVALIDARG;
    if (heap.Type == D3D12_HEAP_TYPE_READBACK &&
        (!buffer || initialState != D3D12_RESOURCE_STATE_COPY_DEST))
        return E_INVALIDARG;
    return S_OK;
}

HRESULT CheckBufferDesc(const D3D12_RESOURCE_DESC& desc, const D3D12_CLEAR_VALUE* clearValue)
{
    const bool valid =
        desc.Width > 0 && desc.Height == 1 && desc.DepthOrArraySize == 1 && desc.MipLevels == 1 &&
        desc.Format == DXGI_FORMAT_UNKNOWN && desc.SampleDesc.Count == 1 &&
        desc.SampleDesc.Quality == 0 && desc.Layout == D3D12_TEXTURE_LAYOUT_ROW_MAJOR &&
        (desc.Alignment == 0 || desc.Alignment == DefaultAlignment) && !clearValue &&
        (desc.Flags & ~KnownFlags) == 0 &&
        !(desc.Flags &
          (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL));
    if (!valid)
        return E_INVALIDARG;
    // Addresses give each buffer 2^40 bytes.
    return desc.Width < (uint64_t(1) << ResourceRegistry::AddressShift) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CheckTextureDesc(const D3D12_RESOURCE_DESC& desc, const FormatInfo* format,
                         const D3D12_CLEAR_VALUE* clearValue)
{
    if (desc.Dimension != D3D12_RESOURCE_DIMENSION_TEXTURE2D)
        return E_NOTIMPL; // the program's textures are all two-dimensional
    const bool renderTarget = desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET;
    const bool depthStencil = desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL;
    const UINT samples = desc.SampleDesc.Count;
    const bool valid =
        format && desc.Width > 0 && desc.Width <= D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION &&
        desc.Height > 0 && desc.Height <= D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION &&
        desc.DepthOrArraySize > 0 &&
        desc.DepthOrArraySize <= D3D12_REQ_TEXTURE2D_ARRAY_AXIS_DIMENSION &&
        desc.MipLevels <= FullMipChain(desc.Width, desc.Height, 1) && samples > 0 &&
        (samples & (samples - 1)) == 0 && (samples == 1 || desc.MipLevels == 1) &&
        desc.SampleDesc.Quality == 0 && desc.Layout == D3D12_TEXTURE_LAYOUT_UNKNOWN &&
        (desc.Flags & ~KnownFlags) == 0 && !(renderTarget && depthStencil) &&
        (!renderTarget || !format->DepthStencilAspects) &&
        (!clearValue || renderTarget || depthStencil);
    if (!valid)
        return E_INVALIDARG;
    const bool alignmentValid = desc.Alignment == 0 || desc.Alignment == DefaultAlignment ||
                                desc.Alignment == MultisampleAlignment ||
                                desc.Alignment == D3D12_SMALL_RESOURCE_PLACEMENT_ALIGNMENT;
    return alignmentValid ? S_OK : E_INVALIDARG;
}

// The format an image of `desc` is made in: its own, or for a typeless
// single-component family created for depth, the family's depth format.
const FormatInfo* ImageFormatOf(const D3D12_RESOURCE_DESC& desc)
{
    const FormatInfo* format = FindFormat(desc.Format);
    if (!format || !(desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL) ||
        format->DepthStencilAspects)
        return format;
    if (format->Family == DXGI_FORMAT_R32_TYPELESS)
        return FindFormat(DXGI_FORMAT_D32_FLOAT);
    if (format->Family == DXGI_FORMAT_R16_TYPELESS)
        return FindFormat(DXGI_FORMAT_D16_UNORM);
    return nullptr; // a colour format cannot hold depth
}

VkImageUsageFlags ImageUsage(const D3D12_RESOURCE_DESC& desc)
{
    VkImageUsageFlags usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    if (!(desc.Flags & D3D12_RESOURCE_FLAG_DENY_SHADER_RESOURCE))
        usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    if (desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET)
        usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    if (desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL)
        usage |= VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT;
    if (desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS)
        usage |= VK_IMAGE_USAGE_STORAGE_BIT;
    return usage;
}

// The device's limits for images made as `info` describes, and whether such
// an image can be bound to host pages, where the device takes them.
VkResult ImageLimits(const Device& device, const VkImageCreateInfo& info,
                     VkImageFormatProperties* limits, bool* hostPages)
{
    auto external = vkrt::Structure<VkPhysicalDeviceExternalImageFormatInfo>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_EXTERNAL_IMAGE_FORMAT_INFO);
    external.handleType = VK_EXTERNAL_MEMORY_HANDLE_TYPE_HOST_ALLOCATION_BIT_EXT;
    auto query = vkrt::Structure<VkPhysicalDeviceImageFormatInfo2>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_IMAGE_FORMAT_INFO_2);
    query.format = info.format;
    query.type = info.imageType;
    query.tiling = info.tiling;
    query.usage = info.usage;
    query.flags = info.flags;
    auto externalProperties = vkrt::Structure<VkExternalImageFormatProperties>(
        VK_STRUCTURE_TYPE_EXTERNAL_IMAGE_FORMAT_PROPERTIES);
    auto properties =
        vkrt::Structure<VkImageFormatProperties2>(VK_STRUCTURE_TYPE_IMAGE_FORMAT_PROPERTIES_2);
    properties.pNext = &externalProperties;
    *hostPages = false;
    if (device.TakesHostPages())
    {
        query.pNext = &external;
        if (vkGetPhysicalDeviceImageFormatProperties2(device.PhysicalHandle(), &query,
                                                      &properties) == VK_SUCCESS &&
            (externalProperties.externalMemoryProperties.externalMemoryFeatures &
             VK_EXTERNAL_MEMORY_FEATURE_IMPORTABLE_BIT))
            *hostPages = true;
        query.pNext = nullptr;
    }
    const VkResult result = *hostPages ? VK_SUCCESS
                                       : vkGetPhysicalDeviceImageFormatProperties2(
                                             device.PhysicalHandle(), &query, &properties);
    *limits = properties.imageFormatProperties;
    return result;
}

} // namespace

HRESULT Resource::Create(Device& device, const D3D12_HEAP_PROPERTIES& heap,
                         D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                         D3D12_RESOURCE_STATES initialState, const D3D12_CLEAR_VALUE* clearValue,
                         Resource** resource)
{
    *resource = nullptr;
    HRESULT hr = CheckHeap(heap, desc, initialState);
    if (SUCCEEDED(hr))
    {
        hr = desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER
                 ? CheckBufferDesc(desc, clearValue)
                 : CheckTextureDesc(desc, ImageFormatOf(desc), clearValue);
    }
    if (FAILED(hr))
        return hr;

    auto* created = new (std::nothrow) Resource(device, heap, heapFlags, desc);
    if (!created)
        return E_OUTOFMEMORY;
    hr = created->IsBuffer() ? created->CreateBuffer(initialState)
                             : created->CreateImage(initialState);
    if (SUCCEEDED(hr) && !device.Resources().Add(created, &created->mId))
        hr = E_OUTOFMEMORY;
    if (FAILED(hr))
    {
        created->Release();
        return hr;
    }
    created->mRegistered = true;
    *resource = created;
    return S_OK;
}

Resource::Resource(Device& device, const D3D12_HEAP_PROPERTIES& heap, D3D12_HEAP_FLAGS heapFlags,
                   const D3D12_RESOURCE_DESC& desc)
    : ResourceDefaults(device), mDesc(desc), mHeap(heap), mHeapFlags(heapFlags)
{
    // The description reads back as the real platform reports it: the mip
    // chain counted out and the alignment the resource was placed with.
    if (!IsBuffer() && mDesc.MipLevels == 0)
        mDesc.MipLevels = UINT16(FullMipChain(mDesc.Width, mDesc.Height, 1));
    if (mDesc.Alignment == 0)
        mDesc.Alignment = mDesc.SampleDesc.Count > 1 ? MultisampleAlignment : DefaultAlignment;
}

Resource::~Resource()
{
    if (mRegistered)
        Owner().Resources().Remove(mId);
    // Submitted work may still use the resource: its Vulkan objects go once
    // the queue has finished it.
    VkDevice device = Owner().Handle();
    auto destroy = [device, buffer = mBuffer, image = mImage, memory = mMemory,
                    hostPages = mHostPages, views = std::move(mViews)]
    {
        for (const auto& view : views)
            vkDestroyImageView(device, view.second, nullptr);
        if (buffer != VK_NULL_HANDLE)
            vkDestroyBuffer(device, buffer, nullptr);
        if (image != VK_NULL_HANDLE)
            vkDestroyImage(device, image, nullptr);
        if (memory != VK_NULL_HANDLE)
            vkFreeMemory(device, memory, nullptr);
        UnmapHostPages(hostPages);
    };
    Owner().Queue().Retire(std::move(destroy));
}

HRESULT Resource::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12Resource>(this, riid, object);
}

HRESULT Resource::CreateBuffer(D3D12_RESOURCE_STATES initialState)
{
    (void)initialState; // buffers have no layout
    auto info = vkrt::Structure<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
    // Rounded up to whole words, so the zero fill reaches the last byte.
    info.size = (mDesc.Width + 3) & ~uint64_t(3);
    info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT |
                 VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_STORAGE_BUFFER_BIT |
                 VK_BUFFER_USAGE_VERTEX_BUFFER_BIT | VK_BUFFER_USAGE_INDEX_BUFFER_BIT |
                 VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    auto external = vkrt::Structure<VkExternalMemoryBufferCreateInfo>(
        VK_STRUCTURE_TYPE_EXTERNAL_MEMORY_BUFFER_CREATE_INFO);
    external.handleTypes = VK_EXTERNAL_MEMORY_HANDLE_TYPE_HOST_ALLOCATION_BIT_EXT;
    const bool hostPages = Owner().TakesHostPages() && info.size >= HostPagesThreshold;
    if (hostPages)
        info.pNext = &external;
    VkDevice device = Owner().Handle();
    VkResult result = vkCreateBuffer(device, &info, nullptr, &mBuffer);
    if (result != VK_SUCCESS)
    {
        mBuffer = VK_NULL_HANDLE;
        return vkrt::HResultFromVk(result);
    }
    VkMemoryRequirements requirements;
    vkGetBufferMemoryRequirements(device, mBuffer, &requirements);
    HRESULT hr = AllocateMemory(requirements, hostPages);
    if (FAILED(hr))
        return hr;
    result = vkBindBufferMemory(device, mBuffer, mMemory, 0);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    // Committed resources start zeroed, as on the real platform, unless the
    // heap flags waive it. A buffer's host pages come zeroed already. (An
    // image is cleared all the same: its first layout change may discard
    // what its memory held.)
    const bool zero = !(mHeapFlags & D3D12_HEAP_FLAG_CREATE_NOT_ZEROED) && !mHostPages.Data;
    if (mHeap.Type != D3D12_HEAP_TYPE_DEFAULT)
    {
        result = vkMapMemory(device, mMemory, 0, VK_WHOLE_SIZE, 0, &mMapped);
        if (result != VK_SUCCESS)
            return vkrt::HResultFromVk(result);
        if (zero)
            std::memset(mMapped, 0, size_t(mDesc.Width));
        return S_OK;
    }
    if (!zero)
        return S_OK;
    VkBuffer buffer = mBuffer;
    return Owner().Queue().RecordSetUp([buffer](VkCommandBuffer commands)
                                       { vkCmdFillBuffer(commands, buffer, 0, VK_WHOLE_SIZE, 0); });
}

HRESULT Resource::CreateImage(D3D12_RESOURCE_STATES initialState)
{
    mFormat = ImageFormatOf(mDesc);
    mImageFormat = Owner().ImageFormat(*mFormat);

    auto info = vkrt::Structure<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = mImageFormat;
    info.extent = {uint32_t(mDesc.Width), mDesc.Height, 1};
    info.mipLevels = mDesc.MipLevels;
    info.arrayLayers = mDesc.DepthOrArraySize;
    info.samples = Samples();
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = ImageUsage(mDesc);
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    // Typeless resources take views of any format of their family; square
    // arrays of six or more slices can be viewed as cubes.
    if (mFormat->Typeless && !mFormat->DepthStencilAspects)
        info.flags |= VK_IMAGE_CREATE_MUTABLE_FORMAT_BIT;
    if (mDesc.DepthOrArraySize >= 6 && mDesc.Width == mDesc.Height && info.samples == 1)
        info.flags |= VK_IMAGE_CREATE_CUBE_COMPATIBLE_BIT;

    VkImageFormatProperties limits{};
    bool hostPages = false;
    VkResult result = ImageLimits(Owner(), info, &limits, &hostPages);
    auto external = vkrt::Structure<VkExternalMemoryImageCreateInfo>(
        VK_STRUCTURE_TYPE_EXTERNAL_MEMORY_IMAGE_CREATE_INFO);
    external.handleTypes = VK_EXTERNAL_MEMORY_HANDLE_TYPE_HOST_ALLOCATION_BIT_EXT;
    if (hostPages)
        info.pNext = &external;
    if (result != VK_SUCCESS || info.extent.width > limits.maxExtent.width ||
        info.extent.height > limits.maxExtent.height || info.mipLevels > limits.maxMipLevels ||
        info.arrayLayers > limits.maxArrayLayers || !(limits.sampleCounts & info.samples))
        return E_INVALIDARG; // the device cannot make this format with these uses

    VkDevice device = Owner().Handle();
    result = vkCreateImage(device, &info, nullptr, &mImage);
    if (result != VK_SUCCESS)
    {
        mImage = VK_NULL_HANDLE;
        return vkrt::HResultFromVk(result);
    }
    VkMemoryRequirements requirements;
    vkGetImageMemoryRequirements(device, mImage, &requirements);
    HRESULT hr = AllocateMemory(requirements, hostPages);
    if (FAILED(hr))
        return hr;
    result = vkBindImageMemory(device, mImage, mMemory, 0);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);
    return Owner().Queue().RecordSetUp([this, initialState](VkCommandBuffer commands)
                                       { RecordImageSetUp(commands, initialState); });
}

HRESULT Resource::AllocateMemory(const VkMemoryRequirements& requirements, bool hostPages)
{
    if (hostPages && requirements.size >= HostPagesThreshold)
    {
        mHostPages = MapHostPages(size_t(requirements.size));
        if (mHostPages.Data &&
            Owner().ImportHostPages(mHostPages.Data, mHostPages.Size, requirements.memoryTypeBits,
                                    MemoryUseOf(mHeap.Type), &mMemory) == VK_SUCCESS)
            return S_OK;
        // The driver's own memory serves instead.
        mMemory = VK_NULL_HANDLE;
        UnmapHostPages(mHostPages);
        mHostPages = {};
    }
    auto info = vkrt::Structure<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    info.allocationSize = requirements.size;
    info.memoryTypeIndex =
        Owner().FindMemoryType(requirements.memoryTypeBits, MemoryUseOf(mHeap.Type));
    if (info.memoryTypeIndex == UINT32_MAX)
        return E_OUTOFMEMORY;
    VkResult result = vkAllocateMemory(Owner().Handle(), &info, nullptr, &mMemory);
    if (result != VK_SUCCESS)
    {
        mMemory = VK_NULL_HANDLE;
        return vkrt::HResultFromVk(result);
    }
    return S_OK;
}

void Resource::RecordImageSetUp(VkCommandBuffer commands, D3D12_RESOURCE_STATES initialState) const
{
    // Zero the image where Vulkan can clear its format (block-compressed
    // images cannot be cleared and are always filled by an upload), then give
    // it the layout of its initial state.
    VkFormatProperties features{};
    vkGetPhysicalDeviceFormatProperties(Owner().PhysicalHandle(), mImageFormat, &features);
    const bool clearable = mFormat->BlockSize == 1 &&
                           (features.optimalTilingFeatures & VK_FORMAT_FEATURE_TRANSFER_DST_BIT) &&
                           !(mHeapFlags & D3D12_HEAP_FLAG_CREATE_NOT_ZEROED);
    const VkImageSubresourceRange all = {Aspects(), 0, VK_REMAINING_MIP_LEVELS, 0,
                                         VK_REMAINING_ARRAY_LAYERS};

    // A clear writes as a copy does, in the layout of the copy-destination
    // state.
    const VkImageLayout clearLayout = LayoutOfState(D3D12_RESOURCE_STATE_COPY_DEST);
    auto barrier = vkrt::Structure<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = VK_PIPELINE_STAGE_2_NONE;
    barrier.dstStageMask = VK_PIPELINE_STAGE_2_CLEAR_BIT;
    barrier.dstAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT;
    barrier.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    barrier.newLayout = clearable ? clearLayout : LayoutOfState(initialState);
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = mImage;
    barrier.subresourceRange = all;
    auto dependency = vkrt::Structure<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.imageMemoryBarrierCount = 1;
    dependency.pImageMemoryBarriers = &barrier;
    vkCmdPipelineBarrier2(commands, &dependency);
    if (!clearable)
        return;

    if (mFormat->DepthStencilAspects)
    {
        const VkClearDepthStencilValue zero = {0.0f, 0};
        vkCmdClearDepthStencilImage(commands, mImage, clearLayout, &zero, 1, &all);
    }
    else
    {
        const VkClearColorValue zero = {};
        vkCmdClearColorImage(commands, mImage, clearLayout, &zero, 1, &all);
    }
    barrier.srcStageMask = VK_PIPELINE_STAGE_2_CLEAR_BIT;
    barrier.srcAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT;
    barrier.dstStageMask = VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT;
    barrier.dstAccessMask = VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT;
    barrier.oldLayout = clearLayout;
    barrier.newLayout = LayoutOfState(initialState);
    vkCmdPipelineBarrier2(commands, &dependency);
}

HRESULT Resource::Map(UINT subresource, const D3D12_RANGE* readRange, void** data)
{
    (void)readRange; // the memory is coherent
    if (data)
        *data = nullptr;
    if (!mMapped || subresource != 0)
        return E_INVALIDARG;
    if (data)
        *data = mMapped;
    return S_OK;
}

void Resource::Unmap(UINT subresource, const D3D12_RANGE* writtenRange)
{
    // The memory stays mapped for the resource's whole life and is coherent,
    // so nothing has to be flushed.
    (void)subresource;
    (void)writtenRange;
}

D3D12_GPU_VIRTUAL_ADDRESS Resource::GetGPUVirtualAddress()
{
    return IsBuffer() ? ResourceRegistry::AddressOf(mId) : 0;
}

HRESULT Resource::GetHeapProperties(D3D12_HEAP_PROPERTIES* properties, D3D12_HEAP_FLAGS* flags)
{
    if (properties)
        *properties = mHeap;
    if (flags)
        *flags = mHeapFlags;
    return S_OK;
}

VkExtent3D Resource::MipExtent(uint32_t mip) const
{
    return {std::max<uint32_t>(1, uint32_t(mDesc.Width) >> mip),
            std::max<uint32_t>(1, mDesc.Height >> mip), 1};
}

VkImageAspectFlags Resource::Aspects() const
{
    return mFormat->DepthStencilAspects ? mFormat->DepthStencilAspects
                                        : VkImageAspectFlags(VK_IMAGE_ASPECT_COLOR_BIT);
}

VkImageAspectFlags Resource::PlaneAspect(uint32_t plane) const
{
    if (!mFormat->DepthStencilAspects)
        return VK_IMAGE_ASPECT_COLOR_BIT;
    return plane == 0 ? VK_IMAGE_ASPECT_DEPTH_BIT : VK_IMAGE_ASPECT_STENCIL_BIT;
}

VkImageView Resource::View(const ViewKey& key)
{
    std::lock_guard lock(mViewMutex);
    for (const auto& [existing, view] : mViews)
    {
        if (std::memcmp(&existing, &key, sizeof(key)) == 0)
            return view;
    }
    auto info = vkrt::Structure<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
    info.image = mImage;
    info.viewType = key.Type;
    info.format = key.Format;
    info.components = key.Components;
    info.subresourceRange = key.Range;
    VkImageView view = VK_NULL_HANDLE;
    if (vkCreateImageView(Owner().Handle(), &info, nullptr, &view) != VK_SUCCESS)
        return VK_NULL_HANDLE;
    mViews.emplace_back(key, view);
    return view;
}

} // namespace d3d12
