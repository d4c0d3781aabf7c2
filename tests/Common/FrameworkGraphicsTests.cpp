// The framework's own graphics code on the runtime, unchanged: the command
// context, the view heaps, the multisample query and the full GPU wait (the
// swap chain arrives with the window, so InitGraphics as a whole waits for it).
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
    EXPECT_EQ(app.mRtvHeap->GetDesc().NumDescriptors, 2u);
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

} // namespace
