// COM behaviour the program relies on, and what creation refuses: interface
// identifiers of the headers, reference counts, children keeping their device
// alive, and wrong arguments answered with E_INVALIDARG.
#include "GpuTest.h"

using Microsoft::WRL::ComPtr;

namespace
{

class Objects : public GpuTest
{
};

TEST_F(Objects, AnswerTheInterfacesOfTheirChainOnly)
{
    ComPtr<ID3D12Object> object;
    ComPtr<ID3D12DeviceChild> child;
    ComPtr<ID3D12Pageable> pageable;
    ComPtr<ID3D12CommandList> list;
    ComPtr<IUnknown> unknown;
    EXPECT_HRESULT_SUCCEEDED(mFence.As(&object));
    EXPECT_HRESULT_SUCCEEDED(mFence.As(&child));
    EXPECT_HRESULT_SUCCEEDED(mFence.As(&pageable));
    EXPECT_HRESULT_SUCCEEDED(mFence.As(&unknown));
    EXPECT_EQ(mFence.As(&list), E_NOINTERFACE);
    EXPECT_EQ(list, nullptr);
    EXPECT_HRESULT_SUCCEEDED(mList.As(&list));
    EXPECT_EQ(mList.As(&pageable), E_NOINTERFACE); // a list is not pageable

    ComPtr<ID3D12Device1> newer;
    EXPECT_EQ(Device()->QueryInterface(IID_PPV_ARGS(&newer)), E_NOINTERFACE);
    EXPECT_EQ(Device()->QueryInterface(__uuidof(ID3D12Device), nullptr), E_POINTER);
}

TEST_F(Objects, CountReferencesAndHandBackTheirDevice)
{
    EXPECT_EQ(mFence->AddRef(), 2u);
    EXPECT_EQ(mFence->Release(), 1u);

    ComPtr<ID3D12Device> device;
    ASSERT_HRESULT_SUCCEEDED(mQueue->GetDevice(IID_PPV_ARGS(&device)));
    EXPECT_EQ(device.Get(), Device());
}

TEST_F(Objects, KeepTheirDeviceAliveUntilTheLastIsReleased)
{
    ComPtr<IDXGIFactory4> factory;
    ComPtr<IDXGIAdapter> warp;
    ASSERT_HRESULT_SUCCEEDED(CreateDXGIFactory1(IID_PPV_ARGS(&factory)));
    ASSERT_HRESULT_SUCCEEDED(factory->EnumWarpAdapter(IID_PPV_ARGS(&warp)));
    ComPtr<ID3D12Device> device;
    ASSERT_HRESULT_SUCCEEDED(
        D3D12CreateDevice(warp.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)));
    ComPtr<ID3D12Resource> buffer;
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_UPLOAD);
    const auto desc = CD3DX12_RESOURCE_DESC::Buffer(64);
    ASSERT_HRESULT_SUCCEEDED(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                             D3D12_RESOURCE_STATE_GENERIC_READ,
                                                             nullptr, IID_PPV_ARGS(&buffer)));

    // The program's handle goes first; the buffer still works and still
    // names its device.
    EXPECT_GT(device.Reset(), 0u);
    void* mapped = nullptr;
    EXPECT_HRESULT_SUCCEEDED(buffer->Map(0, nullptr, &mapped));
    ASSERT_HRESULT_SUCCEEDED(buffer->GetDevice(IID_PPV_ARGS(&device)));
    EXPECT_NE(device, nullptr);
    device.Reset();
    EXPECT_EQ(buffer.Reset(), 0u);
}

TEST_F(Objects, ReportIncrementsAndHeapHandlesConsistently)
{
    const UINT increment =
        Device()->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
    EXPECT_GT(increment, 0u);
    EXPECT_EQ(Device()->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE(9)), 0u);

    ComPtr<ID3D12DescriptorHeap> visible;
    D3D12_DESCRIPTOR_HEAP_DESC desc = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 12,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&visible)));
    EXPECT_NE(visible->GetGPUDescriptorHandleForHeapStart().ptr, 0u);
    EXPECT_EQ(visible->GetDesc().NumDescriptors, 12u);

    ComPtr<ID3D12DescriptorHeap> cpuOnly;
    desc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_NONE;
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&cpuOnly)));
    EXPECT_EQ(cpuOnly->GetGPUDescriptorHandleForHeapStart().ptr, 0u);
}

TEST_F(Objects, BuffersHaveDistinctAddressesAndTexturesNone)
{
    ComPtr<ID3D12Resource> first =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 256, D3D12_RESOURCE_STATE_GENERIC_READ);
    ComPtr<ID3D12Resource> second =
        CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 256, D3D12_RESOURCE_STATE_COMMON);
    const D3D12_GPU_VIRTUAL_ADDRESS a = first->GetGPUVirtualAddress();
    const D3D12_GPU_VIRTUAL_ADDRESS b = second->GetGPUVirtualAddress();
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_TRUE(a + 256 <= b || b + 256 <= a);
    ComPtr<ID3D12Resource> texture =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4),
                      D3D12_RESOURCE_STATE_COMMON);
    EXPECT_EQ(texture->GetGPUVirtualAddress(), 0u);

    const D3D12_RESOURCE_DESC desc = texture->GetDesc();
    EXPECT_EQ(desc.MipLevels, 3); // 0 asked for the full chain of a 4 × 4 texture
    EXPECT_EQ(desc.Alignment, UINT64(D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT));
}

TEST_F(Objects, OnlyCpuVisibleBuffersMap)
{
    ComPtr<ID3D12Resource> local =
        CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 64, D3D12_RESOURCE_STATE_COMMON);
    void* mapped = reinterpret_cast<void*>(1);
    EXPECT_EQ(local->Map(0, nullptr, &mapped), E_INVALIDARG);
    EXPECT_EQ(mapped, nullptr);
    ComPtr<ID3D12Resource> upload =
        CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 64, D3D12_RESOURCE_STATE_GENERIC_READ);
    EXPECT_EQ(upload->Map(1, nullptr, &mapped), E_INVALIDARG);
    EXPECT_HRESULT_SUCCEEDED(upload->Map(0, nullptr, nullptr));
    EXPECT_HRESULT_SUCCEEDED(upload->Map(0, nullptr, &mapped));
    EXPECT_NE(mapped, nullptr);
    upload->Unmap(0, nullptr);
    upload->Unmap(0, nullptr);
}

// Committed resources the runtime refuses, each with the code it answers.
struct RefusedResource
{
    const char* Name;
    D3D12_HEAP_TYPE Heap;
    D3D12_RESOURCE_DESC Desc;
    D3D12_RESOURCE_STATES State;
    bool WithClearValue;
    HRESULT Expected;
};

class RefusedResources : public GpuTest, public ::testing::WithParamInterface<RefusedResource>
{
};

TEST_P(RefusedResources, AreAnsweredWithTheirCode)
{
    const RefusedResource& c = GetParam();
    const CD3DX12_HEAP_PROPERTIES heap(c.Heap);
    D3D12_CLEAR_VALUE clear = {DXGI_FORMAT_R8G8B8A8_UNORM, {0, 0, 0, 0}};
    ComPtr<ID3D12Resource> resource;
    EXPECT_EQ(Device()->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &c.Desc, c.State,
                                                c.WithClearValue ? &clear : nullptr,
                                                IID_PPV_ARGS(&resource)),
              c.Expected);
    EXPECT_EQ(resource, nullptr);
}

constexpr auto Common = D3D12_RESOURCE_STATE_COMMON;
constexpr auto Read = D3D12_RESOURCE_STATE_GENERIC_READ;
constexpr auto Rt = D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET;
constexpr auto Ds = D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL;

D3D12_RESOURCE_DESC Texture(DXGI_FORMAT format, UINT64 width, UINT height,
                            D3D12_RESOURCE_FLAGS flags = D3D12_RESOURCE_FLAG_NONE, UINT16 mips = 1,
                            UINT samples = 1, UINT quality = 0)
{
    return CD3DX12_RESOURCE_DESC::Tex2D(format, width, height, 1, mips, samples, quality, flags);
}

const RefusedResource Refused[] = {
    {"EmptyBuffer", D3D12_HEAP_TYPE_DEFAULT, CD3DX12_RESOURCE_DESC::Buffer(0), Common, false,
     E_INVALIDARG},
    {"BufferWithClearValue", D3D12_HEAP_TYPE_DEFAULT, CD3DX12_RESOURCE_DESC::Buffer(64), Common,
     true, E_INVALIDARG},
    {"RenderTargetBuffer", D3D12_HEAP_TYPE_DEFAULT, CD3DX12_RESOURCE_DESC::Buffer(64, Rt), Common,
     false, E_INVALIDARG},
    {"UploadNotGenericRead", D3D12_HEAP_TYPE_UPLOAD, CD3DX12_RESOURCE_DESC::Buffer(64), Common,
     false, E_INVALIDARG},
    {"ReadbackNotCopyDest", D3D12_HEAP_TYPE_READBACK, CD3DX12_RESOURCE_DESC::Buffer(64), Read,
     false, E_INVALIDARG},
    {"TextureInUploadHeap", D3D12_HEAP_TYPE_UPLOAD, Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4), Read,
     false, E_INVALIDARG},
    {"UnknownHeap", D3D12_HEAP_TYPE(9), CD3DX12_RESOURCE_DESC::Buffer(64), Common, false,
     E_INVALIDARG},
    {"UnknownState", D3D12_HEAP_TYPE_DEFAULT, CD3DX12_RESOURCE_DESC::Buffer(64),
     D3D12_RESOURCE_STATES(0x80000000), false, E_INVALIDARG},
    {"ZeroWidth", D3D12_HEAP_TYPE_DEFAULT, Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 0, 4), Common, false,
     E_INVALIDARG},
    {"TooWide", D3D12_HEAP_TYPE_DEFAULT, Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 16385, 4), Common,
     false, E_INVALIDARG},
    {"TooManyMips", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, D3D12_RESOURCE_FLAG_NONE, 4), Common, false,
     E_INVALIDARG},
    {"UnknownFormat", D3D12_HEAP_TYPE_DEFAULT, Texture(DXGI_FORMAT_UNKNOWN, 4, 4), Common, false,
     E_INVALIDARG},
    {"ColourFormatForDepth", D3D12_HEAP_TYPE_DEFAULT, Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, Ds),
     Common, false, E_INVALIDARG},
    {"DepthFormatForColour", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_D24_UNORM_S8_UINT, 4, 4, Rt), Common, false, E_INVALIDARG},
    {"ClearValueWithoutTargetUse", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4), Common, true, E_INVALIDARG},
    {"MultisampledMips", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, Rt, 2, 4), Common, false, E_INVALIDARG},
    {"QualityBeyondTheLevels", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, Rt, 1, 4, 1), Common, false, E_INVALIDARG},
    {"ThreeSamples", D3D12_HEAP_TYPE_DEFAULT, Texture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, Rt, 1, 3),
     Common, false, E_INVALIDARG},
    {"RenderTargetOfCompressedFormat", D3D12_HEAP_TYPE_DEFAULT,
     Texture(DXGI_FORMAT_BC1_UNORM, 4, 4, Rt), Common, false, E_INVALIDARG},
    {"VolumeTexture", D3D12_HEAP_TYPE_DEFAULT,
     CD3DX12_RESOURCE_DESC::Tex3D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 4), Common, false, E_NOTIMPL},
    {"CustomHeap", D3D12_HEAP_TYPE_CUSTOM, CD3DX12_RESOURCE_DESC::Buffer(64), Common, false,
     E_NOTIMPL},
};

INSTANTIATE_TEST_SUITE_P(Cases, RefusedResources, ::testing::ValuesIn(Refused),
                         [](const auto& info) { return std::string(info.param.Name); });

// A block-compressed texture whose top level is not a whole number of blocks
// is made exactly where the device reports unaligned block textures, and its
// copies cover the partial blocks.
TEST_F(Objects, UnalignedBlockTexturesAreMadeAsTheDeviceReports)
{
    D3D12_FEATURE_DATA_D3D12_OPTIONS8 options{};
    ASSERT_HRESULT_SUCCEEDED(
        Device()->CheckFeatureSupport(D3D12_FEATURE_D3D12_OPTIONS8, &options, sizeof(options)));
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_BC7_UNORM, 5, 3, 1, 1);
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    Microsoft::WRL::ComPtr<ID3D12Resource> texture;
    const HRESULT hr = Device()->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                         D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                                         IID_PPV_ARGS(&texture));
    EXPECT_EQ(SUCCEEDED(hr), bool(options.UnalignedBlockTexturesSupported));
    if (!texture)
        return;
    // 5 x 3 texels: one row of two 16-byte blocks.
    UINT rows = 0;
    UINT64 rowBytes = 0;
    Device()->GetCopyableFootprints(&desc, 0, 1, 0, nullptr, &rows, &rowBytes, nullptr);
    EXPECT_EQ(rows, 1u);
    EXPECT_EQ(rowBytes, 32u);
}

TEST_F(Objects, RefuseOtherWrongArguments)
{
    ComPtr<ID3D12Fence> fence;
    EXPECT_EQ(Device()->CreateFence(0, D3D12_FENCE_FLAG_SHARED, IID_PPV_ARGS(&fence)), E_NOTIMPL);
    EXPECT_EQ(Device()->CreateFence(0, D3D12_FENCE_FLAG_NONE, __uuidof(ID3D12Fence), nullptr),
              E_POINTER);

    ComPtr<ID3D12DescriptorHeap> heap;
    D3D12_DESCRIPTOR_HEAP_DESC visibleRtv = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                             D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    EXPECT_EQ(Device()->CreateDescriptorHeap(&visibleRtv, IID_PPV_ARGS(&heap)), E_INVALIDARG);
    D3D12_DESCRIPTOR_HEAP_DESC empty = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 0,
                                        D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    EXPECT_EQ(Device()->CreateDescriptorHeap(&empty, IID_PPV_ARGS(&heap)), E_INVALIDARG);
    D3D12_DESCRIPTOR_HEAP_DESC huge = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 4000000000u,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    EXPECT_EQ(Device()->CreateDescriptorHeap(&huge, IID_PPV_ARGS(&heap)), E_OUTOFMEMORY);

    ComPtr<ID3D12CommandQueue> queue;
    D3D12_COMMAND_QUEUE_DESC badFlags = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0,
                                         D3D12_COMMAND_QUEUE_FLAGS(8), 0};
    EXPECT_EQ(Device()->CreateCommandQueue(&badFlags, IID_PPV_ARGS(&queue)), E_INVALIDARG);
    EXPECT_EQ(Device()->CreateCommandQueue(nullptr, IID_PPV_ARGS(&queue)), E_INVALIDARG);

    ComPtr<ID3D12GraphicsCommandList> list;
    EXPECT_EQ(Device()->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, nullptr, nullptr,
                                          IID_PPV_ARGS(&list)),
              E_INVALIDARG);

    // Views of what cannot be viewed leave the descriptor empty, harmlessly.
    D3D12_DESCRIPTOR_HEAP_DESC rtv = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&rtv, IID_PPV_ARGS(&heap)));
    ComPtr<ID3D12Resource> buffer =
        CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 64, D3D12_RESOURCE_STATE_COMMON);
    Device()->CreateRenderTargetView(buffer.Get(), nullptr,
                                     heap->GetCPUDescriptorHandleForHeapStart());
    Device()->CreateRenderTargetView(nullptr, nullptr, {0x10});
    Device()->CreateDepthStencilView(buffer.Get(), nullptr,
                                     heap->GetCPUDescriptorHandleForHeapStart());
}

TEST_F(Objects, CreateWithoutAnOutputSlotOnlyChecks)
{
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const auto good = CD3DX12_RESOURCE_DESC::Buffer(64);
    const auto bad = CD3DX12_RESOURCE_DESC::Buffer(0);
    EXPECT_EQ(Device()->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &good,
                                                D3D12_RESOURCE_STATE_COMMON, nullptr,
                                                __uuidof(ID3D12Resource), nullptr),
              S_FALSE);
    EXPECT_EQ(Device()->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &bad,
                                                D3D12_RESOURCE_STATE_COMMON, nullptr,
                                                __uuidof(ID3D12Resource), nullptr),
              E_INVALIDARG);
}

} // namespace
