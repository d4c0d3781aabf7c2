// D3DApp: construction, the main loop, window messages and frame statistics.
// The graphics set-up and resize handling are in d3dAppGraphics.cpp.
#include "d3dApp.h"
#include "RunTiming.h"

#include <cstdint>

D3DApp* gActiveApp = nullptr;
float gSecondsSinceDraw = 0.0f;

LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Serves messages sent during window creation too: the constructor has
    // set gActiveApp before StartUp creates the window.
    return gActiveApp->HandleWindowMessage(hwnd, msg, wParam, lParam);
}

D3DApp::D3DApp(HINSTANCE instance) : mInstance(instance)
{
    gActiveApp = this;
}

D3DApp::~D3DApp()
{
    // The GPU may still be reading objects that are about to be released.
    WaitForGpuIdleOnExit();
}

float D3DApp::ClientAspect() const
{
    return float(mClientWidth) / float(mClientHeight);
}

int D3DApp::RunLoop()
{
    MSG msg{};
    mClock.Restart();
    do
    {
        // Messages come first: a pass that handles one neither advances the
        // clock nor updates.
        if (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            continue;
        }

        mClock.Advance();
        gSecondsSinceDraw += mClock.StepSeconds();

        if (mIsPaused)
        {
            Sleep(100);
            continue;
        }

        UpdateFrame(mClock);

        // t - gSecondsSinceDraw is the running time of the last drawn frame.
        // The loop leaves without retrieving its own quit request, so it
        // returns that request's code itself: the last message retrieved
        // (a key release, say) carries an unrelated wParam.
        const float t = mClock.RunningSeconds();
        if (t - gSecondsSinceDraw >= RunSeconds)
        {
            PostQuitMessage(0);
            return 0;
        }

        if (gSecondsSinceDraw > FrameGateSeconds)
        {
            UpdateFrameStats();
            DrawFrame(mClock);
            gSecondsSinceDraw = 0.0f;
        }
    } while (msg.message != WM_QUIT);

    return int(uint32_t(msg.wParam));
}

LRESULT D3DApp::HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Mouse coordinates are signed 16-bit values; sizes are unsigned.
    const int x = int16_t(LOWORD(lParam));
    const int y = int16_t(HIWORD(lParam));

    switch (msg)
    {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
        {
            mIsPaused = true;
            mClock.Pause();
        }
        else
        {
            mIsPaused = false;
            mClock.Resume();
        }
        return 0;

    case WM_SIZE:
        mClientWidth = LOWORD(lParam);
        mClientHeight = HIWORD(lParam);
        // Before the device exists the size is only recorded; the graphics
        // set-up then uses it.
        if (md3dDevice == nullptr)
            return 0;
        if (wParam == SIZE_MINIMIZED)
        {
            mIsPaused = true;
            mIsMinimized = true;
            mIsMaximized = false;
        }
        else if (wParam == SIZE_MAXIMIZED)
        {
            mIsPaused = false;
            mIsMinimized = false;
            mIsMaximized = true;
            HandleResize();
        }
        else if (wParam == SIZE_RESTORED)
        {
            if (mIsMinimized)
            {
                mIsPaused = false;
                mIsMinimized = false;
                HandleResize();
            }
            else if (mIsMaximized)
            {
                mIsPaused = false;
                mIsMaximized = false;
                HandleResize();
            }
            else if (mIsSizing)
            {
                // The targets are rebuilt once, when the drag ends.
            }
            else
            {
                HandleResize();
            }
        }
        return 0;

    case WM_ENTERSIZEMOVE:
        mIsPaused = true;
        mIsSizing = true;
        mClock.Pause();
        return 0;

    case WM_EXITSIZEMOVE:
        mIsPaused = false;
        mIsSizing = false;
        mClock.Resume();
        HandleResize();
        return 0;

    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;

    case WM_MENUCHAR:
        // Close the menu without a beep on an unmatched Alt+key.
        return MAKELRESULT(0, MNC_CLOSE);

    case WM_GETMINMAXINFO:
        if (auto* info = reinterpret_cast<MINMAXINFO*>(lParam))
        {
            info->ptMinTrackSize.x = 200;
            info->ptMinTrackSize.y = 200;
        }
        return 0;

    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
        HandleMouseDown(wParam, x, y);
        return 0;

    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        HandleMouseUp(wParam, x, y);
        return 0;

    case WM_MOUSEMOVE:
        HandleMouseMove(wParam, x, y);
        return 0;

    case WM_KEYUP:
        if (wParam == VK_ESCAPE)
        {
            PostQuitMessage(0);
        }
        else if (wParam == VK_F2)
        {
            mMsaa4xEnabled = !mMsaa4xEnabled;
            BuildSwapChain();
            HandleResize();
        }
        return 0;

    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

void D3DApp::HandleMouseDown(WPARAM, int, int) {}
void D3DApp::HandleMouseUp(WPARAM, int, int) {}
void D3DApp::HandleMouseMove(WPARAM, int, int) {}

void D3DApp::UpdateFrameStats()
{
    static int sStatsFrames = 0;
    static float sStatsWindowStart = 0.0f;

    // The frame about to be drawn is counted.
    ++sStatsFrames;

    const float t = mClock.RunningSeconds();
    if (t - sStatsWindowStart >= 1.0f)
    {
        const float fps = float(sStatsFrames);
        const float mspf = 1000.0f / fps;

        // std::to_wstring of a floating value is the "%f" notation.
        const std::wstring title = mWindowTitle + L"    fps: " + std::to_wstring(fps) +
                                   L"   mspf: " + std::to_wstring(mspf) + L"   timeElapsed: " +
                                   std::to_wstring(sStatsWindowStart);
        SetWindowTextW(mWindow, title.c_str());

        // The window advances by exactly one second, so after a stall each
        // drawn frame reports until the window has caught up.
        sStatsFrames = 0;
        sStatsWindowStart += 1.0f;
    }
}
