// The device's one Vulkan queue: submissions in order, a timeline of
// submission numbers, the set-up work of new resources that must run before
// anything uses them, and Vulkan objects whose destruction waits for the GPU.
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace d3d12
{

struct SemaphoreValue
{
    VkSemaphore Semaphore;
    uint64_t Value;
};

class Submission
{
public:
    Submission() = default;
    Submission(const Submission&) = delete;
    Submission& operator=(const Submission&) = delete;

    // `presentQueue` (may be null) is a queue of a present-only family.
    HRESULT Create(VkDevice device, uint32_t queueFamily, VkQueue queue, VkQueue presentQueue);
    // Waits for the queue and destroys everything still held.
    void Destroy();

    // Records set-up commands for a new resource (zeroing it, giving it its
    // first layout); they run ahead of the next submission.
    template <class Record> HRESULT RecordSetUp(Record&& record)
    {
        std::lock_guard lock(mMutex);
        HRESULT hr = BeginSetUpLocked();
        if (SUCCEEDED(hr))
            record(mSetUp);
        return hr;
    }

    // Submits `count` command buffers behind any pending set-up work, once
    // every semaphore in `waits` has reached its value, and signals `signal`
    // (where its semaphore is not null: a fence's timeline, or a binary
    // semaphore with value 0) once they have run. `serial` receives the
    // submission's number on the timeline.
    HRESULT Submit(const VkCommandBuffer* buffers, uint32_t count,
                   const std::vector<SemaphoreValue>& waits, SemaphoreValue signal,
                   uint64_t* serial);

    // Submits `buffer` behind pending set-up work, waiting for the binary
    // semaphore `wait` and signalling `signal` (either may be null), then
    // presents `imageIndex` of `swapchain` behind `signal` (null: no present)
    // from the queue, or from the present queue with `fromPresentQueue`.
    HRESULT SubmitAndPresent(VkCommandBuffer buffer, VkSemaphore wait, VkSemaphore signal,
                             VkSwapchainKHR swapchain, uint32_t imageIndex, bool fromPresentQueue,
                             VkResult* presented, uint64_t* serial);

    // A lost device (any submission Vulkan refused) refuses every later
    // submission, and every fence of it reads as complete, as on the real
    // platform after device removal, so no wait on it lasts.
    bool Lost() const { return mLost; }

    // Waits until the queues have carried out everything given to them,
    // presents included: what a present waited on may be destroyed then.
    void WaitIdle();

    uint64_t SubmittedSerial();
    uint64_t CompletedSerial() const;
    void WaitForSerial(uint64_t serial) const;

    // Runs `destroy` once the GPU has finished everything submitted (or
    // recorded for set-up) so far: at once where nothing is outstanding.
    void Retire(std::function<void()> destroy);

private:
    HRESULT BeginSetUpLocked();
    void CollectLocked(uint64_t completed, std::vector<std::function<void()>>* ready);

    VkDevice mDevice = VK_NULL_HANDLE;
    VkQueue mQueue = VK_NULL_HANDLE;
    VkQueue mPresentQueue = VK_NULL_HANDLE;
    VkSemaphore mTimeline = VK_NULL_HANDLE;
    VkCommandPool mSetUpPool = VK_NULL_HANDLE;

    std::mutex mMutex;
    std::atomic<bool> mLost{false};
    uint64_t mSubmitted = 0;
    VkCommandBuffer mSetUp = VK_NULL_HANDLE; // set-up commands being recorded
    std::deque<std::pair<uint64_t, VkCommandBuffer>> mSetUpInFlight;
    std::deque<std::pair<uint64_t, std::function<void()>>> mRetired;
};

} // namespace d3d12
