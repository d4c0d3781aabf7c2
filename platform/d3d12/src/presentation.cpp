// What the swap chain reaches past the Direct3D 12 interface for: the Vulkan
// objects behind a queue and a texture, the layouts of its states, and
// presenting behind the queue's work.
#include "command_queue.h"
#include "resource.h"
#include "resource_state.h"

#include <d3d12_vulkan.h>

namespace d3d12
{
namespace
{
CommandQueue* OwnQueue(ID3D12CommandQueue* queue)
{
    return dynamic_cast<CommandQueue*>(queue);
}
} // namespace

bool VulkanQueueOf(ID3D12CommandQueue* queue, QueueVulkan* vulkan)
{
    CommandQueue* own = OwnQueue(queue);
    if (!own || !vulkan)
        return false;
    Device& device = own->Owner();
    vulkan->Instance = device.InstanceHandle();
    vulkan->Physical = device.PhysicalHandle();
    vulkan->Device = device.Handle();
    vulkan->QueueFamily = device.QueueFamily();
    vulkan->PresentFamily = device.PresentFamily();
    vulkan->CanPresent = device.CanPresent();
    vulkan->IsCpuDevice = device.IsCpuDevice();
    return true;
}

VkImage VulkanImageOf(ID3D12Resource* resource)
{
    auto* own = dynamic_cast<Resource*>(resource);
    return own && !own->IsBuffer() ? own->Image() : VK_NULL_HANDLE;
}

VkImageLayout VulkanLayoutOf(D3D12_RESOURCE_STATES state)
{
    return LayoutOfState(state);
}

HRESULT SubmitAndPresent(ID3D12CommandQueue* queue, VkCommandBuffer commands, VkSemaphore wait,
                         VkSemaphore signal, VkSwapchainKHR swapchain, uint32_t imageIndex,
                         bool fromPresentFamily, VkResult* presented, uint64_t* serial)
{
    CommandQueue* own = OwnQueue(queue);
    if (!own)
        return E_INVALIDARG;
    return own->Owner().Queue().SubmitAndPresent(commands, wait, signal, swapchain, imageIndex,
                                                 fromPresentFamily, presented, serial);
}

void WaitForQueueSerial(ID3D12CommandQueue* queue, uint64_t serial)
{
    if (CommandQueue* own = OwnQueue(queue))
        own->Owner().Queue().WaitForSerial(serial);
}

void WaitForQueueIdle(ID3D12CommandQueue* queue)
{
    if (CommandQueue* own = OwnQueue(queue))
        own->Owner().Queue().WaitIdle();
}

} // namespace d3d12
