// A command allocator: a Vulkan command pool. Lists record into command
// buffers taken from it in turn; Reset recycles them all once the GPU has
// finished with them.
#pragma once

#include "device_child.h"

#include <atomic>
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
    // Counts the resets, so a list can tell that its commands were recycled.
    uint64_t Generation() const { return mGeneration; }
    // The serial of the last submission of buffers from this allocator.
    void Submitted(uint64_t serial) { mLastSerial = serial; }

private:
    CommandAllocator(Device& device, D3D12_COMMAND_LIST_TYPE type, VkCommandPool pool);
    ~CommandAllocator() override;

    const D3D12_COMMAND_LIST_TYPE mType;
    const VkCommandPool mPool;
    std::vector<VkCommandBuffer> mBuffers;
    size_t mNextBuffer = 0;
    bool mListOpen = false;
    uint64_t mGeneration = 0;
    std::atomic<uint64_t> mLastSerial{0};
};

} // namespace d3d12
