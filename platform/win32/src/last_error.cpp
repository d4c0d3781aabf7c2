#include <windows.h>

namespace
{
// Like the real platform, the last error belongs to the calling thread.
thread_local DWORD tLastError = ERROR_SUCCESS;
} // namespace

extern "C" DWORD WINAPI GetLastError(void)
{
    return tLastError;
}

extern "C" void WINAPI SetLastError(DWORD dwErrCode)
{
    tLastError = dwErrCode;
}
