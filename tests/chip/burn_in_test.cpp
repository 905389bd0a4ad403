// One burn-in cycle compares random reads with the firmware read at its start; one power
// cycle follows register 9 through power off and on again.
#include "engine/spi/spi_procedures.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::TempPath;
using chiptest::WriteRandomFile;

class BurnIn : public ::testing::Test {
protected:
    sim::Rz52xChip& Plug(sim::ChipConfig config, bool withFirmware = true)
    {
        auto& chip = bench.AddChip(std::move(config));
        if (withFirmware)
            chip.LoadFlash(0x20000, WriteRandomFile(TempPath("content.bin"), 0x10000, 11));
        return chip;
    }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
};

TEST_F(BurnIn, AnEmptyFlashHasNoDataToCheck)
{
    Plug(ConfigFor(ChipProductId::RZ522), false);
    EXPECT_EQ(CheckSpiContent(), SpiResult::FlashEmpty);
    EXPECT_TRUE(debug.Has("\tSPI_NO_DATA_Error"));
}

TEST_F(BurnIn, AReadThatFailsDuringTheRoundsIsAReadError)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.faults.push_back({.request = sim::ChipRequest::SpiReadData, .after = 0x10000 / 32 + 500});
    Plug(config);
    EXPECT_EQ(CheckSpiContent(), SpiResult::ReadError);
}

TEST_F(BurnIn, BitsThatReadDifferentlyLaterAreACompareError)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    // After the reference (2048 reads) every 256th byte of the image reads with bit 3 flipped.
    for (DWORD at = 0; at < 0x8000; at += 0x100)
        config.readBitErrors.push_back({.address = 0x20000 + at, .mask = 0x08, .fromRead = 0x10000 / 32});
    Plug(config);
    EXPECT_EQ(CheckSpiContent(), SpiResult::CompareError);
    EXPECT_TRUE(debug.Has("\tFW_Compare_Error"));
    EXPECT_EQ(debug.Starting("\tRxDataBuf_0x").size(), 1u);
}

TEST_F(BurnIn, NoChipIsAFailure)
{
    EXPECT_EQ(CheckSpiContent(), SpiResult::Fail);
    EXPECT_EQ(WaitPowerCycle(), SpiResult::Fail);
}

struct PowerCase {
    unsigned offAfter;
    unsigned onAfter;
    int result;
    const char* lastLine;
};

class PowerCycle : public BurnIn, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(PowerCycle, FollowsRegisterNineOffAndOnAgain)
{
    auto config = ConfigFor(ChipProductId::RZ522);
    config.powerOffAfterReads = GetParam().offAfter;
    config.powerOnAfterReads = GetParam().onAfter;
    auto& chip = Plug(config, false);
    EXPECT_EQ(WaitPowerCycle(), GetParam().result);
    EXPECT_TRUE(debug.Has(GetParam().lastLine));
    EXPECT_EQ(chip.RegisterWrites(9), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cycles, PowerCycle,
                         ::testing::Values(PowerCase{3, 3, SpiResult::Ok, "Wait Power ON-ALT OK"},
                                           PowerCase{69, 69, SpiResult::Ok, "Wait Power ON-ALT OK"},
                                           PowerCase{70, 3, SpiResult::Fail, "Wait Power Off Fail"},
                                           PowerCase{3, sim::Never, SpiResult::Fail, "Wait Power ON-ALT Fail"}));

} // namespace
