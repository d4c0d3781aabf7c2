// A committed resource: a Vulkan buffer or image with memory of its own.
// Buffers in upload and readback heaps stay mapped for their whole life.
// Images own the views made of them, so descriptors and command lists never
// have to.
#pragma once

#include "format.h"
#include "host_pages.h"
#include "resource_defaults.h"

#include <mutex>
#include <utility>
#include <vector>

namespace d3d12
{

// What distinguishes one image view of a resource from another.
struct ViewKey
{
    VkImageViewType Type;
    VkFormat Format;
    VkComponentMapping Components;
    VkImageSubresourceRange Range;
};

class Resource final : public ResourceDefaults
{
public:
    static HRESULT Create(Device& device, const D3D12_HEAP_PROPERTIES& heap,
                          D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                          D3D12_RESOURCE_STATES initialState, const D3D12_CLEAR_VALUE* clearValue,
                          Resource** resource);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE Map(UINT subresource, const D3D12_RANGE* readRange,
                                  void** data) override;
    void STDMETHODCALLTYPE Unmap(UINT subresource, const D3D12_RANGE* writtenRange) override;
    D3D12_RESOURCE_DESC STDMETHODCALLTYPE GetDesc() override { return mDesc; }
    D3D12_GPU_VIRTUAL_ADDRESS STDMETHODCALLTYPE GetGPUVirtualAddress() override;
    HRESULT STDMETHODCALLTYPE GetHeapProperties(D3D12_HEAP_PROPERTIES* properties,
                                                D3D12_HEAP_FLAGS* flags) override;

    const D3D12_RESOURCE_DESC& Desc() const { return mDesc; }
    ResourceId Id() const { return mId; }
    bool IsBuffer() const { return mDesc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER; }
    uint64_t Width() const { return mDesc.Width; }
    VkBuffer Buffer() const { return mBuffer; }

    // Images only.
    VkImage Image() const { return mImage; }
    const FormatInfo& Format() const { return *mFormat; }
    VkFormat ImageFormat() const { return mImageFormat; }
    uint32_t Mips() const { return mDesc.MipLevels; }
    uint32_t Slices() const { return mDesc.DepthOrArraySize; }
    uint32_t Planes() const { return PlaneCount(*mFormat); }
    uint32_t SubresourceCount() const { return Mips() * Slices() * Planes(); }
    VkSampleCountFlagBits Samples() const { return VkSampleCountFlagBits(mDesc.SampleDesc.Count); }
    VkExtent3D MipExtent(uint32_t mip) const;
    // Every aspect of the image (colour, or depth and stencil).
    VkImageAspectFlags Aspects() const;
    // The aspect that holds `plane` of the resource.
    VkImageAspectFlags PlaneAspect(uint32_t plane) const;

    // The view described by `key`, made on first use; null where Vulkan
    // cannot make it.
    VkImageView View(const ViewKey& key);

private:
    Resource(Device& device, const D3D12_HEAP_PROPERTIES& heap, D3D12_HEAP_FLAGS heapFlags,
             const D3D12_RESOURCE_DESC& desc);
    ~Resource() override;

    HRESULT CreateBuffer(D3D12_RESOURCE_STATES initialState);
    HRESULT CreateImage(D3D12_RESOURCE_STATES initialState);
    // From host pages where `hostPages` and the resource is big enough.
    HRESULT AllocateMemory(const VkMemoryRequirements& requirements, bool hostPages);
    void RecordImageSetUp(VkCommandBuffer commands, D3D12_RESOURCE_STATES initialState) const;

    D3D12_RESOURCE_DESC mDesc;
    const D3D12_HEAP_PROPERTIES mHeap;
    const D3D12_HEAP_FLAGS mHeapFlags;
    const FormatInfo* mFormat = nullptr;
    VkFormat mImageFormat = VK_FORMAT_UNDEFINED;
    ResourceId mId;
    bool mRegistered = false;

    VkBuffer mBuffer = VK_NULL_HANDLE;
    VkImage mImage = VK_NULL_HANDLE;
    VkDeviceMemory mMemory = VK_NULL_HANDLE;
    HostPages mHostPages; // empty where the driver allocated the memory
    void* mMapped = nullptr;

    std::mutex mViewMutex;
    std::vector<std::pair<ViewKey, VkImageView>> mViews;
};

} // namespace d3d12
