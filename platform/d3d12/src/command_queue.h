// A command queue: submits closed command lists and fence signals to the
// device's one Vulkan queue, in the order they arrive.
#pragma once

#include "command_queue_defaults.h"

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
    D3D12_COMMAND_QUEUE_DESC STDMETHODCALLTYPE GetDesc() override { return mDesc; }

private:
    CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc);

    const D3D12_COMMAND_QUEUE_DESC mDesc;
    std::mutex mMutex; // guards the scratch arrays below
    std::vector<CommandList*> mLists;
    std::vector<VkCommandBuffer> mBuffers;
};

} // namespace d3d12
