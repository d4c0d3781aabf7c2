// The framework's own graphics code on the runtime, unchanged: the command
// context, the view heaps, the multisample query and the full GPU wait (the
// swap chain arrives with the window, so InitGraphics as a whole waits for it).
#include "FakeTimeSource.h"
#include "GpuTest.h"
#include "TestApp.h"

using Microsoft::WRL::ComPtr;

namespace
{

class GraphicsApp : public TestApp
{
public:
    using D3DApp::CreateCommandContext;
    using D3DApp::CreateTargetViewHeaps;
    using D3DApp::mCommandList;
    using D3DApp::mCommandQueue;
    using D3DApp::mCurrentFence;
    using D3DApp::md3dDevice;
    using D3DApp::mDirectCmdListAlloc;
    using D3DApp::mDsvHeap;
    using D3DApp::mFence;
    using D3DApp::mRtvHeap;
    using D3DApp::WaitForGpuIdle;
};

class FrameworkGraphics : public GpuTest
{
protected:
    // Installed before any application: a frame clock takes the counter's
    // frequency when it is constructed.
    FakeTimeSource time;
};

TEST_F(FrameworkGraphics, CommandContextHeapsAndFullWaitsWork)
{
    GraphicsApp app;
    app.md3dDevice = Device();
    ASSERT_HRESULT_SUCCEEDED(
        app.md3dDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&app.mFence)));
    app.CreateCommandContext();
    app.CreateTargetViewHeaps();
    ASSERT_NE(app.mCommandList, nullptr);
    // Two back buffers and the 4-sample target.
    EXPECT_EQ(app.mRtvHeap->GetDesc().NumDescriptors, 3u);
    EXPECT_EQ(app.mDsvHeap->GetDesc().NumDescriptors, 1u);

    // The list was closed after creation; HandleResize's reset, close and
    // execute, then the full wait, as the framework does them.
    ASSERT_HRESULT_SUCCEEDED(app.mCommandList->Reset(app.mDirectCmdListAlloc.Get(), nullptr));
    ASSERT_HRESULT_SUCCEEDED(app.mCommandList->Close());
    ID3D12CommandList* lists[] = {app.mCommandList.Get()};
    app.mCommandQueue->ExecuteCommandLists(1, lists);
    app.WaitForGpuIdle();
    EXPECT_EQ(app.mCurrentFence, 1u);
    EXPECT_EQ(app.mFence->GetCompletedValue(), 1u);
    // Nothing queued: the value is reached at once, and no event is needed.
    app.WaitForGpuIdle();
    EXPECT_EQ(app.mFence->GetCompletedValue(), 2u);
}

// The whole graphics set-up on a message-only window, whose swap chain
// presents nowhere; then the size and key messages that rebuild it.
class ResizeApp : public GraphicsApp
{
public:
    ResizeApp()
    {
        CreateTestWindow();
        EXPECT_TRUE(InitGraphics());
        HandleResize();
        Resizes = 0;
    }

    using D3DApp::InitGraphics;
    using D3DApp::mDepthStencilBuffer;
    using D3DApp::mMsaa4xEnabled;
    using D3DApp::mMsaaTarget;
    using D3DApp::mSwapChain;
    using D3DApp::mSwapChainBuffer;
    using D3DApp::mViewport;

    int Resizes = 0;

protected:
    void HandleResize() override
    {
        ++Resizes;
        D3DApp::HandleResize();
    }
};

TEST_F(FrameworkGraphics, MinimisingPausesWithoutStoppingTheClockAndRestoringRebuilds)
{
    ResizeApp app;
    app.mClock.Restart();
    app.HandleWindowMessage(app.mWindow, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_TRUE(app.mIsPaused);
    EXPECT_TRUE(app.mIsMinimized);
    EXPECT_EQ(app.Resizes, 0);
    time.AdvanceSeconds(0.25);
    app.mClock.Advance();
    EXPECT_FLOAT_EQ(app.mClock.StepSeconds(), 0.25f); // not stopped: the step is measured

    app.HandleWindowMessage(app.mWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 200));
    EXPECT_FALSE(app.mIsPaused);
    EXPECT_FALSE(app.mIsMinimized);
    EXPECT_EQ(app.Resizes, 1);
    EXPECT_EQ(app.mViewport.Width, 320.0f);
    EXPECT_EQ(app.mSwapChainBuffer[0]->GetDesc().Width, 320u);
}

TEST_F(FrameworkGraphics, ADragRebuildsOnceAtItsEndAndResumesTheClock)
{
    ResizeApp app;
    app.mClock.Restart();
    time.AdvanceSeconds(1.0);
    app.mClock.Advance();
    app.HandleWindowMessage(app.mWindow, WM_ENTERSIZEMOVE, 0, 0);
    for (int width : {500, 520, 540})
        app.HandleWindowMessage(app.mWindow, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, 300));
    EXPECT_EQ(app.Resizes, 0);
    time.AdvanceSeconds(3.0); // the drag's time is not running time

    app.HandleWindowMessage(app.mWindow, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(app.mIsPaused);
    EXPECT_FALSE(app.mIsSizing);
    EXPECT_EQ(app.Resizes, 1);
    EXPECT_EQ(app.mSwapChainBuffer[1]->GetDesc().Width, 540u);
    EXPECT_EQ(app.mDepthStencilBuffer->GetDesc().Height, 300u);
    time.AdvanceSeconds(0.5);
    app.mClock.Advance();
    EXPECT_FLOAT_EQ(app.mClock.StepSeconds(), 0.5f);
    EXPECT_FLOAT_EQ(app.mClock.RunningSeconds(), 1.5f);
}

TEST_F(FrameworkGraphics, AResizeToTheSameSizeStillRebuilds)
{
    ResizeApp app;
    const UINT64 fence = app.mCurrentFence;
    app.HandleWindowMessage(app.mWindow, WM_SIZE, SIZE_RESTORED,
                            MAKELPARAM(app.mClientWidth, app.mClientHeight));
    EXPECT_EQ(app.Resizes, 1);
    EXPECT_EQ(app.mCurrentFence, fence + 2); // a full wait before and after
    app.HandleWindowMessage(app.mWindow, WM_SIZE, SIZE_MAXIMIZED,
                            MAKELPARAM(app.mClientWidth, app.mClientHeight));
    EXPECT_EQ(app.Resizes, 2);
    EXPECT_TRUE(app.mIsMaximized);
}

TEST_F(FrameworkGraphics, F2TogglesFourSampleTargetsManyTimesWithoutLeaks)
{
    ResizeApp app;
    for (int i = 0; i < 6; ++i)
    {
        ID3D12Resource* oldBuffer = app.mSwapChainBuffer[0].Get();
        oldBuffer->AddRef();
        app.HandleWindowMessage(app.mWindow, WM_KEYUP, VK_F2, 0);
        const bool on = (i % 2) == 0;
        EXPECT_EQ(app.mMsaa4xEnabled, on);
        // The swap chain stays single-sample; a 4-sample target and depth
        // buffer exist while multisampling is on.
        DXGI_SWAP_CHAIN_DESC desc{};
        ASSERT_HRESULT_SUCCEEDED(app.mSwapChain->GetDesc(&desc));
        EXPECT_EQ(desc.SampleDesc.Count, 1u);
        EXPECT_EQ(app.mSwapChainBuffer[0]->GetDesc().SampleDesc.Count, 1u);
        EXPECT_EQ(app.mDepthStencilBuffer->GetDesc().SampleDesc.Count, on ? 4u : 1u);
        EXPECT_EQ(app.mMsaaTarget != nullptr, on);
        if (on)
        {
            EXPECT_EQ(app.mMsaaTarget->GetDesc().SampleDesc.Count, 4u);
        }
        EXPECT_EQ(oldBuffer->Release(), 0u) << "toggle " << i << " kept an old back buffer";
    }
}

} // namespace
