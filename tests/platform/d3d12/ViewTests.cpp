// Views the program and its loaders make: every one becomes a Vulkan image
// view that the validation layer accepts (aspect, type, format and swizzle
// rules), and a view of a mip renders into that mip only.
#include "GpuTest.h"

using Microsoft::WRL::ComPtr;

namespace
{

struct ShaderViewCase
{
    const char* Name;
    D3D12_RESOURCE_DESC Resource;
    bool WithDesc;
    D3D12_SHADER_RESOURCE_VIEW_DESC View;
};

D3D12_SHADER_RESOURCE_VIEW_DESC View(DXGI_FORMAT format, D3D12_SRV_DIMENSION dimension,
                                     UINT mostDetailedMip = 0, UINT mips = UINT(-1))
{
    D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
    view.Format = format;
    view.ViewDimension = dimension;
    view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
    // The mip fields sit at the same place in every texture dimension.
    view.Texture2D.MostDetailedMip = mostDetailedMip;
    view.Texture2D.MipLevels = mips;
    if (dimension == D3D12_SRV_DIMENSION_TEXTURE2DARRAY)
        view.Texture2DArray.ArraySize = UINT(-1);
    return view;
}

D3D12_RESOURCE_DESC Tex(DXGI_FORMAT format, UINT size, UINT16 slices, UINT16 mips,
                        D3D12_RESOURCE_FLAGS flags = D3D12_RESOURCE_FLAG_NONE)
{
    return CD3DX12_RESOURCE_DESC::Tex2D(format, size, size, slices, mips, 1, 0, flags);
}

class ShaderViews : public GpuTest, public ::testing::WithParamInterface<ShaderViewCase>
{
};

TEST_P(ShaderViews, AreAcceptedByVulkan)
{
    const ShaderViewCase& c = GetParam();
    ComPtr<ID3D12Resource> texture = CreateTexture(c.Resource, D3D12_RESOURCE_STATE_COMMON);
    ASSERT_NE(texture, nullptr);
    ComPtr<ID3D12DescriptorHeap> heap;
    D3D12_DESCRIPTOR_HEAP_DESC desc = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 2,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&heap)));
    Device()->CreateShaderResourceView(texture.Get(), c.WithDesc ? &c.View : nullptr,
                                       heap->GetCPUDescriptorHandleForHeapStart());
    // Writing the same view again reuses the resource's view.
    Device()->CreateShaderResourceView(
        texture.Get(), c.WithDesc ? &c.View : nullptr,
        CD3DX12_CPU_DESCRIPTOR_HANDLE(
            heap->GetCPUDescriptorHandleForHeapStart(), 1,
            Device()->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV)));
}

INSTANTIATE_TEST_SUITE_P(
    Views, ShaderViews,
    ::testing::Values(
        ShaderViewCase{"WholeTexture", Tex(DXGI_FORMAT_R8G8B8A8_UNORM, 16, 1, 0), false, {}},
        ShaderViewCase{"LowerMipsOfCompressed", Tex(DXGI_FORMAT_BC1_UNORM, 16, 1, 0), true,
                       View(DXGI_FORMAT_BC1_UNORM, D3D12_SRV_DIMENSION_TEXTURE2D, 1)},
        ShaderViewCase{"Array", Tex(DXGI_FORMAT_BC3_UNORM, 8, 3, 2), true,
                       View(DXGI_FORMAT_BC3_UNORM, D3D12_SRV_DIMENSION_TEXTURE2DARRAY)},
        ShaderViewCase{"Cube", Tex(DXGI_FORMAT_BC1_UNORM, 16, 6, 0), true,
                       View(DXGI_FORMAT_BC1_UNORM, D3D12_SRV_DIMENSION_TEXTURECUBE)},
        ShaderViewCase{"TypedViewOfTypeless", Tex(DXGI_FORMAT_R8G8B8A8_TYPELESS, 4, 1, 1), true,
                       View(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, D3D12_SRV_DIMENSION_TEXTURE2D)},
        ShaderViewCase{"AlphaOnly", Tex(DXGI_FORMAT_A8_UNORM, 4, 1, 1), false, {}},
        ShaderViewCase{"NoAlpha", Tex(DXGI_FORMAT_B8G8R8X8_UNORM, 4, 1, 1), false, {}},
        ShaderViewCase{
            "DepthOfADepthStencilBuffer",
            Tex(DXGI_FORMAT_R24G8_TYPELESS, 8, 1, 1, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL), true,
            View(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, D3D12_SRV_DIMENSION_TEXTURE2D)},
        ShaderViewCase{
            "StencilOfADepthStencilBuffer",
            Tex(DXGI_FORMAT_R24G8_TYPELESS, 8, 1, 1, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL), true,
            View(DXGI_FORMAT_X24_TYPELESS_G8_UINT, D3D12_SRV_DIMENSION_TEXTURE2D)},
        ShaderViewCase{
            "FloatDepth",
            Tex(DXGI_FORMAT_R32_TYPELESS, 8, 1, 1, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL), true,
            View(DXGI_FORMAT_R32_FLOAT, D3D12_SRV_DIMENSION_TEXTURE2D)}),
    [](const auto& info) { return std::string(info.param.Name); });

class TargetViews : public GpuTest
{
};

TEST_F(TargetViews, AViewOfOneMipAndSliceClearsOnlyThatSubresource)
{
    ComPtr<ID3D12Resource> texture =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, 2, 2, 1, 0,
                                                   D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET),
                      D3D12_RESOURCE_STATE_RENDER_TARGET);
    ComPtr<ID3D12DescriptorHeap> heap;
    D3D12_DESCRIPTOR_HEAP_DESC desc = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&heap)));
    D3D12_RENDER_TARGET_VIEW_DESC view = {};
    view.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    view.ViewDimension = D3D12_RTV_DIMENSION_TEXTURE2DARRAY;
    view.Texture2DArray = {1, 1, 1, 0}; // mip 1 of slice 1
    Device()->CreateRenderTargetView(texture.Get(), &view,
                                     heap->GetCPUDescriptorHandleForHeapStart());
    const FLOAT white[4] = {1, 1, 1, 1};
    mList->ClearRenderTargetView(heap->GetCPUDescriptorHandleForHeapStart(), white, 0, nullptr);
    Transition(texture.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_COPY_SOURCE);
    ExecuteAndWait();

    // Subresources: mip + slice × 2.
    for (UINT subresource = 0; subresource < 4; ++subresource)
    {
        const auto bytes = ReadSubresource(texture.Get(), subresource);
        const uint8_t expected = subresource == 3 ? 255 : 0;
        EXPECT_EQ(size_t(std::count(bytes.begin(), bytes.end(), expected)), bytes.size())
            << "subresource " << subresource;
    }
}

TEST_F(TargetViews, ViewsOfTheWrongFormatOrRangeStayEmpty)
{
    ComPtr<ID3D12Resource> texture =
        CreateTexture(CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 8, 8, 1, 1, 1, 0,
                                                   D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET),
                      D3D12_RESOURCE_STATE_RENDER_TARGET);
    ComPtr<ID3D12DescriptorHeap> heap;
    D3D12_DESCRIPTOR_HEAP_DESC desc = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                       D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&heap)));
    const auto handle = heap->GetCPUDescriptorHandleForHeapStart();
    const FLOAT white[4] = {1, 1, 1, 1};

    D3D12_RENDER_TARGET_VIEW_DESC cases[2] = {};
    cases[0].Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB; // a typed resource keeps its format
    cases[0].ViewDimension = D3D12_RTV_DIMENSION_TEXTURE2D;
    cases[1].Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    cases[1].ViewDimension = D3D12_RTV_DIMENSION_TEXTURE2D;
    cases[1].Texture2D.MipSlice = 1; // no such mip
    for (const auto& view : cases)
    {
        Device()->CreateRenderTargetView(texture.Get(), &view, handle);
        mList->ClearRenderTargetView(handle, white, 0, nullptr);
        EXPECT_EQ(mList->Close(), E_INVALIDARG);
        ASSERT_HRESULT_SUCCEEDED(mList->Reset(mAllocator.Get(), nullptr));
    }
}

} // namespace
