// The single-instance mutex holds across processes and goes with the process that holds it.
#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/instance/instance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class InstanceMutex : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("instance-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Runs `body` in a child process that reports through its exit code.
    static int InChild(int (*body)())
    {
        pid_t child = fork();
        if (child == 0)
            _exit(body());
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path folder_;
};

int TakeAndReport()
{
    HANDLE mutex = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    if (mutex == nullptr)
        return 2;
    return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

TEST_F(InstanceMutex, SecondHolderIsToldItExistsUntilTheFirstEnds)
{
    HANDLE first = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(InChild(TakeAndReport), 1) << "another process sees the mutex";

    HANDLE second = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    EXPECT_NE(second, nullptr) << "a later creator still gets a handle";
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));

    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(InChild(TakeAndReport), 0) << "closed, the name is free again";
}

TEST_F(InstanceMutex, ProcessThatDiesReleasesTheName)
{
    // The child takes the mutex and ends without closing anything.
    EXPECT_EQ(InChild([] { return CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun") != nullptr ? 0 : 2; }), 0);
    HANDLE mine = CreateNamedMutexW(nullptr, TRUE, u"Tarvo Fabrun");
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(mine);
}

TEST_F(InstanceMutex, NamesAreSeparateAndRequired)
{
    HANDLE one = CreateNamedMutexW(nullptr, TRUE, u"one/with\\separators");
    ASSERT_NE(one, nullptr);
    HANDLE other = CreateNamedMutexW(nullptr, TRUE, u"other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(CreateNamedMutexW(nullptr, TRUE, u""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(one);
    CloseHandle(other);
}

} // namespace
