// Window classes and windows. Message-only windows (parent HWND_MESSAGE) live
// entirely here; visible windows also have a native window of the display
// layer.
#include "display.h"

#include <win32_support.h>

#include <algorithm>
#include <map>
#include <memory>

namespace win32
{
namespace
{
struct ClassRecord
{
    WNDCLASSW Desc{};
    std::wstring Name;
    ATOM Atom = 0;
};

std::map<std::wstring, ClassRecord> gClasses;
std::map<HWND, std::unique_ptr<WindowRecord>> gWindows;
ATOM gNextAtom = 0xC000;
HWND gNextWindow = 1;
HWND gCaptureWindow = 0;

// Size of a window created with CW_USEDEFAULT.
constexpr int DefaultWidth = 640;
constexpr int DefaultHeight = 480;

ClassRecord* FindClass(LPCWSTR name)
{
    if (IS_INTRESOURCE(name))
    {
        for (auto& [key, record] : gClasses)
        {
            if (record.Atom == ATOM(ULONG_PTR(name)))
                return &record;
        }
        return nullptr;
    }
    auto it = gClasses.find(name);
    return it == gClasses.end() ? nullptr : &it->second;
}
} // namespace

WindowRecord* FindWindowRecord(HWND handle)
{
    auto it = gWindows.find(handle);
    return it == gWindows.end() ? nullptr : it->second.get();
}

SDL_Window* NativeWindowOf(HWND handle)
{
    WindowRecord* window = FindWindowRecord(handle);
    return window ? window->Native : nullptr;
}

} // namespace win32

extern "C" ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
        IS_INTRESOURCE(lpWndClass->lpszClassName) || lpWndClass->cbClsExtra < 0 ||
        lpWndClass->cbWndExtra < 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring name = lpWndClass->lpszClassName;
    if (win32::gClasses.count(name))
    {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    win32::ClassRecord& record = win32::gClasses[name];
    record.Desc = *lpWndClass;
    record.Name = name;
    record.Desc.lpszClassName = record.Name.c_str();
    record.Desc.lpszMenuName = nullptr;
    record.Atom = win32::gNextAtom++;
    return record.Atom;
}

extern "C" HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                                       DWORD dwStyle, int X, int Y, int nWidth, int nHeight,
                                       HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                                       LPVOID lpParam)
{
    win32::ClassRecord* windowClass = lpClassName ? win32::FindClass(lpClassName) : nullptr;
    if (!windowClass)
    {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return 0;
    }
    const bool messageOnly = hWndParent == HWND_MESSAGE;
    if (nWidth == CW_USEDEFAULT)
    {
        nWidth = win32::DefaultWidth;
        nHeight = win32::DefaultHeight;
    }

    auto window = std::make_unique<win32::WindowRecord>();
    window->Handle = win32::gNextWindow++;
    window->Procedure = windowClass->Desc.lpfnWndProc;
    window->ClassName = windowClass->Name;
    window->Text = lpWindowName ? lpWindowName : L"";
    window->Style = dwStyle;
    window->MessageOnly = messageOnly;
    const HWND handle = window->Handle;
    win32::WindowRecord& record = *window;
    win32::gWindows.emplace(handle, std::move(window));

    if (!messageOnly)
    {
        // As on the real platform the procedure is asked for the tracking
        // limits first; the minimum it sets is kept by the native window.
        MINMAXINFO limits{};
        limits.ptMinTrackSize = {1, 1};
        limits.ptMaxTrackSize = {65535, 65535};
        SendMessageW(handle, WM_GETMINMAXINFO, 0, LPARAM(&limits));
        record.MinTrackSize = limits.ptMinTrackSize;
        if (!win32::display::CreateNativeWindow(record, nWidth, nHeight))
        {
            const DWORD error = GetLastError();
            win32::gWindows.erase(handle);
            SetLastError(error);
            return 0;
        }
    }

    CREATESTRUCTW create{};
    create.lpCreateParams = lpParam;
    create.hInstance = hInstance;
    create.hMenu = hMenu;
    create.hwndParent = hWndParent;
    create.cx = nWidth;
    create.cy = nHeight;
    create.x = X;
    create.y = Y;
    create.style = LONG(dwStyle);
    create.lpszName = lpWindowName;
    create.lpszClass = lpClassName;
    create.dwExStyle = dwExStyle;
    if (!SendMessageW(handle, WM_NCCREATE, 0, LPARAM(&create)) ||
        SendMessageW(handle, WM_CREATE, 0, LPARAM(&create)) == -1)
    {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!messageOnly)
    {
        // The first size report is sent during creation, as on the real
        // platform; showing the window then reports its shown size.
        record.ReportedWidth = nWidth;
        record.ReportedHeight = nHeight;
        record.ReportedSizeKind = SIZE_RESTORED;
        SendMessageW(handle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(nWidth, nHeight));
        if (dwStyle & WS_VISIBLE)
            ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd)
{
    if (!win32::FindWindowRecord(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    SendMessageW(hWnd, WM_DESTROY, 0, 0);
    SendMessageW(hWnd, WM_NCDESTROY, 0, 0);
    if (win32::gCaptureWindow == hWnd)
        ReleaseCapture();
    if (win32::WindowRecord* window = win32::FindWindowRecord(hWnd))
        win32::display::DestroyNativeWindow(*window);
    win32::gWindows.erase(hWnd);
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hWnd)
{
    return win32::FindWindowRecord(hWnd) != nullptr ? TRUE : FALSE;
}

extern "C" LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    switch (Msg)
    {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SETTEXT:
        if (win32::WindowRecord* window = win32::FindWindowRecord(hWnd))
        {
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            window->Text = text ? text : L"";
            win32::display::SetTitle(*window);
            return TRUE;
        }
        return FALSE;
    default:
        return 0;
    }
}

extern "C" BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!win32::FindWindowRecord(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // As on the real platform the text reaches the window through WM_SETTEXT,
    // which the window procedure passes on to DefWindowProcW.
    return SendMessageW(hWnd, WM_SETTEXT, 0, LPARAM(lpString)) ? TRUE : FALSE;
}

extern "C" int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    win32::WindowRecord* window = win32::FindWindowRecord(hWnd);
    if (!window)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!lpString || nMaxCount <= 0)
        return 0;
    int count = int(std::min<size_t>(window->Text.size(), size_t(nMaxCount - 1)));
    window->Text.copy(lpString, size_t(count));
    lpString[count] = L'\0';
    return count;
}

extern "C" BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    win32::WindowRecord* window = win32::FindWindowRecord(hWnd);
    if (!window)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // The result is whether the window was visible before the call; a
    // message-only window never is.
    if (window->MessageOnly)
        return FALSE;
    return win32::display::Show(*window, nCmdShow) ? TRUE : FALSE;
}

extern "C" HWND WINAPI SetCapture(HWND hWnd)
{
    const HWND previous = win32::gCaptureWindow;
    win32::WindowRecord* window = win32::FindWindowRecord(hWnd);
    if (!window)
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    win32::gCaptureWindow = hWnd;
    win32::display::CaptureMouse(window);
    return previous;
}

extern "C" BOOL WINAPI ReleaseCapture(void)
{
    win32::gCaptureWindow = 0;
    win32::display::CaptureMouse(nullptr);
    return TRUE;
}

extern "C" HWND WINAPI GetCapture(void)
{
    return win32::gCaptureWindow;
}

extern "C" BOOL WINAPI UpdateWindow(HWND hWnd)
{
    if (!win32::FindWindowRecord(hWnd))
    {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu)
{
    (void)dwStyle;
    (void)bMenu;
    if (!lpRect)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Windows here have no system-drawn frame, caption or menu bar: the
    // window rectangle is the client rectangle.
    return TRUE;
}

namespace win32
{
namespace
{
// Stand-ins for the system's predefined icon, cursor and stock objects: the
// window layer draws none of them, but each is a distinct valid handle.
struct StockItem
{
    int Id;
};
StockItem gApplicationIcon{32512};
StockItem gArrowCursor{32512};
StockItem gStockObjects[20];
} // namespace
} // namespace win32

extern "C" HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName)
{
    if (hInstance == nullptr && lpIconName == IDI_APPLICATION)
        return reinterpret_cast<HICON>(&win32::gApplicationIcon);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

extern "C" HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName)
{
    if (hInstance == nullptr && lpCursorName == IDC_ARROW)
        return reinterpret_cast<HCURSOR>(&win32::gArrowCursor);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

extern "C" HGDIOBJ WINAPI GetStockObject(int i)
{
    if (i < 0 || i >= int(std::size(win32::gStockObjects)))
        return nullptr;
    return &win32::gStockObjects[i];
}
