// D3DApp: start-up, the device and its command objects, the swap chain, the
// size-dependent targets and the full GPU wait.
#include "d3dApp.h"

#include <music.h>

using Microsoft::WRL::ComPtr;

bool D3DApp::StartUp()
{
    if (!InitMainWindow())
        return false;
    OnStartUpStep("window");
    if (!InitGraphics())
        return false;
    OnStartUpStep("device, queue, swap chain");
    StartMusic();
    OnStartUpStep("music");
    HandleResize();
    OnStartUpStep("first resize");
    return true;
}

void D3DApp::OnStartUpStep(const char*) {}

bool D3DApp::InitMainWindow()
{
    WNDCLASSW wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = AppWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = mInstance;
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = L"harrowlanefox";
    if (!RegisterClassW(&wc))
    {
        MessageBoxW(0, L"RegisterClass Failed.", nullptr, MB_OK);
        return false;
    }

    RECT rect = {0, 0, mClientWidth, mClientHeight};
    AdjustWindowRect(&rect, WS_MAXIMIZEBOX, TRUE);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    mWindow = CreateWindowExW(0, L"harrowlanefox", mWindowTitle.c_str(), WS_POPUP, CW_USEDEFAULT,
                              CW_USEDEFAULT, width, height, 0, nullptr, mInstance, nullptr);
    if (!mWindow)
    {
        MessageBoxW(0, L"CreateWindow Failed.", nullptr, MB_OK);
        return false;
    }

    // Size messages sent while the window is created and shown only record
    // the client size, which InitGraphics then uses.
    ShowWindow(mWindow, SW_SHOWMAXIMIZED);
    UpdateWindow(mWindow);
    return true;
}

void D3DApp::StartMusic()
{
    // Started once and never touched again: the results are ignored, so a
    // missing file or audio device leaves the demo running silently.
    music::System* system = nullptr;
    music::Sound* sound = nullptr;
    music::Channel* channel = nullptr;
    music::CreateSystem(&system);
    music::Init(system, 100);
    music::CreateStream(system, "2.mp3", &sound);
    music::PlaySound(system, sound, false, &channel);
}

bool D3DApp::InitGraphics()
{
    mdxgiFactory.Reset();
    CheckHr(CreateDXGIFactory1(IID_PPV_ARGS(&mdxgiFactory)));

    // The default adapter first; where it cannot make a device, the software
    // (WARP) adapter.
    md3dDevice.Reset();
    HRESULT hardwareResult =
        D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&md3dDevice));
    if (FAILED(hardwareResult))
    {
        ComPtr<IDXGIAdapter> pWarpAdapter;
        CheckHr(mdxgiFactory->EnumWarpAdapter(IID_PPV_ARGS(&pWarpAdapter)));

        md3dDevice.Reset();
        // The failure report quotes a check's expression as written, its line
        // breaks read as single spaces: check sites keep their layout, here
        // and wherever formatting is switched off around a check below.
        // clang-format off
        CheckHr(D3D12CreateDevice(
            pWarpAdapter.Get(),
            D3D_FEATURE_LEVEL_11_0,
            IID_PPV_ARGS(&md3dDevice)));
        // clang-format on
        pWarpAdapter.Reset();
    }

    mFence.Reset();
    CheckHr(md3dDevice->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&mFence)));

    mRtvIncrement = md3dDevice->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
    mDsvIncrement = md3dDevice->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_DSV);
    mCbvSrvUavIncrement =
        md3dDevice->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);

    D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS msQualityLevels;
    msQualityLevels.Format = mBackBufferFormat;
    msQualityLevels.SampleCount = 4;
    msQualityLevels.Flags = D3D12_MULTISAMPLE_QUALITY_LEVELS_FLAG_NONE;
    msQualityLevels.NumQualityLevels = 0;
    // clang-format off
    CheckHr(md3dDevice->CheckFeatureSupport(
        D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS,
        &msQualityLevels,
        sizeof(msQualityLevels)));
    // clang-format on
    mMsaa4xQuality = msQualityLevels.NumQualityLevels;

    CreateCommandContext();
    BuildSwapChain();
    CreateTargetViewHeaps();
    return true;
}

void D3DApp::CreateCommandContext()
{
    D3D12_COMMAND_QUEUE_DESC queueDesc = {};
    queueDesc.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
    queueDesc.Flags = D3D12_COMMAND_QUEUE_FLAG_NONE;
    mCommandQueue.Reset();
    CheckHr(md3dDevice->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&mCommandQueue)));

    // clang-format off
    CheckHr(md3dDevice->CreateCommandAllocator(
        D3D12_COMMAND_LIST_TYPE_DIRECT,
        IID_PPV_ARGS(mDirectCmdListAlloc.GetAddressOf())));
    // clang-format on

    // clang-format off
    CheckHr(md3dDevice->CreateCommandList(
        0,
        D3D12_COMMAND_LIST_TYPE_DIRECT,
        mDirectCmdListAlloc.Get(),
        nullptr,
        IID_PPV_ARGS(mCommandList.GetAddressOf())));
    // clang-format on

    // A list is created open; every user resets it before recording.
    mCommandList->Close();
}

void D3DApp::BuildSwapChain()
{
    // A swap chain can only be replaced once nothing holds its buffers: let
    // the GPU finish with them, then release every size-dependent target.
    if (mSwapChain)
    {
        WaitForGpuIdle();
        ReleaseFrameTargets();
    }
    mSwapChain.Reset();

    DXGI_SWAP_CHAIN_DESC sd;
    sd.BufferDesc.Width = UINT(mClientWidth);
    sd.BufferDesc.Height = UINT(mClientHeight);
    sd.BufferDesc.RefreshRate.Numerator = 60;
    sd.BufferDesc.RefreshRate.Denominator = 1;
    sd.BufferDesc.Format = mBackBufferFormat;
    sd.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
    sd.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
    // A flip-model swap chain is never multisampled: with multisampling on,
    // frames are drawn into a separate 4-sample target and resolved into the
    // back buffer (see HandleResize and FinishFrameTarget).
    sd.SampleDesc.Count = 1;
    sd.SampleDesc.Quality = 0;
    sd.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    sd.BufferCount = SwapChainBufferCount;
    sd.OutputWindow = mWindow;
    sd.Windowed = TRUE;
    sd.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
    sd.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;

    // clang-format off
    CheckHr(mdxgiFactory->CreateSwapChain(
        mCommandQueue.Get(),
        &sd,
        mSwapChain.GetAddressOf()));
    // clang-format on
}

void D3DApp::CreateTargetViewHeaps()
{
    D3D12_DESCRIPTOR_HEAP_DESC rtvHeapDesc;
    rtvHeapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_RTV;
    rtvHeapDesc.NumDescriptors = SwapChainBufferCount + 1; // + the 4-sample target
    rtvHeapDesc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_NONE;
    rtvHeapDesc.NodeMask = 0;
    // clang-format off
    CheckHr(md3dDevice->CreateDescriptorHeap(
        &rtvHeapDesc, IID_PPV_ARGS(mRtvHeap.GetAddressOf())));
    // clang-format on

    D3D12_DESCRIPTOR_HEAP_DESC dsvHeapDesc;
    dsvHeapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_DSV;
    dsvHeapDesc.NumDescriptors = 1;
    dsvHeapDesc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_NONE;
    dsvHeapDesc.NodeMask = 0;
    // clang-format off
    CheckHr(md3dDevice->CreateDescriptorHeap(
        &dsvHeapDesc, IID_PPV_ARGS(mDsvHeap.GetAddressOf())));
    // clang-format on
}

void D3DApp::HandleResize()
{
    WaitForGpuIdle();

    CheckHr(mCommandList->Reset(mDirectCmdListAlloc.Get(), nullptr));

    ReleaseFrameTargets();

    // clang-format off
    CheckHr(mSwapChain->ResizeBuffers(
        SwapChainBufferCount,
        mClientWidth, mClientHeight,
        mBackBufferFormat,
        DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH));
    // clang-format on

    mBackBufferIndex = 0;

    CD3DX12_CPU_DESCRIPTOR_HANDLE rtvHeapHandle(CpuHeapStart(mRtvHeap.Get()));
    for (UINT i = 0; i < SwapChainBufferCount; i++)
    {
        CheckHr(mSwapChain->GetBuffer(i, IID_PPV_ARGS(&mSwapChainBuffer[i])));
        md3dDevice->CreateRenderTargetView(mSwapChainBuffer[i].Get(), nullptr, rtvHeapHandle);
        rtvHeapHandle.Offset(1, mRtvIncrement);
    }

    D3D12_RESOURCE_DESC depthStencilDesc;
    depthStencilDesc.Dimension = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
    depthStencilDesc.Alignment = 0;
    depthStencilDesc.Width = UINT64(int64_t(mClientWidth));
    depthStencilDesc.Height = UINT(mClientHeight);
    depthStencilDesc.DepthOrArraySize = 1;
    depthStencilDesc.MipLevels = 1;
    depthStencilDesc.Format = DXGI_FORMAT_R24G8_TYPELESS;
    depthStencilDesc.SampleDesc.Count = mMsaa4xEnabled ? 4 : 1;
    depthStencilDesc.SampleDesc.Quality = mMsaa4xEnabled ? (mMsaa4xQuality - 1) : 0;
    depthStencilDesc.Layout = D3D12_TEXTURE_LAYOUT_UNKNOWN;
    depthStencilDesc.Flags = D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL;

    D3D12_CLEAR_VALUE optClear;
    optClear.Format = mDepthFormat;
    optClear.DepthStencil.Depth = 1.0f;
    optClear.DepthStencil.Stencil = 0;
    // clang-format off
    CheckHr(md3dDevice->CreateCommittedResource(
        &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT),
        D3D12_HEAP_FLAG_NONE,
        &depthStencilDesc,
        D3D12_RESOURCE_STATE_COMMON,
        &optClear,
        IID_PPV_ARGS(mDepthStencilBuffer.GetAddressOf())));
    // clang-format on

    D3D12_DEPTH_STENCIL_VIEW_DESC dsvDesc;
    dsvDesc.Flags = D3D12_DSV_FLAG_NONE;
    // A multisampled depth buffer needs a multisampled view.
    dsvDesc.ViewDimension =
        mMsaa4xEnabled ? D3D12_DSV_DIMENSION_TEXTURE2DMS : D3D12_DSV_DIMENSION_TEXTURE2D;
    dsvDesc.Format = mDepthFormat;
    dsvDesc.Texture2D.MipSlice = 0;
    md3dDevice->CreateDepthStencilView(mDepthStencilBuffer.Get(), &dsvDesc,
                                       CpuHeapStart(mDsvHeap.Get()));

    if (mMsaa4xEnabled)
        CreateMsaaTarget();

    mCommandList->ResourceBarrier(1, &CD3DX12_RESOURCE_BARRIER::Transition(
                                         mDepthStencilBuffer.Get(), D3D12_RESOURCE_STATE_COMMON,
                                         D3D12_RESOURCE_STATE_DEPTH_WRITE));

    CheckHr(mCommandList->Close());
    ID3D12CommandList* cmdsLists[] = {mCommandList.Get()};
    mCommandQueue->ExecuteCommandLists(_countof(cmdsLists), cmdsLists);

    WaitForGpuIdle();

    mViewport.TopLeftX = 0;
    mViewport.TopLeftY = 0;
    mViewport.Width = float(mClientWidth);
    mViewport.Height = float(mClientHeight);
    mViewport.MinDepth = 0.0f;
    mViewport.MaxDepth = 1.0f;

    mScissor = {0, 0, mClientWidth, mClientHeight};
}

void D3DApp::ReleaseFrameTargets()
{
    for (int i = 0; i < SwapChainBufferCount; ++i)
        mSwapChainBuffer[i].Reset();
    mDepthStencilBuffer.Reset();
    mMsaaTarget.Reset();
}

void D3DApp::CreateMsaaTarget()
{
    const CD3DX12_RESOURCE_DESC msaaDesc = CD3DX12_RESOURCE_DESC::Tex2D(
        mBackBufferFormat, UINT64(mClientWidth), UINT(mClientHeight), 1, 1, MsaaSampleCount,
        mMsaa4xQuality - 1, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
    const CD3DX12_CLEAR_VALUE clear(mBackBufferFormat, ClearColor);
    // It rests in the resolve-source state between frames.
    CheckHr(md3dDevice->CreateCommittedResource(
        &CD3DX12_HEAP_PROPERTIES(D3D12_HEAP_TYPE_DEFAULT), D3D12_HEAP_FLAG_NONE, &msaaDesc,
        D3D12_RESOURCE_STATE_RESOLVE_SOURCE, &clear, IID_PPV_ARGS(mMsaaTarget.GetAddressOf())));
    md3dDevice->CreateRenderTargetView(mMsaaTarget.Get(), nullptr, CurrentTargetView());
}

ID3D12Resource* D3DApp::CurrentBackBuffer() const
{
    return mSwapChainBuffer[mBackBufferIndex].Get();
}

D3D12_CPU_DESCRIPTOR_HANDLE D3DApp::CurrentBackBufferView() const
{
    return CD3DX12_CPU_DESCRIPTOR_HANDLE(CpuHeapStart(mRtvHeap.Get()), mBackBufferIndex,
                                         mRtvIncrement);
}

D3D12_CPU_DESCRIPTOR_HANDLE D3DApp::CurrentTargetView() const
{
    if (!mMsaa4xEnabled)
        return CurrentBackBufferView();
    return CD3DX12_CPU_DESCRIPTOR_HANDLE(CpuHeapStart(mRtvHeap.Get()), SwapChainBufferCount,
                                         mRtvIncrement);
}

D3D12_CPU_DESCRIPTOR_HANDLE D3DApp::DepthStencilView() const
{
    return CpuHeapStart(mDsvHeap.Get());
}

void D3DApp::PrepareFrameTarget(ID3D12GraphicsCommandList* list)
{
    const D3D12_RESOURCE_BARRIER barrier =
        mMsaa4xEnabled ? CD3DX12_RESOURCE_BARRIER::Transition(mMsaaTarget.Get(),
                                                              D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
                                                              D3D12_RESOURCE_STATE_RENDER_TARGET)
                       : CD3DX12_RESOURCE_BARRIER::Transition(CurrentBackBuffer(),
                                                              D3D12_RESOURCE_STATE_PRESENT,
                                                              D3D12_RESOURCE_STATE_RENDER_TARGET);
    list->ResourceBarrier(1, &barrier);
}

void D3DApp::FinishFrameTarget(ID3D12GraphicsCommandList* list)
{
    if (!mMsaa4xEnabled)
    {
        const D3D12_RESOURCE_BARRIER toPresent = CD3DX12_RESOURCE_BARRIER::Transition(
            CurrentBackBuffer(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
        list->ResourceBarrier(1, &toPresent);
        return;
    }
    const D3D12_RESOURCE_BARRIER toResolve[] = {
        CD3DX12_RESOURCE_BARRIER::Transition(mMsaaTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                             D3D12_RESOURCE_STATE_RESOLVE_SOURCE),
        CD3DX12_RESOURCE_BARRIER::Transition(CurrentBackBuffer(), D3D12_RESOURCE_STATE_PRESENT,
                                             D3D12_RESOURCE_STATE_RESOLVE_DEST)};
    list->ResourceBarrier(2, toResolve);
    list->ResolveSubresource(CurrentBackBuffer(), 0, mMsaaTarget.Get(), 0, mBackBufferFormat);
    const D3D12_RESOURCE_BARRIER toPresent = CD3DX12_RESOURCE_BARRIER::Transition(
        CurrentBackBuffer(), D3D12_RESOURCE_STATE_RESOLVE_DEST, D3D12_RESOURCE_STATE_PRESENT);
    list->ResourceBarrier(1, &toPresent);
}

void D3DApp::WaitForGpuIdle()
{
    mCurrentFence++;

    CheckHr(mCommandQueue->Signal(mFence.Get(), mCurrentFence));

    if (mFence->GetCompletedValue() < mCurrentFence)
    {
        HANDLE eventHandle = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
        CheckHr(mFence->SetEventOnCompletion(mCurrentFence, eventHandle));
        WaitForSingleObject(eventHandle, INFINITE);
        CloseHandle(eventHandle);
    }
}

void D3DApp::WaitForGpuIdleOnExit() noexcept
{
    // A start-up that failed before the queue or the fence existed has
    // nothing to wait for. A wait that fails (the device is lost) ends the
    // wait: the destructors may be running for an exception on its way to
    // the entry point, and a second one thrown here would end the process.
    if (md3dDevice == nullptr || mCommandQueue == nullptr || mFence == nullptr)
        return;
    try
    {
        WaitForGpuIdle();
    }
    catch (const DxException&)
    {
    }
}
