#include "FrameClock.h"

#include <windows.h>

FrameClock::FrameClock()
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    mSecondsPerTick = 1.0 / double(frequency.QuadPart);
}

int64_t FrameClock::ReadCounter()
{
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

float FrameClock::RunningSeconds() const
{
    // While stopped, time stands at the moment of stopping.
    const int64_t end = mIsStopped ? mStopTicks : mCurrTicks;
    return float(double(end - mPausedTicks - mBaseTicks) * mSecondsPerTick);
}

float FrameClock::StepSeconds() const
{
    return float(mDeltaSeconds);
}

void FrameClock::Restart()
{
    const int64_t now = ReadCounter();
    mBaseTicks = now;
    mPrevTicks = now;
    mStopTicks = 0;
    mIsStopped = false;
}

void FrameClock::Advance()
{
    if (mIsStopped)
    {
        mDeltaSeconds = 0.0;
        return;
    }
    mCurrTicks = ReadCounter();
    mDeltaSeconds = double(mCurrTicks - mPrevTicks) * mSecondsPerTick;
    mPrevTicks = mCurrTicks;
    // The counter can appear to step back (a thread moved between processors
    // on some systems); a step is never negative.
    if (mDeltaSeconds < 0.0)
        mDeltaSeconds = 0.0;
}

void FrameClock::Pause()
{
    if (!mIsStopped)
    {
        mStopTicks = ReadCounter();
        mIsStopped = true;
    }
}

void FrameClock::Resume()
{
    const int64_t now = ReadCounter();
    if (mIsStopped)
    {
        mPausedTicks += now - mStopTicks;
        mPrevTicks = now;
        mStopTicks = 0;
        mIsStopped = false;
    }
}
