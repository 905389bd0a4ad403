// Two writers change the store at the same time, as two processes (the station and
// regsvr32) or as two threads of the station: every change re-reads the store under the
// lock, so neither loses the other's writes.
#include "platform/registry/registry.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <gtest/gtest.h>
#include <latch>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fabrun_test;

namespace {

// The writer's work: a key and a value per step, under a branch of its own and into one
// key both writers share. Returns 0 when every call succeeded.
int WriteMany(int writer, int steps)
{
    for (int step = 0; step < steps; ++step) {
        std::string name = "W" + std::to_string(writer) + "_" + std::to_string(step);
        HKEY own = nullptr, shared = nullptr;
        std::string ownPath = "Concurrent\\Writer" + std::to_string(writer) + "\\" + name;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ownPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &own,
                            nullptr) != ERROR_SUCCESS ||
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Concurrent\\Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &shared,
                            nullptr) != ERROR_SUCCESS)
            return 1;
        if (SetText(shared, name.c_str(), name) != ERROR_SUCCESS)
            return 2;
        RegCloseKey(own);
        RegCloseKey(shared);
    }
    return 0;
}

void ExpectEveryWrite(int steps)
{
    HKEY shared;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Concurrent\\Shared", 0, KEY_READ, &shared), ERROR_SUCCESS);
    for (int writer = 0; writer < 2; ++writer) {
        HKEY own;
        std::string ownPath = "Concurrent\\Writer" + std::to_string(writer);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ownPath.c_str(), 0, KEY_READ, &own), ERROR_SUCCESS);
        EXPECT_EQ(SubkeyNames(own).size(), static_cast<std::size_t>(steps));
        for (int step = 0; step < steps; ++step) {
            std::string name = "W" + std::to_string(writer) + "_" + std::to_string(step);
            EXPECT_EQ(ValueBytes(shared, name.c_str()), name + '\0');
        }
        RegCloseKey(own);
    }
    RegCloseKey(shared);
}

TEST(RegistryConcurrency, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kSteps = 150;
    TemporaryStore store;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        writers[writer] = fork();
        ASSERT_GE(writers[writer], 0);
        if (writers[writer] == 0) {
            close(start[1]);
            char go;
            // Both wait for the same signal so that their writes overlap.
            _exit(read(start[0], &go, 1) == 0 ? WriteMany(writer, kSteps) : 3);
        }
    }
    close(start[0]);
    close(start[1]);
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ExpectEveryWrite(kSteps);
}

TEST(RegistryConcurrency, TwoThreadsWritingAtOnceLoseNothing)
{
    constexpr int kSteps = 50;
    TemporaryStore store;
    std::latch start(2);
    int results[2] = {-1, -1};
    std::thread writers[2];
    for (int writer = 0; writer < 2; ++writer) {
        writers[writer] = std::thread([&, writer] {
            start.arrive_and_wait();
            results[writer] = WriteMany(writer, kSteps);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    ExpectEveryWrite(kSteps);
}

} // namespace
