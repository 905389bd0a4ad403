// Each failure of a download ends in its result code: 0 when the erase cannot be waited
// for, 7 when the flash cannot be read back, 8 when it reads back different, 14 when it
// was not erased. A failing or vanished device ends the programming at once.
#include "engine/spi/spi_procedures.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::TempPath;
using chiptest::WriteRandomFile;
using Effect = sim::RequestFault::Effect;
using namespace sim::ChipRequest;

// RZ526: a 32 KiB image on PD2: 1024 program requests; the blank check reads 4096 chunks.
constexpr unsigned BlankCheckReads = 0x20000 / 32;
constexpr unsigned ProgramRequests = 0x8000 / 32;

class DownloadFault : public ::testing::Test {
protected:
    DownloadFault()
    {
        const std::string path = TempPath("rz526.bin");
        WriteRandomFile(path, 0x8000, 26);
        run.settings().FilePathOfFW = platform::Utf8ToWide(path);
    }
    int Run(sim::ChipConfig config)
    {
        chip = &bench.AddChip(std::move(config));
        chip->LoadFlash(0x20000, WriteRandomFile(TempPath("old.bin"), 0x100, 3));
        return Libusb_FW_DL(run.param, 0);
    }
    sim::ChipConfig With(sim::RequestFault fault)
    {
        auto config = ConfigFor(ChipProductId::RZ526);
        config.faults.push_back(fault);
        return config;
    }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
    sim::Rz52xChip* chip = nullptr;
    chiptest::PortRun run;
};

TEST_F(DownloadFault, AStatusPollThatFailsDuringTheEraseIsFailure)
{
    // The first status read belongs to the write-status step, the second to the erase wait.
    EXPECT_EQ(Run(With({.request = SpiReadStatus, .after = 1, .count = sim::Never})), SpiResult::Fail);
    EXPECT_TRUE(debug.Has("  Erase_Wait_Fail"));
    EXPECT_EQ(chip->Requests(SpiReadStatus), 2u);
    EXPECT_EQ(chip->Requests(SpiProgram), 0u);
}

TEST_F(DownloadFault, AReadBackThatFailsIsAReadError)
{
    EXPECT_EQ(Run(With({.request = SpiReadData, .after = BlankCheckReads + 7})), SpiResult::ReadError);
    EXPECT_TRUE(debug.Has("  FW_Read_Error"));
}

TEST_F(DownloadFault, AProtectedFlashIsNotBlankAfterTheErase)
{
    EXPECT_EQ(Run(With({.request = SpiWriteStatus, .count = sim::Never})), SpiResult::NotBlank);
    EXPECT_EQ(chip->Erases(), 0u) << "block protection refused the erase";
    EXPECT_EQ(debug.Starting("  SPI_Erase_NOT_0xFF_AT_0x000000, ").size(), 1u);
    EXPECT_EQ(chip->Requests(SpiProgram), 0u);
}

TEST_F(DownloadFault, ABitErrorOnProgramIsACompareError)
{
    auto config = ConfigFor(ChipProductId::RZ526);
    config.programBitErrors.push_back({.address = 0x20000 + 0x1234, .mask = 0x10});
    EXPECT_EQ(Run(config), SpiResult::CompareError);
    const auto lines = debug.Starting("  FW Compare Error at [");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(0, 32), "  FW Compare Error at [001234], ");
    EXPECT_TRUE(debug.Has("  FW Compare Error"));
    EXPECT_TRUE(debug.Has("          FW_DL_New FAIL"));
}

TEST_F(DownloadFault, FiftyDifferencesNameTwentyOneAndBreak)
{
    auto config = ConfigFor(ChipProductId::RZ526);
    for (DWORD i = 0; i < 50; ++i)
        config.programBitErrors.push_back({.address = 0x20000 + 0x100 + 3 * i, .mask = 0x01});
    EXPECT_EQ(Run(config), SpiResult::CompareError);
    EXPECT_EQ(debug.Starting("  FW Compare Error at [").size(), 21u);
    EXPECT_TRUE(debug.Has("\t  Break For Too Many Error ......"));
}

TEST_F(DownloadFault, AFailedProgramRequestStopsTheProgramming)
{
    EXPECT_EQ(Run(With({.request = SpiProgram, .after = 200})), SpiResult::CompareError);
    EXPECT_EQ(chip->Requests(SpiProgram), 201u) << "nothing is sent after the failed request";
}

TEST_F(DownloadFault, AChipUnpluggedWhileProgrammedEndsTheDownloadAtOnce)
{
    EXPECT_EQ(Run(With({.request = SpiProgram, .after = ProgramRequests / 2, .effect = Effect::Unplug})), SpiResult::ReadError);
    EXPECT_EQ(chip->Requests(SpiProgram), ProgramRequests / 2 + 1);
    EXPECT_EQ(chip->Requests(SpiReadData), BlankCheckReads) << "the device is gone: the read-back fails at once";
    EXPECT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Fail) << "and it is no longer found";
}

} // namespace
