#include "engine/ufdworker/stress_test.h"

#include "engine/ports/run_result.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <ctime>
#include <new>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr ULONGLONG kMiB = 1048576;
constexpr int kAttempts = 3;
constexpr DWORD kChunkBytes = 65536; // the timed slots report the time of their fastest 64 KiB command
constexpr BYTE kLun0 = 0;

struct Attempt {
    bool passed = false;
    bool restored = true;
    INT unlocked = 0;
    DWORD readTicks = 0;
    DWORD writeTicks = 0;
};

double Rate(DWORD bytes, DWORD ticks)
{
    LARGE_INTEGER frequency{};
    if (ticks == 0 || !QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0)
        return 0;
    return bytes / (static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart));
}

class StressTest {
public:
    StressTest(UfdRun& run, DWORD lba, DWORD size) : d_(run.device), lba_(lba), size_(size)
    {
        std::mt19937 random(static_cast<unsigned>(std::time(nullptr)) ^ static_cast<unsigned>(run.param.port) << 24);
        std::generate(pattern_.begin(), pattern_.end(), [&random] { return static_cast<BYTE>(random()); });
    }

    Attempt Once()
    {
        Attempt a;
        HANDLE volume = INVALID_HANDLE_VALUE;
        if (d_.ctrl->Disk_Lock(d_.handles, d_.index, &volume) != 1) {
            OutputDebugStringA("  Stress test: the disk could not be locked");
            a.unlocked = d_.ctrl->Disk_Unlock(d_.handles, d_.index, volume);
            return a;
        }
        // Nothing is written unless the data it covers was saved first.
        if (d_.ctrl->ReadDiskEx(d_.handles, d_.index, kLun0, lba_, size_, save_.data(), &a.readTicks) != 1) {
            OutputDebugStringA("  Stress test: the data to save could not be read");
            a.unlocked = d_.ctrl->Disk_Unlock(d_.handles, d_.index, volume);
            return a;
        }
        DWORD unused = 0;
        const bool wrote = d_.ctrl->WriteDiskEx(d_.handles, d_.index, kLun0, lba_, size_, pattern_.data(), &a.writeTicks) == 1;
        std::fill(check_.begin(), check_.end(), BYTE{0});
        const bool read = d_.ctrl->ReadDiskEx(d_.handles, d_.index, kLun0, lba_, size_, check_.data(), &unused) == 1;
        a.restored = d_.ctrl->WriteDiskEx(d_.handles, d_.index, kLun0, lba_, size_, save_.data(), &unused) == 1;
        a.unlocked = d_.ctrl->Disk_Unlock(d_.handles, d_.index, volume);
        a.passed = wrote && read && check_ == pattern_;
        return a;
    }

private:
    const PortDevice& d_;
    const DWORD lba_;
    const DWORD size_;
    std::vector<BYTE> pattern_ = std::vector<BYTE>(size_);
    std::vector<BYTE> save_ = std::vector<BYTE>(size_);
    std::vector<BYTE> check_ = std::vector<BYTE>(size_);
};

int Test(UfdRun& run, StressRates& rates)
{
    const DWORD megabytes = run.settings().StressTestSize;
    const ULONGLONG size = (megabytes != 0 ? megabytes : 1) * kMiB; // 64 bits: a size of 4096 MB and more does not wrap
    if (size > 0xFFFFFFFFULL - kMiB + 1) {
        platform::DebugPrintf("  Stress test size of %u MB is more than one transfer can move", megabytes);
        return RunResult::StressTestFail;
    }
    const PortDevice& d = run.device;
    DWORD lastLba = 0;
    DWORD blockLength = 0;
    if (d.ctrl->ReadCapacity(d.handles, d.index, &lastLba, &blockLength) != 1) {
        OutputDebugStringA("  Stress test: READ CAPACITY failed");
        return RunResult::ReadCapacityFail;
    }
    // Three buffers of the whole size: a size the memory cannot hold fails this port's
    // step instead of ending the station with every other port's run.
    std::optional<StressTest> made;
    try {
        made.emplace(run, lastLba / 2, static_cast<DWORD>(size));
    } catch (const std::bad_alloc&) {
        platform::DebugPrintf("  Stress test: no memory for three buffers of %u MB", megabytes);
        return RunResult::StressTestFail;
    }
    StressTest& test = *made;
    Attempt last;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        last = test.Once();
        if (!last.restored) {
            // The device's data at that place is lost; another attempt would save the pattern.
            OutputDebugStringA("  Stress test: the saved data could not be written back");
            return RunResult::StressTestFail;
        }
        if (last.passed)
            break;
        platform::DebugPrintf("  Stress test attempt %d failed", attempt);
    }
    const DWORD chunk = static_cast<DWORD>(std::min<ULONGLONG>(size, kChunkBytes));
    rates.readRate = Rate(chunk, last.readTicks);
    rates.writeRate = Rate(chunk, last.writeTicks);
    if (!last.passed)
        return RunResult::StressTestFail;
    return last.unlocked == 1 ? RunResult::Success : RunResult::Fail;
}

} // namespace

int RunStressTest(UfdRun& run, StressRates& rates)
{
    const int result = Test(run, rates);
    run.progress.PostProgress(kPortProgressEnd);
    const PortDevice& d = run.device;
    if (d.ctrl->UFDCacheClear_UFD(d.handles, d.index) != 1)
        OutputDebugStringA("  UFDCacheClear_UFD failed");
    return result;
}
