#include "fence_waiter.h"

#include <vulkan_runtime/result.h>

#include <algorithm>
#include <vulkan_runtime/structure.h>

namespace d3d12
{

HRESULT FenceWaiter::Start(VkDevice device)
{
    mDevice = device;
    auto type =
        vkrt::Structure<VkSemaphoreTypeCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO);
    type.semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE;
    auto info = vkrt::Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
    info.pNext = &type;
    VkResult result = vkCreateSemaphore(device, &info, nullptr, &mWake);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);
    try
    {
        mThread = std::thread([this] { Run(); });
    }
    catch (const std::system_error&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void FenceWaiter::Stop()
{
    if (mThread.joinable())
    {
        {
            std::lock_guard lock(mMutex);
            mStopping = true;
            WakeLocked();
        }
        mChanged.notify_all();
        mThread.join();
    }
    if (mWake != VK_NULL_HANDLE)
        vkDestroySemaphore(mDevice, mWake, nullptr);
    mWake = VK_NULL_HANDLE;
}

void FenceWaiter::Arm(VkSemaphore semaphore, uint64_t value, HANDLE event)
{
    {
        std::lock_guard lock(mMutex);
        mWaits.push_back({semaphore, value, event});
        WakeLocked();
    }
    mChanged.notify_all();
}

void FenceWaiter::Forget(VkSemaphore semaphore)
{
    std::unique_lock lock(mMutex);
    auto uses = [semaphore](const Wait& wait) { return wait.Semaphore == semaphore; };
    if (std::none_of(mWaits.begin(), mWaits.end(), uses))
        return;
    std::erase_if(mWaits, uses);
    if (mWaiting)
    {
        const uint64_t round = mRound;
        WakeLocked();
        mChanged.wait(lock, [&] { return mRound != round; });
    }
}

void FenceWaiter::WakeLocked()
{
    if (!mWaiting)
        return;
    auto signal = vkrt::Structure<VkSemaphoreSignalInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_SIGNAL_INFO);
    signal.semaphore = mWake;
    signal.value = ++mWakeValue;
    vkSignalSemaphore(mDevice, &signal);
}

void FenceWaiter::Run()
{
    std::vector<VkSemaphore> semaphores;
    std::vector<uint64_t> values;
    std::vector<HANDLE> reached;
    std::unique_lock lock(mMutex);
    while (!mStopping)
    {
        if (mWaits.empty())
        {
            mChanged.wait(lock, [this] { return mStopping || !mWaits.empty(); });
            continue;
        }

        semaphores.assign(1, mWake);
        values.assign(1, mWakeValue + 1);
        for (const Wait& wait : mWaits)
        {
            semaphores.push_back(wait.Semaphore);
            values.push_back(wait.Value);
        }
        mWaiting = true;
        lock.unlock();

        auto info = vkrt::Structure<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
        info.flags = VK_SEMAPHORE_WAIT_ANY_BIT;
        info.semaphoreCount = uint32_t(semaphores.size());
        info.pSemaphores = semaphores.data();
        info.pValues = values.data();
        const VkResult result = vkWaitSemaphores(mDevice, &info, UINT64_MAX);

        lock.lock();
        mWaiting = false;
        ++mRound;
        reached.clear();
        for (auto it = mWaits.begin(); it != mWaits.end();)
        {
            uint64_t current = 0;
            vkGetSemaphoreCounterValue(mDevice, it->Semaphore, &current);
            if (current >= it->Value)
            {
                reached.push_back(it->Event);
                it = mWaits.erase(it);
            }
            else
            {
                ++it;
            }
        }
        mChanged.notify_all();
        // A lost device ends every wait at once: keep the armed events rather
        // than spin on it.
        if (result == VK_ERROR_DEVICE_LOST)
            mWaits.clear();
        lock.unlock();
        for (HANDLE event : reached)
            SetEvent(event);
        lock.lock();
    }
}

} // namespace d3d12
