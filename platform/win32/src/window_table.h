// The window classes and windows of the process.
#pragma once

#include <windows.h>

#include <string>

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
};

// The window behind `handle`, or nullptr. Records stay valid until the window
// is destroyed; the stand-in serves one thread, as the program uses one.
WindowRecord* FindWindowRecord(HWND handle);

} // namespace win32
