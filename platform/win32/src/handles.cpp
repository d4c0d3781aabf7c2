#include "handles.h"

#include <mutex>
#include <unordered_map>

namespace win32
{
namespace
{
std::mutex gHandleMutex;
std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> gHandles;
} // namespace

HANDLE OpenHandle(std::shared_ptr<KernelObject> object)
{
    std::lock_guard lock(gHandleMutex);
    HANDLE handle = object.get();
    gHandles.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> LookUpHandle(HANDLE handle)
{
    std::lock_guard lock(gHandleMutex);
    auto it = gHandles.find(handle);
    return it == gHandles.end() ? nullptr : it->second;
}

} // namespace win32

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject)
{
    std::shared_ptr<win32::KernelObject> object;
    {
        std::lock_guard lock(win32::gHandleMutex);
        auto it = win32::gHandles.find(hObject);
        if (it == win32::gHandles.end())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(it->second);
        win32::gHandles.erase(it);
    }
    // The object is released outside the lock: closing a file may take a
    // moment and must not hold up other handle look-ups.
    object.reset();
    return TRUE;
}
