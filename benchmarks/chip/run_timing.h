// Where the time of a run goes: control transfers (timed around libusb's usb_control_msg,
// which this program interposes) and the sleeps of the platform clock.
#pragma once

#include "platform/clock/clock.h"

#include <atomic>
#include <chrono>
#include <cstdint>

struct TransferTotals {
    std::uint64_t count = 0;
    std::chrono::nanoseconds time{0};
};

// Every usb_control_msg of the process since the last call.
TransferTotals TakeTransferTotals();

// The real clock, counting the time spent in Sleep.
class SleepAccountingClock final : public platform::ClockSource {
public:
    explicit SleepAccountingClock(platform::ClockSource& real) : real_(real) {}
    std::int64_t Now() override { return real_.Now(); }
    void SleepMs(DWORD milliseconds) override;
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline) override
    {
        real_.WaitUntil(cv, lock, deadline);
    }
    std::chrono::nanoseconds Slept() const { return std::chrono::nanoseconds(slept_.load()); }

private:
    platform::ClockSource& real_;
    std::atomic<std::int64_t> slept_{0};
};
