#include <windows.h>

#include <gtest/gtest.h>

namespace
{

TEST(MouseCapture, FollowsSetReleaseAndDestroyAndRefusesUnknownWindows)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"capture tests";
    RegisterClassW(&wc);
    const HWND first = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, nullptr, nullptr);
    const HWND second = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                        nullptr, nullptr, nullptr);

    EXPECT_EQ(SetCapture(first), 0);
    EXPECT_EQ(SetCapture(second), first); // the previous holder
    SetLastError(0);
    EXPECT_EQ(SetCapture(second + 1000), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(GetCapture(), second);

    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), 0);
    EXPECT_TRUE(ReleaseCapture()); // nothing held: still succeeds

    SetCapture(first);
    DestroyWindow(first);
    EXPECT_EQ(GetCapture(), 0);
    DestroyWindow(second);
}

} // namespace
