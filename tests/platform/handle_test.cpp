#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/sync/sync.h"

#include <gtest/gtest.h>

TEST(Handle, ClosedHandleIsRefusedNotReused)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));

    // The next objects may take the freed object's memory; they never take its handle.
    HANDLE later[4];
    for (HANDLE& handle : later) {
        handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        EXPECT_NE(handle, event);
    }
    EXPECT_FALSE(SetEvent(event)) << "a stale handle reached a newer event";
    EXPECT_EQ(WaitForSingleObject(later[0], 0), WAIT_TIMEOUT);
    for (HANDLE handle : later)
        CloseHandle(handle);
}

TEST(Handle, WrongKindOfHandleIsRefused)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_FALSE(SetEvent(mutex));
    CloseHandle(mutex);
}
