// The framework's buffer utilities on the runtime: UploadBuffer strides and
// in-place writes, CreateStaticBuffer's recorded copy, and their failures
// reported with the exact check texts.
#include "GpuTest.h"
#include "RefusingDevice.h"
#include "UploadBuffer.h"
#include "d3dUtil.h"

#include <numeric>

using Microsoft::WRL::ComPtr;

namespace
{

template <size_t Size> struct Record
{
    uint8_t Bytes[Size];
};

class BufferUtilities : public GpuTest
{
};

template <size_t Size> UINT64 BufferWidth(UINT count, bool constant, ID3D12Device* device)
{
    UploadBuffer<Record<Size>> buffer(device, count, constant);
    return buffer.GpuResource()->GetDesc().Width;
}

TEST_F(BufferUtilities, StridesFollowTheConstantAlignment)
{
    // The program's three constant records, then the edges of the rounding.
    const std::pair<UINT, UINT> strides[] = {{1216, 1280}, {128, 256}, {96, 256},
                                             {256, 256},   {257, 512}, {1, 256}};
    for (const auto& [size, stride] : strides)
        EXPECT_EQ(PadToConstantAlignment(size), stride) << size;

    // The buffer holds exactly count × stride bytes; without the constant-
    // buffer flag the stride is the element's size.
    EXPECT_EQ(BufferWidth<1216>(3, true, Device()), 3u * 1280);
    EXPECT_EQ(BufferWidth<128>(5, true, Device()), 5u * 256);
    EXPECT_EQ(BufferWidth<96>(2, true, Device()), 2u * 256);
    EXPECT_EQ(BufferWidth<257>(1, true, Device()), 512u);
    EXPECT_EQ(BufferWidth<96>(4, false, Device()), 4u * 96);
}

TEST_F(BufferUtilities, AWriteTouchesOnlyTheElementsOwnBytes)
{
    UploadBuffer<Record<96>> buffer(Device(), 3, true);
    ID3D12Resource* resource = buffer.GpuResource();
    uint8_t* mapped = nullptr;
    ASSERT_HRESULT_SUCCEEDED(resource->Map(0, nullptr, reinterpret_cast<void**>(&mapped)));
    std::fill(mapped, mapped + 3 * 256, 0xEE);

    Record<96> record;
    std::iota(record.Bytes, record.Bytes + 96, uint8_t(1));
    buffer.WriteElement(1, record);

    for (size_t i = 0; i < 3 * 256; ++i)
    {
        const bool own = i >= 256 && i < 256 + 96;
        ASSERT_EQ(mapped[i], own ? uint8_t(i - 256 + 1) : 0xEE) << "byte " << i;
    }
    resource->Unmap(0, nullptr);

    // The GPU sees the written element at base + index × stride.
    const auto bytes = ReadBuffer(resource);
    EXPECT_TRUE(std::equal(record.Bytes, record.Bytes + 96, bytes.begin() + 256));
}

TEST_F(BufferUtilities, AStaticBufferHoldsEveryByteAfterTheListRuns)
{
    std::vector<uint8_t> data(100003);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 13 + (i >> 9));
    ComPtr<ID3D12Resource> staging;
    ComPtr<ID3D12Resource> buffer =
        CreateStaticBuffer(Device(), mList.Get(), data.data(), data.size(), staging);
    ASSERT_NE(buffer, nullptr);
    ASSERT_NE(staging, nullptr);
    EXPECT_EQ(buffer->GetDesc().Width, data.size());
    EXPECT_EQ(staging->GetDesc().Width, data.size());

    // The list is left open; the buffer ends in the generic-read state.
    Transition(buffer.Get(), D3D12_RESOURCE_STATE_GENERIC_READ, D3D12_RESOURCE_STATE_COPY_SOURCE);
    EXPECT_EQ(ReadBuffer(buffer.Get()), data);
}

TEST_F(BufferUtilities, FailuresCarryTheExactCheckTexts)
{
    try
    {
        UploadBuffer<Record<96>> empty(Device(), 0, true);
        FAIL() << "an empty buffer was created";
    }
    catch (const DxException& e)
    {
        EXPECT_EQ(e.Result, E_INVALIDARG);
        EXPECT_EQ(e.Expression,
                  L"device->CreateCommittedResource( "
                  L"&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_UPLOAD), D3D12_HEAP_FLAG_NONE, "
                  L"&CD3DX12_RESOURCE_DESC::Buffer(mElementByteSize*elementCount), "
                  L"D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&mUploadBuffer))");
    }

    ComPtr<ID3D12Resource> staging;
    try
    {
        CreateStaticBuffer(Device(), mList.Get(), nullptr, 0, staging);
        FAIL() << "an empty static buffer was created";
    }
    catch (const DxException& e)
    {
        EXPECT_EQ(e.Result, E_INVALIDARG);
        EXPECT_EQ(e.Expression,
                  L"device->CreateCommittedResource( "
                  L"&CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, "
                  L"&CD3DX12_RESOURCE_DESC::Buffer(byteSize), D3D12_RESOURCE_STATE_COMMON, "
                  L"nullptr, IID_PPV_ARGS(defaultBuffer.GetAddressOf()))");
    }
}

TEST_F(BufferUtilities, ACopyThroughAStagingBufferThatCannotBeMappedFails)
{
    // d3dx12's copy maps the staging buffer; where it cannot, it copies
    // nothing.
    const ComPtr<ID3D12Device> device =
        RefusingDevice(Device(), {{"ID3D12Resource::Map", 1, E_OUTOFMEMORY}});
    const uint32_t data[4] = {1, 2, 3, 4};
    ComPtr<ID3D12Resource> staging;
    try
    {
        CreateStaticBuffer(device.Get(), mList.Get(), data, sizeof data, staging);
        ADD_FAILURE() << "a static buffer without its data was created";
    }
    catch (const DxException& e)
    {
        EXPECT_EQ(e.Result, E_FAIL);
        EXPECT_EQ(e.Expression, L"UpdateSubresources<1>(cmdList, defaultBuffer.Get(), "
                                L"uploadBuffer.Get(), 0, 0, 1, &subResourceData)");
    }
}

} // namespace
