// The Vulkan side of this runtime's objects, for the swap chain, which shows
// the runtime's images, and for tests that reach past the Direct3D 12
// interface (to misuse Vulkan on purpose, say). The program never includes
// this header.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12
{

// The Vulkan device of `device`, or null where it is not one of this
// runtime's devices.
VkDevice VulkanDeviceOf(ID3D12Device* device);

// A queue family index that names no family.
constexpr uint32_t NoQueueFamily = UINT32_MAX;

// What the swap chain needs of a command queue's device to show its images.
struct QueueVulkan
{
    VkInstance Instance = VK_NULL_HANDLE;
    VkPhysicalDevice Physical = VK_NULL_HANDLE;
    VkDevice Device = VK_NULL_HANDLE;
    uint32_t QueueFamily = 0;               // where the queue's work runs
    uint32_t PresentFamily = NoQueueFamily; // a present-only family with a queue
    bool CanPresent = false;                // the device has the swapchain extension
    bool IsCpuDevice = false;               // the device draws on the processor
};

// False where `queue` is not one of this runtime's queues.
bool VulkanQueueOf(ID3D12CommandQueue* queue, QueueVulkan* vulkan);

// The image of a texture of this runtime (null for buffers and foreign
// objects).
VkImage VulkanImageOf(ID3D12Resource* resource);

// The layout an image of this runtime has while in `state`.
VkImageLayout VulkanLayoutOf(D3D12_RESOURCE_STATES state);

// Submits `commands` on the queue after everything submitted before, waiting
// for the binary semaphore `wait` and signalling the binary semaphore
// `signal` (either may be null); then presents `imageIndex` of `swapchain`
// behind `signal`, from the queue itself or, with `fromPresentFamily`, from
// the device's queue in its present-only family. `presented` receives the
// present's own result; `serial` the submission's place on the queue's
// timeline.
HRESULT SubmitAndPresent(ID3D12CommandQueue* queue, VkCommandBuffer commands, VkSemaphore wait,
                         VkSemaphore signal, VkSwapchainKHR swapchain, uint32_t imageIndex,
                         bool fromPresentFamily, VkResult* presented, uint64_t* serial);

// Waits until the queue's submission `serial` has run.
void WaitForQueueSerial(ID3D12CommandQueue* queue, uint64_t serial);

// Waits until everything submitted to the queue so far has run, and the
// presents behind it have been carried out.
void WaitForQueueIdle(ID3D12CommandQueue* queue);

} // namespace d3d12
