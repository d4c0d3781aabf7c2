// A D3DApp without graphics for tests of the framework's loop and messages:
// it records its update and draw calls and owns a message-only window.
#pragma once

#include "d3dApp.h"

#include <functional>
#include <string>

// A message-only window served by the framework's window procedure, so that
// posted messages reach the application's HandleWindowMessage.
inline HWND CreateFrameworkTestWindow(const wchar_t* title)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = AppWindowProc;
    wc.lpszClassName = L"framework tests";
    RegisterClassW(&wc); // a second registration fails harmlessly
    return CreateWindowExW(0, L"framework tests", title, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           nullptr, nullptr);
}

class TestApp : public D3DApp
{
public:
    TestApp() : D3DApp(nullptr) {}

    using D3DApp::mClientHeight;
    using D3DApp::mClientWidth;
    using D3DApp::mClock;
    using D3DApp::mIsMaximized;
    using D3DApp::mIsMinimized;
    using D3DApp::mIsPaused;
    using D3DApp::mIsSizing;
    using D3DApp::mWindow;
    using D3DApp::UpdateFrameStats;

    HWND CreateTestWindow() { return mWindow = CreateFrameworkTestWindow(mWindowTitle.c_str()); }

    std::wstring WindowText() const
    {
        wchar_t text[256] = {};
        GetWindowTextW(mWindow, text, 256);
        return text;
    }

    LRESULT HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg >= WM_USER && OnMessage)
        {
            OnMessage(msg, wParam, lParam);
            return 0;
        }
        return D3DApp::HandleWindowMessage(hwnd, msg, wParam, lParam);
    }

    std::string Events;
    int Updates = 0;
    int Draws = 0;
    std::function<void(const FrameClock&)> OnUpdate;
    std::function<void(const FrameClock&)> OnDraw;
    std::function<void(UINT, WPARAM, LPARAM)> OnMessage;
    struct MouseCall
    {
        char Kind;
        WPARAM Flags;
        int X, Y;
    };
    std::vector<MouseCall> MouseCalls;

protected:
    void UpdateFrame(const FrameClock& clock) override
    {
        Events += 'U';
        ++Updates;
        if (OnUpdate)
            OnUpdate(clock);
    }
    void DrawFrame(const FrameClock& clock) override
    {
        Events += 'D';
        ++Draws;
        if (OnDraw)
            OnDraw(clock);
    }
    void HandleMouseDown(WPARAM flags, int x, int y) override
    {
        MouseCalls.push_back({'d', flags, x, y});
    }
    void HandleMouseUp(WPARAM flags, int x, int y) override
    {
        MouseCalls.push_back({'u', flags, x, y});
    }
    void HandleMouseMove(WPARAM flags, int x, int y) override
    {
        MouseCalls.push_back({'m', flags, x, y});
    }
};
