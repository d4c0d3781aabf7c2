// Frame statistics. The counters are statics of the operation, so the whole
// history is one scenario in a program of its own.
#include "FakeTimeSource.h"
#include "TestApp.h"

#include <gtest/gtest.h>

namespace
{

std::wstring Title(const wchar_t* fps, const wchar_t* mspf, const wchar_t* elapsed)
{
    return std::wstring(L"d3d App    fps: ") + fps + L"   mspf: " + mspf + L"   timeElapsed: " +
           elapsed;
}

TEST(FrameStats, ReportsOncePerSecondJustBeforeTheDrawAndCatchesUpAfterAStall)
{
    win32::ResetMessageQueue();
    gSecondsSinceDraw = 0.0f;
    FakeTimeSource time;
    TestApp app;
    app.CreateTestWindow();

    // 60 frames in the first second, through the main loop: the title is
    // already set when the frame at 1.0 s is drawn.
    time.AutoStepTicks = FakeTimeSource::TicksPerSecond / 60 + 1;
    std::wstring titleAtSixtiethDraw;
    std::wstring titleBeforeThat;
    app.OnDraw = [&](const FrameClock&)
    {
        if (app.Draws == 59)
            titleBeforeThat = app.WindowText();
        if (app.Draws == 60)
        {
            titleAtSixtiethDraw = app.WindowText();
            PostQuitMessage(0);
        }
    };
    EXPECT_EQ(app.RunLoop(), 0);
    EXPECT_EQ(titleBeforeThat, L"d3d App");
    EXPECT_EQ(titleAtSixtiethDraw, Title(L"60.000000", L"16.666666", L"0.000000"));

    // A stall of several seconds: each following frame reports a count of 1
    // until the window start has caught up to within a second.
    time.AutoStepTicks = 0;
    time.AdvanceSeconds(4.5);
    app.mClock.Advance(); // running time 5.5 s
    const wchar_t* elapsed[] = {L"1.000000", L"2.000000", L"3.000000", L"4.000000"};
    for (const wchar_t* start : elapsed)
    {
        app.UpdateFrameStats();
        EXPECT_EQ(app.WindowText(), Title(L"1.000000", L"1000.000000", start));
    }
    SetWindowTextW(app.mWindow, L"unchanged");
    app.UpdateFrameStats(); // window start 5.0, running time 5.5: no report
    EXPECT_EQ(app.WindowText(), L"unchanged");

    time.AdvanceSeconds(0.5);
    app.mClock.Advance();
    app.UpdateFrameStats(); // two frames in the window that began at 5 s
    EXPECT_EQ(app.WindowText(), Title(L"2.000000", L"500.000000", L"5.000000"));
}

} // namespace
