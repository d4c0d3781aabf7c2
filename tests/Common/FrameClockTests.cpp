#include "FrameClock.h"

#include "FakeTimeSource.h"

#include <gtest/gtest.h>

namespace
{

class FrameClockTest : public ::testing::Test
{
protected:
    FakeTimeSource time;
};

TEST_F(FrameClockTest, StepIsMinusOneBeforeTheFirstAdvance)
{
    FrameClock clock;
    EXPECT_EQ(clock.StepSeconds(), -1.0f);
}

TEST_F(FrameClockTest, AdvanceMeasuresStepsAndRunningTime)
{
    time.Ticks = 5'000;
    FrameClock clock;
    clock.Restart();
    time.AdvanceSeconds(0.25);
    clock.Advance();
    EXPECT_FLOAT_EQ(clock.StepSeconds(), 0.25f);
    time.AdvanceSeconds(0.5);
    clock.Advance();
    EXPECT_FLOAT_EQ(clock.StepSeconds(), 0.5f);
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 0.75f);

    // Between advances the running time does not move.
    time.AdvanceSeconds(3.0);
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 0.75f);
}

TEST_F(FrameClockTest, CounterGoingBackYieldsAZeroStep)
{
    time.Ticks = 1'000'000;
    FrameClock clock;
    clock.Restart();
    time.Ticks = 400;
    clock.Advance();
    EXPECT_EQ(clock.StepSeconds(), 0.0f);
}

TEST_F(FrameClockTest, StoppedSpanIsExcludedAndTheStepStartsAtTheResume)
{
    FrameClock clock;
    clock.Restart();
    time.AdvanceSeconds(1.0);
    clock.Advance();

    clock.Pause();
    time.AdvanceSeconds(2.0);
    clock.Pause(); // a second stop keeps the first stop time
    // Running time stands still at the moment of stopping.
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 1.0f);
    clock.Advance();
    EXPECT_EQ(clock.StepSeconds(), 0.0f);
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 1.0f);

    time.AdvanceSeconds(2.0);
    clock.Resume(); // stopped for 4 s in all
    time.AdvanceSeconds(0.5);
    clock.Advance();
    EXPECT_FLOAT_EQ(clock.StepSeconds(), 0.5f);
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 1.5f);
}

TEST_F(FrameClockTest, ResumeWithoutPauseChangesNothing)
{
    FrameClock clock;
    clock.Restart();
    time.AdvanceSeconds(1.0);
    clock.Advance();
    time.AdvanceSeconds(1.0);
    clock.Resume();
    clock.Advance();
    EXPECT_FLOAT_EQ(clock.StepSeconds(), 1.0f);
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), 2.0f);
}

TEST_F(FrameClockTest, RestartWhileStoppedRunsAgainAndKeepsCountedPauses)
{
    FrameClock clock;
    clock.Restart();
    clock.Pause();
    time.AdvanceSeconds(3.0);
    clock.Resume(); // 3 s counted as paused
    clock.Pause();
    time.AdvanceSeconds(1.0);

    clock.Restart(); // discards the second stop without counting it
    time.AdvanceSeconds(2.0);
    clock.Advance();
    EXPECT_FLOAT_EQ(clock.StepSeconds(), 2.0f);
    // The 3 s counted before the restart still come off the running time.
    EXPECT_FLOAT_EQ(clock.RunningSeconds(), -1.0f);
}

} // namespace
