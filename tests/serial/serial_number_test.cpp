// GenerateNextSerialNumber: each number is saved before a device gets it, none is given
// twice, a used-up stream is refused with a word to the operator, and the drive's own
// serial is read without holding the serial-number lock.
#include "engine/ports/port_sync.h"
#include "engine/ports/run_result.h"
#include "engine/serial/serial_advance.h"
#include "engine/serial/serial_number.h"
#include "engine/serial/serial_random.h"
#include "platform/msgbox/msgbox.h"
#include "platform/sync/sync.h"
#include "tests/fakes/fake_portwarden.h"
#include "tests/serial/serial_station.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

// Records the message boxes instead of showing them.
class OperatorBoxes {
public:
    OperatorBoxes()
    {
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            std::lock_guard guard(lock_);
            texts_.push_back(request.text);
            return IDOK;
        });
    }
    ~OperatorBoxes() { platform::SetMessageBoxScript({}); }

    std::vector<std::u16string> Texts()
    {
        std::lock_guard guard(lock_);
        return texts_;
    }

private:
    std::mutex lock_;
    std::vector<std::u16string> texts_;
};

// A drive per call: IDENTIFY gives serial "SN" + an 18-digit count, stored as ATA stores
// strings (two characters per word, the first in the high byte).
class IdentifyingServer : public FakePortwardenCtrl {
public:
    INT ATAIdentify_USD(HANDLE*, BYTE, INT length, BYTE* buffer) override
    {
        if (fail)
            return 0;
        if (whileIdentifying)
            whileIdentifying();
        char serial[21];
        std::snprintf(serial, sizeof serial, "SN%018llu", static_cast<unsigned long long>(++drives));
        std::memset(buffer, 0, static_cast<std::size_t>(length));
        for (int i = 0; i < 20; i += 2) {
            buffer[20 + i] = static_cast<BYTE>(serial[i + 1]);
            buffer[20 + i + 1] = static_cast<BYTE>(serial[i]);
        }
        return 1;
    }

    std::atomic<bool> fail{false};
    std::atomic<unsigned long long> drives{0};
    std::function<void()> whileIdentifying;
};

struct Draw {
    int result;
    ULONGLONG number;
    std::string hdSerial;
};

Draw DrawOne(MainFrameSettings& frame, const PortDevice& device, int port = 0)
{
    PortThreadParam param{};
    PreparePort(param, frame, port);
    int result = GenerateNextSerialNumber(param, device);
    return {result, param.serialNumber, std::string(param.hdSerial, sizeof param.hdSerial)};
}

class SerialNumbers : public ::testing::Test {
protected:
    IdentifyingServer server;
    PortDevice device{&server, nullptr, nullptr, 0};
    OperatorBoxes boxes;
};

TEST_F(SerialNumbers, TheAdvancedNumberIsInTheSettingsFileBeforeTheDeviceGetsIt)
{
    SerialStation station({.mode = 2, .number = 0x10, .step = 2});
    auto frame = station.Load();
    for (ULONGLONG expected : {0x12u, 0x14u, 0x16u}) {
        Draw draw = DrawOne(*frame, device);
        EXPECT_EQ(draw.result, RunResult::Success);
        EXPECT_EQ(draw.number, expected);
        EXPECT_EQ(station.SavedNumber(), expected) << "saved at once, not only with the settings";
        EXPECT_EQ(ULONGLONG{frame->CisSetting.SerialNumberX}, expected);
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialNumbers, ANumberThatCannotBeSavedIsNotGiven)
{
    SerialStation station({.mode = 6, .number = 100});
    auto frame = station.Load();
    frame->CisIni = std::make_unique<CIniFile>(station.folder.WideFile("gone/cis.ini"));
    for (int device = 0; device < 3; ++device) {
        Draw draw = DrawOne(*frame, this->device);
        EXPECT_EQ(draw.result, RunResult::SerialNumberFail);
        EXPECT_EQ(draw.number, 0u);
    }
    EXPECT_EQ(ULONGLONG{frame->CisSetting.SerialNumberX}, 100u);
    ASSERT_EQ(boxes.Texts().size(), 1u) << "the operator is told once, not by every port";
    EXPECT_NE(boxes.Texts()[0].find(u"could not be saved"), std::u16string::npos);
}

TEST_F(SerialNumbers, ADecimalCountBelowZeroIsAUsedUpRange)
{
    SerialStation station({.mode = 2, .decimal = 1, .number = 5, .step = -2});
    auto frame = station.Load();
    std::vector<int> results;
    std::vector<ULONGLONG> numbers;
    for (int device = 0; device < 4; ++device) {
        Draw draw = DrawOne(*frame, this->device);
        results.push_back(draw.result);
        numbers.push_back(draw.number);
    }
    EXPECT_EQ(results, (std::vector<int>{1, 1, 11, 11}));
    EXPECT_EQ(numbers, (std::vector<ULONGLONG>{3, 1, 0, 0}));
    EXPECT_EQ(station.SavedNumber(), 1u);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(u"below 0"), std::u16string::npos);
}

TEST_F(SerialNumbers, AGeneratorWithoutAStepGivesNoNumberTwice)
{
    SerialStation station({.mode = 2, .number = 0x77, .step = 0});
    auto frame = station.Load();
    EXPECT_EQ(DrawOne(*frame, device).result, RunResult::SerialNumberFail)
        << "0x77 may be the last number of the run before";
    EXPECT_EQ(station.SavedNumber(), 0x77u);
}

TEST_F(SerialNumbers, TheFixedAndResetModesGiveTheSettingsNumberAsItIs)
{
    for (INT mode : {0, 1}) {
        SerialStation station({.mode = mode, .number = 0xABC});
        auto frame = station.Load();
        for (int device = 0; device < 3; ++device) {
            Draw draw = DrawOne(*frame, this->device);
            EXPECT_EQ(draw.result, RunResult::Success);
            EXPECT_EQ(draw.number, 0xABCu);
        }
    }
}

// The numbers a random stream gives from `start` before it would repeat one.
std::vector<ULONGLONG> RandomRun(ULONGLONG start)
{
    std::vector<ULONGLONG> run;
    std::set<ULONGLONG> seen{start};
    for (ULONGLONG number = NextRandomSerialNumber(start); seen.insert(number).second;
         number = NextRandomSerialNumber(number))
        run.push_back(number);
    return run;
}

TEST_F(SerialNumbers, ARandomStreamGivesEachNumberOnceThenTellsTheOperatorItIsUsedUp)
{
    const ULONGLONG start = 0x1234'5678'9ABCULL;
    const std::vector<ULONGLONG> expected = RandomRun(start);
    ASSERT_GT(expected.size(), 100u);
    SerialStation station({.mode = 3, .number = start});
    auto frame = station.Load();
    std::vector<ULONGLONG> given;
    for (std::size_t device = 0; device < expected.size() + 5; ++device) {
        Draw draw = DrawOne(*frame, this->device);
        if (draw.result == RunResult::Success)
            given.push_back(draw.number);
        else
            EXPECT_EQ(draw.result, RunResult::SerialNumberFail);
    }
    EXPECT_EQ(given, expected);
    EXPECT_EQ(station.SavedNumber(), expected.back());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find(u"random serial numbers are used up"), std::u16string::npos);
    EXPECT_NE(boxes.Texts()[0].find(u"another serial-number mode"), std::u16string::npos);

    // The operator sets a new number: the stream starts again from it.
    frame->CisSetting.SerialNumberX = 0x7000'0000'0000ULL;
    Draw fresh = DrawOne(*frame, device);
    EXPECT_EQ(fresh.result, RunResult::Success);
    EXPECT_EQ(fresh.number, NextRandomSerialNumber(0x7000'0000'0000ULL));
}

TEST_F(SerialNumbers, ARandomStreamLoadedOnItsCycleIsUsedUp)
{
    // A number on the generator's long cycle: the runs before may have gone round it.
    ULONGLONG onCycle = 1;
    while (RandomSerialCycleThrough(onCycle).size() != 135)
        onCycle = NextRandomSerialNumber(onCycle);
    SerialStation station({.mode = 5, .number = onCycle});
    auto frame = station.Load();
    EXPECT_EQ(DrawOne(*frame, device).result, RunResult::SerialNumberFail);
    EXPECT_EQ(station.SavedNumber(), onCycle);
}

TEST_F(SerialNumbers, TheDrivesSerialIsReadWithoutHoldingTheSerialNumberLock)
{
    SerialStation station({.mode = 7, .number = 0x55});
    auto frame = station.Load();
    DWORD takenByAnotherWorker = WAIT_FAILED;
    server.whileIdentifying = [&] {
        std::thread([&] {
            takenByAnotherWorker = WaitForSingleObject(SerialNumberMutex(), 0);
            if (takenByAnotherWorker == WAIT_OBJECT_0)
                ReleaseMutex(SerialNumberMutex());
        }).join();
    };
    Draw draw = DrawOne(*frame, device);
    EXPECT_EQ(draw.result, RunResult::Success);
    EXPECT_EQ(takenByAnotherWorker, WAIT_OBJECT_0);
    EXPECT_EQ(draw.number, 0x55u);
    EXPECT_EQ(draw.hdSerial, "0000000000000001") << "the last 16 of the drive's 20 characters";
    EXPECT_EQ(station.SavedNumber(), 0x55u);
}

TEST_F(SerialNumbers, AFailedIdentifyFailsTheStepAndLeavesNoStaleSerial)
{
    SerialStation station({.mode = 7, .number = 0x55});
    auto frame = station.Load();
    PortThreadParam param{};
    PreparePort(param, *frame, 3);
    std::memcpy(param.hdSerial, "PREVIOUS-DRIVE!!", 16);
    server.fail = true;
    EXPECT_EQ(GenerateNextSerialNumber(param, device), RunResult::ReadHdSerialFail);
    EXPECT_EQ(std::string(param.hdSerial, 16), std::string(16, '\0'));
}

// 32 workers draw 10 000 numbers at once in each mode.
struct ConcurrentCase {
    SerialSettings settings;
    const char* what;
};

TEST_F(SerialNumbers, ThirtyTwoWorkersDrawingAtOnceNeverGetTheSameNumber)
{
    constexpr int kWorkers = 32;
    constexpr int kDraws = 10'000;
    const ConcurrentCase cases[] = {
        {{.mode = 0, .number = 0x42}, "reset"},
        {{.mode = 1, .number = 0x42}, "fixed"},
        {{.mode = 2, .number = 0xFFFF'FFFF'FFFF'F000ULL, .step = 1}, "generator across 2^64 - 1"},
        {{.mode = 3, .number = 0x5EED}, "random"},
        {{.mode = 4, .decimal = 1, .number = 9'999'995'000ULL, .step = 1}, "with date across its decimal limit"},
        {{.mode = 5, .number = 0x1'0000'0000ULL}, "random with date"},
        {{.mode = 6, .decimal = 1, .number = 50'000, .step = -3}, "custom, counting down"},
        {{.mode = 7, .number = 0x42}, "read from the drive"},
    };
    for (const ConcurrentCase& c : cases) {
        SCOPED_TRACE(c.what);
        SerialStation station(c.settings);
        auto frame = station.Load();
        std::vector<std::vector<Draw>> draws(kWorkers);
        std::vector<std::thread> workers;
        for (int w = 0; w < kWorkers; ++w)
            workers.emplace_back([&, w] {
                for (int n = w; n < kDraws; n += kWorkers)
                    draws[w].push_back(DrawOne(*frame, device, w));
            });
        for (auto& worker : workers)
            worker.join();

        std::vector<ULONGLONG> given;
        std::set<std::string> drives;
        int refused = 0;
        for (const auto& worker : draws)
            for (const Draw& draw : worker) {
                if (draw.result == RunResult::Success) {
                    given.push_back(draw.number);
                    drives.insert(draw.hdSerial);
                } else {
                    ASSERT_EQ(draw.result, RunResult::SerialNumberFail);
                    ++refused;
                }
            }
        std::set<ULONGLONG> distinct(given.begin(), given.end());
        const INT mode = c.settings.mode;
        if (serial::ModeAdvances(mode)) {
            EXPECT_EQ(distinct.size(), given.size()) << "a number given twice";
            std::vector<ULONGLONG> expected;
            if (serial::ModeIsRandom(mode)) {
                expected = RandomRun(c.settings.number);
            } else {
                ULONGLONG number = c.settings.number;
                for (int n = 0; n < kDraws; ++n)
                    expected.push_back(number = *AdvanceSerialNumber(mode, c.settings.decimal, number, c.settings.step));
            }
            EXPECT_EQ(distinct, std::set<ULONGLONG>(expected.begin(), expected.end()));
            EXPECT_EQ(refused, kDraws - static_cast<int>(expected.size()));
            EXPECT_EQ(station.SavedNumber(), expected.back()) << "the file holds the last number given";
        } else {
            EXPECT_EQ(refused, 0);
            EXPECT_EQ(distinct, std::set<ULONGLONG>{0x42}) << "these modes keep the settings' number";
        }
        if (mode == 7) {
            EXPECT_EQ(drives.size(), static_cast<std::size_t>(kDraws)) << "each drive's own serial";
        }
    }
    EXPECT_EQ(boxes.Texts().size(), 2u) << "once for each random stream that ran out";
}

} // namespace
