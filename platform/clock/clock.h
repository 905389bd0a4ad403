// The one clock of the station: the performance counter (fixed 10 MHz), tick counts,
// Sleep and every timed wait go through it, so tests can swap in a virtual clock and
// run multi-second device waits in milliseconds of real time.
#pragma once

#include "platform/base/wintypes.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);

constexpr DWORD INFINITE = 0xFFFFFFFF;

namespace platform {

constexpr std::int64_t kPerformanceFrequency = 10'000'000; // 100 ns units

class ClockSource {
public:
    virtual ~ClockSource() = default;
    // Time since an arbitrary start, in 100 ns units.
    virtual std::int64_t Now() = 0;
    virtual void SleepMs(DWORD milliseconds) = 0;
    // One timed wait on a condition variable: returns when notified, on a spurious wake,
    // or when the clock has passed `deadline` (in Now() units). The caller loops on its predicate.
    virtual void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline) = 0;
};

// The clock in use; the real monotonic clock unless a test installed another.
ClockSource& Clock();
// Installs a clock (nullptr restores the real one); returns the previous.
ClockSource* SetClockSource(ClockSource* clock);

// A clock that moves only when someone sleeps or a timed wait expires. A timed wait first
// gives other threads a short real grace period to signal, then jumps to its deadline.
class VirtualClock final : public ClockSource {
public:
    explicit VirtualClock(unsigned graceMicroseconds = 2000) : graceMicroseconds_(graceMicroseconds) {}
    std::int64_t Now() override { return now_.load(); }
    void SleepMs(DWORD milliseconds) override;
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline) override;
    void Advance(std::int64_t units);
    // Total virtual time spent in Sleep calls, in 100 ns units.
    std::int64_t SleptTotal() const { return slept_.load(); }

private:
    void AdvanceTo(std::int64_t target);
    std::atomic<std::int64_t> now_{0};
    std::atomic<std::int64_t> slept_{0};
    unsigned graceMicroseconds_;
};

// Scoped installation of a virtual clock for a test.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(unsigned graceMicroseconds = 2000);
    ~ScopedVirtualClock();
    VirtualClock& clock() { return clock_; }

private:
    VirtualClock clock_;
    ClockSource* previous_;
};

// Deadline helper for timed waits: INFINITE gives no deadline.
std::int64_t DeadlineAfter(DWORD milliseconds);
bool DeadlinePassed(std::int64_t deadline);

} // namespace platform
