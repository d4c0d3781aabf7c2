// The message queue of the program's thread: posted messages in order, then a
// pending quit request, as on the real platform.
#include "display.h"
#include <win32_support.h>

#include <ctime>
#include <deque>
#include <mutex>

namespace win32
{
namespace
{
std::mutex gQueueMutex;
std::deque<MSG> gPosted;
bool gQuitPending = false;
int gQuitCode = 0;

// Message times are milliseconds of the system's tick count, a clock of its
// own: reading them never disturbs the performance counter.
DWORD MessageTime()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return DWORD(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1'000'000u);
}

bool PassesFilter(const MSG& msg, HWND window, UINT first, UINT last)
{
    // A null window means every window of the thread and its thread messages;
    // (HWND)-1 means thread messages only.
    if (window == HWND(-1) && msg.hwnd != 0)
        return false;
    if (window != 0 && window != HWND(-1) && msg.hwnd != window)
        return false;
    if (first == 0 && last == 0)
        return true;
    return msg.message >= first && msg.message <= last;
}
} // namespace

void ResetMessageQueue()
{
    std::lock_guard lock(gQueueMutex);
    gPosted.clear();
    gQuitPending = false;
    gQuitCode = 0;
}

} // namespace win32

extern "C" BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                    UINT wRemoveMsg)
{
    if (!lpMsg)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Window-system events become posted messages first (outside the lock,
    // since translating them posts).
    win32::display::PumpEvents();

    std::lock_guard lock(win32::gQueueMutex);
    for (auto it = win32::gPosted.begin(); it != win32::gPosted.end(); ++it)
    {
        if (win32::PassesFilter(*it, hWnd, wMsgFilterMin, wMsgFilterMax))
        {
            *lpMsg = *it;
            if (wRemoveMsg & PM_REMOVE)
                win32::gPosted.erase(it);
            return TRUE;
        }
    }
    // The quit request is retrieved only once nothing else is waiting.
    MSG quit{};
    quit.message = WM_QUIT;
    quit.wParam = WPARAM(win32::gQuitCode);
    if (win32::gQuitPending && win32::PassesFilter(quit, hWnd, wMsgFilterMin, wMsgFilterMax))
    {
        quit.time = win32::MessageTime();
        *lpMsg = quit;
        if (wRemoveMsg & PM_REMOVE)
            win32::gQuitPending = false;
        return TRUE;
    }
    return FALSE;
}

extern "C" BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    // Character messages are not generated: nothing in the program reads text
    // input, so every message is returned as "not translated".
    (void)lpMsg;
    return FALSE;
}

extern "C" LRESULT WINAPI DispatchMessageW(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    win32::WindowRecord* window = win32::FindWindowRecord(lpMsg->hwnd);
    if (!window)
        return 0; // thread messages (WM_QUIT among them) have no procedure
    return window->Procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

extern "C" BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd != 0 && !win32::FindWindowRecord(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    MSG msg{};
    msg.hwnd = hWnd;
    msg.message = Msg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = win32::MessageTime();
    std::lock_guard lock(win32::gQueueMutex);
    win32::gPosted.push_back(msg);
    return TRUE;
}

extern "C" LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    win32::WindowRecord* window = win32::FindWindowRecord(hWnd);
    if (!window)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window->Procedure(hWnd, Msg, wParam, lParam);
}

extern "C" void WINAPI PostQuitMessage(int nExitCode)
{
    std::lock_guard lock(win32::gQueueMutex);
    win32::gQuitPending = true;
    win32::gQuitCode = nExitCode;
}
