// The demo's scene application, unchanged, drawn into the capture: a window
// of the requested size that is never shown, no music, and each kept frame
// read back from the back buffer it was presented from and handed on. The
// readback of a frame and its writing overlap the drawing of the next ones.
#pragma once

#include "CaptureOptions.h"
#include "FrameSink.h"
#include "ShapesApp.h"
#include "SinkThread.h"

#include <memory>
#include <vector>

class CaptureApp : public ShapesApp
{
public:
    CaptureApp(HINSTANCE instance, const CaptureOptions& options, FrameSink& sink);
    ~CaptureApp() override;

    bool StartUp() override;
    // Hands the frames still being read back to the sink and waits until it
    // has written them all; call it once the loop has ended.
    void FinishFrames();

    // The frame's number in the whole run, and the range the options keep.
    int FirstKeptFrame() const { return mFirstFrame; }
    int LastKeptFrame() const { return mLastFrame; }
    int FramesKept() const { return mFramesKept; }
    // False once the sink refused a frame (the loop then ends).
    bool SinkFailed() const { return mSinkFailed; }

    // One kept frame's cost: wall time from the start of its drawing until
    // the GPU finished it (the benchmark waits for each frame), and the CPU
    // time of this thread since the frame before (its update passes
    // included).
    struct FrameCost
    {
        float RunningSeconds;
        double FrameMilliseconds;
        double CpuMilliseconds;
    };
    const std::vector<FrameCost>& Costs() const { return mCosts; }

protected:
    bool InitMainWindow() override;
    bool InitGraphics() override;
    void StartMusic() override;
    void DrawFrame(const FrameClock& clock) override;

private:
    // A buffer the presented back buffer is copied into, with the list that
    // copies and the fence value that marks the copy done.
    struct ReadbackSlot
    {
        Microsoft::WRL::ComPtr<ID3D12CommandAllocator> Allocator;
        Microsoft::WRL::ComPtr<ID3D12GraphicsCommandList> List;
        Microsoft::WRL::ComPtr<ID3D12Resource> Buffer;
        UINT64 Fence = 0;
        int Frame = 0; // the frame being copied in; 0 when none
    };
    // As many as the frames the GPU may have in flight: waiting for a slot
    // then waits only for a copy the GPU has most likely finished.
    static constexpr int ReadbackRingSize = FrameRingSize;
    // Frames copied out and waiting for the sink.
    static constexpr size_t SinkQueueDepth = 2;

    bool Keeps(int frame) const;
    void ReadBack(ID3D12Resource* backBuffer);
    // Hands over the pending frames, oldest first: those whose copy the GPU
    // has finished, or, with `all`, every one, waiting for them.
    void HandOverReadbacks(bool all);
    void HandOver(ReadbackSlot& slot);

    const CaptureOptions& mOptions;
    FrameSink& mSink;
    int mFrame = 0;
    int mFirstFrame = 0;
    int mLastFrame = 0;
    int mFramesKept = 0;
    bool mSinkFailed = false;
    double mCpuAtLastFrame = 0.0;
    std::vector<FrameCost> mCosts;

    ReadbackSlot mReadbacks[ReadbackRingSize];
    int mNextReadback = 0;
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT mFootprint{};
    std::unique_ptr<SinkThread> mSinkThread;
};
