#include "swap_chain.h"

#include <win32_support.h>

#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>
#include <new>

namespace dxgi
{
namespace
{
constexpr UINT MaxBufferCount = 16;

bool IsSupportedBufferFormat(DXGI_FORMAT format)
{
    return format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_B8G8R8A8_UNORM ||
           format == DXGI_FORMAT_R10G10B10A2_UNORM;
}

// The client size of the window in pixels, or 0 × 0 where it has no native
// window.
void WindowSize(HWND window, UINT* width, UINT* height)
{
    int w = 0, h = 0;
    if (SDL_Window* native = win32::NativeWindowOf(window))
        SDL_Vulkan_GetDrawableSize(native, &w, &h);
    *width = UINT(std::max(w, 0));
    *height = UINT(std::max(h, 0));
}

VkPresentModeKHR ChoosePresentMode(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    // Presenting never waits for the vertical blank: immediate where the
    // surface offers it, else mailbox, else the always-present FIFO.
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, modes.data());
    for (VkPresentModeKHR wanted : {VK_PRESENT_MODE_IMMEDIATE_KHR, VK_PRESENT_MODE_MAILBOX_KHR})
    {
        if (std::find(modes.begin(), modes.end(), wanted) != modes.end())
            return wanted;
    }
    return VK_PRESENT_MODE_FIFO_KHR;
}

VkSurfaceFormatKHR ChooseSurfaceFormat(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    // An 8-bit linear format, so the back buffer's values reach the screen
    // unchanged; the copy swaps channels where the order differs.
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface, &count, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(count);
    vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface, &count, formats.data());
    for (VkFormat wanted : {VK_FORMAT_B8G8R8A8_UNORM, VK_FORMAT_R8G8B8A8_UNORM})
    {
        for (const VkSurfaceFormatKHR& format : formats)
        {
            if (format.format == wanted)
                return format;
        }
    }
    return formats.empty()
               ? VkSurfaceFormatKHR{VK_FORMAT_B8G8R8A8_UNORM, VK_COLOR_SPACE_SRGB_NONLINEAR_KHR}
               : formats.front();
}

VkImageMemoryBarrier2 ImageBarrier(VkImage image, VkImageLayout from, VkImageLayout to,
                                   VkPipelineStageFlags2 srcStage, VkAccessFlags2 srcAccess,
                                   VkPipelineStageFlags2 dstStage, VkAccessFlags2 dstAccess)
{
    auto barrier = vkrt::Structure<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
    barrier.srcStageMask = srcStage;
    barrier.srcAccessMask = srcAccess;
    barrier.dstStageMask = dstStage;
    barrier.dstAccessMask = dstAccess;
    barrier.oldLayout = from;
    barrier.newLayout = to;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    return barrier;
}
} // namespace

HRESULT SwapChain::Create(ID3D12CommandQueue* queue, const DXGI_SWAP_CHAIN_DESC& desc,
                          SwapChain** swapChain)
{
    *swapChain = nullptr;
    // A flip-model swap chain of two to sixteen single-sample buffers, as the
    // real platform requires for Direct3D 12.
    const bool flip = desc.SwapEffect == DXGI_SWAP_EFFECT_FLIP_DISCARD ||
                      desc.SwapEffect == DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
    if (!flip || desc.BufferCount < 2 || desc.BufferCount > MaxBufferCount ||
        desc.SampleDesc.Count != 1 || desc.SampleDesc.Quality != 0 ||
        !IsSupportedBufferFormat(desc.BufferDesc.Format) || !IsWindow(desc.OutputWindow))
        return DXGI_ERROR_INVALID_CALL;

    return com::Initialized(new (std::nothrow) SwapChain(queue, desc), swapChain);
}

SwapChain::SwapChain(ID3D12CommandQueue* queue, const DXGI_SWAP_CHAIN_DESC& desc)
    : mQueue(queue), mDesc(desc)
{
}

SwapChain::~SwapChain()
{
    if (mVulkan.Device == VK_NULL_HANDLE)
        return;
    // Copies and presents may still be in flight.
    d3d12::WaitForQueueIdle(mQueue.Get());
    DestroyVulkanSwapchain();
    for (Frame& frame : mFrames)
    {
        vkDestroySemaphore(mVulkan.Device, frame.Acquired, nullptr);
        vkDestroySemaphore(mVulkan.Device, frame.Copied, nullptr);
    }
    if (mPool != VK_NULL_HANDLE)
        vkDestroyCommandPool(mVulkan.Device, mPool, nullptr);
    if (mSurface != VK_NULL_HANDLE)
        vkDestroySurfaceKHR(mVulkan.Instance, mSurface, nullptr);
}

HRESULT SwapChain::Initialize()
{
    if (!d3d12::VulkanQueueOf(mQueue.Get(), &mVulkan))
        return DXGI_ERROR_INVALID_CALL;
    HRESULT hr = mQueue->GetDevice(IID_PPV_ARGS(&mDevice));
    if (FAILED(hr))
        return hr;
    if (mDesc.BufferDesc.Width == 0 || mDesc.BufferDesc.Height == 0)
        WindowSize(mDesc.OutputWindow, &mDesc.BufferDesc.Width, &mDesc.BufferDesc.Height);
    hr = CreateBuffers();
    if (SUCCEEDED(hr))
        hr = CreateSurfaceObjects();
    return hr;
}

HRESULT SwapChain::CreateBuffers()
{
    // Ordinary textures of the runtime in the present state; a size of 0
    // (a window without area) still makes a 1 × 1 buffer.
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const CD3DX12_RESOURCE_DESC desc = CD3DX12_RESOURCE_DESC::Tex2D(
        mDesc.BufferDesc.Format, std::max<UINT>(mDesc.BufferDesc.Width, 1),
        std::max<UINT>(mDesc.BufferDesc.Height, 1), 1, 1, 1, 0,
        D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
    mBuffers.assign(mDesc.BufferCount, nullptr);
    for (auto& buffer : mBuffers)
    {
        HRESULT hr = mDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                      D3D12_RESOURCE_STATE_PRESENT, nullptr,
                                                      IID_PPV_ARGS(&buffer));
        if (FAILED(hr))
        {
            mBuffers.clear();
            return hr;
        }
    }
    mCurrent = 0;
    return S_OK;
}

HRESULT SwapChain::CreateSurfaceObjects()
{
    // Without a window system, or on a device that cannot present, the swap
    // chain works without a surface: presents complete and nothing is shown.
    SDL_Window* window = win32::NativeWindowOf(mDesc.OutputWindow);
    if (!window || !mVulkan.CanPresent ||
        !SDL_Vulkan_CreateSurface(window, mVulkan.Instance, &mSurface))
    {
        mSurface = VK_NULL_HANDLE;
        return S_OK;
    }
    VkBool32 supported = VK_FALSE;
    vkGetPhysicalDeviceSurfaceSupportKHR(mVulkan.Physical, mVulkan.QueueFamily, mSurface,
                                         &supported);
    if (!supported)
    {
        vkDestroySurfaceKHR(mVulkan.Instance, mSurface, nullptr);
        mSurface = VK_NULL_HANDLE;
        return S_OK;
    }

    auto pool =
        vkrt::Structure<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    pool.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pool.queueFamilyIndex = mVulkan.QueueFamily;
    VkResult result = vkCreateCommandPool(mVulkan.Device, &pool, nullptr, &mPool);
    auto semaphore =
        vkrt::Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
    for (Frame& frame : mFrames)
    {
        if (result == VK_SUCCESS)
        {
            auto allocate = vkrt::Structure<VkCommandBufferAllocateInfo>(
                VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
            allocate.commandPool = mPool;
            allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
            allocate.commandBufferCount = 1;
            result = vkAllocateCommandBuffers(mVulkan.Device, &allocate, &frame.Commands);
        }
        if (result == VK_SUCCESS)
            result = vkCreateSemaphore(mVulkan.Device, &semaphore, nullptr, &frame.Acquired);
        if (result == VK_SUCCESS)
            result = vkCreateSemaphore(mVulkan.Device, &semaphore, nullptr, &frame.Copied);
    }
    return vkrt::HResultFromVk(result);
}

HRESULT SwapChain::CreateVulkanSwapchain()
{
    VkSurfaceCapabilitiesKHR caps{};
    VkResult result = vkGetPhysicalDeviceSurfaceCapabilitiesKHR(mVulkan.Physical, mSurface, &caps);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    VkExtent2D extent = caps.currentExtent;
    if (extent.width == UINT32_MAX)
    {
        extent.width = std::clamp<uint32_t>(mDesc.BufferDesc.Width, caps.minImageExtent.width,
                                            caps.maxImageExtent.width);
        extent.height = std::clamp<uint32_t>(mDesc.BufferDesc.Height, caps.minImageExtent.height,
                                             caps.maxImageExtent.height);
    }
    // The old swapchain's images may still be read by presents in flight.
    d3d12::WaitForQueueIdle(mQueue.Get());
    if (extent.width == 0 || extent.height == 0)
    {
        // A minimised window has no area to show anything in.
        DestroyVulkanSwapchain();
        return S_OK;
    }

    const VkSurfaceFormatKHR format = ChooseSurfaceFormat(mVulkan.Physical, mSurface);
    uint32_t imageCount = std::max<uint32_t>(caps.minImageCount + 1, 2);
    if (caps.maxImageCount != 0)
        imageCount = std::min(imageCount, caps.maxImageCount);
    VkCompositeAlphaFlagBitsKHR alpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(caps.supportedCompositeAlpha & alpha))
        alpha = VkCompositeAlphaFlagBitsKHR(caps.supportedCompositeAlpha &
                                            -caps.supportedCompositeAlpha);

    auto info =
        vkrt::Structure<VkSwapchainCreateInfoKHR>(VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR);
    info.surface = mSurface;
    info.minImageCount = imageCount;
    info.imageFormat = format.format;
    info.imageColorSpace = format.colorSpace;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = ChoosePresentMode(mVulkan.Physical, mSurface);
    info.clipped = VK_TRUE;
    info.oldSwapchain = mSwapchain;
    VkSwapchainKHR created = VK_NULL_HANDLE;
    result = vkCreateSwapchainKHR(mVulkan.Device, &info, nullptr, &created);
    DestroyVulkanSwapchain();
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    mSwapchain = created;
    mExtent = extent;
    uint32_t count = 0;
    vkGetSwapchainImagesKHR(mVulkan.Device, mSwapchain, &count, nullptr);
    mImages.resize(count);
    vkGetSwapchainImagesKHR(mVulkan.Device, mSwapchain, &count, mImages.data());
    mNeedsSwapchain = false;
    return S_OK;
}

void SwapChain::DestroyVulkanSwapchain()
{
    if (mSwapchain != VK_NULL_HANDLE)
        vkDestroySwapchainKHR(mVulkan.Device, mSwapchain, nullptr);
    mSwapchain = VK_NULL_HANDLE;
    mImages.clear();
}

void SwapChain::RecordCopy(const Frame& frame, VkImage source, VkImage target) const
{
    vkResetCommandBuffer(frame.Commands, 0);
    auto begin =
        vkrt::Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(frame.Commands, &begin);

    // The back buffer rests in the present state's layout, which the blit
    // reads it in; the acquired image's old contents are not needed.
    const VkImageLayout sourceLayout = d3d12::VulkanLayoutOf(D3D12_RESOURCE_STATE_PRESENT);
    const VkImageMemoryBarrier2 before[] = {
        ImageBarrier(source, sourceLayout, sourceLayout, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,
                     VK_ACCESS_2_MEMORY_WRITE_BIT, VK_PIPELINE_STAGE_2_BLIT_BIT,
                     VK_ACCESS_2_TRANSFER_READ_BIT),
        ImageBarrier(target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                     VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, 0, VK_PIPELINE_STAGE_2_BLIT_BIT,
                     VK_ACCESS_2_TRANSFER_WRITE_BIT)};
    auto dependency = vkrt::Structure<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.imageMemoryBarrierCount = 2;
    dependency.pImageMemoryBarriers = before;
    vkCmdPipelineBarrier2(frame.Commands, &dependency);

    // A blit converts the channel order where the formats differ and scales
    // while the buffers wait for a resize to catch up with the window.
    VkImageBlit region{};
    region.srcSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.srcOffsets[1] = {int32_t(std::max<UINT>(mDesc.BufferDesc.Width, 1)),
                            int32_t(std::max<UINT>(mDesc.BufferDesc.Height, 1)), 1};
    region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.dstOffsets[1] = {int32_t(mExtent.width), int32_t(mExtent.height), 1};
    const bool sameSize =
        mExtent.width == mDesc.BufferDesc.Width && mExtent.height == mDesc.BufferDesc.Height;
    vkCmdBlitImage(frame.Commands, source, sourceLayout, target,
                   VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region,
                   sameSize ? VK_FILTER_NEAREST : VK_FILTER_LINEAR);

    const VkImageMemoryBarrier2 after = ImageBarrier(
        target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR,
        VK_PIPELINE_STAGE_2_BLIT_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_NONE, 0);
    dependency.imageMemoryBarrierCount = 1;
    dependency.pImageMemoryBarriers = &after;
    vkCmdPipelineBarrier2(frame.Commands, &dependency);
    vkEndCommandBuffer(frame.Commands);
}

HRESULT SwapChain::PresentToSurface()
{
    if (mNeedsSwapchain)
    {
        HRESULT hr = CreateVulkanSwapchain();
        if (FAILED(hr))
            return hr;
    }
    if (mSwapchain == VK_NULL_HANDLE)
        return DXGI_STATUS_OCCLUDED; // nothing to show in a window without area

    Frame& frame = mFrames[mFrameIndex % FramesInFlight];
    if (frame.Serial != 0)
        d3d12::WaitForQueueSerial(mQueue.Get(), frame.Serial);

    uint32_t image = 0;
    const VkResult acquired = vkAcquireNextImageKHR(mVulkan.Device, mSwapchain, UINT64_MAX,
                                                    frame.Acquired, VK_NULL_HANDLE, &image);
    if (acquired == VK_ERROR_OUT_OF_DATE_KHR || acquired == VK_ERROR_SURFACE_LOST_KHR)
    {
        // The window changed under the swapchain: this frame is not shown,
        // the next one makes a swapchain that fits.
        mNeedsSwapchain = true;
        return S_OK;
    }
    if (acquired != VK_SUCCESS && acquired != VK_SUBOPTIMAL_KHR)
        return vkrt::HResultFromVk(acquired);

    RecordCopy(frame, d3d12::VulkanImageOf(mBuffers[mCurrent].Get()), mImages[image]);
    VkResult presented = VK_SUCCESS;
    HRESULT hr = d3d12::SubmitAndPresent(mQueue.Get(), frame.Commands, frame.Acquired, frame.Copied,
                                         mSwapchain, image, &presented, &frame.Serial);
    if (FAILED(hr))
        return hr;
    ++mFrameIndex;
    if (acquired == VK_SUBOPTIMAL_KHR || presented == VK_SUBOPTIMAL_KHR ||
        presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_ERROR_SURFACE_LOST_KHR)
        mNeedsSwapchain = true;
    else if (presented != VK_SUCCESS)
        return vkrt::HResultFromVk(presented);
    return S_OK;
}

HRESULT SwapChain::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, IDXGIObject, IDXGIDeviceSubObject, IDXGISwapChain>(
        this, riid, object);
}

HRESULT SwapChain::Present(UINT syncInterval, UINT flags)
{
    if (syncInterval > 4)
        return DXGI_ERROR_INVALID_CALL;
    if (flags & DXGI_PRESENT_TEST)
        return S_OK;
    // The interval is not honoured: presenting never waits for the vertical
    // blank here.
    HRESULT hr = mSurface != VK_NULL_HANDLE ? PresentToSurface() : S_OK;
    if (FAILED(hr))
        return hr;
    mCurrent = (mCurrent + 1) % UINT(mBuffers.size());
    return hr;
}

HRESULT SwapChain::GetBuffer(UINT buffer, REFIID riid, void** surface)
{
    if (!surface)
        return E_POINTER;
    *surface = nullptr;
    if (buffer >= mBuffers.size())
        return DXGI_ERROR_INVALID_CALL;
    return mBuffers[buffer]->QueryInterface(riid, surface);
}

HRESULT SwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* desc)
{
    if (!desc)
        return E_POINTER;
    *desc = mDesc;
    return S_OK;
}

HRESULT SwapChain::ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format,
                                 UINT flags)
{
    if (bufferCount > MaxBufferCount || bufferCount == 1 ||
        (format != DXGI_FORMAT_UNKNOWN && !IsSupportedBufferFormat(format)))
        return DXGI_ERROR_INVALID_CALL;
    // As on the real platform, every reference the program took to a buffer
    // must be gone before the buffers are replaced.
    for (auto& buffer : mBuffers)
    {
        buffer->AddRef();
        if (buffer->Release() > 1)
            return DXGI_ERROR_INVALID_CALL;
    }
    d3d12::WaitForQueueIdle(mQueue.Get());
    mBuffers.clear();

    if (bufferCount != 0)
        mDesc.BufferCount = bufferCount;
    if (format != DXGI_FORMAT_UNKNOWN)
        mDesc.BufferDesc.Format = format;
    mDesc.Flags = flags;
    mDesc.BufferDesc.Width = width;
    mDesc.BufferDesc.Height = height;
    if (width == 0 || height == 0)
        WindowSize(mDesc.OutputWindow, &mDesc.BufferDesc.Width, &mDesc.BufferDesc.Height);
    mNeedsSwapchain = true;
    return CreateBuffers();
}

} // namespace dxgi
