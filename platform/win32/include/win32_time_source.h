// The process's time, replaceable: a platform service of the Win32 stand-in.
// QueryPerformanceCounter, QueryPerformanceFrequency and Sleep read the
// monotonic clock in nanoseconds, until a program installs a source of its
// own. A capture tool does so to draw a program on a virtual clock, frame by
// frame at its intended rate whatever the machine's speed (CityCapture's
// VirtualClock); tests do so to control time (FakeTimeSource).
#pragma once

#include <cstdint>

namespace win32
{

class TimeSource
{
public:
    virtual ~TimeSource() = default;
    // The performance counter's value, and its ticks per second.
    virtual int64_t Counter() = 0;
    virtual int64_t Frequency() = 0;
    // Sleep's wait: a virtual clock may take no time at all.
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// Installs `source` (not owned) for the whole process, every thread; nullptr
// restores the monotonic clock. Install it before the program first reads the
// frequency, and keep it until the program's end.
void SetTimeSource(TimeSource* source);

} // namespace win32
