// A fixture for tests that drive the Direct3D 12 runtime: one device for the
// whole test program (the default adapter, else WARP, as the framework picks
// it), with a queue, an allocator, an open command list and a fence per test.
// Every test fails on any message of the Vulkan validation layer, which the
// test environment switches on.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

// GoogleTest offers its HRESULT assertions on Windows only.
inline ::testing::AssertionResult HrSucceeded(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return ::testing::AssertionSuccess();
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", unsigned(hr));
    return ::testing::AssertionFailure() << "failed with " << text;
}
#define ASSERT_HRESULT_SUCCEEDED(expression) ASSERT_TRUE(HrSucceeded(expression)) << #expression
#define EXPECT_HRESULT_SUCCEEDED(expression) EXPECT_TRUE(HrSucceeded(expression)) << #expression

// A new device on the default adapter, else on WARP, as the framework picks
// it; tests share one (GpuTest::Device) unless they need their own.
Microsoft::WRL::ComPtr<ID3D12Device> NewTestDevice();

class GpuTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Closes the list, executes it, waits for the GPU and reopens the list.
    void ExecuteAndWait();
    // Signals the next fence value on the queue and waits for it.
    void WaitForGpu();

    // Records one transition barrier on the list.
    void Transition(ID3D12Resource* resource, D3D12_RESOURCE_STATES before,
                    D3D12_RESOURCE_STATES after,
                    UINT subresource = D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES);

    Microsoft::WRL::ComPtr<ID3D12Resource> CreateBuffer(D3D12_HEAP_TYPE heap, UINT64 size,
                                                        D3D12_RESOURCE_STATES state);
    Microsoft::WRL::ComPtr<ID3D12Resource> CreateTexture(const D3D12_RESOURCE_DESC& desc,
                                                         D3D12_RESOURCE_STATES state,
                                                         const D3D12_CLEAR_VALUE* clear = nullptr);

    // The bytes of one subresource, row after row without padding, copied
    // out through a readback buffer. The resource must be in the copy-source
    // state; the list is executed and reopened.
    std::vector<uint8_t> ReadSubresource(ID3D12Resource* resource, UINT subresource);
    // The whole of a buffer in the copy-source state.
    std::vector<uint8_t> ReadBuffer(ID3D12Resource* buffer);

    static ID3D12Device* Device();

    Microsoft::WRL::ComPtr<ID3D12CommandQueue> mQueue;
    Microsoft::WRL::ComPtr<ID3D12CommandAllocator> mAllocator;
    Microsoft::WRL::ComPtr<ID3D12GraphicsCommandList> mList;
    Microsoft::WRL::ComPtr<ID3D12Fence> mFence;
    UINT64 mFenceValue = 0;

private:
    size_t mMessagesBefore = 0;
};
