// Render-target and depth-stencil views cleared on the GPU and read back, in
// one and four samples, as the framework's targets use them.
#include "GpuTest.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace
{

class Clears : public GpuTest
{
protected:
    void SetUp() override
    {
        GpuTest::SetUp();
        D3D12_DESCRIPTOR_HEAP_DESC rtv = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 2,
                                          D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
        ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&rtv, IID_PPV_ARGS(&mRtvHeap)));
        D3D12_DESCRIPTOR_HEAP_DESC dsv = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1,
                                          D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
        ASSERT_HRESULT_SUCCEEDED(Device()->CreateDescriptorHeap(&dsv, IID_PPV_ARGS(&mDsvHeap)));
    }

    // The framework's depth buffer: typeless 24/8 with a depth view.
    ComPtr<ID3D12Resource> CreateDepthBuffer(UINT width, UINT height, UINT samples)
    {
        D3D12_RESOURCE_DESC desc =
            CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R24G8_TYPELESS, width, height, 1, 1, samples,
                                         0, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
        D3D12_CLEAR_VALUE clear = {};
        clear.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
        clear.DepthStencil = {1.0f, 0};
        ComPtr<ID3D12Resource> depth = CreateTexture(desc, D3D12_RESOURCE_STATE_COMMON, &clear);
        D3D12_DEPTH_STENCIL_VIEW_DESC view = {};
        view.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
        view.ViewDimension = D3D12_DSV_DIMENSION_TEXTURE2D;
        Device()->CreateDepthStencilView(depth.Get(), &view,
                                         mDsvHeap->GetCPUDescriptorHandleForHeapStart());
        return depth;
    }

    ComPtr<ID3D12Resource> CreateRenderTarget(UINT width, UINT height, UINT samples)
    {
        D3D12_RESOURCE_DESC desc =
            CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1, samples,
                                         0, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
        D3D12_CLEAR_VALUE clear = {DXGI_FORMAT_R8G8B8A8_UNORM, {0, 0, 0, 1}};
        ComPtr<ID3D12Resource> target =
            CreateTexture(desc, D3D12_RESOURCE_STATE_RENDER_TARGET, &clear);
        Device()->CreateRenderTargetView(target.Get(), nullptr,
                                         mRtvHeap->GetCPUDescriptorHandleForHeapStart());
        return target;
    }

    ComPtr<ID3D12DescriptorHeap> mRtvHeap;
    ComPtr<ID3D12DescriptorHeap> mDsvHeap;
};

TEST_F(Clears, ARenderTargetReadsBackItsClearColour)
{
    ComPtr<ID3D12Resource> target = CreateRenderTarget(20, 12, 1);
    const FLOAT colour[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    mList->ClearRenderTargetView(mRtvHeap->GetCPUDescriptorHandleForHeapStart(), colour, 0,
                                 nullptr);
    Transition(target.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_COPY_SOURCE);
    const auto pixels = ReadSubresource(target.Get(), 0);
    ASSERT_EQ(pixels.size(), 20u * 12 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4)
    {
        ASSERT_EQ(pixels[i], 255);
        ASSERT_NEAR(pixels[i + 1], 128, 1);
        ASSERT_EQ(pixels[i + 2], 0);
        ASSERT_EQ(pixels[i + 3], 255);
    }
}

TEST_F(Clears, RectanglesLimitTheClearAndAreClippedToTheView)
{
    ComPtr<ID3D12Resource> target = CreateRenderTarget(8, 8, 1);
    const FLOAT black[4] = {0, 0, 0, 0};
    const FLOAT white[4] = {1, 1, 1, 1};
    const auto view = mRtvHeap->GetCPUDescriptorHandleForHeapStart();
    mList->ClearRenderTargetView(view, black, 0, nullptr);
    const D3D12_RECT rects[] = {{2, 2, 4, 4}, {6, 6, 100, 100}};
    mList->ClearRenderTargetView(view, white, 2, rects);
    Transition(target.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_COPY_SOURCE);
    const auto pixels = ReadSubresource(target.Get(), 0);
    for (int y = 0; y < 8; ++y)
    {
        for (int x = 0; x < 8; ++x)
        {
            const bool inside = (x >= 2 && x < 4 && y >= 2 && y < 4) || (x >= 6 && y >= 6);
            EXPECT_EQ(pixels[(y * 8 + x) * 4], inside ? 255 : 0) << x << "," << y;
        }
    }
}

TEST_F(Clears, ADepthBufferReadsBackItsDepthAndStencil)
{
    ComPtr<ID3D12Resource> depth = CreateDepthBuffer(16, 8, 1);
    Transition(depth.Get(), D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_DEPTH_WRITE);
    const auto view = mDsvHeap->GetCPUDescriptorHandleForHeapStart();
    mList->ClearDepthStencilView(view, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 7,
                                 0, nullptr);
    // A depth-only clear leaves the stencil as it was.
    mList->ClearDepthStencilView(view, D3D12_CLEAR_FLAG_DEPTH, 0.25f, 0, 0, nullptr);
    Transition(depth.Get(), D3D12_RESOURCE_STATE_DEPTH_WRITE, D3D12_RESOURCE_STATE_COPY_SOURCE);

    // Plane 0 holds depth in 4 bytes per texel, plane 1 the stencil byte.
    const auto depthBytes = ReadSubresource(depth.Get(), 0);
    const auto stencilBytes = ReadSubresource(depth.Get(), 1);
    ASSERT_EQ(depthBytes.size(), 16u * 8 * 4);
    ASSERT_EQ(stencilBytes.size(), 16u * 8);
    const D3D12_RESOURCE_DESC desc = depth->GetDesc();
    for (size_t i = 0; i < depthBytes.size(); i += 4)
    {
        uint32_t word;
        std::memcpy(&word, &depthBytes[i], 4);
        // 24-bit unsigned depth, or a float where the device lacks that format.
        float value;
        std::memcpy(&value, &word, 4);
        const double read = (value == 0.25f) ? value : double(word & 0xFFFFFF) / 0xFFFFFF;
        ASSERT_NEAR(read, 0.25, 1e-6) << "texel " << i / 4;
    }
    for (uint8_t stencil : stencilBytes)
        ASSERT_EQ(stencil, 7);
    EXPECT_EQ(desc.Format, DXGI_FORMAT_R24G8_TYPELESS);
}

TEST_F(Clears, FourSampleTargetsAreCreatedAndCleared)
{
    D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS levels = {
        DXGI_FORMAT_R8G8B8A8_UNORM, 4, D3D12_MULTISAMPLE_QUALITY_LEVELS_FLAG_NONE, 0};
    ASSERT_HRESULT_SUCCEEDED(Device()->CheckFeatureSupport(D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS,
                                                           &levels, sizeof(levels)));
    if (levels.NumQualityLevels == 0)
        GTEST_SKIP() << "the device cannot render with four samples";

    ComPtr<ID3D12Resource> target = CreateRenderTarget(32, 16, 4);
    ComPtr<ID3D12Resource> depth = CreateDepthBuffer(32, 16, 4);
    ASSERT_NE(target, nullptr);
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(target->GetDesc().SampleDesc.Count, 4u);
    EXPECT_EQ(depth->GetDesc().Alignment, UINT64(D3D12_DEFAULT_MSAA_RESOURCE_PLACEMENT_ALIGNMENT));

    Transition(depth.Get(), D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_DEPTH_WRITE);
    const FLOAT colour[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    const auto rtv = mRtvHeap->GetCPUDescriptorHandleForHeapStart();
    const auto dsv = mDsvHeap->GetCPUDescriptorHandleForHeapStart();
    mList->ClearRenderTargetView(rtv, colour, 0, nullptr);
    mList->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0,
                                 nullptr);
    mList->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
    ExecuteAndWait();
}

// CheckFeatureSupport answers from what the device can render: one quality
// level where the format takes that many samples, none where it cannot.
struct QualityCase
{
    DXGI_FORMAT Format;
    UINT Samples;
    bool Supported;
};

class QualityLevels : public GpuTest, public ::testing::WithParamInterface<QualityCase>
{
};

TEST_P(QualityLevels, AreAnsweredForFormatAndSampleCount)
{
    const QualityCase& c = GetParam();
    D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS levels = {
        c.Format, c.Samples, D3D12_MULTISAMPLE_QUALITY_LEVELS_FLAG_NONE, 99};
    ASSERT_HRESULT_SUCCEEDED(Device()->CheckFeatureSupport(D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS,
                                                           &levels, sizeof(levels)));
    EXPECT_EQ(levels.NumQualityLevels, c.Supported ? 1u : 0u);
}

// Lavapipe and the desktop drivers render RGBA8 and depth with one and four
// samples; no device renders a block-compressed format, or three samples.
INSTANTIATE_TEST_SUITE_P(Formats, QualityLevels,
                         ::testing::Values(QualityCase{DXGI_FORMAT_R8G8B8A8_UNORM, 1, true},
                                           QualityCase{DXGI_FORMAT_R8G8B8A8_UNORM, 4, true},
                                           QualityCase{DXGI_FORMAT_D24_UNORM_S8_UINT, 4, true},
                                           QualityCase{DXGI_FORMAT_D32_FLOAT, 4, true},
                                           QualityCase{DXGI_FORMAT_R8G8B8A8_UNORM, 3, false},
                                           QualityCase{DXGI_FORMAT_R8G8B8A8_UNORM, 0, false},
                                           QualityCase{DXGI_FORMAT_BC1_UNORM, 1, false},
                                           QualityCase{DXGI_FORMAT_UNKNOWN, 4, false}));

TEST_F(QualityLevels, AWrongSizeIsRefused)
{
    D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS levels = {};
    EXPECT_EQ(Device()->CheckFeatureSupport(D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS, &levels,
                                            sizeof(levels) - 1),
              E_INVALIDARG);
    EXPECT_EQ(Device()->CheckFeatureSupport(D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS, nullptr,
                                            sizeof(levels)),
              E_INVALIDARG);
}

} // namespace
