#include "fence.h"

#include <vulkan_runtime/result.h>

#include <new>
#include <vulkan_runtime/structure.h>

namespace d3d12
{

HRESULT Fence::Create(Device& device, UINT64 initialValue, D3D12_FENCE_FLAGS flags, Fence** fence)
{
    *fence = nullptr;
    if (flags != D3D12_FENCE_FLAG_NONE)
        return E_NOTIMPL; // shared fences need another process's view of the semaphore

    auto type =
        vkrt::Structure<VkSemaphoreTypeCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO);
    type.semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE;
    type.initialValue = initialValue;
    auto info = vkrt::Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
    info.pNext = &type;
    VkSemaphore semaphore = VK_NULL_HANDLE;
    VkResult result = vkCreateSemaphore(device.Handle(), &info, nullptr, &semaphore);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    *fence = new (std::nothrow) Fence(device, semaphore, initialValue);
    if (!*fence)
    {
        vkDestroySemaphore(device.Handle(), semaphore, nullptr);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

Fence::Fence(Device& device, VkSemaphore semaphore, UINT64 initialValue)
    : DeviceChild(device), mSemaphore(semaphore), mHighestSignal(initialValue)
{
}

Fence::~Fence()
{
    // The semaphore may still be signalled by submitted work; the queue's
    // retirement destroys it once that work is done.
    Owner().Waiter().Forget(mSemaphore);
    VkDevice device = Owner().Handle();
    VkSemaphore semaphore = mSemaphore;
    Owner().Queue().Retire([device, semaphore] { vkDestroySemaphore(device, semaphore, nullptr); });
}

HRESULT Fence::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12Fence>(this, riid, object);
}

UINT64 Fence::GetCompletedValue()
{
    uint64_t value = 0;
    // A lost device reads as all ones, as on the real platform after device
    // removal, so waits on it end.
    if (Owner().Queue().Lost() ||
        vkGetSemaphoreCounterValue(Owner().Handle(), mSemaphore, &value) != VK_SUCCESS)
        return ~UINT64(0);
    return value;
}

HRESULT Fence::SetEventOnCompletion(UINT64 value, HANDLE event)
{
    if (!event)
    {
        if (GetCompletedValue() >= value)
            return S_OK;
        // No event: the call itself waits, as on the real platform.
        auto wait = vkrt::Structure<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
        wait.semaphoreCount = 1;
        wait.pSemaphores = &mSemaphore;
        wait.pValues = &value;
        return vkrt::HResultFromVk(vkWaitSemaphores(Owner().Handle(), &wait, UINT64_MAX));
    }
    if (GetCompletedValue() >= value)
        return SetEvent(event) ? S_OK : E_INVALIDARG;
    Owner().Waiter().Arm(mSemaphore, value, event);
    return S_OK;
}

HRESULT Fence::Signal(UINT64 value)
{
    bool pendingOnQueue;
    {
        std::lock_guard lock(mMutex);
        if (value <= mHighestSignal)
            return E_INVALIDARG;
        pendingOnQueue = GetCompletedValue() < mHighestSignal;
        mHighestSignal = value;
    }
    if (pendingOnQueue)
    {
        // A semaphore cannot be raised by the CPU past a value the queue has
        // yet to signal: the signal joins the queue behind that work.
        return Owner().Queue().Submit(nullptr, 0, {}, {mSemaphore, value}, nullptr);
    }
    auto signal = vkrt::Structure<VkSemaphoreSignalInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_SIGNAL_INFO);
    signal.semaphore = mSemaphore;
    signal.value = value;
    return vkrt::HResultFromVk(vkSignalSemaphore(Owner().Handle(), &signal));
}

bool Fence::ClaimSignal(UINT64 value)
{
    std::lock_guard lock(mMutex);
    if (value <= mHighestSignal)
        return false;
    mHighestSignal = value;
    return true;
}

} // namespace d3d12
