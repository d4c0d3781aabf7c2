#include "command_queue.h"

#include "command_list.h"
#include "fence.h"

#include <algorithm>
#include <new>

namespace d3d12
{

HRESULT CommandQueue::Create(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc,
                             CommandQueue** queue)
{
    *queue = nullptr;
    if (desc.Type != D3D12_COMMAND_LIST_TYPE_DIRECT)
        return E_NOTIMPL; // the program records everything on direct queues
    if (desc.Flags & ~D3D12_COMMAND_QUEUE_FLAG_DISABLE_GPU_TIMEOUT || desc.NodeMask > 1)
        return E_INVALIDARG;
    *queue = new (std::nothrow) CommandQueue(device, desc);
    return *queue ? S_OK : E_OUTOFMEMORY;
}

CommandQueue::CommandQueue(Device& device, const D3D12_COMMAND_QUEUE_DESC& desc)
    : CommandQueueDefaults(device), mDesc(desc)
{
}

HRESULT CommandQueue::QueryInterface(REFIID riid, void** object)
{
    return com::QueryInterfaceOf<IUnknown, ID3D12Object, ID3D12DeviceChild, ID3D12Pageable,
                                 ID3D12CommandQueue>(this, riid, object);
}

void CommandQueue::ExecuteCommandLists(UINT count, ID3D12CommandList* const* lists)
{
    if (count == 0 || !lists)
        return;
    std::lock_guard lock(mMutex);
    mLists.clear();
    mBuffers.clear();
    for (UINT i = 0; i < count; ++i)
    {
        auto* list = Unwrap<CommandList>(lists[i], Owner());
        // A list that is open, failed its recording, lost its commands to an
        // allocator reset or appears twice cannot run. The real platform removes the device
        // for this; here the whole call is refused and the device goes on.
        const bool repeated = std::find(mLists.begin(), mLists.end(), list) != mLists.end();
        if (!list || !list->IsExecutable() || repeated)
        {
            OutputDebugStringA("ExecuteCommandLists: a command list is not closed and valid; "
                               "nothing was executed\n");
            return;
        }
        list->WaitUntilIdle();
        mLists.push_back(list);
        mBuffers.push_back(list->CommandBuffer());
    }
    uint64_t serial = 0;
    if (FAILED(Owner().Queue().Submit(mBuffers.data(), uint32_t(mBuffers.size()), mWaits,
                                      {VK_NULL_HANDLE, 0}, &serial)))
        return;
    ClearWaitsLocked();
    for (CommandList* list : mLists)
        list->Submitted(serial);
}

void CommandQueue::ClearWaitsLocked()
{
    mWaits.clear();
    mWaitedFences.clear();
}

HRESULT CommandQueue::Signal(ID3D12Fence* fence, UINT64 value)
{
    auto* ownFence = Unwrap<Fence>(fence, Owner());
    if (!ownFence || !ownFence->ClaimSignal(value))
        return E_INVALIDARG;
    std::lock_guard lock(mMutex);
    HRESULT hr =
        Owner().Queue().Submit(nullptr, 0, mWaits, {ownFence->Semaphore(), value}, nullptr);
    if (SUCCEEDED(hr))
        ClearWaitsLocked();
    return hr;
}

HRESULT CommandQueue::Wait(ID3D12Fence* fence, UINT64 value)
{
    auto* ownFence = Unwrap<Fence>(fence, Owner());
    if (!ownFence)
        return E_INVALIDARG;
    // The wait joins the next submission; the fence is kept alive until then.
    std::lock_guard lock(mMutex);
    try
    {
        mWaits.push_back({ownFence->Semaphore(), value});
        mWaitedFences.emplace_back(fence);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace d3d12
