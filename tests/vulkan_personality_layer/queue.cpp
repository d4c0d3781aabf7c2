// Queues. A present-only family (family 1: no graphics, compute or transfer,
// one queue, can present) stands on lavapipe's one queue: its queue is a
// handle of the layer's own that forwards to lavapipe's. The two handles
// share one lock, since the program may use both from different threads.
// Command buffers submitted to family 1 are refused: it can run none.
#include "layer.h"

namespace city_personality
{

bool IsPresentOnly(const DeviceData& data, VkQueue queue)
{
    return data.PresentOnly && queue == reinterpret_cast<VkQueue>(data.PresentOnly.get());
}

VkQueue RealQueueOf(const DeviceData& data, VkQueue queue)
{
    return IsPresentOnly(data, queue) ? data.RealQueue : queue;
}

namespace
{

// The family-1 queue, where the program asked for it when creating the device.
bool GetPresentOnlyQueue(DeviceData& data, uint32_t family, VkQueue* queue)
{
    if (!data.Profile || data.Profile->Present != Presentation::PresentOnlyFamily ||
        family != PresentOnlyFamily)
        return false;
    *queue = reinterpret_cast<VkQueue>(data.PresentOnly.get());
    if (!data.PresentOnly)
        Refuse(VK_ERROR_UNKNOWN, "vkGetDeviceQueue",
               "the device was created without a queue of family %u (%s)", family,
               data.Profile->Name);
    return true;
}

VKAPI_ATTR void VKAPI_CALL GetDeviceQueue(VkDevice device, uint32_t family, uint32_t index,
                                          VkQueue* queue)
{
    DeviceData& data = DeviceOf(device);
    if (!GetPresentOnlyQueue(data, family, queue))
        data.Next.GetDeviceQueue(device, family, index, queue);
}

VKAPI_ATTR void VKAPI_CALL GetDeviceQueue2(VkDevice device, const VkDeviceQueueInfo2* info,
                                           VkQueue* queue)
{
    DeviceData& data = DeviceOf(device);
    if (!GetPresentOnlyQueue(data, info->queueFamilyIndex, queue))
        data.Next.GetDeviceQueue2(device, info, queue);
}

VkResult RefuseCommandBuffers(const DeviceData& data, const char* call)
{
    return Refuse(VK_ERROR_UNKNOWN, call,
                  "queue family %u can present only, it cannot run command buffers (%s)",
                  PresentOnlyFamily, data.Profile->Name);
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit(VkQueue queue, uint32_t count,
                                           const VkSubmitInfo* submits, VkFence fence)
{
    DeviceData& data = DeviceOf(queue);
    for (uint32_t i = 0; i < count && IsPresentOnly(data, queue); ++i)
    {
        if (submits[i].commandBufferCount)
            return RefuseCommandBuffers(data, "vkQueueSubmit");
    }
    std::lock_guard lock(data.QueueMutex);
    return data.Next.QueueSubmit(RealQueueOf(data, queue), count, submits, fence);
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit2(VkQueue queue, uint32_t count,
                                            const VkSubmitInfo2* submits, VkFence fence)
{
    DeviceData& data = DeviceOf(queue);
    for (uint32_t i = 0; i < count && IsPresentOnly(data, queue); ++i)
    {
        if (submits[i].commandBufferInfoCount)
            return RefuseCommandBuffers(data, "vkQueueSubmit2");
    }
    std::lock_guard lock(data.QueueMutex);
    return data.Next.QueueSubmit2(RealQueueOf(data, queue), count, submits, fence);
}

VKAPI_ATTR VkResult VKAPI_CALL QueueWaitIdle(VkQueue queue)
{
    DeviceData& data = DeviceOf(queue);
    std::lock_guard lock(data.QueueMutex);
    return data.Next.QueueWaitIdle(RealQueueOf(data, queue));
}

VKAPI_ATTR VkResult VKAPI_CALL DeviceWaitIdle(VkDevice device)
{
    DeviceData& data = DeviceOf(device);
    std::lock_guard lock(data.QueueMutex);
    return data.Next.DeviceWaitIdle(device);
}

VKAPI_ATTR void VKAPI_CALL QueueBeginDebugUtilsLabelEXT(VkQueue queue,
                                                        const VkDebugUtilsLabelEXT* label)
{
    DeviceData& data = DeviceOf(queue);
    std::lock_guard lock(data.QueueMutex);
    data.Next.QueueBeginDebugUtilsLabelEXT(RealQueueOf(data, queue), label);
}

VKAPI_ATTR void VKAPI_CALL QueueEndDebugUtilsLabelEXT(VkQueue queue)
{
    DeviceData& data = DeviceOf(queue);
    std::lock_guard lock(data.QueueMutex);
    data.Next.QueueEndDebugUtilsLabelEXT(RealQueueOf(data, queue));
}

VKAPI_ATTR void VKAPI_CALL QueueInsertDebugUtilsLabelEXT(VkQueue queue,
                                                         const VkDebugUtilsLabelEXT* label)
{
    DeviceData& data = DeviceOf(queue);
    std::lock_guard lock(data.QueueMutex);
    data.Next.QueueInsertDebugUtilsLabelEXT(RealQueueOf(data, queue), label);
}

const Intercept Intercepts[] = {
    {"vkGetDeviceQueue", PFN_vkVoidFunction(GetDeviceQueue)},
    {"vkGetDeviceQueue2", PFN_vkVoidFunction(GetDeviceQueue2)},
    {"vkQueueSubmit", PFN_vkVoidFunction(QueueSubmit)},
    {"vkQueueSubmit2", PFN_vkVoidFunction(QueueSubmit2)},
    {"vkQueueSubmit2KHR", PFN_vkVoidFunction(QueueSubmit2)},
    {"vkQueueWaitIdle", PFN_vkVoidFunction(QueueWaitIdle)},
    {"vkDeviceWaitIdle", PFN_vkVoidFunction(DeviceWaitIdle)},
    {"vkQueueBeginDebugUtilsLabelEXT", PFN_vkVoidFunction(QueueBeginDebugUtilsLabelEXT)},
    {"vkQueueEndDebugUtilsLabelEXT", PFN_vkVoidFunction(QueueEndDebugUtilsLabelEXT)},
    {"vkQueueInsertDebugUtilsLabelEXT", PFN_vkVoidFunction(QueueInsertDebugUtilsLabelEXT)},
};

} // namespace

std::span<const Intercept> QueueIntercepts()
{
    return Intercepts;
}

} // namespace city_personality
