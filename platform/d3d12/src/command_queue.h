// A command queue: submits closed command lists and fence signals to the
// device's one Vulkan queue, in the order they arrive.
#pragma once

#include "command_queue_defaults.h"

#include <wrl/client.h>

#include <vector>

namespace d3d12
{

class CommandList;

class CommandQueue final : public CommandQueueDefaults
{
public:
    static HRESULT Create(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc,
                          CommandQueue** queue);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    void STDMETHODCALLTYPE ExecuteCommandLists(UINT count,
                                               ID3D12CommandList* const* lists) override;
    HRESULT STDMETHODCALLTYPE Signal(ID3D12Fence* fence, UINT64 value) override;
    HRESULT STDMETHODCALLTYPE Wait(ID3D12Fence* fence, UINT64 value) override;
    D3D12_COMMAND_QUEUE_DESC STDMETHODCALLTYPE GetDesc() override { return mDesc; }

private:
    CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc);
    void ClearWaitsLocked();

    const D3D12_COMMAND_QUEUE_DESC mDesc;
    std::mutex mMutex; // guards the arrays below
    std::vector<CommandList*> mLists;
    std::vector<VkCommandBuffer> mBuffers;
    // Fence waits that the next submission carries, so that everything
    // queued after a Wait waits.
    std::vector<SemaphoreValue> mWaits;
    std::vector<Microsoft::WRL::ComPtr<ID3D12Fence>> mWaitedFences;
};

} // namespace d3d12
