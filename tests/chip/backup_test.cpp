// Backups read what the chip holds: the firmware from the target the download writes it
// to, and the first part of the whole flash by the backup value.
#include "engine/spi/spi_procedures.h"
#include "platform/process/process.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::ReadFileBytes;
using chiptest::TempPath;
using chiptest::WriteRandomFile;

class Backup : public ::testing::Test {
protected:
    sim::Rz52xChip& Plug(WORD productId)
    {
        auto& chip = bench.AddChip(ConfigFor(productId));
        flash = WriteRandomFile(TempPath("flash.bin"), 0x80000, 77);
        chip.LoadFlash(0, flash);
        return chip;
    }
    std::vector<BYTE> FlashPart(DWORD from, DWORD length) { return {flash.begin() + from, flash.begin() + from + length}; }

    DebugCapture debug;
    sim::ChipBench bench;
    std::vector<BYTE> flash;
};

struct FirmwareCase {
    WORD productId;
    DWORD from;
    DWORD length;
};

class FirmwareBackup : public Backup, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareBackup, ReadsTheFirmwareWhereTheModelKeepsIt)
{
    Plug(GetParam().productId);
    const std::string backup = TempPath("BackUpFW.BIN");
    std::remove(backup.c_str());
    BYTE setup[8] = {};
    ASSERT_EQ(AccessDevice(0, setup, platform::Utf8ToWide(TempPath("anything.bin")), 0, 0, 0), SpiResult::Ok);
    EXPECT_EQ(ReadFileBytes(backup), FlashPart(GetParam().from, GetParam().length));
}

INSTANTIATE_TEST_SUITE_P(Models, FirmwareBackup,
                         ::testing::Values(FirmwareCase{ChipProductId::RZ520, 0x10000, 0x8000},
                                           FirmwareCase{ChipProductId::RZ521, 0x10000, 0xC000}, // PD1, where its firmware is
                                           FirmwareCase{ChipProductId::RZ524, 0x20000, 0x10000},
                                           FirmwareCase{0x5300, 0x20000, 0x10000}));

TEST_F(Backup, EqualBanksOfAnRz522AreBackedUpOnce)
{
    auto& chip = Plug(ChipProductId::RZ522);
    const auto bank = FlashPart(0x20000, 0x8000);
    chip.LoadFlash(0x28000, bank);
    BYTE setup[8] = {};
    ASSERT_EQ(AccessDevice(0, setup, platform::Utf8ToWide(TempPath("x.bin")), 0, 0, 0), SpiResult::Ok);
    EXPECT_EQ(ReadFileBytes(TempPath("BackUpFW.BIN")), bank);
}

TEST_F(Backup, AFailedReadIsAReadErrorAndWritesNoFile)
{
    auto config = ConfigFor(ChipProductId::RZ526);
    config.faults.push_back({.request = sim::ChipRequest::SpiReadData, .after = 5, .effect = sim::RequestFault::Effect::Short});
    bench.AddChip(config);
    const std::string backup = TempPath("BackUpFW.BIN");
    std::remove(backup.c_str());
    BYTE setup[8] = {};
    EXPECT_EQ(AccessDevice(0, setup, platform::Utf8ToWide(TempPath("x.bin")), 0, 0, 0), SpiResult::ReadError);
    EXPECT_FALSE(std::ifstream(backup).good());
}

struct WholeCase {
    BYTE value;
    DWORD length;
};

class WholeBackup : public Backup, public ::testing::WithParamInterface<WholeCase> {};

TEST_P(WholeBackup, WritesTheFirstPartOfTheFlashByValue)
{
    Plug(ChipProductId::RZ522);
    BYTE setup[8] = {};
    ASSERT_EQ(AccessDevice(8, setup, u"", 0, 0, GetParam().value), SpiResult::Ok);
    const std::string path = platform::WideToUtf8(platform::ProgramFolder()) + "BackUpWholeSPIx" +
                             std::to_string(GetParam().value * 32) + "K.BIN";
    EXPECT_EQ(ReadFileBytes(path), FlashPart(0, GetParam().length));
    std::remove(path.c_str());
    EXPECT_TRUE(debug.Has("      BackUp Whole SPI OK"));
}

INSTANTIATE_TEST_SUITE_P(Values, WholeBackup,
                         ::testing::Values(WholeCase{0, 0x20000}, WholeCase{1, 0x8000}, WholeCase{2, 0x10000}, WholeCase{4, 0x20000},
                                           WholeCase{5, 0x40000}, WholeCase{9, 0x80000}));

TEST_F(Backup, AWholeFlashStartingWithZerosIsNotBackedUp)
{
    auto& chip = Plug(ChipProductId::RZ522);
    const BYTE zeros[2] = {0, 0};
    chip.LoadFlash(0, zeros);
    BYTE setup[8] = {};
    EXPECT_EQ(AccessDevice(8, setup, u"", 0, 0, 3), SpiResult::Fail);
    EXPECT_TRUE(debug.Has("  BackUp SPI with All 0x00 Error"));
    EXPECT_TRUE(debug.Has("      BackUp Whole SPI FAIL"));
}

} // namespace
