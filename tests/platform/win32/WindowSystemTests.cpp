// Visible windows on a real X display (the tests run under Xvfb): the
// messages a window procedure receives, and what a user sees of the window.
#include "XTools.h"

#include <win32_support.h>

#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace
{

struct Received
{
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
};
std::vector<Received> gReceived;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    gReceived.push_back({msg, wParam, lParam});
    if (msg == WM_GETMINMAXINFO)
    {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {200, 200};
        return 0;
    }
    if (msg == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class WindowSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run through ctest, which starts Xvfb)";
        win32::ResetMessageQueue();
        gReceived.clear();
        WNDCLASSW wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = L"window system tests";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, L"window system tests", L"shell test", WS_POPUP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 800, 600, 0, nullptr, nullptr, nullptr);
        ASSERT_NE(window, 0);
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
    }

    // Pumps messages for a while, dispatching them.
    void Pump(int milliseconds)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        MSG msg{};
        while (std::chrono::steady_clock::now() < end)
        {
            while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE))
            {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::string XWindowId() { return RunCommandLine("xdotool search --name '^shell test$'"); }

    bool IsWindowAlive() { return SetWindowTextW(window, L"shell test") != FALSE; }

    const Received* Last(UINT message)
    {
        for (auto it = gReceived.rbegin(); it != gReceived.rend(); ++it)
            if (it->Message == message)
                return &*it;
        return nullptr;
    }

    HWND window = 0;
};

TEST_F(WindowSystemTest, CreationAndShowingSendTheirMessagesSynchronously)
{
    std::vector<UINT> creation;
    for (const Received& r : gReceived)
        creation.push_back(r.Message);
    EXPECT_EQ(creation, (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_CREATE, WM_SIZE}));
    EXPECT_EQ(gReceived.back().WParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(gReceived.back().LParam, MAKELPARAM(800, 600));

    gReceived.clear();
    ShowWindow(window, SW_SHOWMAXIMIZED);
    // Before any message is pumped the procedure knows the maximised size.
    const Received* size = Last(WM_SIZE);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->WParam, WPARAM(SIZE_MAXIMIZED));
    EXPECT_EQ(LOWORD(size->LParam), 1280);
    EXPECT_EQ(HIWORD(size->LParam), 720);
    const Received* activate = Last(WM_ACTIVATE);
    ASSERT_NE(activate, nullptr);
    EXPECT_EQ(LOWORD(activate->WParam), WA_ACTIVE);
}

TEST_F(WindowSystemTest, MaximisedPopupCoversTheScreenWithoutBorder)
{
    ShowWindow(window, SW_SHOWMAXIMIZED);
    UpdateWindow(window);
    Pump(200);
    const std::string id = XWindowId();
    ASSERT_FALSE(id.empty());
    const std::string geometry = RunCommand("xwininfo -id " + id);
    EXPECT_NE(geometry.find("Absolute upper-left X:  0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Absolute upper-left Y:  0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Width: 1280"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Height: 720"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("Border width: 0"), std::string::npos) << geometry;
    // No decorations are asked of a window manager: through the Motif hints
    // where a window manager defined them, else as a transient of the root.
    EXPECT_TRUE(SDL_GetWindowFlags(win32::NativeWindowOf(window)) & SDL_WINDOW_BORDERLESS);
    const std::string hints = RunCommand("xprop -id " + id + " _MOTIF_WM_HINTS WM_TRANSIENT_FOR");
    EXPECT_TRUE(hints.find("_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x2, 0x0, 0x0") !=
                    std::string::npos ||
                hints.find("WM_TRANSIENT_FOR(WINDOW)") != std::string::npos)
        << hints;
}

TEST_F(WindowSystemTest, WindowTextIsTheTitleOnScreen)
{
    ShowWindow(window, SW_SHOWMAXIMIZED);
    Pump(100);
    const std::string id = XWindowId();
    ASSERT_FALSE(id.empty());
    SetWindowTextW(window, L"d3d App    fps: 60.000000");
    Pump(50);
    EXPECT_NE(RunCommand("xprop -id " + id + " _NET_WM_NAME").find("d3d App    fps: 60.000000"),
              std::string::npos);
}

TEST_F(WindowSystemTest, KeysAndMouseArriveAsMessages)
{
    ShowWindow(window, SW_SHOWMAXIMIZED);
    Pump(200);
    RunCommand("xdotool mousemove 100 120 key F2 key Escape mousedown 1 mousemove 90 110 "
               "mouseup 1");
    Pump(300);

    std::vector<Received> keys, mouse;
    for (const Received& r : gReceived)
    {
        if (r.Message == WM_KEYDOWN || r.Message == WM_KEYUP)
            keys.push_back(r);
        if (r.Message >= WM_MOUSEMOVE && r.Message <= WM_MBUTTONUP)
            mouse.push_back(r);
    }
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].Message, UINT(WM_KEYDOWN));
    EXPECT_EQ(keys[0].WParam, WPARAM(VK_F2));
    EXPECT_EQ(keys[1].Message, UINT(WM_KEYUP));
    EXPECT_EQ(keys[1].WParam, WPARAM(VK_F2));
    EXPECT_EQ(keys[3].Message, UINT(WM_KEYUP));
    EXPECT_EQ(keys[3].WParam, WPARAM(VK_ESCAPE));

    // A left drag: press, moves with the left-button flag, release.
    const Received* down = Last(WM_LBUTTONDOWN);
    const Received* up = Last(WM_LBUTTONUP);
    ASSERT_NE(down, nullptr);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(down->WParam & MK_LBUTTON, WPARAM(MK_LBUTTON));
    EXPECT_EQ(int16_t(LOWORD(down->LParam)), 100);
    EXPECT_EQ(int16_t(HIWORD(down->LParam)), 120);
    EXPECT_EQ(up->WParam & MK_LBUTTON, 0u);
    EXPECT_EQ(int16_t(LOWORD(up->LParam)), 90);
    bool dragMove = false;
    for (const Received& r : mouse)
        dragMove |= r.Message == WM_MOUSEMOVE && (r.WParam & MK_LBUTTON) &&
                    int16_t(LOWORD(r.LParam)) == 90 && int16_t(HIWORD(r.LParam)) == 110;
    EXPECT_TRUE(dragMove);
}

TEST_F(WindowSystemTest, ClosingTheWindowDestroysIt)
{
    ShowWindow(window, SW_SHOWMAXIMIZED);
    Pump(100);
    const std::string id = XWindowId();
    ASSERT_FALSE(id.empty());
    RunCommand(std::string(X_CLOSE_WINDOW) + " " + id);
    Pump(200);
    // The close request became WM_CLOSE, whose default handling destroys the
    // window: WM_DESTROY, on which this procedure posts the quit request.
    EXPECT_NE(Last(WM_CLOSE), nullptr);
    EXPECT_NE(Last(WM_DESTROY), nullptr);
    EXPECT_FALSE(IsWindowAlive());
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE)); // the quit was retrieved
    window = 0;
}

} // namespace
