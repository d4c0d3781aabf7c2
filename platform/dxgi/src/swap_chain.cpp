#include "swap_chain.h"

#include <win32_support.h>

#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

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

std::vector<VkPresentModeKHR> OfferedPresentModes(VkPhysicalDevice physical, VkSurfaceKHR surface)
{
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(physical, surface, &count, modes.data());
    modes.resize(count);
    return modes;
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

PresentPlan PlanPresent(const std::vector<VkPresentModeKHR>& offered, UINT syncInterval)
{
    // Intervals 1 to 4 wait for the vertical blank: FIFO, which every surface
    // offers, with acquisitions that wait for a free image.
    if (syncInterval != 0)
        return {VK_PRESENT_MODE_FIFO_KHR, UINT64_MAX};
    // Interval 0 on a flip-model swap chain never waits and never tears: the
    // newest frame is shown at the next blank. Mailbox does exactly that.
    // Without it, FIFO with acquisitions that never wait: a frame for which
    // no image is free is dropped, as the discarding flip model drops it.
    // Immediate would never wait either, but it tears, which the real
    // platform does only when asked to with its tearing flag.
    const bool mailbox =
        std::find(offered.begin(), offered.end(), VK_PRESENT_MODE_MAILBOX_KHR) != offered.end();
    return {mailbox ? VK_PRESENT_MODE_MAILBOX_KHR : VK_PRESENT_MODE_FIFO_KHR, 0};
}

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
    mShm.reset();
    if (mVulkan.Device == VK_NULL_HANDLE)
        return;
    // Copies and presents may still be in flight.
    d3d12::WaitForQueueIdle(mQueue.Get());
    DestroyVulkanSwapchain();
    for (Frame& frame : mFrames)
        vkDestroySemaphore(mVulkan.Device, frame.Acquired, nullptr);
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
    // A message-only window, or none at all, has nothing to show: the swap
    // chain works without a surface, presents complete and nothing is shown.
    SDL_Window* window = win32::NativeWindowOf(mDesc.OutputWindow);
    if (!window)
        return S_OK;
    // A CPU device's frames reach an X server faster through shared memory
    // than through the driver's presentation; but an overlay the user
    // started, which draws over the frames as Vulkan presents them, needs the
    // driver's presentation.
    const char* overlay = std::getenv("MANGOHUD");
    if (mVulkan.IsCpuDevice && !(overlay && *overlay && std::strcmp(overlay, "0") != 0))
    {
        mShm = ShmPresentation::Open(window, mVulkan, mQueue.Get());
        if (mShm)
            return S_OK;
    }
    // A window the device cannot show anything in is refused, so that the
    // program reports it instead of showing a black window for ever.
    if (!mVulkan.CanPresent)
        return CannotPresent("the device has no swapchain support");
    if (!SDL_Vulkan_CreateSurface(window, mVulkan.Instance, &mSurface))
    {
        mSurface = VK_NULL_HANDLE;
        return CannotPresent(SDL_GetError());
    }
    if (!ChoosePresentingFamily())
        return CannotPresent("no queue family of the device can present to the window");
    mOfferedModes = OfferedPresentModes(mVulkan.Physical, mSurface);

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
    }
    return vkrt::HResultFromVk(result);
}

HRESULT SwapChain::CannotPresent(const char* why) const
{
    std::string message = "IDXGIFactory::CreateSwapChain: the window cannot be presented to: ";
    message += why && *why ? why : "the window system gave no reason";
    message += "\n";
    OutputDebugStringA(message.c_str());
    return DXGI_ERROR_UNSUPPORTED;
}

bool SwapChain::ChoosePresentingFamily()
{
    // The queue's own family where it can present; else the device's
    // present-only family, which then presents what the queue copied.
    for (uint32_t family : {mVulkan.QueueFamily, mVulkan.PresentFamily})
    {
        if (family == d3d12::NoQueueFamily)
            continue;
        VkBool32 supported = VK_FALSE;
        if (vkGetPhysicalDeviceSurfaceSupportKHR(mVulkan.Physical, family, mSurface, &supported) ==
                VK_SUCCESS &&
            supported)
        {
            mPresentFromPresentFamily = family != mVulkan.QueueFamily;
            return true;
        }
    }
    return false;
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
    // Copied into by the queue's family, presented from the present-only
    // family where that presents: both use the images, and a family that
    // runs no commands cannot take ownership of them by a barrier.
    const uint32_t families[] = {mVulkan.QueueFamily, mVulkan.PresentFamily};
    info.imageSharingMode =
        mPresentFromPresentFamily ? VK_SHARING_MODE_CONCURRENT : VK_SHARING_MODE_EXCLUSIVE;
    info.queueFamilyIndexCount = mPresentFromPresentFamily ? 2 : 0;
    info.pQueueFamilyIndices = mPresentFromPresentFamily ? families : nullptr;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = mPlan.Mode;
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

    // One semaphore per image between its copy and its present: an image is
    // acquired again only once its earlier present has been carried out, so
    // the semaphore's earlier wait is over by the time it is signalled again.
    // A semaphore per frame would give no such proof.
    auto semaphore =
        vkrt::Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
    mCopied.assign(count, VK_NULL_HANDLE);
    for (VkSemaphore& copied : mCopied)
    {
        result = vkCreateSemaphore(mVulkan.Device, &semaphore, nullptr, &copied);
        if (result != VK_SUCCESS)
        {
            DestroyVulkanSwapchain();
            return vkrt::HResultFromVk(result);
        }
    }
    mModeInUse = mPlan.Mode;
    mNeedsSwapchain = false;
    return S_OK;
}

void SwapChain::DestroyVulkanSwapchain()
{
    if (mSwapchain != VK_NULL_HANDLE)
        vkDestroySwapchainKHR(mVulkan.Device, mSwapchain, nullptr);
    mSwapchain = VK_NULL_HANDLE;
    mImages.clear();
    for (VkSemaphore copied : mCopied)
        vkDestroySemaphore(mVulkan.Device, copied, nullptr);
    mCopied.clear();
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
    if (mNeedsSwapchain || mPlan.Mode != mModeInUse)
    {
        HRESULT hr = CreateVulkanSwapchain();
        if (FAILED(hr))
            return hr;
    }
    if (mSwapchain == VK_NULL_HANDLE)
        return DXGI_STATUS_OCCLUDED; // nothing to show in a window without area

    // The frame's copy from three presents ago has run before its command
    // buffer and semaphore are used again: the swap chain's frame latency.
    Frame& frame = mFrames[mFrameIndex % FramesInFlight];
    if (frame.Serial != 0)
        d3d12::WaitForQueueSerial(mQueue.Get(), frame.Serial);

    uint32_t image = 0;
    const VkResult acquired = vkAcquireNextImageKHR(
        mVulkan.Device, mSwapchain, mPlan.AcquireTimeout, frame.Acquired, VK_NULL_HANDLE, &image);
    if (acquired == VK_NOT_READY || acquired == VK_TIMEOUT)
        return S_OK; // no image is free: the frame is dropped, as a discarding flip model drops it
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
    HRESULT hr = d3d12::SubmitAndPresent(mQueue.Get(), frame.Commands, frame.Acquired,
                                         mCopied[image], mSwapchain, image,
                                         mPresentFromPresentFamily, &presented, &frame.Serial);
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
    HRESULT hr = S_OK;
    if (mShm)
    {
        // There is no vertical blank to wait for on this path.
        hr = mShm->Present(d3d12::VulkanImageOf(mBuffers[mCurrent].Get()),
                           std::max<UINT>(mDesc.BufferDesc.Width, 1),
                           std::max<UINT>(mDesc.BufferDesc.Height, 1), mDesc.BufferDesc.Format);
    }
    else if (mSurface != VK_NULL_HANDLE)
    {
        // An interval of n shows the frame for n vertical blanks: it is
        // presented n times in the FIFO mode, each present taking a blank.
        mPlan = PlanPresent(mOfferedModes, syncInterval);
        for (UINT shown = 0; shown < std::max(syncInterval, 1u) && SUCCEEDED(hr); ++shown)
            hr = PresentToSurface();
    }
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
