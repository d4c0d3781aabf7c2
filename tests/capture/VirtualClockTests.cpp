// The capture's virtual clock under the framework's own main loop: a frame
// exactly every 25 passes for the whole run, and 6600 frames in 110 s.
#include "RunTiming.h"
#include "TestApp.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>
#include <win32_support.h>

namespace
{

TEST(VirtualClock, TheLoopDrawsEveryTwentyFifthPassForTheWholeRun)
{
    win32::ResetMessageQueue();
    gSecondsSinceDraw = 0.0f;
    VirtualClock clock;
    TestApp app;
    app.CreateTestWindow();
    int lastDrawUpdate = 0;
    int irregular = 0;
    float lastDrawn = 0.0f;
    const int passesPerFrame = int(VirtualClock::PassesPerSecond) / FramesPerSecond;
    app.OnDraw = [&](const FrameClock& frameClock)
    {
        irregular += app.Updates - lastDrawUpdate != passesPerFrame;
        lastDrawUpdate = app.Updates;
        lastDrawn = frameClock.RunningSeconds();
    };
    app.Events.reserve(7000 * 26);
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(irregular, 0);
    EXPECT_EQ(app.Draws, int(RunSeconds) * FramesPerSecond);
    EXPECT_NEAR(lastDrawn, RunSeconds, 1e-3f);
    // The pass after the last frame ends the run.
    EXPECT_EQ(app.Updates, app.Draws * passesPerFrame + 1);
}

} // namespace
