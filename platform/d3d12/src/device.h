// The Direct3D 12 device on a Vulkan device: it creates the runtime's objects
// and holds what they share (the queue and its timeline, the fence waiter,
// the resource registry, the descriptor heaps, memory types and formats).
#pragma once

#include "descriptor.h"
#include "device_defaults.h"
#include "fence_waiter.h"
#include "format.h"
#include "resource_registry.h"
#include "submission.h"

#include <d3d12_vulkan.h>
#include <vulkan_runtime/instance.h>

#include <map>
#include <memory>
#include <mutex>

namespace d3d12
{

class DescriptorHeap;

// The memory a committed resource's heap type asks for.
enum class MemoryUse
{
    DeviceLocal, // default heap
    Upload,      // upload heap: written by the CPU, read by the GPU
    Readback,    // readback heap: written by the GPU, read by the CPU
};

class Device final : public DeviceDefaults
{
public:
    static HRESULT Create(std::shared_ptr<vkrt::Instance> instance,
                          const vkrt::PhysicalDevice& physicalDevice, Device** device);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;

    // ID3D12Device
    UINT STDMETHODCALLTYPE GetNodeCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID riid,
                                                 void** queue) override;
    HRESULT STDMETHODCALLTYPE CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE type, REFIID riid,
                                                     void** allocator) override;
    HRESULT STDMETHODCALLTYPE CreateCommandList(UINT nodeMask, D3D12_COMMAND_LIST_TYPE type,
                                                ID3D12CommandAllocator* allocator,
                                                ID3D12PipelineState* initialState, REFIID riid,
                                                void** list) override;
    HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D12_FEATURE feature, void* data,
                                                  UINT size) override;
    HRESULT STDMETHODCALLTYPE CreateDescriptorHeap(const D3D12_DESCRIPTOR_HEAP_DESC* desc,
                                                   REFIID riid, void** heap) override;
    UINT STDMETHODCALLTYPE
    GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE type) override;
    void STDMETHODCALLTYPE CreateShaderResourceView(ID3D12Resource* resource,
                                                    const D3D12_SHADER_RESOURCE_VIEW_DESC* desc,
                                                    D3D12_CPU_DESCRIPTOR_HANDLE handle) override;
    void STDMETHODCALLTYPE CreateRenderTargetView(ID3D12Resource* resource,
                                                  const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                                                  D3D12_CPU_DESCRIPTOR_HANDLE handle) override;
    void STDMETHODCALLTYPE CreateDepthStencilView(ID3D12Resource* resource,
                                                  const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                                                  D3D12_CPU_DESCRIPTOR_HANDLE handle) override;
    HRESULT STDMETHODCALLTYPE CreateCommittedResource(const D3D12_HEAP_PROPERTIES* heapProperties,
                                                      D3D12_HEAP_FLAGS heapFlags,
                                                      const D3D12_RESOURCE_DESC* desc,
                                                      D3D12_RESOURCE_STATES initialState,
                                                      const D3D12_CLEAR_VALUE* clearValue,
                                                      REFIID riid, void** resource) override;
    HRESULT STDMETHODCALLTYPE CreateRootSignature(UINT nodeMask, const void* bytes, SIZE_T size,
                                                  REFIID riid, void** signature) override;
    HRESULT STDMETHODCALLTYPE CreateGraphicsPipelineState(
        const D3D12_GRAPHICS_PIPELINE_STATE_DESC* desc, REFIID riid, void** state) override;
    HRESULT STDMETHODCALLTYPE CreateFence(UINT64 initialValue, D3D12_FENCE_FLAGS flags, REFIID riid,
                                          void** fence) override;
    // Vulkan does not say why a device was lost; a hang is the usual cause.
    HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() override
    {
        return mSubmission.Lost() ? DXGI_ERROR_DEVICE_HUNG : S_OK;
    }
    void STDMETHODCALLTYPE GetCopyableFootprints(const D3D12_RESOURCE_DESC* desc,
                                                 UINT firstSubresource, UINT subresourceCount,
                                                 UINT64 baseOffset,
                                                 D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts,
                                                 UINT* rowCounts, UINT64* rowSizes,
                                                 UINT64* totalBytes) override;
    LUID STDMETHODCALLTYPE GetAdapterLuid() override { return mLuid; }

    // What the runtime's objects share.
    VkDevice Handle() const { return mDevice; }
    VkInstance InstanceHandle() const { return mInstance->Handle(); }
    // Whether the device can present to window surfaces (the swapchain
    // extension is enabled where the driver offers it).
    bool CanPresent() const { return mCanPresent; }
    VkPhysicalDevice PhysicalHandle() const { return mPhysical.Handle; }
    bool IsCpuDevice() const { return mPhysical.IsCpu; }
    // Whether big resources take memory the runtime maps itself (a CPU
    // device that imports host memory; see host_pages.h).
    bool TakesHostPages() const { return mGetHostPointerProperties != nullptr; }
    const VkPhysicalDeviceLimits& Limits() const { return mPhysical.Properties.limits; }
    // The optional features the device was made with.
    const VkPhysicalDeviceFeatures& Features() const { return mFeatures; }
    uint32_t MaxPushDescriptors() const { return mMaxPushDescriptors; }
    PFN_vkCmdPushDescriptorSetKHR PushDescriptorSet() const { return mPushDescriptorSet; }
    uint32_t QueueFamily() const { return mQueueFamily; }
    // The present-only family the device also has a queue in, or
    // NoQueueFamily.
    uint32_t PresentFamily() const { return mPresentFamily; }
    Submission& Queue() { return mSubmission; }
    FenceWaiter& Waiter() { return mWaiter; }
    ResourceRegistry& Resources() { return mResources; }

    // The Vulkan format for images of `format` on this device (the 24-bit
    // depth format falls back to 32-bit depth where the device lacks it).
    VkFormat ImageFormat(const FormatInfo& format) const;
    // A memory type of `typeBits` suited to `use`, or UINT32_MAX.
    uint32_t FindMemoryType(uint32_t typeBits, MemoryUse use) const;
    // Device memory of `size` bytes on `pages`, a memory type of `typeBits`
    // suited to `use`; where TakesHostPages.
    VkResult ImportHostPages(void* pages, VkDeviceSize size, uint32_t typeBits, MemoryUse use,
                             VkDeviceMemory* memory) const;

    // The record a CPU handle points at, if it lies in a live heap of `type`.
    Descriptor* FindDescriptor(D3D12_CPU_DESCRIPTOR_HANDLE handle,
                               D3D12_DESCRIPTOR_HEAP_TYPE type) const;
    void AddHeap(DescriptorHeap* heap);
    void RemoveHeap(DescriptorHeap* heap);

private:
    Device(std::shared_ptr<vkrt::Instance> instance, const vkrt::PhysicalDevice& physicalDevice);
    ~Device() override;
    HRESULT Initialize();
    template <class T> friend HRESULT com::Initialized(T*, T**);
    HRESULT
    CheckMultisampleQualityLevels(D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS* data) const;

    const std::shared_ptr<vkrt::Instance> mInstance;
    const vkrt::PhysicalDevice mPhysical;
    LUID mLuid{};
    VkDevice mDevice = VK_NULL_HANDLE;
    uint32_t mQueueFamily = 0;
    uint32_t mPresentFamily = NoQueueFamily;
    VkPhysicalDeviceMemoryProperties mMemory{};
    VkPhysicalDeviceFeatures mFeatures{};
    uint32_t mMaxPushDescriptors = 0;
    PFN_vkCmdPushDescriptorSetKHR mPushDescriptorSet = nullptr;
    PFN_vkGetMemoryHostPointerPropertiesEXT mGetHostPointerProperties = nullptr;
    VkFormat mDepth24Format = VK_FORMAT_D24_UNORM_S8_UINT;
    bool mCanPresent = false;

    Submission mSubmission;
    FenceWaiter mWaiter;
    ResourceRegistry mResources;

    mutable std::mutex mHeapMutex;
    std::map<uint64_t, DescriptorHeap*> mHeaps; // by the address of their first record
};

} // namespace d3d12
