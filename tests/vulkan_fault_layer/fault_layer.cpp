// A Vulkan layer for the tests: it makes one chosen call fail on its N-th use,
// as a driver or a window system may fail it, so that tests reach the failure
// paths of the whole program without touching its code. Everything else
// passes through to the next layer or the driver. The calls it can fail:
// vkAllocateMemory, vkCreateImage, vkCreateBuffer, vkCreateSemaphore,
// vkCreateGraphicsPipelines, vkQueueSubmit, vkQueueSubmit2(KHR), vkCreateSwapchainKHR,
// vkAcquireNextImageKHR and vkQueuePresentKHR.
//
// CITY_VK_FAULT="CALL N RESULT [TIMES]": the N-th use of CALL (counted from
// 1, over the whole process) and the TIMES - 1 uses after it (default 1; 0:
// every use from the N-th on) return RESULT, a VkResult by name or number.
// N written "+N" counts only the uses after the first present, so that a
// failure meant for the running program does not depend on how many objects
// its start-up made.
// An error result from a call that creates something creates nothing (the
// output handle is null); a present is still carried out, as a presentation
// engine that rejects a present still waits on its semaphores; a success
// code (VK_SUBOPTIMAL_KHR) comes back from a call that went ahead.
// VK_ERROR_DEVICE_LOST loses the device for good: it finishes the work it
// had accepted, then every later submission, swapchain creation, acquire and
// present fails with it and does nothing, and a wait for a semaphore value
// the device had not reached ends at once with it, as on a lost device. Idle
// waits and counter queries report the finished work (a lost device may
// answer them with success), so the validation layer above sees it retire.
//
// CITY_VK_FAULT_LOG=1 writes every counted use to standard error, with both
// counts ("city fault layer: vkCreateImage 3 +0"), so that a test can choose
// N; the layer writes a line whenever it injects a failure, in any case.
#include "VulkanLayerChain.h"
#include "fault_plan.h"

#include <vulkan/vk_layer.h>
#include <vulkan/vulkan.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#define LAYER_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{

// ---- what to inject -------------------------------------------------------

using namespace fault_layer;

Injection ReadInjection()
{
    const char* text = std::getenv("CITY_VK_FAULT");
    bool readable = true;
    Injection injection = ParseInjection(text, &readable);
    if (!readable)
        std::fprintf(stderr, "city fault layer: cannot read CITY_VK_FAULT=\"%s\"\n", text);
    return injection;
}

std::mutex gMutex; // guards everything below
const bool gLog = std::getenv("CITY_VK_FAULT_LOG") != nullptr;
UseCounter gCounter(ReadInjection());

// Counts a use of `call` and answers the result to inject, or VK_SUCCESS.
VkResult Use(const std::string& call)
{
    std::lock_guard lock(gMutex);
    const fault_layer::Use use = gCounter.Count(call);
    if (gLog)
        std::fprintf(stderr, "city fault layer: %s %u +%u\n", call.c_str(), use.Number,
                     use.NumberAfterFirstPresent);
    if (use.Injected != VK_SUCCESS)
        std::fprintf(stderr, "city fault layer: %s %u +%u fails with %s (%d)\n", call.c_str(),
                     use.Number, use.NumberAfterFirstPresent, NameOf(use.Injected),
                     int(use.Injected));
    return use.Injected;
}

// ---- dispatch -------------------------------------------------------------

using layer_chain::FindLinkInfo;
using layer_chain::Key;
using layer_chain::KeyOf;

struct InstanceData
{
    VkInstance Instance = VK_NULL_HANDLE;
    PFN_vkGetInstanceProcAddr GetInstanceProcAddr = nullptr;
    PFN_vkDestroyInstance DestroyInstance = nullptr;
};

struct DeviceData
{
    VkDevice Device = VK_NULL_HANDLE;
    bool Lost = false;
    PFN_vkGetDeviceProcAddr GetDeviceProcAddr = nullptr;
    PFN_vkDestroyDevice DestroyDevice = nullptr;
    PFN_vkDeviceWaitIdle DeviceWaitIdle = nullptr;
    PFN_vkWaitSemaphores WaitSemaphores = nullptr;
    PFN_vkAllocateMemory AllocateMemory = nullptr;
    PFN_vkCreateImage CreateImage = nullptr;
    PFN_vkCreateBuffer CreateBuffer = nullptr;
    PFN_vkCreateSemaphore CreateSemaphore = nullptr;
    PFN_vkCreateGraphicsPipelines CreateGraphicsPipelines = nullptr;
    PFN_vkQueueSubmit QueueSubmit = nullptr;
    PFN_vkQueueSubmit2 QueueSubmit2 = nullptr;
    PFN_vkQueueSubmit2 QueueSubmit2KHR = nullptr;
    PFN_vkCreateSwapchainKHR CreateSwapchainKHR = nullptr;
    PFN_vkAcquireNextImageKHR AcquireNextImageKHR = nullptr;
    PFN_vkQueuePresentKHR QueuePresentKHR = nullptr;
};

std::map<Key, InstanceData> gInstances;
std::map<Key, DeviceData> gDevices;

template <class Handle> InstanceData& InstanceOf(Handle handle)
{
    std::lock_guard lock(gMutex);
    return gInstances.at(KeyOf(handle));
}

template <class Handle> DeviceData& DeviceOf(Handle handle)
{
    std::lock_guard lock(gMutex);
    return gDevices.at(KeyOf(handle));
}

bool IsLost(const DeviceData& device)
{
    std::lock_guard lock(gMutex);
    return device.Lost;
}

// Loses the device for good once what it is running has finished, so that
// nothing submitted before the loss still runs while the program tears down.
VkResult Lose(DeviceData& device)
{
    {
        std::lock_guard lock(gMutex);
        device.Lost = true;
    }
    device.DeviceWaitIdle(device.Device);
    return VK_ERROR_DEVICE_LOST;
}

// The result of a call that went down the chain, with the injected one in
// its place where there is one.
VkResult Replace(DeviceData& device, VkResult injected, VkResult real)
{
    if (injected == VK_ERROR_DEVICE_LOST)
        return Lose(device);
    return injected != VK_SUCCESS ? injected : real;
}

// Counts a use of `name` and makes the call, or injects the failure instead.
// `failsWhenLost`: the call reports a lost device (submissions, the
// swapchain's calls); creating memory, images, buffers and pipelines goes on
// working on a lost device.
template <class Call>
VkResult Guarded(DeviceData& device, const char* name, bool failsWhenLost, Call&& call)
{
    if (failsWhenLost && IsLost(device))
        return VK_ERROR_DEVICE_LOST;
    const VkResult injected = Use(name);
    if (injected < 0)
        return Replace(device, injected, injected);
    return Replace(device, injected, call());
}

// ---- intercepted calls ----------------------------------------------------

VKAPI_ATTR VkResult VKAPI_CALL AllocateMemory(VkDevice device, const VkMemoryAllocateInfo* info,
                                              const VkAllocationCallbacks* allocator,
                                              VkDeviceMemory* memory)
{
    DeviceData& data = DeviceOf(device);
    *memory = VK_NULL_HANDLE;
    return Guarded(data, "vkAllocateMemory", false,
                   [&] { return data.AllocateMemory(device, info, allocator, memory); });
}

VKAPI_ATTR VkResult VKAPI_CALL CreateImage(VkDevice device, const VkImageCreateInfo* info,
                                           const VkAllocationCallbacks* allocator, VkImage* image)
{
    DeviceData& data = DeviceOf(device);
    *image = VK_NULL_HANDLE;
    return Guarded(data, "vkCreateImage", false,
                   [&] { return data.CreateImage(device, info, allocator, image); });
}

VKAPI_ATTR VkResult VKAPI_CALL CreateBuffer(VkDevice device, const VkBufferCreateInfo* info,
                                            const VkAllocationCallbacks* allocator,
                                            VkBuffer* buffer)
{
    DeviceData& data = DeviceOf(device);
    *buffer = VK_NULL_HANDLE;
    return Guarded(data, "vkCreateBuffer", false,
                   [&] { return data.CreateBuffer(device, info, allocator, buffer); });
}

VKAPI_ATTR VkResult VKAPI_CALL CreateSemaphore(VkDevice device, const VkSemaphoreCreateInfo* info,
                                               const VkAllocationCallbacks* allocator,
                                               VkSemaphore* semaphore)
{
    DeviceData& data = DeviceOf(device);
    *semaphore = VK_NULL_HANDLE;
    return Guarded(data, "vkCreateSemaphore", false,
                   [&] { return data.CreateSemaphore(device, info, allocator, semaphore); });
}

VKAPI_ATTR VkResult VKAPI_CALL CreateGraphicsPipelines(VkDevice device, VkPipelineCache cache,
                                                       uint32_t count,
                                                       const VkGraphicsPipelineCreateInfo* infos,
                                                       const VkAllocationCallbacks* allocator,
                                                       VkPipeline* pipelines)
{
    DeviceData& data = DeviceOf(device);
    for (uint32_t i = 0; i < count; ++i)
        pipelines[i] = VK_NULL_HANDLE;
    return Guarded(data, "vkCreateGraphicsPipelines", false,
                   [&] {
                       return data.CreateGraphicsPipelines(device, cache, count, infos, allocator,
                                                           pipelines);
                   });
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit(VkQueue queue, uint32_t count,
                                           const VkSubmitInfo* submits, VkFence fence)
{
    DeviceData& data = DeviceOf(queue);
    return Guarded(data, "vkQueueSubmit", true,
                   [&] { return data.QueueSubmit(queue, count, submits, fence); });
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit2(VkQueue queue, uint32_t count,
                                            const VkSubmitInfo2* submits, VkFence fence)
{
    DeviceData& data = DeviceOf(queue);
    return Guarded(data, "vkQueueSubmit2", true,
                   [&] { return data.QueueSubmit2(queue, count, submits, fence); });
}

VKAPI_ATTR VkResult VKAPI_CALL QueueSubmit2KHR(VkQueue queue, uint32_t count,
                                               const VkSubmitInfo2* submits, VkFence fence)
{
    DeviceData& data = DeviceOf(queue);
    return Guarded(data, "vkQueueSubmit2KHR", true,
                   [&] { return data.QueueSubmit2KHR(queue, count, submits, fence); });
}

VKAPI_ATTR VkResult VKAPI_CALL CreateSwapchainKHR(VkDevice device,
                                                  const VkSwapchainCreateInfoKHR* info,
                                                  const VkAllocationCallbacks* allocator,
                                                  VkSwapchainKHR* swapchain)
{
    DeviceData& data = DeviceOf(device);
    *swapchain = VK_NULL_HANDLE;
    return Guarded(data, "vkCreateSwapchainKHR", true,
                   [&] { return data.CreateSwapchainKHR(device, info, allocator, swapchain); });
}

VKAPI_ATTR VkResult VKAPI_CALL AcquireNextImageKHR(VkDevice device, VkSwapchainKHR swapchain,
                                                   uint64_t timeout, VkSemaphore semaphore,
                                                   VkFence fence, uint32_t* index)
{
    // A failed acquire acquires no image and signals nothing.
    DeviceData& data = DeviceOf(device);
    return Guarded(
        data, "vkAcquireNextImageKHR", true,
        [&]
        { return data.AcquireNextImageKHR(device, swapchain, timeout, semaphore, fence, index); });
}

VKAPI_ATTR VkResult VKAPI_CALL QueuePresentKHR(VkQueue queue, const VkPresentInfoKHR* info)
{
    // A present the presentation engine rejects (out of date, surface lost)
    // still waits on its semaphores and gives its image back: it goes down
    // the chain whatever is injected.
    DeviceData& data = DeviceOf(queue);
    if (IsLost(data))
        return VK_ERROR_DEVICE_LOST;
    const VkResult injected = Use("vkQueuePresentKHR");
    const VkResult real = data.QueuePresentKHR(queue, info);
    if (info->pResults && injected != VK_SUCCESS)
    {
        for (uint32_t i = 0; i < info->swapchainCount; ++i)
            info->pResults[i] = injected;
    }
    return Replace(data, injected, real);
}

VKAPI_ATTR VkResult VKAPI_CALL WaitSemaphores(VkDevice device, const VkSemaphoreWaitInfo* info,
                                              uint64_t timeout)
{
    DeviceData& data = DeviceOf(device);
    if (!IsLost(data))
        return data.WaitSemaphores(device, info, timeout);
    const VkResult result = data.WaitSemaphores(device, info, 0);
    return result == VK_TIMEOUT ? VK_ERROR_DEVICE_LOST : result;
}

// ---- instance and device chains -------------------------------------------

VKAPI_ATTR VkResult VKAPI_CALL CreateInstance(const VkInstanceCreateInfo* createInfo,
                                              const VkAllocationCallbacks* allocator,
                                              VkInstance* instance)
{
    auto* link = FindLinkInfo<VkLayerInstanceCreateInfo>(
        createInfo->pNext, VK_STRUCTURE_TYPE_LOADER_INSTANCE_CREATE_INFO);
    if (!link)
        return VK_ERROR_INITIALIZATION_FAILED;
    const PFN_vkGetInstanceProcAddr next = link->u.pLayerInfo->pfnNextGetInstanceProcAddr;
    link->u.pLayerInfo = link->u.pLayerInfo->pNext; // the next layer finds its own link
    auto create = reinterpret_cast<PFN_vkCreateInstance>(next(VK_NULL_HANDLE, "vkCreateInstance"));
    const VkResult result = create(createInfo, allocator, instance);
    if (result != VK_SUCCESS)
        return result;

    InstanceData data;
    data.Instance = *instance;
    data.GetInstanceProcAddr = next;
    data.DestroyInstance =
        reinterpret_cast<PFN_vkDestroyInstance>(next(*instance, "vkDestroyInstance"));
    std::lock_guard lock(gMutex);
    gInstances[KeyOf(*instance)] = data;
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyInstance(VkInstance instance,
                                           const VkAllocationCallbacks* allocator)
{
    if (instance == VK_NULL_HANDLE)
        return;
    const InstanceData data = InstanceOf(instance);
    {
        std::lock_guard lock(gMutex);
        gInstances.erase(KeyOf(instance));
    }
    data.DestroyInstance(instance, allocator);
}

template <class Function> void Resolve(const DeviceData& data, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(data.GetDeviceProcAddr(data.Device, name));
}

VKAPI_ATTR VkResult VKAPI_CALL CreateDevice(VkPhysicalDevice physical,
                                            const VkDeviceCreateInfo* createInfo,
                                            const VkAllocationCallbacks* allocator,
                                            VkDevice* device)
{
    auto* link = FindLinkInfo<VkLayerDeviceCreateInfo>(createInfo->pNext,
                                                       VK_STRUCTURE_TYPE_LOADER_DEVICE_CREATE_INFO);
    if (!link)
        return VK_ERROR_INITIALIZATION_FAILED;
    const PFN_vkGetInstanceProcAddr nextInstance = link->u.pLayerInfo->pfnNextGetInstanceProcAddr;
    const PFN_vkGetDeviceProcAddr nextDevice = link->u.pLayerInfo->pfnNextGetDeviceProcAddr;
    link->u.pLayerInfo = link->u.pLayerInfo->pNext;
    const VkInstance instance = InstanceOf(physical).Instance;
    auto create = reinterpret_cast<PFN_vkCreateDevice>(nextInstance(instance, "vkCreateDevice"));
    const VkResult result = create(physical, createInfo, allocator, device);
    if (result != VK_SUCCESS)
        return result;

    DeviceData data;
    data.Device = *device;
    data.GetDeviceProcAddr = nextDevice;
    Resolve(data, "vkDestroyDevice", &data.DestroyDevice);
    Resolve(data, "vkDeviceWaitIdle", &data.DeviceWaitIdle);
    Resolve(data, "vkWaitSemaphores", &data.WaitSemaphores);
    Resolve(data, "vkAllocateMemory", &data.AllocateMemory);
    Resolve(data, "vkCreateImage", &data.CreateImage);
    Resolve(data, "vkCreateBuffer", &data.CreateBuffer);
    Resolve(data, "vkCreateSemaphore", &data.CreateSemaphore);
    Resolve(data, "vkCreateGraphicsPipelines", &data.CreateGraphicsPipelines);
    Resolve(data, "vkQueueSubmit", &data.QueueSubmit);
    Resolve(data, "vkQueueSubmit2", &data.QueueSubmit2);
    Resolve(data, "vkQueueSubmit2KHR", &data.QueueSubmit2KHR);
    Resolve(data, "vkCreateSwapchainKHR", &data.CreateSwapchainKHR);
    Resolve(data, "vkAcquireNextImageKHR", &data.AcquireNextImageKHR);
    Resolve(data, "vkQueuePresentKHR", &data.QueuePresentKHR);
    std::lock_guard lock(gMutex);
    gDevices[KeyOf(*device)] = data;
    return VK_SUCCESS;
}

VKAPI_ATTR void VKAPI_CALL DestroyDevice(VkDevice device, const VkAllocationCallbacks* allocator)
{
    if (device == VK_NULL_HANDLE)
        return;
    const PFN_vkDestroyDevice destroy = DeviceOf(device).DestroyDevice;
    {
        std::lock_guard lock(gMutex);
        gDevices.erase(KeyOf(device));
    }
    destroy(device, allocator);
}

// ---- look-up --------------------------------------------------------------

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetDeviceProcAddr(VkDevice device, const char* name);
VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetInstanceProcAddr(VkInstance instance, const char* name);

// The layer's own version of a device call, or null where it passes through.
// `next` is what the chain below offers: where it offers nothing (an
// extension that is not enabled) there is nothing to intercept either.
PFN_vkVoidFunction InterceptedDeviceCall(const char* name, PFN_vkVoidFunction next)
{
    struct Entry
    {
        const char* Name;
        PFN_vkVoidFunction Function;
    };
    static const Entry entries[] = {
        {"vkGetDeviceProcAddr", PFN_vkVoidFunction(GetDeviceProcAddr)},
        {"vkDestroyDevice", PFN_vkVoidFunction(DestroyDevice)},
        {"vkWaitSemaphores", PFN_vkVoidFunction(WaitSemaphores)},
        {"vkWaitSemaphoresKHR", PFN_vkVoidFunction(WaitSemaphores)},
        {"vkAllocateMemory", PFN_vkVoidFunction(AllocateMemory)},
        {"vkCreateImage", PFN_vkVoidFunction(CreateImage)},
        {"vkCreateBuffer", PFN_vkVoidFunction(CreateBuffer)},
        {"vkCreateSemaphore", PFN_vkVoidFunction(CreateSemaphore)},
        {"vkCreateGraphicsPipelines", PFN_vkVoidFunction(CreateGraphicsPipelines)},
        {"vkQueueSubmit", PFN_vkVoidFunction(QueueSubmit)},
        {"vkQueueSubmit2", PFN_vkVoidFunction(QueueSubmit2)},
        {"vkQueueSubmit2KHR", PFN_vkVoidFunction(QueueSubmit2KHR)},
        {"vkCreateSwapchainKHR", PFN_vkVoidFunction(CreateSwapchainKHR)},
        {"vkAcquireNextImageKHR", PFN_vkVoidFunction(AcquireNextImageKHR)},
        {"vkQueuePresentKHR", PFN_vkVoidFunction(QueuePresentKHR)},
    };
    if (!next)
        return nullptr;
    for (const Entry& entry : entries)
    {
        if (std::strcmp(entry.Name, name) == 0)
            return entry.Function;
    }
    return nullptr;
}

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetDeviceProcAddr(VkDevice device, const char* name)
{
    const DeviceData& data = DeviceOf(device);
    const PFN_vkVoidFunction next = data.GetDeviceProcAddr(device, name);
    const PFN_vkVoidFunction own = InterceptedDeviceCall(name, next);
    return own ? own : next;
}

VKAPI_ATTR PFN_vkVoidFunction VKAPI_CALL GetInstanceProcAddr(VkInstance instance, const char* name)
{
    if (std::strcmp(name, "vkGetInstanceProcAddr") == 0)
        return PFN_vkVoidFunction(GetInstanceProcAddr);
    if (std::strcmp(name, "vkCreateInstance") == 0)
        return PFN_vkVoidFunction(CreateInstance);
    if (std::strcmp(name, "vkDestroyInstance") == 0)
        return PFN_vkVoidFunction(DestroyInstance);
    if (std::strcmp(name, "vkCreateDevice") == 0)
        return PFN_vkVoidFunction(CreateDevice);
    if (instance == VK_NULL_HANDLE)
        return nullptr;
    const PFN_vkVoidFunction next = InstanceOf(instance).GetInstanceProcAddr(instance, name);
    const PFN_vkVoidFunction own = InterceptedDeviceCall(name, next);
    return own ? own : next;
}

} // namespace

LAYER_EXPORT VKAPI_ATTR VkResult VKAPI_CALL
vkNegotiateLoaderLayerInterfaceVersion(VkNegotiateLayerInterface* version)
{
    return layer_chain::Negotiate(version, GetInstanceProcAddr, GetDeviceProcAddr);
}
