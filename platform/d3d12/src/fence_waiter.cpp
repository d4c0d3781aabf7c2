#include "fence_waiter.h"

#include "submission.h"

#include <vulkan_runtime/result.h>

#include <algorithm>
#include <vulkan_runtime/structure.h>

namespace d3d12
{
namespace
{

constexpr uint64_t PollIntervalNs = 1'000'000;

} // namespace

HRESULT FenceWaiter::Start(VkDevice device, const Submission& queue)
{
    mDevice = device;
    mQueue = &queue;
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
        }
        mChanged.notify_all();
        mThread.join();
    }
}

void FenceWaiter::Arm(VkSemaphore semaphore, uint64_t value, HANDLE event)
{
    {
        std::lock_guard lock(mMutex);
        mWaits.push_back({semaphore, value, event});
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
    // The thread may be inside a wait on it: that wait ends within one
    // poll interval.
    if (mWaiting)
    {
        const uint64_t round = mRound;
        mChanged.wait(lock, [&] { return mRound != round; });
    }
}

void FenceWaiter::Run()
{
    std::vector<HANDLE> reached;
    std::unique_lock lock(mMutex);
    while (!mStopping)
    {
        if (mWaits.empty())
        {
            mChanged.wait(lock, [this] { return mStopping || !mWaits.empty(); });
            continue;
        }

        // One semaphore at a time: a wait for any of several timeline
        // semaphores spins on drivers that emulate timelines (lavapipe among
        // them), which on a machine of two cores takes a whole core from
        // rendering. The oldest wait blocks until it is reached or for one
        // poll interval; every wait is checked after each return, so the
        // others, and changes to the set of waits, are seen within it.
        const Wait first = mWaits.front();
        mWaiting = true;
        lock.unlock();

        auto info = vkrt::Structure<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
        info.semaphoreCount = 1;
        info.pSemaphores = &first.Semaphore;
        info.pValues = &first.Value;
        const VkResult result = vkWaitSemaphores(mDevice, &info, PollIntervalNs);

        lock.lock();
        mWaiting = false;
        ++mRound;
        reached.clear();
        const bool lost = result == VK_ERROR_DEVICE_LOST || mQueue->Lost();
        for (auto it = mWaits.begin(); it != mWaits.end();)
        {
            uint64_t current = 0;
            if (lost || vkGetSemaphoreCounterValue(mDevice, it->Semaphore, &current) != VK_SUCCESS)
                current = ~uint64_t(0);
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
        lock.unlock();
        for (HANDLE event : reached)
            SetEvent(event);
        lock.lock();
    }
}

} // namespace d3d12
