// The capture's performance counter: a virtual clock that moves by exactly
// one tick of 1/1500 s each time it is read, and the main loop reads it once
// per idle pass. Sleeping takes no time.
#pragma once

#include "RunTiming.h"

#include <win32_time_source.h>

#include <cstdint>

class VirtualClock : public win32::TimeSource
{
public:
    static constexpr int64_t PassesPerSecond = 1500;
    // Each pass opens the camera's finest drift gate, so the camera moves as
    // on a machine fast enough for it, and the frame gate opens on exactly
    // every 25th pass: FramesPerSecond frames a second of running time.
    static_assert(1.0 / PassesPerSecond > FinestDriftGateSeconds);
    static_assert(int(FrameGateSeconds * PassesPerSecond) + 1 == PassesPerSecond / FramesPerSecond);

    VirtualClock() { win32::SetTimeSource(this); }
    ~VirtualClock() override { win32::SetTimeSource(nullptr); }
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    int64_t Counter() override { return mTicks++; }
    int64_t Frequency() override { return PassesPerSecond; }
    void Sleep(uint32_t) override {}

private:
    int64_t mTicks = 0;
};
