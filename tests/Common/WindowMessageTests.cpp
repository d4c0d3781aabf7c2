// The framework's window-message handling, with synthetic messages. The rows
// that rebuild graphics targets need a device and are tested with it.
#include "FakeTimeSource.h"
#include "TestApp.h"

#include <gtest/gtest.h>

namespace
{

class WindowMessageTest : public ::testing::Test
{
protected:
    WindowMessageTest() { window = app.CreateTestWindow(); }

    LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam)
    {
        return app.HandleWindowMessage(window, msg, wParam, lParam);
    }

    FakeTimeSource time;
    TestApp app;
    HWND window = 0;
};

TEST_F(WindowMessageTest, ActivationPausesAndResumesTheClock)
{
    app.mClock.Restart();
    time.AdvanceSeconds(1.0);
    app.mClock.Advance();

    EXPECT_EQ(Send(WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0), 0);
    EXPECT_TRUE(app.mIsPaused);
    time.AdvanceSeconds(10.0);
    app.mClock.Advance();
    EXPECT_FLOAT_EQ(app.mClock.RunningSeconds(), 1.0f);

    EXPECT_EQ(Send(WM_ACTIVATE, WA_CLICKACTIVE, 0), 0);
    EXPECT_FALSE(app.mIsPaused);
    time.AdvanceSeconds(1.0);
    app.mClock.Advance();
    EXPECT_FLOAT_EQ(app.mClock.RunningSeconds(), 2.0f);
}

TEST_F(WindowMessageTest, SizeBeforeTheDeviceOnlyRecordsTheClientSize)
{
    for (WPARAM kind : {SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_RESTORED})
    {
        EXPECT_EQ(Send(WM_SIZE, kind, MAKELPARAM(1920, 1080)), 0);
        EXPECT_EQ(app.mClientWidth, 1920);
        EXPECT_EQ(app.mClientHeight, 1080);
        EXPECT_FALSE(app.mIsPaused);
        EXPECT_FALSE(app.mIsMinimized);
        EXPECT_FALSE(app.mIsMaximized);
    }
    // Sizes are unsigned 16-bit values.
    Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(40000, 2));
    EXPECT_EQ(app.mClientWidth, 40000);
}

// The end of a drag rebuilds the targets, so it is tested with a device
// (FrameworkGraphicsTests.cpp).
TEST_F(WindowMessageTest, ADragPausesAndStopsTheClock)
{
    app.mClock.Restart();
    Send(WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_TRUE(app.mIsPaused);
    EXPECT_TRUE(app.mIsSizing);
    time.AdvanceSeconds(3.0);
    app.mClock.Advance();
    EXPECT_EQ(app.mClock.StepSeconds(), 0.0f);
}

TEST_F(WindowMessageTest, MinimumTrackingSizeIs200By200)
{
    MINMAXINFO info{};
    info.ptMinTrackSize = {1, 1};
    EXPECT_EQ(Send(WM_GETMINMAXINFO, 0, LPARAM(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 200);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
}

TEST_F(WindowMessageTest, MenuCharClosesTheMenuWithoutABeep)
{
    EXPECT_EQ(Send(WM_MENUCHAR, 'x', 0), 0x10000);
}

TEST_F(WindowMessageTest, MouseMessagesReachTheHandlersWithSignedCoordinates)
{
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
    Send(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(-5, -7));
    Send(WM_RBUTTONUP, 0, MAKELPARAM(3, 4));
    Send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(0, 65535));
    // Double clicks are not button presses for the framework.
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));

    ASSERT_EQ(app.MouseCalls.size(), 4u);
    EXPECT_EQ(app.MouseCalls[0].Kind, 'd');
    EXPECT_EQ(app.MouseCalls[0].Flags, WPARAM(MK_LBUTTON));
    EXPECT_EQ(app.MouseCalls[0].X, 10);
    EXPECT_EQ(app.MouseCalls[0].Y, 20);
    EXPECT_EQ(app.MouseCalls[1].Kind, 'm');
    EXPECT_EQ(app.MouseCalls[1].Flags, WPARAM(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(app.MouseCalls[1].X, -5);
    EXPECT_EQ(app.MouseCalls[1].Y, -7);
    EXPECT_EQ(app.MouseCalls[2].Kind, 'u');
    EXPECT_EQ(app.MouseCalls[3].Kind, 'd');
    EXPECT_EQ(app.MouseCalls[3].Y, -1);
}

TEST_F(WindowMessageTest, OtherMessagesGoToTheDefaultProcedure)
{
    // WM_SETTEXT is handled by DefWindowProcW, which stores the text.
    EXPECT_EQ(Send(WM_SETTEXT, 0, LPARAM(L"new title")), LRESULT(TRUE));
    EXPECT_EQ(app.WindowText(), L"new title");
    // Any other key release does nothing.
    EXPECT_EQ(Send(WM_KEYUP, 'A', 0), 0);
}

} // namespace
