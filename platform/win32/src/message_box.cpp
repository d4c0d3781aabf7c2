// Message boxes and debugger output.
#include <win32_support.h>

#include <SDL.h>

#include <cstdio>

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    (void)hWnd;
    const std::string text = win32::Utf8FromWide(lpText);
    // Without a caption the real platform titles the box "Error".
    const std::string caption = lpCaption ? win32::Utf8FromWide(lpCaption) : "Error";

    Uint32 flags = SDL_MESSAGEBOX_ERROR;
    if ((uType & 0xF0) == MB_ICONWARNING)
        flags = SDL_MESSAGEBOX_WARNING;
    else if ((uType & 0xF0) == MB_ICONINFORMATION)
        flags = SDL_MESSAGEBOX_INFORMATION;

    // The report also goes to standard error, so a run without a display (or
    // one whose box nobody reads) still says what happened.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);

    // The box is modal and has one button, so any way of closing it is OK.
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
    return IDOK;
}

extern "C" void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    // Standard error is the debugger output of a Linux process.
    if (lpOutputString)
    {
        std::fputs(lpOutputString, stderr);
        std::fflush(stderr);
    }
}

extern "C" void WINAPI OutputDebugStringW(LPCWSTR lpOutputString)
{
    if (lpOutputString)
        OutputDebugStringA(win32::Utf8FromWide(lpOutputString).c_str());
}
