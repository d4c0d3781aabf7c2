// Linux-side services of the Win32 stand-in that the other platform modules
// and the tests use. The program itself never includes this header.
#pragma once

#include <windows.h>
#include <win32_time_source.h> // the tests' time sources

#include <cstdint>
#include <string>

struct SDL_Window;

namespace win32
{

// UTF-8 <-> wide (UTF-32 wchar_t) conversions. Invalid input becomes U+FFFD.
std::string Utf8FromWide(const wchar_t* text);
std::string Utf8FromWide(const std::wstring& text);
std::wstring WideFromUtf8(const std::string& text);

// The native window behind a visible window, or nullptr (message-only
// windows and invalid handles). The swap chain draws into it.
SDL_Window* NativeWindowOf(HWND window);

// The Win32 error code for a POSIX errno value, as the file functions report
// it through GetLastError. Values without a closer match give
// ERROR_GEN_FAILURE.
DWORD Win32ErrorFromErrno(int error);

// The Win32 error for a POSIX file call on `path` that failed with
// `errnoValue`. As on Windows, a missing file in an existing directory is
// ERROR_FILE_NOT_FOUND and a path through a missing directory
// ERROR_PATH_NOT_FOUND.
DWORD FileErrorFromErrno(int errnoValue, const std::string& path);

// Drops every posted message and a pending quit request (tests start each case
// with an empty queue).
void ResetMessageQueue();

} // namespace win32
