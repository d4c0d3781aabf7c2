// The performance counter is the monotonic clock in nanoseconds, or the time
// source a program installed.
#include <win32_time_source.h>

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <ctime>

namespace win32
{
namespace
{
std::atomic<TimeSource*> gTimeSource{nullptr};

constexpr int64_t NanosecondsPerSecond = 1'000'000'000;

int64_t MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * NanosecondsPerSecond + now.tv_nsec;
}

void SleepMilliseconds(uint32_t milliseconds)
{
    timespec remaining{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR)
    {
    }
}
} // namespace

void SetTimeSource(TimeSource* source)
{
    gTimeSource.store(source);
}

} // namespace win32

extern "C" BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    if (!lpPerformanceCount)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    win32::TimeSource* source = win32::gTimeSource.load();
    lpPerformanceCount->QuadPart = source ? source->Counter() : win32::MonotonicNanoseconds();
    return TRUE;
}

extern "C" BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    if (!lpFrequency)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    win32::TimeSource* source = win32::gTimeSource.load();
    lpFrequency->QuadPart = source ? source->Frequency() : win32::NanosecondsPerSecond;
    return TRUE;
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (win32::TimeSource* source = win32::gTimeSource.load())
    {
        source->Sleep(dwMilliseconds);
        return;
    }
    if (dwMilliseconds == INFINITE)
    {
        for (;;)
        {
            win32::SleepMilliseconds(1000u * 3600u);
        }
    }
    win32::SleepMilliseconds(dwMilliseconds);
}
