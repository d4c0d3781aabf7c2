// The camera's phase clock lives for the whole run, so its history is one
// scenario in a program of its own.
#include "SceneTestApp.h"

#include "FakeTimeSource.h"

#include <gtest/gtest.h>

namespace
{

// Rise keeps the reported eye at height 25; the sweep puts it on the orbit
// sphere (60.676 with the initial angles); the low pass at 30.
constexpr float RiseEyeHeight = 25.0f;
constexpr float SweepEyeHeight = 60.676f;
constexpr float LowPassEyeHeight = 30.0f;

TEST(PhaseClock, CountsWholeSecondsAndCatchesUpOnePerPass)
{
    FakeTimeSource time;
    SceneTestApp app;
    FrameClock clock;
    clock.Restart();

    time.AdvanceSeconds(0.5);
    clock.Advance();
    app.AnimateCamera(clock); // c = 0: the rise
    EXPECT_EQ(app.mCameraEye.y, RiseEyeHeight);
    EXPECT_NEAR(app.mRiseHeight, -15.0f + 0.035f, 1e-6f);

    // A stall to 35.5 s. The clock climbs one second per pass: passes 1 to 30
    // are still the rise, pass 31 is the sweep. Each pass's drift moves one
    // step although the step is 35 s long.
    time.AdvanceSeconds(35.0);
    clock.Advance();
    for (int pass = 1; pass <= 30; ++pass)
    {
        app.AnimateCamera(clock);
        ASSERT_EQ(app.mCameraEye.y, RiseEyeHeight) << "pass " << pass;
    }
    EXPECT_NEAR(app.mRiseHeight, -15.0f + 31 * 0.035f, 1e-4f);
    app.AnimateCamera(clock);
    EXPECT_NEAR(app.mCameraEye.y, SweepEyeHeight, 1e-3f);
    EXPECT_NEAR(app.mSweepDrift, 5.0f + 0.035f, 1e-6f);

    // Caught up at c = 35; more passes at 35.5 s keep it there.
    for (int pass = 0; pass < 10; ++pass)
        app.AnimateCamera(clock);
    EXPECT_NEAR(app.mCameraEye.y, SweepEyeHeight, 1e-3f);

    // 40.9 s: c reaches 40, still the sweep; 41.0 s: c = 41, the low pass.
    time.AdvanceSeconds(5.4);
    clock.Advance();
    for (int pass = 0; pass < 10; ++pass)
        app.AnimateCamera(clock);
    EXPECT_NEAR(app.mCameraEye.y, SweepEyeHeight, 1e-3f);
    const float lowDriftBefore = app.mLowDrift;

    time.AdvanceSeconds(0.1);
    clock.Advance();
    app.AnimateCamera(clock);
    EXPECT_EQ(app.mCameraEye.y, LowPassEyeHeight);
    EXPECT_EQ(app.mLowDrift, lowDriftBefore + 0.035f);
}

} // namespace
