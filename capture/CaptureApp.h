// The demo's scene application, unchanged, drawn into the capture: a window
// of the requested size that is never shown, no music, and each kept frame
// read back from the back buffer it was presented from and handed on.
#pragma once

#include "CaptureOptions.h"
#include "FrameSink.h"
#include "ShapesApp.h"

#include <vector>

class CaptureApp : public ShapesApp
{
public:
    CaptureApp(HINSTANCE instance, const CaptureOptions& options, FrameSink& sink);

    bool StartUp() override;

    // The frame's number in the whole run, and the range the options keep.
    int FirstKeptFrame() const { return mFirstFrame; }
    int LastKeptFrame() const { return mLastFrame; }
    int FramesKept() const { return mFramesKept; }
    // False once the sink refused a frame (the loop then ends).
    bool SinkFailed() const { return mSinkFailed; }

    // One kept frame's cost: wall time from the start of its drawing until
    // the GPU finished it, and the CPU time of this thread since the frame
    // before (its update passes included).
    struct FrameCost
    {
        float RunningSeconds;
        double FrameMilliseconds;
        double CpuMilliseconds;
    };
    const std::vector<FrameCost>& Costs() const { return mCosts; }

protected:
    void DrawFrame(const FrameClock& clock) override;

private:
    bool Keeps(int frame) const;
    void ReadBack(ID3D12Resource* backBuffer);

    const CaptureOptions& mOptions;
    FrameSink& mSink;
    int mFrame = 0;
    int mFirstFrame = 0;
    int mLastFrame = 0;
    int mFramesKept = 0;
    bool mSinkFailed = false;
    double mCpuAtLastFrame = 0.0;
    std::vector<FrameCost> mCosts;

    Microsoft::WRL::ComPtr<ID3D12CommandAllocator> mReadbackAllocator;
    Microsoft::WRL::ComPtr<ID3D12GraphicsCommandList> mReadbackList;
    Microsoft::WRL::ComPtr<ID3D12Resource> mReadbackBuffer;
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT mFootprint{};
};
