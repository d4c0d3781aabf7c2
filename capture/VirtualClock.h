// The capture's performance counter: a virtual clock that moves by exactly
// one tick of 1/1500 s each time it is read, and the main loop reads it once
// per idle pass. Sleeping takes no time.
#pragma once

#include <win32_time_source.h>

#include <cstdint>

class VirtualClock : public win32::TimeSource
{
public:
    static constexpr int64_t PassesPerSecond = 1500;

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
