// The window classes and windows of the process.
#pragma once

#include <windows.h>

#include <string>

struct SDL_Window;

namespace win32
{

struct WindowRecord
{
    HWND Handle = 0;
    WNDPROC Procedure = nullptr;
    std::wstring ClassName;
    std::wstring Text;
    DWORD Style = 0;
    bool MessageOnly = false;

    // Visible windows: the native window and what was last reported to the
    // window procedure, so native events that change nothing are not repeated.
    SDL_Window* Native = nullptr;
    int ReportedWidth = -1;
    int ReportedHeight = -1;
    WPARAM ReportedSizeKind = WPARAM(-1);
    bool ReportedActive = false;
    POINT MinTrackSize{0, 0};
};

// The window behind `handle`, or nullptr. Records stay valid until the window
// is destroyed; the stand-in serves one thread, as the program uses one.
WindowRecord* FindWindowRecord(HWND handle);

} // namespace win32
