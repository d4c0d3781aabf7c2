#include <win32_support.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<UINT> gReceived;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    gReceived.push_back(msg);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class MessageQueueTest : public ::testing::Test
{
protected:
    MessageQueueTest()
    {
        win32::ResetMessageQueue();
        gReceived.clear();
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = L"queue tests";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, L"queue tests", L"first", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    }
    ~MessageQueueTest() override
    {
        if (window)
            DestroyWindow(window);
    }

    HWND window = 0;
};

TEST_F(MessageQueueTest, PostedMessagesComeInOrderAndTheQuitRequestLast)
{
    PostQuitMessage(4);
    PostMessageW(window, WM_USER + 1, 10, 20);
    PostMessageW(0, WM_USER + 2, 0, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1)); // still queued
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 10u);
    EXPECT_EQ(msg.lParam, 20);
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_FALSE(PeekMessageW(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, FiltersSelectByWindowAndRange)
{
    PostMessageW(0, WM_USER, 0, 0);
    PostMessageW(window, WM_KEYUP, VK_F2, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_KEYUP));
    EXPECT_FALSE(PeekMessageW(&msg, 0, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
    ASSERT_TRUE(PeekMessageW(&msg, HWND(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER));
}

TEST_F(MessageQueueTest, DispatchCallsTheWindowProcedure)
{
    PostMessageW(window, WM_USER + 7, 0, 0);
    PostQuitMessage(0);
    MSG msg{};
    while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Creation sent WM_NCCREATE and WM_CREATE; WM_QUIT has no window.
    EXPECT_EQ(gReceived, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_USER + 7}));
}

TEST_F(MessageQueueTest, WindowTextGoesThroughTheProcedure)
{
    wchar_t text[16];
    EXPECT_EQ(GetWindowTextW(window, text, 16), 5);
    EXPECT_STREQ(text, L"first");
    EXPECT_TRUE(SetWindowTextW(window, L"a much longer title"));
    EXPECT_EQ(gReceived.back(), UINT(WM_SETTEXT));
    EXPECT_EQ(GetWindowTextW(window, text, 16), 15); // truncated to fit
    EXPECT_STREQ(text, L"a much longer t");
}

TEST_F(MessageQueueTest, BadWindowsAndClassesAreRefused)
{
    EXPECT_FALSE(PostMessageW(HWND(9999), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(SetWindowTextW(HWND(9999), L"x"));
    EXPECT_EQ(CreateWindowExW(0, L"no such class", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));

    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = L"queue tests";
    EXPECT_EQ(RegisterClassW(&wc), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(RegisterClassW(nullptr), 0);

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(gReceived.back(), UINT(WM_NCDESTROY));
    EXPECT_FALSE(DestroyWindow(window));
    window = 0;
}

} // namespace
