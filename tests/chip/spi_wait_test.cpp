// The busy wait on the flash status and the blank check, against the simulated flash.
#include "chip_test_support.h"
#include "engine/usb/spi_wait.h"
#include "engine/usb/vendor_requests.h"

#include <gtest/gtest.h>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using Effect = sim::RequestFault::Effect;

class SpiWait : public chiptest::OpenedChip {
protected:
    // Unprotects and erases the flash the way the download does.
    void StartErase()
    {
        ASSERT_EQ(SPI_WriteEN(0x06, device->handle()), 1);
        ASSERT_EQ(SPI_WriteSTS(0x01, device->handle()), 1);
        ASSERT_EQ(SPI_WriteEN(0x06, device->handle()), 1);
        ASSERT_EQ(SPI_Chip_Erase(0xC7, device->handle()), 1);
    }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
};

TEST_F(SpiWait, ReadyAfterTwoCleanReadingsInARow)
{
    sim::ChipConfig config = ConfigFor(ChipProductId::RZ522);
    config.eraseTimeMs = 2500;
    Build(config);
    StartErase();
    const unsigned before = chip->Requests(sim::ChipRequest::SpiReadStatus);
    EXPECT_EQ(WaitSpiReady(device->handle(), 0x05, 1000), 1);
    // Busy at 0, 1000 and 2000 ms; clean at 3000 and 4000.
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiReadStatus) - before, 5u);
    EXPECT_TRUE(debug.Has("  Wait_Cnt=5"));
}

TEST_F(SpiWait, AnIdleFlashIsReadyAtTheSecondPollWithoutACountLine)
{
    Build(ConfigFor(ChipProductId::RZ522));
    EXPECT_EQ(WaitSpiReady(device->handle(), 0x05, 1000), 1);
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiReadStatus), 2u);
    EXPECT_TRUE(debug.Starting("  Wait_Cnt=").empty());
}

TEST_F(SpiWait, AFailedPollEndsTheWaitAtOnce)
{
    sim::ChipConfig config = ConfigFor(ChipProductId::RZ522);
    config.stuckBusy = true;
    config.faults.push_back({.request = sim::ChipRequest::SpiReadStatus, .after = 3, .effect = Effect::Unplug});
    Build(config);
    EXPECT_EQ(WaitSpiReady(device->handle(), 0x05, 1000), 0);
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiReadStatus), 4u) << "no polling of a device that has gone";
}

TEST_F(SpiWait, AStuckBusyBitGivesUpAfterThirtyThousandPolls)
{
    sim::ChipConfig config = ConfigFor(ChipProductId::RZ522);
    config.stuckBusy = true;
    Build(config);
    EXPECT_EQ(WaitSpiReady(device->handle(), 0x05, 0), 0);
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiReadStatus), 30000u);
}

struct BlankCase {
    BYTE target;
    DWORD linearBase;
    DWORD span;
    const char* line;
};

class BlankCheck : public SpiWait, public ::testing::WithParamInterface<BlankCase> {};

TEST_P(BlankCheck, CoversTheTargetsSpanToItsLastByte)
{
    const auto c = GetParam();
    Build(ConfigFor(ChipProductId::RZ522));
    std::vector<BYTE> buffer(0x20000);
    EXPECT_EQ(CheckSpiBlank(buffer, device->handle(), 0x03, 0x20, c.target), 1);
    EXPECT_TRUE(debug.Has(c.line));
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiReadData), c.span / 0x20);

    // A programmed byte just past the span is not the target's business; the last one is.
    const BYTE zero = 0x00;
    chip->LoadFlash(c.linearBase + c.span, std::span(&zero, 1));
    EXPECT_EQ(CheckSpiBlank(buffer, device->handle(), 0x03, 0x20, c.target), 1);
    const BYTE mark = 0x5E;
    chip->LoadFlash(c.linearBase + c.span - 1, std::span(&mark, 1));
    EXPECT_EQ(CheckSpiBlank(buffer, device->handle(), 0x03, 0x20, c.target), 14);
    char expected[64];
    std::snprintf(expected, sizeof expected, "  SPI_Erase_NOT_0xFF_AT_0x%06X, 0x5E", c.span - 1);
    EXPECT_TRUE(debug.Has(expected));
    EXPECT_EQ(debug.Starting("  SPI_Erase_NOT_0xFF_AT_").size(), 1u) << "no line names a byte past the span";
}

INSTANTIATE_TEST_SUITE_P(Targets, BlankCheck,
                         ::testing::Values(BlankCase{SpiTargetHub, 0x00000, 0x20000, "\t  Chk_Hub_0xFF"},
                                           BlankCase{SpiTargetPD1, 0x10000, 0x10000, "\t  Chk_PD1_0xFF"},
                                           BlankCase{SpiTargetPD2, 0x20000, 0x20000, "\t  Chk_PD2_0xFF"}));

TEST_F(SpiWait, BlankCheckNamesFourBytesFromTheFirstDifference)
{
    Build(ConfigFor(ChipProductId::RZ522));
    const BYTE programmed[] = {0x12, 0xFF, 0x34};
    chip->LoadFlash(0x20000 + 0x1230, programmed);
    std::vector<BYTE> buffer(0x20000);
    EXPECT_EQ(CheckSpiBlank(buffer, device->handle(), 0x03, 0x20, SpiTargetPD2), 14);
    EXPECT_EQ(debug.Starting("  SPI_Erase_NOT_0xFF_AT_"),
              (std::vector<std::string>{"  SPI_Erase_NOT_0xFF_AT_0x001230, 0x12", "  SPI_Erase_NOT_0xFF_AT_0x001231, 0xFF",
                                        "  SPI_Erase_NOT_0xFF_AT_0x001232, 0x34", "  SPI_Erase_NOT_0xFF_AT_0x001233, 0xFF"}));
}

class BlankReadFault : public SpiWait, public ::testing::WithParamInterface<Effect> {};

TEST_P(BlankReadFault, IsAReadErrorNotABlankFlash)
{
    sim::ChipConfig config = ConfigFor(ChipProductId::RZ522);
    config.faults.push_back({.request = sim::ChipRequest::SpiReadData, .after = 100, .effect = GetParam()});
    Build(config);
    std::vector<BYTE> buffer(0x20000, 0xFF);
    EXPECT_EQ(CheckSpiBlank(buffer, device->handle(), 0x03, 0x20, SpiTargetPD2), 7);
    EXPECT_TRUE(debug.Has("\t  FW_Read_Error"));
}

INSTANTIATE_TEST_SUITE_P(FailedAndShort, BlankReadFault, ::testing::Values(Effect::Fail, Effect::Short));

} // namespace
