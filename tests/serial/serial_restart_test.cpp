// A station killed in the middle of a run: the settings file holds the last number given
// (or the one it was about to give), so the station started again gives no number twice.
#include "engine/ports/run_result.h"
#include "engine/serial/serial_advance.h"
#include "engine/serial/serial_number.h"
#include "tests/fakes/fake_portwarden.h"
#include "tests/serial/serial_station.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Reads exactly `size` bytes; false at the end of the pipe.
bool ReadWhole(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        ssize_t got = read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// A station process that gives numbers to devices, telling the test each number once a
// device has it and going on when the test says so. The test lets it give
// `numbersBeforeKill` numbers and kills it while it gives the next. Returns every number
// it gave.
std::vector<ULONGLONG> RunAndKill(const SerialStation& station, std::size_t numbersBeforeKill)
{
    int numbers[2], goOn[2];
    if (pipe(numbers) != 0 || pipe(goOn) != 0)
        ADD_FAILURE() << "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(numbers[0]);
        close(goOn[1]);
        auto frame = station.Load();
        FakePortwardenCtrl server;
        PortDevice device{&server, nullptr, nullptr, 0};
        char go;
        do {
            PortThreadParam param{};
            PreparePort(param, *frame, 0);
            ULONGLONG given = GenerateNextSerialNumber(param, device) == RunResult::Success ? param.serialNumber : ~0ULL;
            if (write(numbers[1], &given, sizeof given) != sizeof given || given == ~0ULL)
                _exit(0);
        } while (read(goOn[0], &go, 1) == 1);
        _exit(0);
    }
    close(numbers[1]);
    close(goOn[0]);
    std::vector<ULONGLONG> given;
    ULONGLONG number;
    while (given.size() < numbersBeforeKill && ReadWhole(numbers[0], &number, sizeof number) && number != ~0ULL) {
        given.push_back(number);
        if (write(goOn[1], "g", 1) != 1)
            break;
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the station was still giving numbers when it was killed";
    // It may have given one more before the kill reached it.
    while (ReadWhole(numbers[0], &number, sizeof number) && number != ~0ULL)
        given.push_back(number);
    close(numbers[0]);
    close(goOn[1]);
    return given;
}

struct RestartCase {
    SerialSettings settings;
    const char* what;
};

TEST(SerialNumberRestart, NoNumberIsGivenTwiceAcrossAKill)
{
    const RestartCase cases[] = {
        {{.mode = 2, .number = 0x1000, .step = 1}, "generator"},
        {{.mode = 4, .decimal = 1, .number = 500, .step = 7}, "with date, decimal"},
        {{.mode = 6, .number = 0x9000, .step = -5}, "custom, counting down"},
        {{.mode = 3, .number = 0x600D'F00DULL}, "random"},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.what);
        SerialStation station(c.settings);
        std::vector<ULONGLONG> before = RunAndKill(station, 60);
        ASSERT_GE(before.size(), 60u);
        ASSERT_LE(before.size(), 61u);

        // Started again: the file holds the last number given, or the next one, which was
        // saved but had not reached a device.
        auto frame = station.Load();
        const ULONGLONG saved = frame->CisSetting.SerialNumberX;
        const ULONGLONG next = *AdvanceSerialNumber(c.settings.mode, c.settings.decimal, before.back(), c.settings.step);
        EXPECT_TRUE(saved == before.back() || saved == next) << std::hex << saved;

        std::set<ULONGLONG> given(before.begin(), before.end());
        FakePortwardenCtrl server;
        PortDevice device{&server, nullptr, nullptr, 0};
        for (int n = 0; n < 2000; ++n) {
            PortThreadParam param{};
            PreparePort(param, *frame, 1);
            if (GenerateNextSerialNumber(param, device) != RunResult::Success)
                break;
            EXPECT_TRUE(given.insert(param.serialNumber).second) << "given again after the restart: " << param.serialNumber;
        }
        EXPECT_GT(given.size(), before.size()) << "the station goes on giving numbers";
    }
}

} // namespace
