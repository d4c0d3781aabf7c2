// The application framework: window, message loop, frame clock, device, swap
// chain, resize handling, frame statistics and error reporting. A scene
// derives from D3DApp and fills in the per-pass update and the frame.
#pragma once

#include "FrameClock.h"
#include "d3dUtil.h"

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <string>

class D3DApp;

// The one application of the process; the window procedure reaches it here.
extern D3DApp* gActiveApp;

// Seconds gathered by the main loop since the last drawn frame.
extern float gSecondsSinceDraw;

LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

class D3DApp
{
protected:
    explicit D3DApp(HINSTANCE instance);

public:
    D3DApp(const D3DApp&) = delete;
    D3DApp& operator=(const D3DApp&) = delete;

    virtual ~D3DApp();
    // The window, the graphics, the music, then the first resize; false when
    // a step fails (there is no window). A scene adds its own steps after
    // these.
    virtual bool StartUp();
    virtual LRESULT HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    int RunLoop();
    float ClientAspect() const;

protected:
    virtual void CreateTargetViewHeaps();
    virtual void HandleResize();
    virtual void UpdateFrame(const FrameClock& clock) = 0;
    virtual void DrawFrame(const FrameClock& clock) = 0;
    virtual void HandleMouseDown(WPARAM flags, int x, int y);
    virtual void HandleMouseUp(WPARAM flags, int x, int y);
    virtual void HandleMouseMove(WPARAM flags, int x, int y);

    // The steps of StartUp, each of which a variant of the program (the
    // capture, say) may replace. The window step also sets the client size
    // that the graphics are made for.
    virtual bool InitMainWindow();
    virtual bool InitGraphics();
    virtual void StartMusic();
    // Called after each step of the start-up, the scene's included, with the
    // step's name; does nothing here. The start-up benchmark times the steps
    // through it.
    virtual void OnStartUpStep(const char* step);

    void CreateCommandContext();
    void BuildSwapChain();
    void WaitForGpuIdle();
    void WaitForGpuIdleOnExit() noexcept;
    void UpdateFrameStats();

    // The frame's render target: the current back buffer, or the 4-sample
    // target while multisampling is on. A frame calls PrepareFrameTarget
    // before drawing and FinishFrameTarget before presenting; the latter
    // resolves the 4-sample target into the back buffer.
    ID3D12Resource* CurrentBackBuffer() const;
    D3D12_CPU_DESCRIPTOR_HANDLE CurrentBackBufferView() const;
    D3D12_CPU_DESCRIPTOR_HANDLE CurrentTargetView() const;
    D3D12_CPU_DESCRIPTOR_HANDLE DepthStencilView() const;
    void PrepareFrameTarget(ID3D12GraphicsCommandList* list);
    void FinishFrameTarget(ID3D12GraphicsCommandList* list);

private:
    void ReleaseFrameTargets();
    void CreateMsaaTarget();

protected:
    static constexpr int SwapChainBufferCount = 2;
    static constexpr UINT MsaaSampleCount = 4;
    static constexpr float ClearColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};

    HINSTANCE mInstance = nullptr;
    HWND mWindow = 0;
    bool mIsPaused = false;
    bool mIsMinimized = false;
    bool mIsMaximized = false;
    bool mIsSizing = false;
    bool mMsaa4xEnabled = false;
    UINT mMsaa4xQuality = 0;

    FrameClock mClock;

    Microsoft::WRL::ComPtr<IDXGIFactory4> mdxgiFactory;
    Microsoft::WRL::ComPtr<IDXGISwapChain> mSwapChain;
    Microsoft::WRL::ComPtr<ID3D12Device> md3dDevice;

    Microsoft::WRL::ComPtr<ID3D12Fence> mFence;
    UINT64 mCurrentFence = 0;

    Microsoft::WRL::ComPtr<ID3D12CommandQueue> mCommandQueue;
    Microsoft::WRL::ComPtr<ID3D12CommandAllocator> mDirectCmdListAlloc;
    Microsoft::WRL::ComPtr<ID3D12GraphicsCommandList> mCommandList;

    int mBackBufferIndex = 0;
    Microsoft::WRL::ComPtr<ID3D12Resource> mSwapChainBuffer[SwapChainBufferCount];
    Microsoft::WRL::ComPtr<ID3D12Resource> mDepthStencilBuffer;
    Microsoft::WRL::ComPtr<ID3D12Resource> mMsaaTarget;

    Microsoft::WRL::ComPtr<ID3D12DescriptorHeap> mRtvHeap;
    Microsoft::WRL::ComPtr<ID3D12DescriptorHeap> mDsvHeap;

    D3D12_VIEWPORT mViewport{};
    D3D12_RECT mScissor{};

    UINT mRtvIncrement = 0;
    UINT mDsvIncrement = 0;
    UINT mCbvSrvUavIncrement = 0;

    std::wstring mWindowTitle = L"d3d App";
    DXGI_FORMAT mBackBufferFormat = DXGI_FORMAT_R8G8B8A8_UNORM;
    DXGI_FORMAT mDepthFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
    int mClientWidth = 800;
    int mClientHeight = 600;
};

// The program's entry: constructs the one application, starts it and runs the
// loop. A DxException from anywhere ends the program with the "HR Failed"
// report, after the application has been destroyed; the exit code is 0.
template <class App> int RunApplication(HINSTANCE instance)
{
    try
    {
        App app(instance);
        if (!app.StartUp())
            return 0;
        return app.RunLoop();
    }
    catch (DxException& e)
    {
        MessageBoxW(0, e.Describe().c_str(), L"HR Failed", MB_OK);
        return 0;
    }
}
