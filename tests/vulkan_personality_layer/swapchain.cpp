// Swapchains held to what the surface offers, presents held to the families
// that can present, and FIFO paced to a virtual 60 Hz vertical blank (or the
// rate CITY_VK_REFRESH_HZ gives).
//
// FIFO on lavapipe: the real swapchain is made in a mode that never blocks,
// and the layer keeps the presentation engine's queue itself. Each present
// takes the next free blank (FIFO_RELAXED: at once, where the image on
// screen has already stayed a whole blank). An image stays with the engine
// until the image presented after it begins to show, which replaces it on
// screen. An acquisition waits, within its timeout, for the next blank that
// frees an image: a timeout of 0 answers VK_NOT_READY, a timeout that runs
// out VK_TIMEOUT, exactly where a real FIFO swapchain blocks.
//
// lavapipe frees its images at once, so it may hand back one the engine
// still holds: the layer acquires from lavapipe with a fence of its own,
// keeps such an image aside until the engine lets it go, and signals the
// program's semaphore and fence from the queue when it hands an image over.
#include "fifo.h"
#include "layer.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

namespace city_personality
{

DeviceData::DeviceData() = default;
DeviceData::~DeviceData() = default;

namespace
{

// Acquires an image from lavapipe for the layer, ready for use.
VkResult AcquireFromLavapipe(DeviceData& data, VkSwapchainKHR swapchain, VkFence fence,
                             uint64_t timeout, uint32_t* image)
{
    data.Next.ResetFences(data.Device, 1, &fence);
    const VkResult result = data.Next.AcquireNextImageKHR(data.Device, swapchain, timeout,
                                                          VK_NULL_HANDLE, fence, image);
    if (result != VK_SUCCESS && result != VK_SUBOPTIMAL_KHR)
        return result;
    const VkResult waited = data.Next.WaitForFences(data.Device, 1, &fence, VK_TRUE, UINT64_MAX);
    return waited != VK_SUCCESS ? waited : result;
}

// Signals what the program gave an acquisition to signal.
VkResult SignalAcquired(DeviceData& data, VkSemaphore semaphore, VkFence fence)
{
    if (semaphore == VK_NULL_HANDLE && fence == VK_NULL_HANDLE)
        return VK_SUCCESS;
    VkSubmitInfo submit = {};
    submit.sType = VK_STRUCTURE_TYPE_SUBMIT_INFO;
    submit.signalSemaphoreCount = semaphore != VK_NULL_HANDLE;
    submit.pSignalSemaphores = &semaphore;
    std::lock_guard lock(data.QueueMutex);
    return data.Next.QueueSubmit(data.RealQueue, 1, &submit, fence);
}

uint64_t NanosecondsLeft(Clock::time_point deadline, Clock::time_point now)
{
    if (deadline == Clock::time_point::max())
        return UINT64_MAX;
    return deadline <= now ? 0 : uint64_t((deadline - now) / std::chrono::nanoseconds(1));
}

VkResult AcquireFifo(DeviceData& data, VkSwapchainKHR swapchain, FifoSwapchain& fifo,
                     uint64_t timeout, VkSemaphore semaphore, VkFence fence, uint32_t* image)
{
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        timeout > uint64_t((Clock::time_point::max() - start) / std::chrono::nanoseconds(1))
            ? Clock::time_point::max()
            : start + std::chrono::nanoseconds(timeout);
    const uint32_t count = uint32_t(fifo.Program.size());
    for (;;)
    {
        std::unique_lock lock(data.Mutex);
        const Clock::time_point now = Clock::now();
        fifo.Retire(now);
        for (uint32_t i = 0; i < count; ++i)
        {
            if (fifo.Aside[i] && !fifo.EngineHolds(i))
            {
                fifo.Aside[i] = false;
                fifo.Program[i] = true;
                const bool suboptimal = std::exchange(fifo.Suboptimal, false);
                lock.unlock();
                *image = i;
                const VkResult signalled = SignalAcquired(data, semaphore, fence);
                return signalled != VK_SUCCESS ? signalled
                       : suboptimal            ? VK_SUBOPTIMAL_KHR
                                               : VK_SUCCESS;
            }
        }
        bool lavapipeHasOne = false;
        for (uint32_t i = 0; i < count; ++i)
            lavapipeHasOne |= !fifo.EngineHolds(i) && !fifo.Program[i] && !fifo.Aside[i];
        const Clock::time_point release = fifo.NextRelease();
        lock.unlock();

        if (lavapipeHasOne)
        {
            uint32_t acquired = 0;
            const VkResult result = AcquireFromLavapipe(data, swapchain, fifo.AcquireFence,
                                                        NanosecondsLeft(deadline, now), &acquired);
            if (result != VK_SUCCESS && result != VK_SUBOPTIMAL_KHR)
                return result;
            std::lock_guard relock(data.Mutex);
            fifo.Aside[acquired] = true;
            fifo.Suboptimal |= result == VK_SUBOPTIMAL_KHR;
            continue;
        }
        if (timeout == 0)
            return VK_NOT_READY;
        if (release == Clock::time_point::max() && deadline == Clock::time_point::max())
            return Refuse(VK_TIMEOUT, "vkAcquireNextImageKHR",
                          "would wait for ever: the program holds every image the presentation "
                          "engine does not");
        // Said on every wait, so that a test can tell a program that never
        // waits for the blank from one that does.
        std::fprintf(stderr, "city personality layer: vkAcquireNextImageKHR: waits for a "
                             "vertical blank\n");
        if (release > deadline)
        {
            std::this_thread::sleep_until(deadline);
            return VK_TIMEOUT;
        }
        std::this_thread::sleep_until(release);
    }
}

FifoSwapchain* FifoOf(DeviceData& data, VkSwapchainKHR swapchain)
{
    std::lock_guard lock(data.Mutex);
    const auto found = data.Swapchains.find(swapchain);
    return found == data.Swapchains.end() ? nullptr : found->second.get();
}

VKAPI_ATTR VkResult VKAPI_CALL AcquireNextImageKHR(VkDevice device, VkSwapchainKHR swapchain,
                                                   uint64_t timeout, VkSemaphore semaphore,
                                                   VkFence fence, uint32_t* image)
{
    DeviceData& data = DeviceOf(device);
    if (FifoSwapchain* fifo = FifoOf(data, swapchain))
        return AcquireFifo(data, swapchain, *fifo, timeout, semaphore, fence, image);
    return data.Next.AcquireNextImageKHR(device, swapchain, timeout, semaphore, fence, image);
}

VKAPI_ATTR VkResult VKAPI_CALL AcquireNextImage2KHR(VkDevice device,
                                                    const VkAcquireNextImageInfoKHR* info,
                                                    uint32_t* image)
{
    DeviceData& data = DeviceOf(device);
    if (FifoSwapchain* fifo = FifoOf(data, info->swapchain))
        return AcquireFifo(data, info->swapchain, *fifo, info->timeout, info->semaphore,
                           info->fence, image);
    return data.Next.AcquireNextImage2KHR(device, info, image);
}

// What the surface would refuse of the swapchain, or VK_SUCCESS.
VkResult CheckSwapchain(DeviceData& data, const VkSwapchainCreateInfoKHR& info)
{
    const Personality& personality = *data.Profile;
    const char* call = "vkCreateSwapchainKHR";
    if (personality.Present == Presentation::None)
        return Refuse(VK_ERROR_INITIALIZATION_FAILED, call,
                      "no queue family of this device can present to the surface (%s)",
                      personality.Name);
    const std::vector<VkPresentModeKHR> modes = OfferedModes(data.Physical, info.surface);
    if (std::find(modes.begin(), modes.end(), info.presentMode) == modes.end())
        return Refuse(VK_ERROR_INITIALIZATION_FAILED, call,
                      "the surface offers no present mode %d (%s)", int(info.presentMode),
                      personality.Name);
    const std::vector<VkSurfaceFormatKHR> formats = OfferedFormats(data.Physical, info.surface);
    if (std::none_of(formats.begin(), formats.end(),
                     [&](const VkSurfaceFormatKHR& format) {
                         return format.format == info.imageFormat &&
                                format.colorSpace == info.imageColorSpace;
                     }))
        return Refuse(VK_ERROR_INITIALIZATION_FAILED, call,
                      "the surface offers no format %d in colour space %d (%s)",
                      int(info.imageFormat), int(info.imageColorSpace), personality.Name);
    const VkSurfaceCapabilitiesKHR capabilities = OfferedCapabilities(data.Physical, info.surface);
    if (info.minImageCount < capabilities.minImageCount ||
        (capabilities.maxImageCount && info.minImageCount > capabilities.maxImageCount))
        return Refuse(VK_ERROR_INITIALIZATION_FAILED, call,
                      "%u images, where the surface takes %u to %u (0: no maximum) (%s)",
                      info.minImageCount, capabilities.minImageCount, capabilities.maxImageCount,
                      personality.Name);
    return VK_SUCCESS;
}

bool IsFifo(VkPresentModeKHR mode)
{
    return mode == VK_PRESENT_MODE_FIFO_KHR || mode == VK_PRESENT_MODE_FIFO_RELAXED_KHR;
}

VKAPI_ATTR VkResult VKAPI_CALL CreateSwapchainKHR(VkDevice device,
                                                  const VkSwapchainCreateInfoKHR* info,
                                                  const VkAllocationCallbacks* allocator,
                                                  VkSwapchainKHR* swapchain)
{
    DeviceData& data = DeviceOf(device);
    if (!data.Profile)
        return data.Next.CreateSwapchainKHR(device, info, allocator, swapchain);
    *swapchain = VK_NULL_HANDLE;
    const VkResult checked = CheckSwapchain(data, *info);
    if (checked != VK_SUCCESS)
        return checked;

    VkSwapchainCreateInfoKHR real = *info;
    VkSurfaceCapabilitiesKHR capabilities = {};
    data.Instance->Next.GetPhysicalDeviceSurfaceCapabilitiesKHR(data.Physical, info->surface,
                                                                &capabilities);
    real.minImageCount = std::max(info->minImageCount, capabilities.minImageCount);
    if (IsFifo(info->presentMode))
    {
        // Immediate where lavapipe offers it, else mailbox: neither blocks.
        const std::vector<VkPresentModeKHR> modes = RealModes(data.Physical, info->surface);
        for (VkPresentModeKHR mode : {VK_PRESENT_MODE_MAILBOX_KHR, VK_PRESENT_MODE_IMMEDIATE_KHR})
        {
            if (std::find(modes.begin(), modes.end(), mode) != modes.end())
                real.presentMode = mode;
        }
    }
    if (data.Profile->Present == Presentation::PresentOnlyFamily)
    {
        // Shared with family 1 means lavapipe's one family.
        real.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
        real.queueFamilyIndexCount = 0;
        real.pQueueFamilyIndices = nullptr;
    }
    const VkResult result = data.Next.CreateSwapchainKHR(device, &real, allocator, swapchain);
    if (result != VK_SUCCESS || !IsFifo(info->presentMode) || real.presentMode == info->presentMode)
        return result;

    auto fifo = std::make_unique<FifoSwapchain>();
    fifo->Mode = info->presentMode;
    fifo->FirstBlank = Clock::now();
    // A display slower than the frames, as a fast GPU meets a 60 Hz screen,
    // shows whether a program waits for its blanks.
    if (const char* hertz = std::getenv("CITY_VK_REFRESH_HZ"); hertz && std::atoi(hertz) > 0)
        fifo->Period = std::chrono::nanoseconds(1'000'000'000 / std::atoi(hertz));
    uint32_t count = 0;
    data.Next.GetSwapchainImagesKHR(device, *swapchain, &count, nullptr);
    fifo->Program.assign(count, false);
    fifo->Aside.assign(count, false);
    VkFenceCreateInfo fenceInfo = {};
    fenceInfo.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO;
    data.Next.CreateFence(device, &fenceInfo, nullptr, &fifo->AcquireFence);
    std::lock_guard lock(data.Mutex);
    data.Swapchains[*swapchain] = std::move(fifo);
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroySwapchainKHR(VkDevice device, VkSwapchainKHR swapchain,
                                               const VkAllocationCallbacks* allocator)
{
    DeviceData& data = DeviceOf(device);
    std::unique_lock lock(data.Mutex);
    const auto fifo = data.Swapchains.extract(swapchain);
    lock.unlock();
    if (!fifo.empty())
        data.Next.DestroyFence(device, fifo.mapped()->AcquireFence, nullptr);
    data.Next.DestroySwapchainKHR(device, swapchain, allocator);
}

VKAPI_ATTR VkResult VKAPI_CALL QueuePresentKHR(VkQueue queue, const VkPresentInfoKHR* info)
{
    DeviceData& data = DeviceOf(queue);
    if (!data.Profile)
        return data.Next.QueuePresentKHR(queue, info);
    const Personality& personality = *data.Profile;
    if (personality.Present == Presentation::None)
        return Refuse(VK_ERROR_UNKNOWN, "vkQueuePresentKHR",
                      "no queue family of this device can present (%s)", personality.Name);
    if (personality.Present == Presentation::PresentOnlyFamily && !IsPresentOnly(data, queue))
        return Refuse(VK_ERROR_UNKNOWN, "vkQueuePresentKHR",
                      "queue family 0 cannot present, family %u can (%s)", PresentOnlyFamily,
                      personality.Name);
    {
        std::lock_guard lock(data.Mutex);
        const Clock::time_point now = Clock::now();
        for (uint32_t i = 0; i < info->swapchainCount; ++i)
        {
            const auto found = data.Swapchains.find(info->pSwapchains[i]);
            if (found != data.Swapchains.end())
                found->second->Present(info->pImageIndices[i], now);
        }
    }
    std::lock_guard lock(data.QueueMutex);
    return data.Next.QueuePresentKHR(RealQueueOf(data, queue), info);
}

const Intercept Intercepts[] = {
    {"vkCreateSwapchainKHR", PFN_vkVoidFunction(CreateSwapchainKHR)},
    {"vkDestroySwapchainKHR", PFN_vkVoidFunction(DestroySwapchainKHR)},
    {"vkAcquireNextImageKHR", PFN_vkVoidFunction(AcquireNextImageKHR)},
    {"vkAcquireNextImage2KHR", PFN_vkVoidFunction(AcquireNextImage2KHR)},
    {"vkQueuePresentKHR", PFN_vkVoidFunction(QueuePresentKHR)},
};

} // namespace

std::span<const Intercept> SwapchainIntercepts()
{
    return Intercepts;
}

} // namespace city_personality
