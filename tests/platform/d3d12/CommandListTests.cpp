// Command lists: created open, closed and reset in the real platform's order;
// a call that cannot be honoured marks the list invalid, Close answers
// E_INVALIDARG and the queue refuses to run it; nothing crashes.
#include "GpuTest.h"
#include "command_allocator.h"

#include <thread>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace
{

class CommandLists : public GpuTest
{
protected:
    ComPtr<ID3D12Resource> Buffer(UINT64 size)
    {
        return CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, size, D3D12_RESOURCE_STATE_COMMON);
    }
};

TEST_F(CommandLists, FollowTheOpenCloseResetCycle)
{
    EXPECT_EQ(mList->GetType(), D3D12_COMMAND_LIST_TYPE_DIRECT);
    EXPECT_EQ(mList->Reset(mAllocator.Get(), nullptr), E_FAIL); // still open
    EXPECT_HRESULT_SUCCEEDED(mList->Close());
    EXPECT_EQ(mList->Close(), E_FAIL); // already closed
    EXPECT_EQ(mList->Reset(nullptr, nullptr), E_INVALIDARG);
    EXPECT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

TEST_F(CommandLists, AnAllocatorServesOneRecordingListAtATime)
{
    ComPtr<ID3D12GraphicsCommandList> second;
    EXPECT_EQ(Device()->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(),
                                          nullptr, IID_PPV_ARGS(&second)),
              E_INVALIDARG);
    EXPECT_EQ(mAllocator->Reset(), E_FAIL); // the list still records into it
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    EXPECT_HRESULT_SUCCEEDED(Device()->CreateCommandList(
        0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr, IID_PPV_ARGS(&second)));
    EXPECT_HRESULT_SUCCEEDED(second->Close());
    EXPECT_HRESULT_SUCCEEDED(mAllocator->Reset());
    EXPECT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

// Calls the runtime cannot honour, each on a fresh recording.
struct InvalidCall
{
    const char* Name;
    void (*Record)(ID3D12GraphicsCommandList* list, ID3D12Resource* buffer,
                   ID3D12Resource* texture);
};

class InvalidCalls : public CommandLists, public ::testing::WithParamInterface<InvalidCall>
{
};

TEST_P(InvalidCalls, MarkTheListInvalid)
{
    ComPtr<ID3D12Resource> buffer = Buffer(256);
    ComPtr<ID3D12Resource> texture =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1),
                      D3D12_RESOURCE_STATE_COPY_DEST);
    GetParam().Record(mList.Get(), buffer.Get(), texture.Get());
    // Later valid calls do not make the list valid again.
    mList->CopyBufferRegion(buffer.Get(), 0, buffer.Get(), 128, 64);
    EXPECT_EQ(mList->Close(), E_INVALIDARG);

    // The queue refuses it and goes on working.
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    EXPECT_HRESULT_SUCCEEDED(mList->Close());
}

const InvalidCall Calls[] = {
    {"CopyPastTheEnd",
     [](auto* list, auto* buffer, auto*) { list->CopyBufferRegion(buffer, 200, buffer, 0, 100); }},
    {"CopyOverlapping",
     [](auto* list, auto* buffer, auto*) { list->CopyBufferRegion(buffer, 0, buffer, 10, 100); }},
    {"CopyFromNothing",
     [](auto* list, auto* buffer, auto*) { list->CopyBufferRegion(buffer, 0, nullptr, 0, 4); }},
    {"CopyBufferIntoTexture", [](auto* list, auto* buffer, auto* texture)
     { list->CopyBufferRegion(texture, 0, buffer, 0, 4); }},
    {"TextureCopyWithoutLocations",
     [](auto* list, auto*, auto*) { list->CopyTextureRegion(nullptr, 0, 0, 0, nullptr, nullptr); }},
    {"TextureCopyFromAMisalignedFootprint",
     [](auto* list, auto* buffer, auto* texture)
     {
         D3D12_PLACED_SUBRESOURCE_FOOTPRINT layout = {4,
                                                      {DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 256}};
         const CD3DX12_TEXTURE_COPY_LOCATION to(texture, 0);
         const CD3DX12_TEXTURE_COPY_LOCATION from(buffer, layout);
         list->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
     }},
    {"TextureCopyPastTheMip",
     [](auto* list, auto* buffer, auto* texture)
     {
         D3D12_PLACED_SUBRESOURCE_FOOTPRINT layout = {0,
                                                      {DXGI_FORMAT_R8G8B8A8_UNORM, 1, 1, 1, 256}};
         const CD3DX12_TEXTURE_COPY_LOCATION to(texture, 0);
         const CD3DX12_TEXTURE_COPY_LOCATION from(buffer, layout);
         list->CopyTextureRegion(&to, 4, 0, 0, &from, nullptr);
     }},
    {"TextureCopyToAMissingSubresource",
     [](auto* list, auto* buffer, auto* texture)
     {
         D3D12_PLACED_SUBRESOURCE_FOOTPRINT layout = {0,
                                                      {DXGI_FORMAT_R8G8B8A8_UNORM, 1, 1, 1, 256}};
         const CD3DX12_TEXTURE_COPY_LOCATION to(texture, 3);
         const CD3DX12_TEXTURE_COPY_LOCATION from(buffer, layout);
         list->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
     }},
    {"BarrierWithUnknownState",
     [](auto* list, auto* buffer, auto*)
     {
         const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(
             buffer, D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATES(0x40000000));
         list->ResourceBarrier(1, &barrier);
     }},
    {"BarrierOnAMissingSubresource",
     [](auto* list, auto*, auto* texture)
     {
         const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(
             texture, D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_COPY_SOURCE, 5);
         list->ResourceBarrier(1, &barrier);
     }},
    {"BarrierOnNothing",
     [](auto* list, auto*, auto*)
     {
         const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(
             nullptr, D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_COPY_DEST);
         list->ResourceBarrier(1, &barrier);
     }},
    {"ClearOfAHandleOutsideAnyHeap",
     [](auto* list, auto*, auto*)
     {
         const FLOAT colour[4] = {};
         list->ClearRenderTargetView({0x1234}, colour, 0, nullptr);
     }},
    {"TargetsOfAHandleOutsideAnyHeap",
     [](auto* list, auto*, auto*)
     {
         const D3D12_CPU_DESCRIPTOR_HANDLE handle = {0x1234};
         list->OMSetRenderTargets(1, &handle, FALSE, nullptr);
     }},
    {"TooManyViewports",
     [](auto* list, auto*, auto*)
     {
         D3D12_VIEWPORT viewports[17] = {};
         list->RSSetViewports(17, viewports);
     }},
    {"ScissorsWithoutRectangles",
     [](auto* list, auto*, auto*) { list->RSSetScissorRects(1, nullptr); }},
    {"AMethodTheRuntimeDoesNotRecord", [](auto* list, auto*, auto*) { list->Dispatch(1, 1, 1); }},
};

INSTANTIATE_TEST_SUITE_P(Calls, InvalidCalls, ::testing::ValuesIn(Calls),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(CommandLists, AClearOfAnEmptyOrStaleViewIsRefused)
{
    ComPtr<ID3D12DescriptorHeap> heap;
    D3D12_DESCRIPTOR_HEAP_DESC desc = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&heap)));
    const FLOAT colour[4] = {};
    mList->ClearRenderTargetView(heap->GetCPUDescriptorHandleForHeapStart(), colour, 0, nullptr);
    EXPECT_EQ(mList->Close(), E_INVALIDARG);

    // A view whose resource has been released is recognised, not used.
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    ComPtr<ID3D12Resource> target =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1, 1, 0,
                                                   D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET),
                      D3D12_RESOURCE_STATE_RENDER_TARGET);
    Device()->CreateRenderTargetView(target.Get(), nullptr,
                                     heap->GetCPUDescriptorHandleForHeapStart());
    target.Reset();
    mList->ClearRenderTargetView(heap->GetCPUDescriptorHandleForHeapStart(), colour, 0, nullptr);
    EXPECT_EQ(mList->Close(), E_INVALIDARG);
}

TEST_F(CommandLists, AnOpenListIsNotExecuted)
{
    ComPtr<ID3D12Resource> source =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 16, D3D12_RESOURCE_STATE_GENERIC_READ);
    ComPtr<ID3D12Resource> target =
        CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
    uint8_t* bytes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(source->Map(0, nullptr, reinterpret_cast<void**>(&bytes)));
    bytes[0] = 42;
    mList->CopyBufferRegion(target.Get(), 0, source.Get(), 0, 16);
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists); // still open: refused
    WaitForGpu();
    ASSERT_HRESULT_SUCCEEDED(target->Map(0, nullptr, reinterpret_cast<void**>(&bytes)));
    EXPECT_EQ(bytes[0], 0);

    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    mQueue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    EXPECT_EQ(bytes[0], 42);
    ASSERT_HRESULT_SUCCEEDED(mAllocator->Reset());
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

TEST_F(CommandLists, AListWhoseAllocatorWasResetIsNotExecuted)
{
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    ASSERT_HRESULT_SUCCEEDED(mAllocator->Reset());
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists); // its commands were recycled: refused
    WaitForGpu();
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

TEST_F(CommandLists, AClosedListRunsAgainWhenExecutedAgain)
{
    ComPtr<ID3D12Resource> counter =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 4, D3D12_RESOURCE_STATE_GENERIC_READ);
    ComPtr<ID3D12Resource> target =
        CreateBuffer(D3D12_HEAP_TYPE_READBACK, 4, D3D12_RESOURCE_STATE_COPY_DEST);
    uint8_t* source = nullptr;
    uint8_t* result = nullptr;
    ASSERT_HRESULT_SUCCEEDED(counter->Map(0, nullptr, reinterpret_cast<void**>(&source)));
    ASSERT_HRESULT_SUCCEEDED(target->Map(0, nullptr, reinterpret_cast<void**>(&result)));
    mList->CopyBufferRegion(target.Get(), 0, counter.Get(), 0, 4);
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    ID3D12CommandList* lists[] = {mList.Get()};
    for (uint8_t value = 1; value <= 3; ++value)
    {
        source[0] = value;
        mQueue->ExecuteCommandLists(1, lists);
        WaitForGpu();
        EXPECT_EQ(result[0], value);
    }
    ASSERT_HRESULT_SUCCEEDED(mAllocator->Reset());
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

// The window's resize resets its list again and again on an allocator it never
// resets; a recording nothing can execute again gives its buffer back once the
// GPU has finished it, while the allocator's Reset still recycles them all.
TEST_F(CommandLists, AnAllocatorThatIsNeverResetKeepsAFewBuffers)
{
    auto* allocator = static_cast<d3d12::CommandAllocator*>(mAllocator.Get());
    ComPtr<ID3D12Resource> buffer = Buffer(256);
    ID3D12CommandList* lists[] = {mList.Get()};
    for (int i = 0; i < 20; ++i)
    {
        mList->CopyBufferRegion(buffer.Get(), 0, buffer.Get(), 128, 64);
        ASSERT_HRESULT_SUCCEEDED(mList->Close());
        mQueue->ExecuteCommandLists(1, lists);
        WaitForGpu();
        ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    }
    EXPECT_LE(allocator->BufferCount(), 2u);

    // A second list released unexecuted gives its buffer back too.
    {
        ASSERT_HRESULT_SUCCEEDED(mList->Close());
        ComPtr<ID3D12GraphicsCommandList> second;
        ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandList(
            0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr, IID_PPV_ARGS(&second)));
        ASSERT_HRESULT_SUCCEEDED(second->Close());
    }
    const size_t settled = allocator->BufferCount();
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    EXPECT_EQ(allocator->BufferCount(), settled);

    // One the GPU may still run keeps its buffer: the queue is held back by a
    // gate fence that only this thread opens.
    ComPtr<ID3D12Fence> gate;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&gate)));
    ASSERT_HRESULT_SUCCEEDED(mQueue->Wait(gate.Get(), 1));
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    mQueue->ExecuteCommandLists(1, lists);
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr)); // takes the finished one
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    {
        ComPtr<ID3D12GraphicsCommandList> second; // finds only the pending one
        ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandList(
            0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr, IID_PPV_ARGS(&second)));
        ASSERT_HRESULT_SUCCEEDED(second->Close());
    }
    EXPECT_EQ(allocator->BufferCount(), settled + 1);
    ASSERT_HRESULT_SUCCEEDED(gate->Signal(1));
    WaitForGpu();

    // The allocator's Reset recycles them all.
    ASSERT_HRESULT_SUCCEEDED(mAllocator->Reset());
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    EXPECT_EQ(allocator->BufferCount(), settled + 1);
}

// Lists recorded from one allocator hand their buffers back to it from
// another thread, while this thread records from it again and again: as the
// real platform allows, and as the thread-sanitized run checks.
TEST_F(CommandLists, BuffersHandedBackFromAnotherThreadServeTheRecordingThread)
{
    auto* allocator = static_cast<d3d12::CommandAllocator*>(mAllocator.Get());
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    std::vector<ComPtr<ID3D12GraphicsCommandList>> others(16);
    for (ComPtr<ID3D12GraphicsCommandList>& other : others)
    {
        ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandList(
            0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr, IID_PPV_ARGS(&other)));
        ASSERT_HRESULT_SUCCEEDED(other->Close());
    }
    ComPtr<ID3D12CommandAllocator> elsewhere;
    ASSERT_HRESULT_SUCCEEDED(
        Device()->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&elsewhere)));
    std::thread handingBack(
        [&]
        {
            for (ComPtr<ID3D12GraphicsCommandList>& other : others)
            {
                EXPECT_HRESULT_SUCCEEDED(other->Reset(elsewhere.Get(), nullptr));
                EXPECT_HRESULT_SUCCEEDED(other->Close());
            }
        });
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
        ASSERT_HRESULT_SUCCEEDED(mList->Close());
    }
    handingBack.join();
    // Nothing ran, so every buffer came back: the recordings took them in turn.
    EXPECT_LE(allocator->BufferCount(), others.size() + 2);
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

} // namespace
