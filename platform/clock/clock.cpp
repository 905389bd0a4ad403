#include "platform/clock/clock.h"

#include <chrono>
#include <limits>
#include <thread>

namespace platform {
namespace {

class RealClock final : public ClockSource {
public:
    std::int64_t Now() override
    {
        auto since = std::chrono::steady_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
    }
    void SleepMs(DWORD milliseconds) override
    {
        if (milliseconds == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline) override
    {
        if (deadline == std::numeric_limits<std::int64_t>::max()) {
            cv.wait(lock);
            return;
        }
        std::int64_t remaining = deadline - Now();
        if (remaining > 0)
            cv.wait_for(lock, std::chrono::nanoseconds(remaining * 100));
    }
};

RealClock realClock;
std::atomic<ClockSource*> current{&realClock};

} // namespace

ClockSource& Clock()
{
    return *current.load();
}

ClockSource* SetClockSource(ClockSource* clock)
{
    return current.exchange(clock != nullptr ? clock : &realClock);
}

void VirtualClock::AdvanceTo(std::int64_t target)
{
    std::int64_t seen = now_.load();
    while (seen < target && !now_.compare_exchange_weak(seen, target)) {
    }
}

void VirtualClock::Advance(std::int64_t units)
{
    now_ += units;
}

void VirtualClock::SleepMs(DWORD milliseconds)
{
    std::int64_t units = static_cast<std::int64_t>(milliseconds) * 10'000;
    now_ += units;
    slept_ += units;
    std::this_thread::yield();
}

void VirtualClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline)
{
    if (deadline == std::numeric_limits<std::int64_t>::max()) {
        cv.wait(lock);
        return;
    }
    if (Now() >= deadline)
        return;
    if (cv.wait_for(lock, std::chrono::microseconds(graceMicroseconds_)) == std::cv_status::timeout)
        AdvanceTo(deadline);
}

ScopedVirtualClock::ScopedVirtualClock(unsigned graceMicroseconds)
    : clock_(graceMicroseconds), previous_(SetClockSource(&clock_))
{
}

ScopedVirtualClock::~ScopedVirtualClock()
{
    SetClockSource(previous_);
}

std::int64_t DeadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE)
        return std::numeric_limits<std::int64_t>::max();
    return Clock().Now() + static_cast<std::int64_t>(milliseconds) * 10'000;
}

bool DeadlinePassed(std::int64_t deadline)
{
    return deadline != std::numeric_limits<std::int64_t>::max() && Clock().Now() >= deadline;
}

} // namespace platform

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    count->QuadPart = platform::Clock().Now();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    frequency->QuadPart = platform::kPerformanceFrequency;
    return TRUE;
}

ULONGLONG GetTickCount64()
{
    return static_cast<ULONGLONG>(platform::Clock().Now() / 10'000);
}

DWORD GetTickCount()
{
    return static_cast<DWORD>(GetTickCount64());
}

void Sleep(DWORD milliseconds)
{
    platform::Clock().SleepMs(milliseconds);
}
