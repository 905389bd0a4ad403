#include "platform/base/lasterror.h"
#include "platform/sync/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <thread>

TEST(Event, AutoResetSetWithoutWaiterStaysSetAndReleasesOneWait)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    SetEvent(event);
    SetEvent(event); // a second set before any wait is not counted twice
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    platform::ScopedVirtualClock clock;
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount64(), 5000u) << "the timed wait runs on the virtual clock";
    CloseHandle(event);
}

TEST(Event, ManualResetReleasesEveryWaiterUntilReset)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> released{0};
    std::thread a([&] { if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++released; });
    std::thread b([&] { if (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0) ++released; });
    SetEvent(event);
    a.join();
    b.join();
    EXPECT_EQ(released, 2);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(Mutex, IsRecursiveAndOnlyTheOwnerReleases)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    DWORD otherResult = 0;
    BOOL otherRelease = TRUE;
    std::thread([&] {
        otherRelease = ReleaseMutex(mutex);
        otherResult = WaitForSingleObject(mutex, 0);
    }).join();
    EXPECT_FALSE(otherRelease);
    EXPECT_EQ(otherResult, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    std::thread([&] { otherResult = WaitForSingleObject(mutex, 0); ReleaseMutex(mutex); }).join();
    EXPECT_EQ(otherResult, WAIT_OBJECT_0);
    CloseHandle(mutex);
}

namespace {
DWORD RecordStart(LPVOID parameter)
{
    static_cast<std::atomic<int>*>(parameter)->fetch_add(1);
    return 42;
}
} // namespace

TEST(Thread, SuspendedThreadRunsOnlyAfterResume)
{
    std::atomic<int> ran{0};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, RecordStart, &ran, CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ran, 0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ran, 1);
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 42u);
    CloseHandle(thread);
}

// The system refuses a thread (here: the default stack cannot be mapped); the caller gets
// a failure it can report, and the program goes on.
TEST(Thread, AThreadTheSystemCannotStartFailsCreateThread)
{
    pthread_attr_t previous, huge;
    ASSERT_EQ(pthread_getattr_default_np(&previous), 0);
    pthread_attr_init(&huge);
    ASSERT_EQ(pthread_attr_setstacksize(&huge, std::size_t{1} << 46), 0);
    ASSERT_EQ(pthread_setattr_default_np(&huge), 0);
    std::atomic<int> ran{0};
    HANDLE thread = CreateThread(nullptr, 0, RecordStart, &ran, 0, nullptr);
    DWORD error = GetLastError();
    pthread_setattr_default_np(&previous);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&previous);

    EXPECT_EQ(thread, nullptr);
    EXPECT_EQ(error, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ran, 0);
}

TEST(Clock, PerformanceCounterRunsAtTenMegahertzOnTheVirtualClock)
{
    platform::ScopedVirtualClock clock;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    EXPECT_EQ(frequency.QuadPart, 10'000'000);
    QueryPerformanceCounter(&before);
    Sleep(1900);
    QueryPerformanceCounter(&after);
    EXPECT_EQ(after.QuadPart - before.QuadPart, 19'000'000);
    EXPECT_EQ(clock.clock().SleptTotal(), 19'000'000);
}
