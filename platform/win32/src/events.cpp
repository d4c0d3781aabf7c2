// Event objects: a flag under a mutex with a condition variable. Events may be
// set from any thread (the graphics runtime sets them when the GPU reaches a
// fence value) and waited for on the program's thread.
#include "handles.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace win32
{
namespace
{
class Event final : public KernelObject
{
public:
    Event(bool manualReset, bool initiallySet) : mManualReset(manualReset), mSet(initiallySet) {}

    void Set()
    {
        {
            std::lock_guard lock(mMutex);
            mSet = true;
        }
        mCondition.notify_all();
    }

    void Reset()
    {
        std::lock_guard lock(mMutex);
        mSet = false;
    }

    // True once the event is set; an auto-reset event is cleared by the wait
    // that observed it.
    bool Wait(DWORD milliseconds)
    {
        std::unique_lock lock(mMutex);
        auto isSet = [this] { return mSet; };
        if (milliseconds == INFINITE)
            mCondition.wait(lock, isSet);
        else if (!mCondition.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet))
            return false;
        if (!mManualReset)
            mSet = false;
        return true;
    }

private:
    std::mutex mMutex;
    std::condition_variable mCondition;
    const bool mManualReset;
    bool mSet;
};
} // namespace
} // namespace win32

extern "C" HANDLE WINAPI CreateEventExW(LPSECURITY_ATTRIBUTES lpEventAttributes, LPCWSTR lpName,
                                        DWORD dwFlags, DWORD dwDesiredAccess)
{
    (void)lpEventAttributes;
    (void)dwDesiredAccess;
    if (lpName && *lpName)
    {
        // Named events are shared between processes, which the stand-in does
        // not offer.
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (dwFlags & ~DWORD(CREATE_EVENT_MANUAL_RESET | CREATE_EVENT_INITIAL_SET))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return win32::OpenHandle(std::make_shared<win32::Event>(
        (dwFlags & CREATE_EVENT_MANUAL_RESET) != 0, (dwFlags & CREATE_EVENT_INITIAL_SET) != 0));
}

extern "C" BOOL WINAPI SetEvent(HANDLE hEvent)
{
    auto event = win32::LookUpHandleAs<win32::Event>(hEvent);
    if (!event)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->Set();
    return TRUE;
}

extern "C" BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    auto event = win32::LookUpHandleAs<win32::Event>(hEvent);
    if (!event)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->Reset();
    return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    auto event = win32::LookUpHandleAs<win32::Event>(hHandle);
    if (!event)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return event->Wait(dwMilliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
