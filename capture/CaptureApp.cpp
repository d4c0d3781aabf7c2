#include "CaptureApp.h"

#include <chrono>
#include <cmath>
#include <ctime>

using Microsoft::WRL::ComPtr;

namespace
{

double ThreadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

CaptureApp::CaptureApp(HINSTANCE instance, const CaptureOptions& options, FrameSink& sink)
    : ShapesApp(instance), mOptions(options), mSink(sink)
{
    // Frame n is drawn at n/60 s of running time: the range in frames.
    mFirstFrame = int(std::ceil(options.From * FramesPerSecond - 1e-9));
    mLastFrame = int(std::floor(options.To * FramesPerSecond + 1e-9));
}

CaptureApp::~CaptureApp()
{
    // A run that failed may leave copies into the readback buffers running.
    WaitForGpuIdleOnExit();
}

bool CaptureApp::InitMainWindow()
{
    // A message-only window, never shown, with the client size the options
    // ask for rather than the display's.
    WNDCLASSW wc{};
    wc.lpfnWndProc = AppWindowProc;
    wc.hInstance = mInstance;
    wc.lpszClassName = L"CityCapture";
    if (!RegisterClassW(&wc))
        return false;
    mWindow = CreateWindowExW(0, L"CityCapture", mWindowTitle.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, mInstance, nullptr);
    if (!mWindow)
        return false;
    mClientWidth = mOptions.Width;
    mClientHeight = mOptions.Height;
    return true;
}

bool CaptureApp::InitGraphics()
{
    if (!ShapesApp::InitGraphics())
        return false;
    if (mOptions.Msaa)
    {
        // The same targets and pipelines the multisampling key gives: the
        // first resize and the scene's pipelines follow the setting.
        mMsaa4xEnabled = true;
        if (mMsaa4xQuality == 0)
            throw DxException(E_INVALIDARG, L"mMsaa4xQuality != 0", WidenAnsi(__FILE__), __LINE__);
    }
    return true;
}

// The video takes its sound from the music file itself (see FrameSink).
void CaptureApp::StartMusic() {}

bool CaptureApp::StartUp()
{
    // The program's start-up with the steps above, then the readback ring.
    if (!ShapesApp::StartUp())
        return false;

    const D3D12_RESOURCE_DESC desc = mSwapChainBuffer[0]->GetDesc();
    UINT64 bytes = 0;
    md3dDevice->GetCopyableFootprints(&desc, 0, 1, 0, &mFootprint, nullptr, nullptr, &bytes);
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_READBACK);
    const CD3DX12_RESOURCE_DESC buffer = CD3DX12_RESOURCE_DESC::Buffer(bytes);
    for (ReadbackSlot& slot : mReadbacks)
    {
        CheckHr(md3dDevice->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                   IID_PPV_ARGS(&slot.Allocator)));
        CheckHr(md3dDevice->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT,
                                              slot.Allocator.Get(), nullptr,
                                              IID_PPV_ARGS(&slot.List)));
        CheckHr(slot.List->Close());
        CheckHr(md3dDevice->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &buffer,
                                                    D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                                    IID_PPV_ARGS(&slot.Buffer)));
    }
    mSinkThread = std::make_unique<SinkThread>(mSink, mOptions.Height, size_t(mOptions.Width) * 4,
                                               SinkQueueDepth);
    mCpuAtLastFrame = ThreadCpuMilliseconds();
    return true;
}

bool CaptureApp::Keeps(int frame) const
{
    // At 30 frames per second every second frame of the run is kept.
    return frame >= mFirstFrame && frame <= mLastFrame &&
           (mOptions.Fps == FramesPerSecond || frame % 2 == 0);
}

void CaptureApp::DrawFrame(const FrameClock& clock)
{
    const int frame = ++mFrame;
    // Frames outside the range are simulated (every update pass runs) but
    // not drawn: the camera and the spheres are where a full run has them.
    if (Keeps(frame) && !mSinkFailed)
    {
        const auto start = std::chrono::steady_clock::now();
        ShapesApp::DrawFrame(clock);
        // The frame just presented is the one before the next back buffer.
        const int presented = (mBackBufferIndex + SwapChainBufferCount - 1) % SwapChainBufferCount;
        if (mOptions.Bench)
            WaitForGpuIdle();
        else
            ReadBack(mSwapChainBuffer[presented].Get());
        const double cpu = ThreadCpuMilliseconds();
        const std::chrono::duration<double, std::milli> wall =
            std::chrono::steady_clock::now() - start;
        mCosts.push_back({clock.RunningSeconds(), wall.count(), cpu - mCpuAtLastFrame});
        mCpuAtLastFrame = cpu;
        ++mFramesKept;
    }
    else if (frame < mFirstFrame)
    {
        mCpuAtLastFrame = ThreadCpuMilliseconds();
    }
    if (frame >= mLastFrame || mSinkFailed)
        PostQuitMessage(0);
}

void CaptureApp::FinishFrames()
{
    HandOverReadbacks(true);
    if (!mSinkThread->Flush())
        mSinkFailed = true;
}

void CaptureApp::ReadBack(ID3D12Resource* backBuffer)
{
    // The slot's frame is the oldest pending one: it goes first, and the
    // allocator is reset only once the GPU has finished its copy.
    ReadbackSlot& slot = mReadbacks[mNextReadback];
    if (slot.Frame != 0)
        HandOver(slot);
    CheckHr(slot.Allocator->Reset());
    CheckHr(slot.List->Reset(slot.Allocator.Get(), nullptr));
    const D3D12_RESOURCE_BARRIER toCopy = CD3DX12_RESOURCE_BARRIER::Transition(
        backBuffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_COPY_SOURCE);
    slot.List->ResourceBarrier(1, &toCopy);
    const CD3DX12_TEXTURE_COPY_LOCATION to(slot.Buffer.Get(), mFootprint);
    const CD3DX12_TEXTURE_COPY_LOCATION from(backBuffer, 0);
    slot.List->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
    const D3D12_RESOURCE_BARRIER back = CD3DX12_RESOURCE_BARRIER::Transition(
        backBuffer, D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_PRESENT);
    slot.List->ResourceBarrier(1, &back);
    CheckHr(slot.List->Close());
    ID3D12CommandList* lists[] = {slot.List.Get()};
    mCommandQueue->ExecuteCommandLists(1, lists);
    slot.Fence = ++mCurrentFence;
    CheckHr(mCommandQueue->Signal(mFence.Get(), slot.Fence));
    slot.Frame = mFrame;
    mNextReadback = (mNextReadback + 1) % ReadbackRingSize;

    // Earlier frames whose copy is done go to the sink now, not when their
    // slot comes round again.
    HandOverReadbacks(false);
}

void CaptureApp::HandOverReadbacks(bool all)
{
    // Pending slots follow the next one to be used, oldest first.
    for (int i = 0; i < ReadbackRingSize; ++i)
    {
        ReadbackSlot& slot = mReadbacks[(mNextReadback + i) % ReadbackRingSize];
        if (slot.Frame == 0)
            continue;
        if (!all && mFence->GetCompletedValue() < slot.Fence)
            return;
        HandOver(slot);
    }
}

void CaptureApp::HandOver(ReadbackSlot& slot)
{
    if (mFence->GetCompletedValue() < slot.Fence)
    {
        HANDLE eventHandle = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
        CheckHr(mFence->SetEventOnCompletion(slot.Fence, eventHandle));
        WaitForSingleObject(eventHandle, INFINITE);
        CloseHandle(eventHandle);
    }
    const int frame = slot.Frame;
    slot.Frame = 0;
    // After a refusal the frames still in flight are dropped.
    if (mSinkFailed)
        return;
    void* data = nullptr;
    CheckHr(slot.Buffer->Map(0, nullptr, &data));
    if (!mSinkThread->Write(frame, static_cast<const uint8_t*>(data) + mFootprint.Offset,
                            mFootprint.Footprint.RowPitch))
        mSinkFailed = true;
    slot.Buffer->Unmap(0, nullptr);
}
