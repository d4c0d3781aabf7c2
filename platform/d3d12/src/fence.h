// A fence: a Vulkan timeline semaphore. Its value only grows; signals that
// would not raise it are refused with E_INVALIDARG, because a timeline
// semaphore cannot go back (the program's fence values only grow anyway).
#pragma once

#include "device_child.h"

#include <mutex>

namespace d3d12
{

class Fence final : public DeviceChild<ID3D12Fence>
{
public:
    static HRESULT Create(Device& device, UINT64 initialValue, D3D12_FENCE_FLAGS flags,
                          Fence** fence);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    UINT64 STDMETHODCALLTYPE GetCompletedValue() override;
    HRESULT STDMETHODCALLTYPE SetEventOnCompletion(UINT64 value, HANDLE event) override;
    HRESULT STDMETHODCALLTYPE Signal(UINT64 value) override;

    VkSemaphore Semaphore() const { return mSemaphore; }
    // Reserves `value` for a signal from a queue: false where it would not
    // raise the fence above every value signalled or pending before.
    bool ClaimSignal(UINT64 value);

private:
    Fence(Device& device, VkSemaphore semaphore, UINT64 initialValue);
    ~Fence() override;

    const VkSemaphore mSemaphore;
    std::mutex mMutex;
    UINT64 mHighestSignal; // the largest value signalled or pending
};

} // namespace d3d12
