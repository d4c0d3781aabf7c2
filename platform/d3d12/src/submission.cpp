#include "submission.h"

#include <vulkan_runtime/barrier.h>
#include <vulkan_runtime/result.h>
#include <vulkan_runtime/structure.h>

namespace d3d12
{

HRESULT Submission::Create(VkDevice device, uint32_t queueFamily, VkQueue queue,
                           VkQueue presentQueue)
{
    mDevice = device;
    mQueue = queue;
    mPresentQueue = presentQueue;

    auto type =
        vkrt::Structure<VkSemaphoreTypeCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO);
    type.semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE;
    auto semaphore =
        vkrt::Structure<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
    semaphore.pNext = &type;
    VkResult result = vkCreateSemaphore(device, &semaphore, nullptr, &mTimeline);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);

    auto pool =
        vkrt::Structure<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
    pool.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
    pool.queueFamilyIndex = queueFamily;
    return vkrt::HResultFromVk(vkCreateCommandPool(device, &pool, nullptr, &mSetUpPool));
}

void Submission::Destroy()
{
    if (mDevice == VK_NULL_HANDLE)
        return;
    if (mQueue != VK_NULL_HANDLE)
        vkQueueWaitIdle(mQueue);
    if (mPresentQueue != VK_NULL_HANDLE)
        vkQueueWaitIdle(mPresentQueue);
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard lock(mMutex);
        CollectLocked(~uint64_t(0), &ready);
    }
    for (auto& destroy : ready)
        destroy();
    if (mSetUpPool != VK_NULL_HANDLE)
        vkDestroyCommandPool(mDevice, mSetUpPool, nullptr); // frees the set-up buffers too
    if (mTimeline != VK_NULL_HANDLE)
        vkDestroySemaphore(mDevice, mTimeline, nullptr);
    mDevice = VK_NULL_HANDLE;
}

HRESULT Submission::BeginSetUpLocked()
{
    if (mSetUp != VK_NULL_HANDLE)
        return S_OK;
    auto allocate = vkrt::Structure<VkCommandBufferAllocateInfo>(
        VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
    allocate.commandPool = mSetUpPool;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = 1;
    VkCommandBuffer buffer = VK_NULL_HANDLE;
    VkResult result = vkAllocateCommandBuffers(mDevice, &allocate, &buffer);
    if (result != VK_SUCCESS)
        return vkrt::HResultFromVk(result);
    auto begin =
        vkrt::Structure<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    result = vkBeginCommandBuffer(buffer, &begin);
    if (result != VK_SUCCESS)
    {
        vkFreeCommandBuffers(mDevice, mSetUpPool, 1, &buffer);
        return vkrt::HResultFromVk(result);
    }
    mSetUp = buffer;
    return S_OK;
}

HRESULT Submission::Submit(const VkCommandBuffer* buffers, uint32_t count,
                           const std::vector<SemaphoreValue>& waits, SemaphoreValue signal,
                           uint64_t* serial)
{
    std::vector<std::function<void()>> ready;
    HRESULT hr = S_OK;
    {
        std::lock_guard lock(mMutex);
        if (mLost)
            return DXGI_ERROR_DEVICE_REMOVED;
        VkCommandBuffer setUp = VK_NULL_HANDLE;
        if (mSetUp != VK_NULL_HANDLE)
        {
            // Everything the set-up wrote is visible to whatever follows.
            vkrt::RecordWritesVisible(mSetUp, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,
                                      VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT);
            VkResult ended = vkEndCommandBuffer(mSetUp);
            if (ended != VK_SUCCESS)
                return vkrt::HResultFromVk(ended);
            setUp = mSetUp;
        }

        VkCommandBufferSubmitInfo stackBuffers[8];
        std::vector<VkCommandBufferSubmitInfo> heapBuffers;
        const uint32_t total = count + (setUp != VK_NULL_HANDLE ? 1 : 0);
        VkCommandBufferSubmitInfo* infos = stackBuffers;
        if (total > 8)
        {
            heapBuffers.resize(total);
            infos = heapBuffers.data();
        }
        uint32_t next = 0;
        if (setUp != VK_NULL_HANDLE)
            infos[next++] = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_SUBMIT_INFO, nullptr, setUp, 0};
        for (uint32_t i = 0; i < count; ++i)
            infos[next++] = {VK_STRUCTURE_TYPE_COMMAND_BUFFER_SUBMIT_INFO, nullptr, buffers[i], 0};

        VkSemaphoreSubmitInfo signals[2] = {};
        signals[0] = {VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, mTimeline, mSubmitted + 1,
                      VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,    0};
        signals[1] = {
            VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, signal.Semaphore, signal.Value,
            VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT,    0};

        std::vector<VkSemaphoreSubmitInfo> waitInfos;
        for (const SemaphoreValue& wait : waits)
        {
            waitInfos.push_back({VK_STRUCTURE_TYPE_SEMAPHORE_SUBMIT_INFO, nullptr, wait.Semaphore,
                                 wait.Value, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, 0});
        }

        auto submit = vkrt::Structure<VkSubmitInfo2>(VK_STRUCTURE_TYPE_SUBMIT_INFO_2);
        submit.waitSemaphoreInfoCount = uint32_t(waitInfos.size());
        submit.pWaitSemaphoreInfos = waitInfos.data();
        submit.commandBufferInfoCount = total;
        submit.pCommandBufferInfos = infos;
        submit.signalSemaphoreInfoCount = signal.Semaphore != VK_NULL_HANDLE ? 2 : 1;
        submit.pSignalSemaphoreInfos = signals;
        const VkResult result = vkQueueSubmit2(mQueue, 1, &submit, VK_NULL_HANDLE);
        // Any refused submission removes the device, as on the real platform:
        // ExecuteCommandLists has no result to report it with, and the set-up
        // work it carried (zeroing, first layouts) cannot be sent again.
        if (result != VK_SUCCESS)
            mLost = true;
        hr = vkrt::HResultFromVk(result);
        if (SUCCEEDED(hr))
        {
            ++mSubmitted;
            if (setUp != VK_NULL_HANDLE)
            {
                mSetUpInFlight.emplace_back(mSubmitted, setUp);
                mSetUp = VK_NULL_HANDLE;
            }
            if (serial)
                *serial = mSubmitted;
        }
        else
        {
            // Wait once for the queue (a lost device returns at once), so
            // that what it had accepted is over before the objects it used
            // are released; tools that track submissions, such as the
            // validation layer, count the refused batch as pending until
            // then. The set-up buffer has ended and cannot take more
            // commands; the device is removed anyway.
            vkQueueWaitIdle(mQueue);
            if (setUp != VK_NULL_HANDLE)
                vkFreeCommandBuffers(mDevice, mSetUpPool, 1, &setUp);
            mSetUp = VK_NULL_HANDLE;
        }
        uint64_t completed = 0;
        vkGetSemaphoreCounterValue(mDevice, mTimeline, &completed);
        CollectLocked(completed, &ready);
    }
    for (auto& destroy : ready)
        destroy();
    return hr;
}

uint64_t Submission::CompletedSerial() const
{
    uint64_t completed = 0;
    vkGetSemaphoreCounterValue(mDevice, mTimeline, &completed);
    return completed;
}

void Submission::WaitForSerial(uint64_t serial) const
{
    auto wait = vkrt::Structure<VkSemaphoreWaitInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO);
    wait.semaphoreCount = 1;
    wait.pSemaphores = &mTimeline;
    wait.pValues = &serial;
    vkWaitSemaphores(mDevice, &wait, UINT64_MAX);
}

void Submission::Retire(std::function<void()> destroy)
{
    {
        std::lock_guard lock(mMutex);
        // Pending set-up commands may refer to the object too: they run with
        // the next submission.
        const uint64_t needed = mSubmitted + (mSetUp != VK_NULL_HANDLE ? 1 : 0);
        if (CompletedSerial() < needed)
        {
            mRetired.emplace_back(needed, std::move(destroy));
            return;
        }
    }
    destroy();
}

void Submission::CollectLocked(uint64_t completed, std::vector<std::function<void()>>* ready)
{
    while (!mSetUpInFlight.empty() && mSetUpInFlight.front().first <= completed)
    {
        vkFreeCommandBuffers(mDevice, mSetUpPool, 1, &mSetUpInFlight.front().second);
        mSetUpInFlight.pop_front();
    }
    while (!mRetired.empty() && mRetired.front().first <= completed)
    {
        ready->push_back(std::move(mRetired.front().second));
        mRetired.pop_front();
    }
}

HRESULT Submission::SubmitAndPresent(VkCommandBuffer buffer, VkSemaphore wait, VkSemaphore signal,
                                     VkSwapchainKHR swapchain, uint32_t imageIndex,
                                     bool fromPresentQueue, VkResult* presented, uint64_t* serial)
{
    // The copy goes through the ordinary path, so it is ordered after every
    // command list and its timeline serial tells when it has run.
    std::vector<SemaphoreValue> waits;
    if (wait != VK_NULL_HANDLE)
        waits.push_back({wait, 0});
    HRESULT hr = Submit(&buffer, 1, waits, {signal, 0}, serial);
    if (FAILED(hr) || swapchain == VK_NULL_HANDLE)
        return hr;

    auto present = vkrt::Structure<VkPresentInfoKHR>(VK_STRUCTURE_TYPE_PRESENT_INFO_KHR);
    present.waitSemaphoreCount = signal != VK_NULL_HANDLE ? 1 : 0;
    present.pWaitSemaphores = &signal;
    present.swapchainCount = 1;
    present.pSwapchains = &swapchain;
    present.pImageIndices = &imageIndex;
    std::lock_guard lock(mMutex);
    VkQueue queue = fromPresentQueue ? mPresentQueue : mQueue;
    if (queue == VK_NULL_HANDLE)
        return E_INVALIDARG;
    *presented = vkQueuePresentKHR(queue, &present);
    return S_OK;
}

void Submission::WaitIdle()
{
    std::lock_guard lock(mMutex);
    vkQueueWaitIdle(mQueue);
    if (mPresentQueue != VK_NULL_HANDLE)
        vkQueueWaitIdle(mPresentQueue);
}

uint64_t Submission::SubmittedSerial()
{
    std::lock_guard lock(mMutex);
    return mSubmitted;
}

} // namespace d3d12
