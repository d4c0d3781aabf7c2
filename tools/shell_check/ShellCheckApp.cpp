// The application shell on its own: a D3DApp whose frame clears the back
// buffer to a colour that changes with time and presents it. It runs the
// whole shell (window, messages, device, swap chain, resize, multisampling,
// statistics, music) before any scene exists.
#include "d3dApp.h"

#include <cmath>
#include <cstdio>

class ShellCheckApp : public D3DApp
{
public:
    explicit ShellCheckApp(HINSTANCE instance) : D3DApp(instance) {}

protected:
    void UpdateFrame(const FrameClock&) override {}

    // Mouse input is written to the debugger output, where tests read it.
    void HandleMouseDown(WPARAM flags, int x, int y) override { Report("down", flags, x, y); }
    void HandleMouseUp(WPARAM flags, int x, int y) override { Report("up", flags, x, y); }
    void HandleMouseMove(WPARAM flags, int x, int y) override { Report("move", flags, x, y); }

    static void Report(const char* what, WPARAM flags, int x, int y)
    {
        char line[96];
        std::snprintf(line, sizeof line, "mouse %s flags=0x%x x=%d y=%d\n", what, unsigned(flags),
                      x, y);
        OutputDebugStringA(line);
    }

    void DrawFrame(const FrameClock& clock) override
    {
        CheckHr(mDirectCmdListAlloc->Reset());
        CheckHr(mCommandList->Reset(mDirectCmdListAlloc.Get(), nullptr));
        mCommandList->RSSetViewports(1, &mViewport);
        mCommandList->RSSetScissorRects(1, &mScissor);
        PrepareFrameTarget(mCommandList.Get());

        const float t = clock.RunningSeconds();
        const float colour[4] = {0.5f + 0.5f * std::sin(t), 0.5f + 0.5f * std::sin(t * 0.7f + 2.0f),
                                 0.5f + 0.5f * std::sin(t * 1.3f + 4.0f), 1.0f};
        mCommandList->ClearRenderTargetView(CurrentTargetView(), colour, 0, nullptr);
        mCommandList->ClearDepthStencilView(DepthStencilView(),
                                            D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f,
                                            0, 0, nullptr);

        FinishFrameTarget(mCommandList.Get());
        CheckHr(mCommandList->Close());
        ID3D12CommandList* lists[] = {mCommandList.Get()};
        mCommandQueue->ExecuteCommandLists(1, lists);
        CheckHr(mSwapChain->Present(0, 0));
        mBackBufferIndex = (mBackBufferIndex + 1) % SwapChainBufferCount;

        // One allocator for every frame: wait before it is reset again.
        WaitForGpuIdle();
    }
};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    return RunApplication<ShellCheckApp>(hInstance);
}
