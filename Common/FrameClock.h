// The frame clock: the step between two idle passes of the main loop and the
// running time since the loop started, without the spans it was stopped.
#pragma once

#include <cstdint>

class FrameClock
{
public:
    FrameClock();

    float RunningSeconds() const;
    float StepSeconds() const;

    void Restart();
    void Advance();
    void Pause();
    void Resume();

private:
    static int64_t ReadCounter();

    double mSecondsPerTick = 0.0;
    double mDeltaSeconds = -1.0;
    int64_t mBaseTicks = 0;
    int64_t mPausedTicks = 0;
    int64_t mStopTicks = 0;
    int64_t mPrevTicks = 0;
    int64_t mCurrTicks = 0;
    bool mIsStopped = false;
};
