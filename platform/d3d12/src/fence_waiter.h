// Sets Win32 events when fences reach values: one thread per device waits on
// the timeline semaphores of the fences that have events armed, blocking on
// one of them at a time for at most a millisecond (fence_waiter.cpp says why).
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace d3d12
{

class Submission;

class FenceWaiter
{
public:
    FenceWaiter() = default;
    FenceWaiter(const FenceWaiter&) = delete;
    FenceWaiter& operator=(const FenceWaiter&) = delete;

    // `queue` tells when the device is lost: every armed event is then set,
    // as every fence of a lost device reads as complete.
    HRESULT Start(VkDevice device, const Submission& queue);
    // Stops the thread; events still armed are never set.
    void Stop();

    // Sets `event` once `semaphore` reaches `value`.
    void Arm(VkSemaphore semaphore, uint64_t value, HANDLE event);

    // Drops every wait on `semaphore` and returns once the thread no longer
    // uses it, so it can be destroyed.
    void Forget(VkSemaphore semaphore);

private:
    struct Wait
    {
        VkSemaphore Semaphore;
        uint64_t Value;
        HANDLE Event;
    };

    void Run();

    VkDevice mDevice = VK_NULL_HANDLE;
    const Submission* mQueue = nullptr;

    std::mutex mMutex;
    std::condition_variable mChanged;
    std::vector<Wait> mWaits;
    bool mStopping = false;
    bool mWaiting = false; // the thread is inside vkWaitSemaphores
    uint64_t mRound = 0;   // counts the thread's returns from vkWaitSemaphores
    std::thread mThread;
};

} // namespace d3d12
