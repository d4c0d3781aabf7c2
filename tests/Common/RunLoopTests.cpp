// The main loop under a counter the test controls.
#include "FakeTimeSource.h"
#include "TestApp.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{

constexpr int64_t Milliseconds = FakeTimeSource::TicksPerSecond / 1000;

class RunLoopTest : public ::testing::Test
{
protected:
    RunLoopTest()
    {
        win32::ResetMessageQueue();
        gSecondsSinceDraw = 0.0f;
        window = app.CreateTestWindow();
    }

    // Ends the loop after `count` updates.
    void QuitAfterUpdates(int count, int exitCode = 0)
    {
        app.OnUpdate = [this, count, exitCode](const FrameClock&)
        {
            if (app.Updates == count)
                PostQuitMessage(exitCode);
        };
    }

    FakeTimeSource time;
    TestApp app;
    HWND window = 0;
};

struct GateCase
{
    int64_t StepTicks;
    int Updates;
    const char* Events;
};

void PrintTo(const GateCase& value, std::ostream* os)
{
    *os << value.StepTicks << " ns steps";
}

class DrawGateTest : public RunLoopTest, public ::testing::WithParamInterface<GateCase>
{
};

// Updates run on every idle pass; a frame is drawn only once strictly more
// than 0.0166 s has gathered, and the gathered time then restarts at zero.
TEST_P(DrawGateTest, UpdatesEveryPassAndDrawsPastTheGate)
{
    time.AutoStepTicks = GetParam().StepTicks;
    QuitAfterUpdates(GetParam().Updates);
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Events, GetParam().Events);
}

INSTANTIATE_TEST_SUITE_P(Steps, DrawGateTest,
                         ::testing::Values(GateCase{10 * Milliseconds, 6, "UUDUUDUUD"},
                                           // exactly the gate is not past it
                                           GateCase{16'600'000, 4, "UUDUUD"},
                                           // reset to zero, not reduced by the gate
                                           GateCase{12 * Milliseconds, 4, "UUDUUD"},
                                           GateCase{30 * Milliseconds, 3, "UDUDUD"}));

TEST_F(RunLoopTest, EndsByItselfAfterTheFrameDrawnAt110Seconds)
{
    time.AutoStepTicks = 1000 * Milliseconds;
    float lastDrawn = 0.0f;
    app.OnDraw = [&](const FrameClock& clock) { lastDrawn = clock.RunningSeconds(); };
    // The last message retrieved carries a wParam of its own: the loop still
    // ends with its quit request's code.
    PostMessageW(window, WM_USER, 5, 0);

    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Draws, 110);
    EXPECT_EQ(app.Updates, 111);
    EXPECT_FLOAT_EQ(lastDrawn, 110.0f);

    // The quit request was posted but not retrieved.
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(RunLoopTest, PausedPassesSleepWithoutUpdatingButGatherTheStep)
{
    time.AutoStepTicks = 10 * Milliseconds;
    app.mIsPaused = true;
    time.OnSleep = [&](uint32_t)
    {
        if (time.Sleeps.size() == 3)
            PostQuitMessage(0);
    };
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Updates, 0);
    EXPECT_EQ(time.Sleeps, (std::vector<uint32_t>{100, 100, 100}));
    EXPECT_NEAR(gSecondsSinceDraw, 0.03f, 1e-6f);
}

TEST_F(RunLoopTest, DeactivationStopsTheClockAndActivationResumesIt)
{
    time.AutoStepTicks = 10 * Milliseconds;
    PostMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    time.OnSleep = [&](uint32_t)
    {
        if (time.Sleeps.size() == 2)
        {
            time.AdvanceSeconds(5.0); // a long time away from the window
            PostMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
        }
    };
    float firstRunning = -1.0f, firstStep = -1.0f;
    app.OnUpdate = [&](const FrameClock& clock)
    {
        firstRunning = clock.RunningSeconds();
        firstStep = clock.StepSeconds();
        PostQuitMessage(0);
    };
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Updates, 1);
    // Stopped passes gather no time, and the stopped span is not counted.
    EXPECT_EQ(time.Sleeps.size(), 2u);
    EXPECT_NEAR(firstStep, 0.01f, 1e-6f);
    EXPECT_NEAR(firstRunning, 0.02f, 1e-6f);
}

TEST_F(RunLoopTest, AMessagePassDoesNotAdvanceTheClock)
{
    PostMessageW(window, WM_USER, 0, 0);
    PostMessageW(window, WM_USER, 0, 0);
    int handled = 0;
    app.OnMessage = [&](UINT, WPARAM, LPARAM)
    {
        ++handled;
        EXPECT_EQ(app.Updates, 0);
        time.AdvanceSeconds(0.5); // the handling takes time
    };
    float step = 0.0f;
    app.OnUpdate = [&](const FrameClock& clock)
    {
        step = clock.StepSeconds();
        PostQuitMessage(0);
    };
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(handled, 2);
    // The first idle pass measures its step across both message passes.
    EXPECT_FLOAT_EQ(step, 1.0f);
}

TEST_F(RunLoopTest, QuitRequestEndsTheLoopWithItsExitCode)
{
    PostQuitMessage(3);
    EXPECT_EQ(app.RunLoop(), 3);
    EXPECT_EQ(app.Updates, 0);
    EXPECT_EQ(time.Reads, 1); // only the restart read the counter
}

TEST_F(RunLoopTest, EscapeReleaseEndsTheLoopButItsPressDoesNot)
{
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    QuitAfterUpdates(1, 9);
    EXPECT_EQ(app.RunLoop(), 9);

    app.Updates = 0;
    PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0);
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Updates, 0);
}

TEST_F(RunLoopTest, DestroyingTheWindowEndsTheLoop)
{
    app.OnUpdate = [&](const FrameClock&) { DestroyWindow(window); };
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(app.Updates, 1);
}

} // namespace
