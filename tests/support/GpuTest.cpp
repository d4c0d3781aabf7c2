#include "GpuTest.h"

#include <vulkan_runtime/validation.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace
{

// The device is made once: instance and device creation under the validation
// layer take longer than most tests.
class DeviceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        device = NewTestDevice();
        for (const std::string& message : vkrt::ValidationMessages())
            ADD_FAILURE() << "validation message while creating the device: " << message;
    }
    void TearDown() override { device.Reset(); }

    ComPtr<ID3D12Device> device;
};

DeviceEnvironment* const gEnvironment =
    static_cast<DeviceEnvironment*>(::testing::AddGlobalTestEnvironment(new DeviceEnvironment));

} // namespace

ComPtr<ID3D12Device> NewTestDevice()
{
    ComPtr<ID3D12Device> device;
    if (FAILED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device))))
    {
        ComPtr<IDXGIFactory4> factory;
        ComPtr<IDXGIAdapter> warp;
        EXPECT_HRESULT_SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(&factory)));
        EXPECT_HRESULT_SUCCEEDED(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp)));
        EXPECT_HRESULT_SUCCEEDED(
            D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)));
    }
    return device;
}

ID3D12Device* GpuTest::Device()
{
    return gEnvironment->device.Get();
}

void GpuTest::SetUp()
{
    mMessagesBefore = vkrt::ValidationMessageCount();
    ASSERT_NE(Device(), nullptr);
    D3D12_COMMAND_QUEUE_DESC queueDesc = {};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&mQueue)));
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                              IID_PPV_ARGS(&mAllocator)));
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateCommandList(
        0, D3D12_COMMAND_LIST_TYPE_DIRECT, mAllocator.Get(), nullptr, IID_PPV_ARGS(&mList)));
    ASSERT_HRESULT_SUCCEEDED(
        Device()->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence)));
}

void GpuTest::TearDown()
{
    if (mQueue && mFence)
        WaitForGpu();
    mList.Reset();
    mAllocator.Reset();
    mFence.Reset();
    mQueue.Reset();
    const auto messages = vkrt::ValidationMessages();
    std::string report;
    for (size_t i = mMessagesBefore; i < messages.size(); ++i)
        report += messages[i] + "\n";
    EXPECT_EQ(messages.size(), mMessagesBefore) << "validation messages:\n" << report;
}

void GpuTest::WaitForGpu()
{
    ++mFenceValue;
    ASSERT_HRESULT_SUCCEEDED(mQueue->Signal(mFence.Get(), mFenceValue));
    if (mFence->GetCompletedValue() < mFenceValue)
    {
        HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
        ASSERT_HRESULT_SUCCEEDED(mFence->SetEventOnCompletion(mFenceValue, event));
        EXPECT_EQ(WaitForSingleObject(event, 10000), DWORD(WAIT_OBJECT_0));
        CloseHandle(event);
    }
}

void GpuTest::ExecuteAndWait()
{
    ASSERT_HRESULT_SUCCEEDED(mList->Close());
    ID3D12CommandList* lists[] = {mList.Get()};
    mQueue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    ASSERT_HRESULT_SUCCEEDED(mAllocator->Reset());
    ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
}

void GpuTest::Transition(ID3D12Resource* resource, D3D12_RESOURCE_STATES before,
                         D3D12_RESOURCE_STATES after, UINT subresource)
{
    const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(resource, before, after, subresource);
    mList->ResourceBarrier(1, &barrier);
}

ComPtr<ID3D12Resource> GpuTest::CreateBuffer(D3D12_HEAP_TYPE heap, UINT64 size,
                                             D3D12_RESOURCE_STATES state)
{
    ComPtr<ID3D12Resource> buffer;
    const CD3DX12_HEAP_PROPERTIES properties(heap);
    const auto desc = CD3DX12_RESOURCE_DESC::Buffer(size);
    EXPECT_HRESULT_SUCCEEDED(Device()->CreateCommittedResource(
        &properties, D3D12_HEAP_FLAG_NONE, &desc, state, nullptr, IID_PPV_ARGS(&buffer)));
    return buffer;
}

ComPtr<ID3D12Resource> GpuTest::CreateTexture(const D3D12_RESOURCE_DESC& desc,
                                              D3D12_RESOURCE_STATES state,
                                              const D3D12_CLEAR_VALUE* clear)
{
    ComPtr<ID3D12Resource> texture;
    const CD3DX12_HEAP_PROPERTIES properties(D3D12_HEAP_TYPE_DEFAULT);
    EXPECT_HRESULT_SUCCEEDED(Device()->CreateCommittedResource(
        &properties, D3D12_HEAP_FLAG_NONE, &desc, state, clear, IID_PPV_ARGS(&texture)));
    return texture;
}

std::vector<uint8_t> GpuTest::ReadSubresource(ID3D12Resource* resource, UINT subresource)
{
    const D3D12_RESOURCE_DESC desc = resource->GetDesc();
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT layout;
    UINT rows = 0;
    UINT64 rowSize = 0;
    UINT64 total = 0;
    Device()->GetCopyableFootprints(&desc, subresource, 1, 0, &layout, &rows, &rowSize, &total);
    ComPtr<ID3D12Resource> readback =
        CreateBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);
    const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), layout);
    const CD3DX12_TEXTURE_COPY_LOCATION source(resource, subresource);
    mList->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
    ExecuteAndWait();

    std::vector<uint8_t> bytes;
    uint8_t* mapped = nullptr;
    EXPECT_HRESULT_SUCCEEDED(readback->Map(0, nullptr, reinterpret_cast<void**>(&mapped)));
    if (!mapped)
        return bytes;
    for (UINT row = 0; row < rows * layout.Footprint.Depth; ++row)
    {
        const uint8_t* start = mapped + layout.Offset + row * layout.Footprint.RowPitch;
        bytes.insert(bytes.end(), start, start + rowSize);
    }
    readback->Unmap(0, nullptr);
    return bytes;
}

std::vector<uint8_t> GpuTest::ReadBuffer(ID3D12Resource* buffer)
{
    const UINT64 size = buffer->GetDesc().Width;
    ComPtr<ID3D12Resource> readback =
        CreateBuffer(D3D12_HEAP_TYPE_READBACK, size, D3D12_RESOURCE_STATE_COPY_DEST);
    mList->CopyBufferRegion(readback.Get(), 0, buffer, 0, size);
    ExecuteAndWait();
    uint8_t* mapped = nullptr;
    EXPECT_HRESULT_SUCCEEDED(readback->Map(0, nullptr, reinterpret_cast<void**>(&mapped)));
    if (!mapped)
        return {};
    std::vector<uint8_t> bytes(mapped, mapped + size);
    readback->Unmap(0, nullptr);
    return bytes;
}
