#include "run_timing.h"

#include <dlfcn.h>
#include <usb.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
using ControlMsg = int (*)(usb_dev_handle*, int, int, int, int, char*, int, int);

std::atomic<std::uint64_t> transferCount{0};
std::atomic<std::int64_t> transferNanoseconds{0};

ControlMsg RealControlMsg()
{
    static ControlMsg real = reinterpret_cast<ControlMsg>(dlsym(RTLD_NEXT, "usb_control_msg"));
    if (real == nullptr) {
        std::fprintf(stderr, "usb_control_msg not found: %s\n", dlerror());
        std::abort();
    }
    return real;
}

} // namespace

// The station's libraries call this definition (the program exports it); it times the
// real one.
extern "C" int usb_control_msg(usb_dev_handle* handle, int requestType, int request, int value, int index, char* bytes,
                               int size, int timeout)
{
    const ControlMsg real = RealControlMsg();
    const auto start = Clock::now();
    const int result = real(handle, requestType, request, value, index, bytes, size, timeout);
    transferNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
    ++transferCount;
    return result;
}

TransferTotals TakeTransferTotals()
{
    return {transferCount.exchange(0), std::chrono::nanoseconds(transferNanoseconds.exchange(0))};
}

void SleepAccountingClock::SleepMs(DWORD milliseconds)
{
    const auto start = Clock::now();
    real_.SleepMs(milliseconds);
    slept_ += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}
