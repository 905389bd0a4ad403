// The flash-drive worker's sequence against a fake drive: the steps in order with what
// each sends, the steps left out, the three retried steps restarting the whole sequence,
// and the end of the run (progress, result, rates, release).
#include "tests/ufdworker/ufd_run_fixture.h"

#include "engine/ports/run_result.h"
#include "platform/clock/clock.h"

#include <algorithm>

namespace {

using namespace ufdtest;

// The slots of one kind of step, in the order the sequence first calls them.
std::vector<std::string> Distinct(const std::vector<std::string>& slots)
{
    std::vector<std::string> order;
    for (const std::string& slot : slots)
        if (std::find(order.begin(), order.end(), slot) == order.end())
            order.push_back(slot);
    return order;
}

TEST_F(UfdRunTest, AWholeRunTakesEveryStepInOrderAndEndsWithTheBarFull)
{
    const PortResult result = Run();
    EXPECT_EQ(result.result, RunResult::Success);
    EXPECT_EQ(result.port, kPort);
    EXPECT_EQ(Distinct(drive.Slots()),
              (std::vector<std::string>{"ReadSYSAddress", "INITISP_UFD", "ScanFlashBlock", "FindISPAndCISUseBlock",
                                        "BuildUFDSystemTable", "CPUReset_UFD", "Disk_Lock", "WriteDisk", "Disk_Unlock",
                                        "ReadCapacity", "ReadDiskEx", "WriteDiskEx", "UFDCacheClear_UFD"}));
    // CIS and ISP to both of their blocks, the boot code to the SPI part.
    EXPECT_EQ(drive.calls.front().what + " " + std::to_string(drive.calls.front().address), "erase 640");
    EXPECT_EQ(std::vector<BYTE>(drive.spi.begin(), drive.spi.end()), Pattern(0x4000, 2));
    EXPECT_EQ(drive.Sectors(kLun0Start, 80), lun0Image);
    EXPECT_FALSE(drive.wroteWhileUnlocked);
    const std::vector<std::int32_t> progress = view.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), kPortProgressEnd);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end())) << "the bar only moves on";
    EXPECT_TRUE(std::find(progress.begin(), progress.end(), 1000) != progress.end()) << "the images end at 1000";
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(UfdRunTest, TheRatesAreTheBytesOfOneChunkOverItsTime)
{
    const PortResult result = Run();
    ASSERT_EQ(result.result, RunResult::Success);
    // The timed slots report the time of their fastest 64 KiB command.
    const double expected = 65536.0 / (double{FakeUfdDrive::kTicks} / platform::kPerformanceFrequency);
    EXPECT_DOUBLE_EQ(result.readRate, expected);
    EXPECT_DOUBLE_EQ(result.writeRate, expected);
}

TEST_F(UfdRunTest, EveryStepLeftOutIsARunOfNothingThatPasses)
{
    Settings().TestProcedureMask = 0x3F;
    const PortResult result = Run();
    EXPECT_EQ(result.result, RunResult::Success);
    EXPECT_EQ(drive.Slots(), std::vector<std::string>{"ReadSYSAddress"});
    EXPECT_TRUE(drive.calls.empty());
    EXPECT_EQ(view.Progress(), (std::vector<std::int32_t>{0, kPortProgressEnd}));
    EXPECT_EQ(result.readRate, 0);
    EXPECT_EQ(result.writeRate, 0);
}

TEST_F(UfdRunTest, EachStepIsLeftOutByItsOwnBit)
{
    struct Case {
        DWORD mask;
        const char* absent;
    };
    for (const Case& c : {Case{0x01, "ScanFlashBlock"}, Case{0x08, "WriteDisk"}, Case{0x10, "ReadDiskEx"}}) {
        SCOPED_TRACE(c.absent);
        Settings().TestProcedureMask = c.mask;
        const Rerun run = RunAgain([](FakeUfdDrive& d) {
            // Without the table step the device's own addresses are used.
            for (int i = 0; i < 4; ++i)
                portwarden::SetSystemBlockAddress(d.sysAddress, static_cast<portwarden::SystemBlock>(i), 0x1000 + 0x40 * i);
        });
        EXPECT_EQ(run.result.result, RunResult::Success);
        EXPECT_EQ(run.drive->Count(c.absent), 0u);
    }
    struct Block {
        DWORD mask;
        const char* tag;
    };
    for (const Block& b : {Block{0x04, "CISSYS"}, Block{0x02, "ISPSYS"}, Block{0x20, "SPI"}}) {
        SCOPED_TRACE(b.tag);
        Settings().TestProcedureMask = b.mask;
        const Rerun run = RunAgain();
        EXPECT_EQ(run.result.result, RunResult::Success);
        const auto& calls = run.drive->calls;
        EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [&](const BlockCall& call) { return call.tag == b.tag; }));
    }
}

TEST_F(UfdRunTest, ScanOnlyEndsTheTableStepAsAPassWhenNothingElseRuns)
{
    Settings().LunTypeBitMap |= 1u << 27;
    Settings().TestProcedureMask = 0x3E;
    EXPECT_EQ(Run().result, RunResult::Success);
    EXPECT_EQ(drive.Count("ScanFlashBlock"), 1u);
    EXPECT_EQ(drive.Count("FindISPAndCISUseBlock"), 0u);
}

TEST_F(UfdRunTest, AFlashTheDatabaseDoesNotKnowIsNotBuilt)
{
    std::fill_n(Settings().CISImage.bytes + cis::kFlashId, 5, BYTE{0});
    EXPECT_EQ(Run().result, RunResult::FlashTypeNotSupported);
    EXPECT_EQ(drive.Count("INITISP_UFD"), 0u);
}

// A retried step runs up to four times in all, and each retry starts the sequence again:
// the steps before it run again too.
TEST_F(UfdRunTest, ARetriedStepRestartsTheWholeSequenceAtMostThreeTimes)
{
    struct Plan {
        const char* name;
        std::function<void(FakeUfdDrive&, int times)> fail; // fails the step `times` times
        int code;
    };
    const Plan plans[] = {
        {"table", [](FakeUfdDrive& d, int times) { d.Plan("BuildUFDSystemTable", std::vector<INT>(times, 0)); },
         RunResult::BuildSystemTableFail},
        {"CIS",
         [](FakeUfdDrive& d, int times) {
             d.damageRead = [times, reads = 0](std::size_t, BYTE* data, std::size_t length) mutable {
                 if (length == 1024 && reads++ < times)
                     data[100] ^= 0xFF;
             };
         },
         RunResult::EepromCompareFail},
        {"ISP",
         [](FakeUfdDrive& d, int times) {
             // Every page read back in a failing attempt (32 pages of ISP 1) is damaged.
             d.damageRead = [times, reads = 0](std::size_t, BYTE* data, std::size_t length) mutable {
                 if (length == 2048 && reads++ < 32 * times)
                     data[0] ^= 0x0F;
             };
         },
         RunResult::FirmwareCompareFail},
    };
    for (const Plan& p : plans) {
        for (int times : {1, 3, 4}) {
            SCOPED_TRACE(std::string(p.name) + " fails " + std::to_string(times) + " times");
            const Rerun run = RunAgain([&](FakeUfdDrive& d) { p.fail(d, times); });
            EXPECT_EQ(run.result.result, times <= 3 ? RunResult::Success : p.code);
            const unsigned attempts = static_cast<unsigned>(std::min(times + 1, 4));
            EXPECT_EQ(run.drive->Count("ScanFlashBlock"), attempts) << "every attempt rebuilds the table first";
            EXPECT_EQ(run.drive->Count("BuildUFDSystemTable"), attempts);
            const std::vector<std::int32_t> progress = run.view->Progress();
            EXPECT_EQ(std::count(progress.begin(), progress.end(), 0), static_cast<long>(attempts))
                << "each attempt starts the bar at 0";
        }
    }
}

TEST_F(UfdRunTest, TheRetryCountersAreTheirOwn)
{
    // Three table failures and three CIS failures: each step has its own three retries.
    drive.Plan("BuildUFDSystemTable", {0, 0, 0});
    drive.damageRead = [reads = 0](std::size_t, BYTE* data, std::size_t length) mutable {
        if (length == 1024 && reads++ < 3)
            data[7] ^= 0x80;
    };
    EXPECT_EQ(Run().result, RunResult::Success);
    EXPECT_EQ(drive.Count("BuildUFDSystemTable"), 7u);
}

TEST_F(UfdRunTest, AFailedBootCodeStepTellsTheOperator)
{
    Settings().FilePathOfBootCode = station.folder.WideFile("missing.bin");
    EXPECT_EQ(Run().result, RunResult::OpenBootCodeFileFail);
    EXPECT_EQ(Boxes(), std::vector<std::u16string>{u"Boot Code download fail"});
    EXPECT_EQ(drive.Count("CPUReset_UFD"), 0u);
}

TEST_F(UfdRunTest, AWorkerWithoutTheServerStillPostsOneResult)
{
    PortwardenCtrl = nullptr;
    EXPECT_EQ(Run().result, RunResult::Fail);
    EXPECT_TRUE(drive.Slots().empty());
}

} // namespace
