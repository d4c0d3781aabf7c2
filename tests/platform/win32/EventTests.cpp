#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{

TEST(Events, AutoResetEventReleasesOneWaitAndTimesOutOtherwise)
{
    HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_TIMEOUT));
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(event, 10), DWORD(WAIT_TIMEOUT)); // reset by the wait
    EXPECT_TRUE(CloseHandle(event));
}

TEST(Events, ManualResetEventStaysSetUntilReset)
{
    HANDLE event = CreateEventExW(
        nullptr, nullptr, CREATE_EVENT_MANUAL_RESET | CREATE_EVENT_INITIAL_SET, EVENT_ALL_ACCESS);
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_TIMEOUT));
    CloseHandle(event);
}

TEST(Events, AnInfiniteWaitReturnsWhenAnotherThreadSetsTheEvent)
{
    HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
    bool setterRan = false;
    std::thread setter(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            setterRan = true;
            SetEvent(event);
        });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), DWORD(WAIT_OBJECT_0));
    EXPECT_TRUE(setterRan);
    setter.join();
    CloseHandle(event);
}

TEST(Events, ClosedAndForeignHandlesAreRefused)
{
    HANDLE event = CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS);
    ASSERT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_FAILED));
    int local = 0;
    EXPECT_FALSE(SetEvent(&local));
    EXPECT_EQ(CreateEventExW(nullptr, L"named", 0, EVENT_ALL_ACCESS), nullptr);
}

} // namespace
