// The chip-mode worker runs one job per start, posts progress from 0 to 1200 and exactly
// one result, restores the SPI lock after a download, and waits for the view's release.
#include "engine/chipworker/chip_run_thread.h"
#include "engine/spi/spi_procedures.h"
#include "engine/usb/vendor_requests.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::PortRun;
using chiptest::TempPath;
using chiptest::WriteRandomFile;
using Effect = sim::RequestFault::Effect;
using Progress = std::vector<std::int32_t>;
using Bytes = std::vector<std::uint8_t>;
using namespace sim::ChipRequest;

constexpr WORD ReadyLock = 0xF7;

class ChipWorker : public ::testing::Test {
protected:
    ChipWorker() { UseFirmware(run, 0x8000); }

    static void UseFirmware(PortRun& port, std::size_t size)
    {
        const std::string path = TempPath("worker_fw_" + std::to_string(size) + ".bin");
        WriteRandomFile(path, size, 52);
        port.settings().FilePathOfFW = platform::Utf8ToWide(path);
    }
    sim::Rz52xChip& Plug(sim::ChipConfig config)
    {
        chip = &bench.AddChip(std::move(config));
        return *chip;
    }
    sim::Rz52xChip& Plug(WORD productId) { return Plug(ConfigFor(productId)); }
    int Run() { return run.RunWorker(ChipRunThread); }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
    sim::Rz52xChip* chip = nullptr;
    PortRun run;
};

TEST_F(ChipWorker, NormalRunDownloadsUnderTheSpiLockAndRestoresIt)
{
    Plug(ChipProductId::RZ522).SetRegister(ReadyLock, 0x40);
    run.param.stopRequest = 1; // the chip-mode worker never reads it
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 300, 600, 900, 1200}));
    EXPECT_EQ(chip->LockRegisterAtErases(), (Bytes{0x41})) << "ready, and the SPI locked";
    EXPECT_EQ(chip->Register(ReadyLock), 0x40) << "restored";
    EXPECT_EQ(chip->Restarts(), 1u);
    EXPECT_EQ(debug.Starting("--------> VDR_CMD_Cnt = ").size(), 1u);
    EXPECT_EQ(VdrCommandCount.load(), 0);
}

TEST_F(ChipWorker, LunTypeBit30SelectsTheSstFlashOverBits14And13)
{
    Plug(ChipProductId::RZ526);
    run.settings().LunTypeBitMap = 1u << 30 | 1u << 14 | 1u << 13;
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_TRUE(debug.Has("  SST Special  SPI_WriteEN 0x50"));
    EXPECT_EQ(chip->EraseOpcodes(), (Bytes{0x60}));
}

TEST_F(ChipWorker, AFailedDownloadStillRestoresTheLock)
{
    auto config = ConfigFor(ChipProductId::RZ526);
    config.programBitErrors.push_back({.address = 0x20010, .mask = 0x80});
    Plug(config).SetRegister(ReadyLock, 0x20);
    EXPECT_EQ(Run(), SpiResult::CompareError);
    EXPECT_EQ(chip->Register(ReadyLock), 0x20);
    EXPECT_EQ(run.view.Progress().back(), 1200);
}

struct RestartCase {
    const char* name;
    bool c0Type;
    unsigned resetsUntilReady;
    unsigned a0b0Requests;
    unsigned c0Requests;
};

class Restart : public ChipWorker, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(Restart, RestartsTheChipTheWayItsTypeNeedsWithAPauseAfterEach)
{
    const auto c = GetParam();
    auto config = ConfigFor(ChipProductId::RZ526);
    config.c0Type = c.c0Type;
    config.resetsUntilReady = c.resetsUntilReady;
    config.eraseTimeMs = 0;
    Plug(config);
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(chip->Requests(ResetA0), c.a0b0Requests);
    EXPECT_EQ(chip->Requests(ResetB0), c.a0b0Requests);
    EXPECT_EQ(chip->Requests(ResetC0), c.c0Requests);
    EXPECT_EQ(chip->RegisterWrites(0x2AE2), c.a0b0Requests) << "a C0-type chip never gets the unlock bytes";
    // Beside the restart pauses the run sleeps 1000 ms after the status write and 1000 ms
    // between the two clean status readings after the erase.
    EXPECT_EQ(clock.clock().SleptTotal(), (2000 + 1900 * static_cast<std::int64_t>(c.resetsUntilReady)) * 10'000);
}

INSTANTIATE_TEST_SUITE_P(Chips, Restart,
                         ::testing::Values(RestartCase{"ReadyAtOnce", false, 0, 0, 0}, RestartCase{"A0B0Once", false, 1, 1, 0},
                                           RestartCase{"A0B0FiveTimes", false, 5, 5, 0}, RestartCase{"C0Twice", true, 2, 0, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChipWorker, AChipThatNeverBecomesReadyFailsAfterSixTries)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.resetsUntilReady = sim::Never;
    Plug(config);
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(debug.Has("\t  Restart Device Fail"));
    EXPECT_EQ(chip->Requests(ResetA0), 6u);
    EXPECT_EQ(chip->RegisterWrites(ReadyLock), 0u) << "no lock, so nothing to restore";
    EXPECT_EQ(chip->Erases(), 0u);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 1200}));
}

TEST_F(ChipWorker, ALockRegisterThatCannotBeReadIsNotWritten)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    // Reading 1: not ready; 2: ready; 3: the lock.
    config.faults.push_back({.request = Register, .reg = ReadyLock, .after = 2, .count = sim::Never, .effect = Effect::Short});
    Plug(config);
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(debug.Has("\t  Lock_SPI Fail"));
    EXPECT_EQ(chip->RegisterWrites(ReadyLock), 0u);
    EXPECT_EQ(chip->Erases(), 0u);
}

TEST_F(ChipWorker, APreambleRegisterThatCannotBeReadIsNotWrittenBack)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.faults.push_back({.request = Register, .reg = 0x02, .count = sim::Never, .effect = Effect::Short});
    Plug(config);
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(chip->RegisterWrites(0x02), 0u);
    EXPECT_EQ(chip->RegisterWrites(0x15), 2u) << "the rest of the preamble, before and after the restart";
    EXPECT_EQ(chip->Register(0x15), 0x7F);
    EXPECT_EQ(chip->Register(0x1C), 0x02);
}

TEST_F(ChipWorker, AnRz524GetsItsTrimSelection)
{
    UseFirmware(run, 0xC000);
    Plug(ChipProductId::RZ524);
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(chip->RegisterWrites(0x7E), 1u);
    EXPECT_EQ(chip->Register(0x7E), 0xF5);
}

TEST_F(ChipWorker, AnUnansweredIdentityIsNotUsed)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.faults.push_back({.request = Identity, .count = sim::Never});
    Plug(config);
    run.settings().SetHubHighZ = 1;
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(debug.Count("PID-----> not read"), 3u);
    EXPECT_TRUE(debug.Starting("@@@@ Support_Search_").empty()) << "no product id, no hub search";
}

TEST_F(ChipWorker, HubsAreSetAfterEachIdentificationOfAnRz522)
{
    auto& hub = bench.AddHub({.bus = 2, .vendorId = MakerVendorId, .productId = 0x5410, .bcdDevice = 0x0D12});
    run.settings().SetHubHighZ = 1;
    Plug(ChipProductId::RZ522);
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(debug.Count("PID-----> 5202"), 2u);
    EXPECT_EQ(debug.Count(" Hub_Set_HighZ_OK"), 2u) << "after the first and the second identification";
    EXPECT_EQ(hub.Register(0xB1), 0x80);
}

TEST_F(ChipWorker, HubsAreLeftAloneForOtherModels)
{
    auto& hub = bench.AddHub({.bus = 2, .vendorId = MakerVendorId, .productId = 0x5410, .bcdDevice = 0x0D12});
    run.settings().SetHubHighZ = 1;
    Plug(ChipProductId::RZ526);
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(hub.Accesses(), 0u);
}

struct SltCase {
    const char* name;
    BYTE mode;
    BYTE ccPin;
    int brokenPair; // -1: a good fixture
    int result;
    const char* line;
};

class SystemLevelTest : public ChipWorker, public ::testing::WithParamInterface<SltCase> {};

TEST_P(SystemLevelTest, RunsBeforeTheDownload)
{
    const auto c = GetParam();
    auto config = ConfigFor(ChipProductId::RZ526);
    config.ccPin = c.ccPin;
    if (c.brokenPair >= 0)
        config.fixturePairs[c.brokenPair] = false;
    Plug(config);
    run.settings().RunSLTMode = c.mode;
    EXPECT_EQ(Run(), c.result);
    EXPECT_TRUE(debug.Has("\tSpecial SLT Mode"));
    EXPECT_TRUE(debug.Has(c.line)) << c.line;
    EXPECT_EQ(chip->Erases(), c.result == 1 ? 1u : 0u);
    // The GPIO registers are restored whatever the outcome.
    EXPECT_EQ(chip->Register(0x03) & 0xF0, 0x00);
    EXPECT_EQ(chip->Register(0x09) & 0xF0, 0x00);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, SystemLevelTest,
    ::testing::Values(SltCase{"GoodFixture", 1, 1, -1, 1, "          FW_DL_New OK"},
                      SltCase{"NoCcPinCheckInModeOne", 1, 0, -1, 1, "          FW_DL_New OK"},
                      SltCase{"CcPinMissingInModeTwo", 2, 0, -1, 0, "          CC_Pin_Test FAIL"},
                      SltCase{"BrokenPair0", 1, 1, 0, 0, "\t\t\tGPIO_Test FAIL"},
                      SltCase{"BrokenPair1", 1, 1, 1, 0, "\t\t\tGPIO_Test FAIL"},
                      SltCase{"BrokenPair2", 1, 1, 2, 0, "\t\t\tGPIO_Test FAIL"},
                      SltCase{"BrokenPair3", 1, 1, 3, 0, "\t\t\tGPIO_Test FAIL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChipWorker, BurnInRunsItsCyclesInsteadOfTheDownload)
{
    // One good cycle is over 72 000 transfers. Burn-in and power cycles share their
    // counting and progress, which the power-cycle runs check over many cycles.
    Plug(ChipProductId::RZ520).LoadFlash(0x10000, WriteRandomFile(TempPath("burn_in.bin"), 0x8000, 20));
    run.settings().BurnInCycle = 1;
    ASSERT_EQ(Run(), SpiResult::Ok);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 1200, 1200}));
    EXPECT_TRUE(debug.Has("  Special BurnIn Mode"));
    EXPECT_TRUE(debug.Has("------> BurnIn_Cycle 1 OK "));
    EXPECT_EQ(chip->Erases(), 0u) << "the burn-in replaces the download";
}

TEST_F(ChipWorker, ABurnInCycleWithoutDataStopsTheCycles)
{
    Plug(ChipProductId::RZ522);
    run.settings().BurnInCycle = 3;
    EXPECT_EQ(Run(), SpiResult::FlashEmpty);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 400, 1200}));
}

TEST_F(ChipWorker, PowerCyclesRunToCountsBeyondAByte)
{
    Plug(ChipProductId::RZ522);
    run.settings().PowerOnOffCycle = 300;
    ASSERT_EQ(Run(), SpiResult::Ok);
    const auto progress = run.view.Progress();
    ASSERT_EQ(progress.size(), 302u);
    EXPECT_EQ(progress[1], 4);
    EXPECT_EQ(progress[150], 600);
    EXPECT_EQ(progress[300], 1200);
    EXPECT_TRUE(debug.Has("------> PowerOnOff_Cycle 300 OK "));
    EXPECT_EQ(chip->RegisterWrites(9), 300u);
}

TEST_F(ChipWorker, AFailedPowerCycleEndsTheJob)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.powerOffAfterReads = sim::Never;
    Plug(config);
    run.settings().PowerOnOffCycle = 3;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 400, 1200}));
    EXPECT_TRUE(debug.Has("Wait Power Off Fail"));
}

TEST_F(ChipWorker, AChipUnpluggedDuringTheDownloadStillEndsTheRunWithOneResult)
{
    auto config = ConfigFor(ChipProductId::RZ526);
    config.faults.push_back({.request = SpiProgram, .after = 300, .effect = Effect::Unplug});
    Plug(config);
    EXPECT_EQ(Run(), SpiResult::ReadError);
    EXPECT_EQ(run.view.Progress(), (Progress{0, 300, 600, 900, 1200}));
    EXPECT_EQ(chip->Requests(SpiProgram), 301u);
}

TEST_F(ChipWorker, TwoPortsOnOneChipNeverInterleaveTheirDownloads)
{
    Plug(ChipProductId::RZ526).SetRegister(ReadyLock, 0x40);
    PortRun second(1);
    second.settings().FilePathOfFW = run.settings().FilePathOfFW;
    int firstResult = -1, secondResult = -1;
    std::thread other([&] { secondResult = second.RunWorker(ChipRunThread); });
    firstResult = Run();
    other.join();
    EXPECT_EQ(firstResult, SpiResult::Ok);
    EXPECT_EQ(secondResult, SpiResult::Ok);
    EXPECT_EQ(chip->LockRegisterAtErases(), (Bytes{0x41, 0x41})) << "each download under the lock";
    EXPECT_EQ(chip->Register(ReadyLock), 0x40) << "each lock restored to what its worker found";
    EXPECT_EQ(second.view.Progress().back(), 1200);
}

// A station's bench: four chips behind one of the maker's hubs, a port started for each.
// Every open takes the first supported chip, which is port 1's: the other ports' runs
// fail without a request to any chip, and only that chip is programmed, once.
TEST_F(ChipWorker, WithFourChipsAttachedOnlyPort1RunsAndOnlyItsChipIsProgrammed)
{
    const std::vector<sim::Rz52xChip*> chips = bench.AddChipsBehindHub(
        {.vendorId = MakerVendorId, .productId = 0x5421, .bcdDevice = 0x0518, .speedMbps = 480}, ConfigFor(ChipProductId::RZ522), 4);
    std::vector<std::unique_ptr<PortRun>> others;
    for (int port = 1; port < 4; ++port) {
        others.push_back(std::make_unique<PortRun>(port));
        others.back()->settings().FilePathOfFW = run.settings().FilePathOfFW;
    }
    std::vector<int> results(4, -1);
    std::vector<std::thread> threads;
    for (int port = 1; port < 4; ++port)
        threads.emplace_back([&, port] { results[port] = others[port - 1]->RunWorker(ChipRunThread); });
    results[0] = Run();
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(results, (std::vector<int>{SpiResult::Ok, 0, 0, 0}));
    for (int port = 2; port <= 4; ++port) {
        EXPECT_TRUE(debug.Has("Port " + std::to_string(port) + ": 4 chips attached; chip mode drives the first of them, on port 1 only"));
        EXPECT_EQ(others[port - 2]->view.Progress(), (Progress{0, 1200}));
    }
    auto count = [&](auto holds) { return std::count_if(chips.begin(), chips.end(), holds); };
    EXPECT_EQ(count([](sim::Rz52xChip* chip) { return chip->Erases() == 1; }), 1) << "port 1's chip, once";
    EXPECT_EQ(count([](sim::Rz52xChip* chip) { return chip->ControlTransfers() == 0; }), 3) << "no request reaches the others";
}

} // namespace
