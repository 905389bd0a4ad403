#include "engine/ports/port_sync.h"
#include "platform/sync/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

TEST(SerialNumberMutex, IsNotOwnedAtStartAndNoTwoWorkersAdvanceTheNumberAtOnce)
{
    ASSERT_NE(SerialNumberMutex(), nullptr);
    DWORD firstTake = WAIT_FAILED;
    std::thread([&] {
        firstTake = WaitForSingleObject(SerialNumberMutex(), 0);
        ReleaseMutex(SerialNumberMutex());
    }).join();
    EXPECT_EQ(firstTake, WAIT_OBJECT_0);

    // Each worker reads the number, yields, then writes it back advanced: without the lock
    // two workers would hand out the same number.
    std::uint64_t serialNumber = 0;
    std::vector<std::uint64_t> handedOut;
    std::vector<std::thread> workers;
    constexpr int kWorkers = 8, kNumbersEach = 200;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            for (int n = 0; n < kNumbersEach; ++n) {
                SerialNumberLock lock;
                ASSERT_TRUE(lock.Held());
                std::uint64_t next = serialNumber + 1;
                std::this_thread::yield();
                serialNumber = next;
                handedOut.push_back(next);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(serialNumber, std::uint64_t(kWorkers * kNumbersEach));
    std::sort(handedOut.begin(), handedOut.end());
    EXPECT_EQ(std::adjacent_find(handedOut.begin(), handedOut.end()), handedOut.end()) << "a number handed out twice";
}
