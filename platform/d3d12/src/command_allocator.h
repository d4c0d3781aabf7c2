// A command allocator: a Vulkan command pool. Lists record into command
// buffers taken from it in turn; Reset recycles them all once the GPU has
// finished with them. A buffer whose list has been reset or released, so that
// nothing can execute it again, is recycled sooner, once the GPU has finished
// with it: a program that resets a list over and over on an allocator it never
// resets (as the window's resize does) keeps a few buffers, not one per
// recording.
#pragma once

#include "device_child.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace d3d12
{

class CommandAllocator final : public DeviceChild<ID3D12CommandAllocator>
{
public:
    static HRESULT Create(Device& device, D3D12_COMMAND_LIST_TYPE type,
                          CommandAllocator** allocator);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE Reset() override;

    D3D12_COMMAND_LIST_TYPE Type() const { return mType; }

    // A command buffer for a list that starts recording. Fails with
    // E_INVALIDARG while another list records from this allocator, as on the
    // real platform.
    HRESULT BeginList(VkCommandBuffer* buffer);
    void EndList() { mListOpen = false; }
    // Hands back a closed list's buffer that no list can execute again. A
    // buffer from before the last Reset is ignored: that recycled it already.
    void Retire(VkCommandBuffer buffer, uint64_t generation);
    // How many command buffers the pool holds.
    size_t BufferCount() const { return mBuffers.size(); }
    // Counts the resets, so a list can tell that its commands were recycled.
    uint64_t Generation() const { return mGeneration; }
    // The serial of the last submission of buffers from this allocator.
    void Submitted(uint64_t serial) { mLastSerial = serial; }

private:
    CommandAllocator(Device& device, D3D12_COMMAND_LIST_TYPE type, VkCommandPool pool);
    ~CommandAllocator() override;

    // A retired buffer the GPU has finished with, or VK_NULL_HANDLE.
    VkCommandBuffer TakeFinishedBuffer();

    const D3D12_COMMAND_LIST_TYPE mType;
    const VkCommandPool mPool;
    // A retired buffer and the last submission of this allocator's buffers
    // when it was retired, after which the GPU no longer reads it.
    struct RetiredBuffer
    {
        VkCommandBuffer Buffer;
        uint64_t Serial;
    };

    std::vector<VkCommandBuffer> mBuffers;
    size_t mNextBuffer = 0; // buffers from here on are unused since the last Reset
    // A list may retire its buffer here while it starts recording on another
    // allocator, and another thread records on this one: the real platform
    // lets a program do that.
    std::mutex mRetiredLock;
    std::vector<RetiredBuffer> mRetired;
    bool mListOpen = false;
    uint64_t mGeneration = 0;
    std::atomic<uint64_t> mLastSerial{0};
};

} // namespace d3d12
