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
}

TEST(Handle, WrongKindOfHandleIsRefused)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_FALSE(SetEvent(mutex));
    CloseHandle(mutex);
}
