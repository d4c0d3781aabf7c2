#include "device.h"

#include "command_allocator.h"
#include "command_list.h"
#include "command_queue.h"
#include "descriptor_heap.h"
#include "fence.h"
#include "footprint.h"
#include "pipeline_state.h"
#include "resource.h"
#include "root_signature.h"
#include "view.h"

#include <d3d12_vulkan.h>

#include <cstring>
#include <vector>

#include <vulkan_runtime/adapter.h>
#include <vulkan_runtime/result.h>

#include <new>
#include <vulkan_runtime/structure.h>

namespace d3d12
{
namespace
{

// Optional Vulkan 1.0 features that later parts of the runtime rely on where
// the device has them (anisotropic filtering, compressed textures, depth
// clamping for disabled depth clipping and clamped depth bias, wireframe
// fill, per-target blending).
VkPhysicalDeviceFeatures WantedFeatures(VkPhysicalDevice physicalDevice)
{
    VkPhysicalDeviceFeatures available{};
    vkGetPhysicalDeviceFeatures(physicalDevice, &available);
    VkPhysicalDeviceFeatures wanted{};
    wanted.samplerAnisotropy = available.samplerAnisotropy;
    wanted.textureCompressionBC = available.textureCompressionBC;
    wanted.depthClamp = available.depthClamp;
    wanted.depthBiasClamp = available.depthBiasClamp;
    wanted.fillModeNonSolid = available.fillModeNonSolid;
    wanted.independentBlend = available.independentBlend;
    wanted.imageCubeArray = available.imageCubeArray;
    return wanted;
}

uint32_t GraphicsQueueFamily(VkPhysicalDevice physicalDevice)
{
    uint32_t count = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physicalDevice, &count, nullptr);
    std::vector<VkQueueFamilyProperties> families(count);
    vkGetPhysicalDeviceQueueFamilyProperties(physicalDevice, &count, families.data());
    for (uint32_t i = 0; i < count; ++i)
    {
        if (families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT)
            return i;
    }
    return 0; // the instance only offers devices with a graphics family
}

// A family that can do nothing but present (no graphics, compute or
// transfer work), where a device has one: some devices present only from
// such a family, so the device opens a queue there for the swap chain.
uint32_t PresentOnlyQueueFamily(VkPhysicalDevice physicalDevice)
{
    uint32_t count = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physicalDevice, &count, nullptr);
    std::vector<VkQueueFamilyProperties> families(count);
    vkGetPhysicalDeviceQueueFamilyProperties(physicalDevice, &count, families.data());
    constexpr VkQueueFlags Work =
        VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT | VK_QUEUE_TRANSFER_BIT;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (!(families[i].queueFlags & Work) && families[i].queueCount > 0)
            return i;
    }
    return NoQueueFamily;
}

} // namespace

Device::Device(std::shared_ptr<vkrt::Instance> instance, const vkrt::PhysicalDevice& physicalDevice)
    : mInstance(std::move(instance)), mPhysical(physicalDevice)
{
}

namespace
{
bool SupportsExtension(VkPhysicalDevice device, const char* name)
{
    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> extensions(count);
    vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
    for (const VkExtensionProperties& extension : extensions)
    {
        if (std::strcmp(extension.extensionName, name) == 0)
            return true;
    }
    return false;
}
} // namespace

HRESULT Device::Create(std::shared_ptr<vkrt::Instance> instance,
                       const vkrt::PhysicalDevice& physicalDevice, Device** device)
{
    return com::Initialized(new (std::nothrow) Device(std::move(instance), physicalDevice), device);
}

HRESULT Device::Initialize()
{
    mLuid = vkrt::AdapterLuid(*mInstance, mPhysical);
    mQueueFamily = GraphicsQueueFamily(mPhysical.Handle);
    vkGetPhysicalDeviceMemoryProperties(mPhysical.Handle, &mMemory);

    const float priority = 1.0f;
    VkDeviceQueueCreateInfo queues[2];
    uint32_t queueCount = 0;
    for (uint32_t family : {mQueueFamily, PresentOnlyQueueFamily(mPhysical.Handle)})
    {
        if (family == NoQueueFamily)
            continue;
        auto& queue = queues[queueCount++];
        queue =
            vkrt::Structure<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
        queue.queueFamilyIndex = family;
        queue.queueCount = 1;
        queue.pQueuePriorities = &priority;
    }

    auto features13 = vkrt::Structure<VkPhysicalDeviceVulkan13Features>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
    features13.dynamicRendering = VK_TRUE;
    features13.synchronization2 = VK_TRUE;
    auto features12 = vkrt::Structure<VkPhysicalDeviceVulkan12Features>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
    features12.pNext = &features13;
    features12.timelineSemaphore = VK_TRUE;
    auto features =
        vkrt::Structure<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
    features.pNext = &features12;
    mFeatures = WantedFeatures(mPhysical.Handle);
    features.features = mFeatures;

    std::vector<const char*> extensions = vkrt::RequiredDeviceExtensions();
    mCanPresent = SupportsExtension(mPhysical.Handle, VK_KHR_SWAPCHAIN_EXTENSION_NAME);
    if (mCanPresent)
        extensions.push_back(VK_KHR_SWAPCHAIN_EXTENSION_NAME);
    const bool hostPages =
        mPhysical.IsCpu &&
        SupportsExtension(mPhysical.Handle, VK_EXT_EXTERNAL_MEMORY_HOST_EXTENSION_NAME);
    if (hostPages)
        extensions.push_back(VK_EXT_EXTERNAL_MEMORY_HOST_EXTENSION_NAME);
    auto info = vkrt::Structure<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO);
    info.pNext = &features;
    info.queueCreateInfoCount = queueCount;
    info.pQueueCreateInfos = queues;
    info.enabledExtensionCount = uint32_t(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    VkResult result = vkCreateDevice(mPhysical.Handle, &info, nullptr, &mDevice);
    if (result != VK_SUCCESS)
    {
        mDevice = VK_NULL_HANDLE;
        return vkrt::HResultFromVk(result);
    }

    // Root signatures are push-descriptor sets; the extension is required of
    // every device the runtime uses.
    mPushDescriptorSet = reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(
        vkGetDeviceProcAddr(mDevice, "vkCmdPushDescriptorSetKHR"));
    if (!mPushDescriptorSet)
        return E_FAIL;
    if (hostPages)
        mGetHostPointerProperties = reinterpret_cast<PFN_vkGetMemoryHostPointerPropertiesEXT>(
            vkGetDeviceProcAddr(mDevice, "vkGetMemoryHostPointerPropertiesEXT"));
    auto pushProperties = vkrt::Structure<VkPhysicalDevicePushDescriptorPropertiesKHR>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PUSH_DESCRIPTOR_PROPERTIES_KHR);
    auto properties = vkrt::Structure<VkPhysicalDeviceProperties2>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2);
    properties.pNext = &pushProperties;
    vkGetPhysicalDeviceProperties2(mPhysical.Handle, &properties);
    mMaxPushDescriptors = pushProperties.maxPushDescriptors;

    VkFormatProperties depth24{};
    vkGetPhysicalDeviceFormatProperties(mPhysical.Handle, VK_FORMAT_D24_UNORM_S8_UINT, &depth24);
    if (!(depth24.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT))
        mDepth24Format = VK_FORMAT_D32_SFLOAT_S8_UINT;

    VkQueue vkQueue = VK_NULL_HANDLE;
    vkGetDeviceQueue(mDevice, mQueueFamily, 0, &vkQueue);
    VkQueue presentQueue = VK_NULL_HANDLE;
    if (queueCount == 2)
    {
        mPresentFamily = queues[1].queueFamilyIndex;
        vkGetDeviceQueue(mDevice, mPresentFamily, 0, &presentQueue);
    }
    HRESULT hr = mSubmission.Create(mDevice, mQueueFamily, vkQueue, presentQueue);
    if (SUCCEEDED(hr))
        hr = mWaiter.Start(mDevice, mSubmission);
    return hr;
}

Device::~Device()
{
    if (mDevice == VK_NULL_HANDLE)
        return;
    mWaiter.Stop();
    mSubmission.Destroy();
    vkDestroyDevice(mDevice, nullptr);
}

HRESULT Device::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12Device>(this, riid, object);
}

HRESULT Device::CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID riid, void** queue)
{
    if (!queue)
        return E_POINTER;
    *queue = nullptr;
    if (!desc)
        return E_INVALIDARG;
    CommandQueue* created = nullptr;
    HRESULT hr = CommandQueue::Create(*this, *desc, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, queue);
}

HRESULT Device::CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE type, REFIID riid, void** allocator)
{
    if (!allocator)
        return E_POINTER;
    *allocator = nullptr;
    CommandAllocator* created = nullptr;
    HRESULT hr = CommandAllocator::Create(*this, type, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, allocator);
}

HRESULT Device::CreateCommandList(UINT nodeMask, D3D12_COMMAND_LIST_TYPE type,
                                  ID3D12CommandAllocator* allocator,
                                  ID3D12PipelineState* initialState, REFIID riid, void** list)
{
    if (!list)
        return E_POINTER;
    *list = nullptr;
    if (nodeMask > 1)
        return E_INVALIDARG;
    auto* ownAllocator = Unwrap<CommandAllocator>(allocator, *this);
    if (!ownAllocator)
        return E_INVALIDARG;
    CommandList* created = nullptr;
    HRESULT hr = CommandList::Create(*this, type, *ownAllocator, initialState, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, list);
}

HRESULT Device::CheckFeatureSupport(D3D12_FEATURE feature, void* data, UINT size)
{
    if (!data)
        return E_INVALIDARG;
    switch (feature)
    {
    case D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS:
        if (size != sizeof(D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS))
            return E_INVALIDARG;
        return CheckMultisampleQualityLevels(
            static_cast<D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS*>(data));
    case D3D12_FEATURE_D3D12_OPTIONS8:
        // Vulkan gives block-compressed images any size, so their top level
        // need not be a multiple of the 4 x 4 block; a device that says
        // otherwise refuses such textures.
        if (size != sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS8))
            return E_INVALIDARG;
        static_cast<D3D12_FEATURE_DATA_D3D12_OPTIONS8*>(data)->UnalignedBlockTexturesSupported =
            TRUE;
        return S_OK;
    default:
        return com::NotImplemented(
            "ID3D12Device", ("CheckFeatureSupport(" + std::to_string(feature) + ")").c_str());
    }
}

HRESULT
Device::CheckMultisampleQualityLevels(D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS* data) const
{
    // One quality level (the standard pattern) where the device can render
    // to the format with that many samples, none otherwise.
    data->NumQualityLevels = 0;
    const FormatInfo* format = FindFormat(data->Format);
    const uint32_t count = data->SampleCount;
    if (!format || count == 0 || count > 64 || (count & (count - 1)) != 0)
        return S_OK;

    const VkImageUsageFlags usage = format->DepthStencilAspects
                                        ? VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT
                                        : VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    VkImageFormatProperties properties{};
    VkResult result = vkGetPhysicalDeviceImageFormatProperties(
        mPhysical.Handle, ImageFormat(*format), VK_IMAGE_TYPE_2D, VK_IMAGE_TILING_OPTIMAL, usage, 0,
        &properties);
    if (result == VK_SUCCESS && (properties.sampleCounts & count))
        data->NumQualityLevels = 1;
    return S_OK;
}

HRESULT Device::CreateDescriptorHeap(const D3D12_DESCRIPTOR_HEAP_DESC* desc, REFIID riid,
                                     void** heap)
{
    if (!heap)
        return E_POINTER;
    *heap = nullptr;
    if (!desc)
        return E_INVALIDARG;
    DescriptorHeap* created = nullptr;
    HRESULT hr = DescriptorHeap::Create(*this, *desc, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, heap);
}

UINT Device::GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE type)
{
    return type >= D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV &&
                   type < D3D12_DESCRIPTOR_HEAP_TYPE_NUM_TYPES
               ? UINT(sizeof(Descriptor))
               : 0;
}

void Device::CreateShaderResourceView(ID3D12Resource* resource,
                                      const D3D12_SHADER_RESOURCE_VIEW_DESC* desc,
                                      D3D12_CPU_DESCRIPTOR_HANDLE handle)
{
    if (Descriptor* record = FindDescriptor(handle, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV))
        WriteShaderResourceView(Unwrap<Resource>(resource, *this), resource != nullptr, desc,
                                record);
}

void Device::CreateRenderTargetView(ID3D12Resource* resource,
                                    const D3D12_RENDER_TARGET_VIEW_DESC* desc,
                                    D3D12_CPU_DESCRIPTOR_HANDLE handle)
{
    if (Descriptor* record = FindDescriptor(handle, D3D12_DESCRIPTOR_HEAP_TYPE_RTV))
        WriteRenderTargetView(Unwrap<Resource>(resource, *this), desc, record);
}

void Device::CreateDepthStencilView(ID3D12Resource* resource,
                                    const D3D12_DEPTH_STENCIL_VIEW_DESC* desc,
                                    D3D12_CPU_DESCRIPTOR_HANDLE handle)
{
    if (Descriptor* record = FindDescriptor(handle, D3D12_DESCRIPTOR_HEAP_TYPE_DSV))
        WriteDepthStencilView(Unwrap<Resource>(resource, *this), desc, record);
}

HRESULT Device::CreateCommittedResource(const D3D12_HEAP_PROPERTIES* heapProperties,
                                        D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC* desc,
                                        D3D12_RESOURCE_STATES initialState,
                                        const D3D12_CLEAR_VALUE* clearValue, REFIID riid,
                                        void** resource)
{
    if (resource)
        *resource = nullptr;
    if (!heapProperties || !desc)
        return E_INVALIDARG;
    Resource* created = nullptr;
    HRESULT hr = Resource::Create(*this, *heapProperties, heapFlags, *desc, initialState,
                                  clearValue, &created);
    if (FAILED(hr))
        return hr;
    // Without an output slot the call only checks that the resource could be
    // made, as on the real platform.
    if (!resource)
    {
        created->Release();
        return S_FALSE;
    }
    return com::HandOut(created, riid, resource);
}

HRESULT Device::CreateRootSignature(UINT nodeMask, const void* bytes, SIZE_T size, REFIID riid,
                                    void** signature)
{
    if (!signature)
        return E_POINTER;
    *signature = nullptr;
    if (nodeMask > 1)
        return E_INVALIDARG;
    RootSignature* created = nullptr;
    HRESULT hr = RootSignature::Create(*this, bytes, size, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, signature);
}

HRESULT Device::CreateGraphicsPipelineState(const D3D12_GRAPHICS_PIPELINE_STATE_DESC* desc,
                                            REFIID riid, void** state)
{
    if (!state)
        return E_POINTER;
    *state = nullptr;
    if (!desc)
        return E_INVALIDARG;
    PipelineState* created = nullptr;
    HRESULT hr = PipelineState::Create(*this, *desc, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, state);
}

HRESULT Device::CreateFence(UINT64 initialValue, D3D12_FENCE_FLAGS flags, REFIID riid, void** fence)
{
    if (!fence)
        return E_POINTER;
    *fence = nullptr;
    Fence* created = nullptr;
    HRESULT hr = Fence::Create(*this, initialValue, flags, &created);
    return FAILED(hr) ? hr : com::HandOut(created, riid, fence);
}

void Device::GetCopyableFootprints(const D3D12_RESOURCE_DESC* desc, UINT firstSubresource,
                                   UINT subresourceCount, UINT64 baseOffset,
                                   D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                                   UINT64* rowSizes, UINT64* totalBytes)
{
    if (!desc)
    {
        if (totalBytes)
            *totalBytes = ~UINT64(0);
        return;
    }
    ComputeCopyableFootprints(*desc, firstSubresource, subresourceCount, baseOffset, layouts,
                              rowCounts, rowSizes, totalBytes);
}

VkFormat Device::ImageFormat(const FormatInfo& format) const
{
    return format.Vulkan == VK_FORMAT_D24_UNORM_S8_UINT ? mDepth24Format : format.Vulkan;
}

VkResult Device::ImportHostPages(void* pages, VkDeviceSize size, uint32_t typeBits, MemoryUse use,
                                 VkDeviceMemory* memory) const
{
    constexpr auto HostAllocation = VK_EXTERNAL_MEMORY_HANDLE_TYPE_HOST_ALLOCATION_BIT_EXT;
    auto properties = vkrt::Structure<VkMemoryHostPointerPropertiesEXT>(
        VK_STRUCTURE_TYPE_MEMORY_HOST_POINTER_PROPERTIES_EXT);
    VkResult result = mGetHostPointerProperties(mDevice, HostAllocation, pages, &properties);
    if (result != VK_SUCCESS)
        return result;
    auto import = vkrt::Structure<VkImportMemoryHostPointerInfoEXT>(
        VK_STRUCTURE_TYPE_IMPORT_MEMORY_HOST_POINTER_INFO_EXT);
    import.handleType = HostAllocation;
    import.pHostPointer = pages;
    auto info = vkrt::Structure<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
    info.pNext = &import;
    info.allocationSize = size;
    info.memoryTypeIndex = FindMemoryType(typeBits & properties.memoryTypeBits, use);
    if (info.memoryTypeIndex == UINT32_MAX)
        return VK_ERROR_INVALID_EXTERNAL_HANDLE;
    return vkAllocateMemory(mDevice, &info, nullptr, memory);
}

uint32_t Device::FindMemoryType(uint32_t typeBits, MemoryUse use) const
{
    VkMemoryPropertyFlags required = 0;
    VkMemoryPropertyFlags preferred = 0;
    switch (use)
    {
    case MemoryUse::DeviceLocal:
        preferred = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;
        break;
    case MemoryUse::Upload:
        required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
        break;
    case MemoryUse::Readback:
        required = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
        preferred = VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
        break;
    }
    uint32_t fallback = UINT32_MAX;
    for (uint32_t i = 0; i < mMemory.memoryTypeCount; ++i)
    {
        const VkMemoryPropertyFlags flags = mMemory.memoryTypes[i].propertyFlags;
        if (!(typeBits & (1u << i)) || (flags & required) != required)
            continue;
        if ((flags & preferred) == preferred)
            return i;
        if (fallback == UINT32_MAX)
            fallback = i;
    }
    return fallback;
}

Descriptor* Device::FindDescriptor(D3D12_CPU_DESCRIPTOR_HANDLE handle,
                                   D3D12_DESCRIPTOR_HEAP_TYPE type) const
{
    std::lock_guard lock(mHeapMutex);
    auto after = mHeaps.upper_bound(handle.ptr);
    if (after == mHeaps.begin())
        return nullptr;
    const DescriptorHeap* heap = std::prev(after)->second;
    if (heap->Type() != type)
        return nullptr;
    return heap->RecordAt(handle.ptr);
}

void Device::AddHeap(DescriptorHeap* heap)
{
    std::lock_guard lock(mHeapMutex);
    mHeaps[reinterpret_cast<uint64_t>(heap->Begin())] = heap;
}

void Device::RemoveHeap(DescriptorHeap* heap)
{
    std::lock_guard lock(mHeapMutex);
    mHeaps.erase(reinterpret_cast<uint64_t>(heap->Begin()));
}

VkDevice VulkanDeviceOf(ID3D12Device* device)
{
    auto* own = dynamic_cast<Device*>(device);
    return own ? own->Handle() : VK_NULL_HANDLE;
}

} // namespace d3d12
