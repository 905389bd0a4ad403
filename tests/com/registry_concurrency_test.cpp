// Two writers change the store at the same time, as two processes (the station and
// regsvr32) or as two threads of the station: every change re-reads the store under the
// lock, so neither loses the other's writes. Threads reading while another writes share
// the process's parsed copy of the store.
#include "platform/registry/registry.h"
#include "platform/registry/values.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <atomic>
#include <charconv>
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

// Reads the counter until the writer is done: it must never go back, and the read that
// started after the writer finished must show the last value. Empty when all was so.
std::string ReadInOrder(HKEY key, const std::atomic<bool>& writerDone, int last)
{
    int seen = 0;
    for (bool finished = false; !finished;) {
        finished = writerDone.load();
        std::string text;
        if (LSTATUS status = platform::registry::QueryString(key, "Count", text); status != ERROR_SUCCESS)
            return "read failed: error " + std::to_string(status);
        int count = -1;
        std::from_chars(text.data(), text.data() + text.size(), count);
        if (count < 0)
            return "read " + text;
        if (count < seen)
            return "went back from " + std::to_string(seen) + " to " + std::to_string(count);
        seen = count;
    }
    return seen == last ? "" : "ended at " + std::to_string(seen);
}

TEST(RegistryConcurrency, ReadersInOtherThreadsSeeEveryChangeInOrder)
{
    constexpr int kChanges = 60;
    TemporaryStore store;
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Counted");
    ASSERT_EQ(SetText(key, "Count", "0"), ERROR_SUCCESS);
    std::atomic<bool> writerDone{false};
    std::string problems[3];
    std::vector<std::thread> readers;
    for (std::string& problem : problems)
        readers.emplace_back([&] { problem = ReadInOrder(key, writerDone, kChanges); });
    for (int count = 1; count <= kChanges; ++count)
        EXPECT_EQ(SetText(key, "Count", std::to_string(count)), ERROR_SUCCESS);
    writerDone = true;
    for (std::thread& reader : readers)
        reader.join();
    for (const std::string& problem : problems)
        EXPECT_EQ(problem, "");
    RegCloseKey(key);
}

} // namespace
