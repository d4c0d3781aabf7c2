// A performance counter that only moves when the test moves it, so no test
// depends on how fast the machine is.
#pragma once

#include <win32_support.h>

#include <cstdint>
#include <functional>
#include <vector>

class FakeTimeSource : public win32::TimeSource
{
public:
    static constexpr int64_t TicksPerSecond = 1'000'000'000;

    FakeTimeSource() { win32::SetTimeSource(this); }
    ~FakeTimeSource() override { win32::SetTimeSource(nullptr); }

    // Each read returns the current count, then moves it on by AutoStepTicks.
    int64_t Counter() override
    {
        ++Reads;
        const int64_t now = Ticks;
        Ticks += AutoStepTicks;
        return now;
    }
    int64_t Frequency() override { return TicksPerSecond; }
    void Sleep(uint32_t milliseconds) override
    {
        Sleeps.push_back(milliseconds);
        if (OnSleep)
            OnSleep(milliseconds);
    }

    void AdvanceSeconds(double seconds) { Ticks += int64_t(seconds * double(TicksPerSecond)); }

    int64_t Ticks = 0;
    int64_t AutoStepTicks = 0;
    int Reads = 0;
    std::vector<uint32_t> Sleeps;
    std::function<void(uint32_t)> OnSleep;
};
