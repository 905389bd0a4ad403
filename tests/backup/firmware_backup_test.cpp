// The firmware backup of a chip on the bench: the backup equals what the chip's flash
// holds, its copy to the chosen file, the restart by chip type, the whole-flash backup,
// and every message the operator sees.
#include "backup_support.h"
#include "engine/backup/firmware_backup_job.h"
#include "engine/usb/supported_devices.h"
#include "platform/clock/clock.h"
#include "platform/process/process.h"
#include "sim/chip/chip_bench.h"

#include <filesystem>

namespace {

using backuptest::BackupTest;
using backuptest::RandomBytes;
using backuptest::ReadFile;

// The caption's default has a trailing blank, which the INI lookup drops as Windows does.
const std::u16string kSuccess = u"Backup Firmware Success";
const std::u16string kFail = u"Backup Firmware Fail";

sim::ChipConfig Chip(WORD productId)
{
    sim::ChipConfig config;
    config.productId = productId;
    for (const UsbDeviceIds& row : SupportedDeviceTable)
        if (row.idProduct == productId)
            config.vendorId = row.idVendor;
    return config;
}

class FirmwareBackup : public BackupTest {
protected:
    sim::Rz52xChip& Plug(sim::ChipConfig config)
    {
        sim::Rz52xChip& chip = bench.AddChip(std::move(config));
        flash = RandomBytes(0x80000, 99);
        chip.LoadFlash(0, flash);
        return chip;
    }
    std::vector<BYTE> Flash(std::size_t from, std::size_t length) const
    {
        return {flash.begin() + static_cast<long>(from), flash.begin() + static_cast<long>(from + length)};
    }
    std::vector<BYTE> Backup() const { return ReadFile(folder.File("BackUpFW.BIN")); }

    platform::ScopedVirtualClock clock;
    sim::ChipBench bench;
    std::vector<BYTE> flash;
};

struct ModelCase {
    WORD productId;
    std::size_t from;
    std::size_t length;
    bool equalBanks; // an RZ522 whose two banks hold the same image
};

class BackupOfModel : public FirmwareBackup, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(BackupOfModel, EqualsTheFlashAndIsCopiedToTheChosenFile)
{
    const ModelCase& c = GetParam();
    sim::Rz52xChip& chip = Plug(Chip(c.productId));
    if (c.equalBanks) {
        const std::vector<BYTE> bank = Flash(0x20000, 0x8000);
        chip.LoadFlash(0x28000, bank);
        std::copy(bank.begin(), bank.end(), flash.begin() + 0x28000);
    }
    settings.CisSetting.FilePathOfFWBackup = folder.WideFile("chosen.bin");
    ASSERT_TRUE(BackUpFirmwareFromDevice(settings));
    EXPECT_TRUE(Backup() == Flash(c.from, c.length));
    EXPECT_TRUE(ReadFile(folder.File("chosen.bin")) == Backup());
    ASSERT_EQ(Texts(), std::vector<std::u16string>{kSuccess});
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(chip.Register(0x15), 0x7F);
    EXPECT_EQ(chip.Register(0x19), 0x00);
    EXPECT_EQ(chip.Register(0x1C), 0x02);
}

INSTANTIATE_TEST_SUITE_P(Models, BackupOfModel,
                         ::testing::Values(ModelCase{ChipProductId::RZ520, 0x10000, 0x8000, false},
                                           ModelCase{ChipProductId::RZ522, 0x20000, 0x10000, false},
                                           ModelCase{ChipProductId::RZ522, 0x20000, 0x8000, true},
                                           ModelCase{ChipProductId::RZ524, 0x20000, 0x10000, false}));

TEST_F(FirmwareBackup, WithoutAChosenFileOnlyTheProgramFolderGetsTheBackup)
{
    Plug(Chip(ChipProductId::RZ526));
    ASSERT_TRUE(BackUpFirmwareFromDevice(settings));
    EXPECT_TRUE(Backup() == Flash(0x20000, 0x10000));
    EXPECT_EQ(Texts(), std::vector<std::u16string>{kSuccess});
}

TEST_F(FirmwareBackup, AFailedCopyToTheChosenFileIsAFailedBackup)
{
    Plug(Chip(ChipProductId::RZ522));
    settings.CisSetting.FilePathOfFWBackup = folder.WideFile("no-such-folder/chosen.bin");
    EXPECT_FALSE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(Texts(), std::vector<std::u16string>{kFail});
}

TEST_F(FirmwareBackup, AFailedReadIsAFailedBackup)
{
    sim::ChipConfig config = Chip(ChipProductId::RZ522);
    config.faults.push_back({.request = sim::ChipRequest::SpiReadData, .after = 3, .effect = sim::RequestFault::Effect::Fail});
    Plug(config);
    settings.CisSetting.FilePathOfFWBackup = folder.WideFile("chosen.bin");
    EXPECT_FALSE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(Texts(), std::vector<std::u16string>{kFail});
    EXPECT_FALSE(std::filesystem::exists(folder.File("chosen.bin")));
}

struct RestartCase {
    bool c0Type;
    unsigned c0Requests;
    unsigned a0Requests;
    unsigned unlockWrites;
};

class BackupRestart : public FirmwareBackup, public ::testing::WithParamInterface<RestartCase> {};

// The chips that take the 0xC0 restart get it, as the worker gives it.
TEST_P(BackupRestart, RestartsTheChipByItsType)
{
    sim::ChipConfig config = Chip(ChipProductId::RZ522);
    config.c0Type = GetParam().c0Type;
    config.resetsUntilReady = 1;
    sim::Rz52xChip& chip = Plug(config);
    ASSERT_TRUE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(chip.Requests(sim::ChipRequest::ResetC0), GetParam().c0Requests);
    EXPECT_EQ(chip.Requests(sim::ChipRequest::ResetA0), GetParam().a0Requests);
    EXPECT_EQ(chip.Requests(sim::ChipRequest::ResetB0), GetParam().a0Requests);
    EXPECT_EQ(chip.RegisterWrites(0x2AE2), GetParam().unlockWrites);
    EXPECT_EQ(chip.Restarts(), 1u);
    EXPECT_TRUE(Backup() == Flash(0x20000, 0x10000));
}

INSTANTIATE_TEST_SUITE_P(ChipTypes, BackupRestart,
                         ::testing::Values(RestartCase{true, 1, 0, 0}, RestartCase{false, 0, 1, 1}));

TEST_F(FirmwareBackup, AChipThatNeverGetsReadyIsGivenUpAfterTenTries)
{
    sim::ChipConfig config = Chip(ChipProductId::RZ522);
    config.resetsUntilReady = sim::Never;
    sim::Rz52xChip& chip = Plug(config);
    const std::int64_t start = clock.clock().Now();
    EXPECT_FALSE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(Texts(), std::vector<std::u16string>{u"Restart Device Fail"});
    EXPECT_EQ(chip.Requests(sim::ChipRequest::ResetA0), 10u);
    EXPECT_EQ(clock.clock().Now() - start, 10 * 1900 * 10'000LL) << "a pause of 1900 ms after each try";
    EXPECT_FALSE(std::filesystem::exists(folder.File("BackUpFW.BIN")));
}

TEST_F(FirmwareBackup, MessagesComeInTheOperatorsLanguage)
{
    backuptest::WriteFile(folder.File("Fabrun.ini"),
                          {std::begin(u8"[Setting]\nLanguage=DE\n[DE]\nBackupFirmwareSuccess=Gesichert\n"
                                      u8"Restart Device Fail=Neustart fehlgeschlagen\n"),
                           std::end(u8"[Setting]\nLanguage=DE\n[DE]\nBackupFirmwareSuccess=Gesichert\n"
                                    u8"Restart Device Fail=Neustart fehlgeschlagen\n") - 1});
    settings.LoadSettings();
    sim::ChipConfig config = Chip(ChipProductId::RZ522);
    config.resetsUntilReady = 0;
    sim::Rz52xChip& chip = Plug(config);
    ASSERT_TRUE(BackUpFirmwareFromDevice(settings));
    bench.Unplug(chip);
    sim::ChipConfig busy = Chip(ChipProductId::RZ522);
    busy.resetsUntilReady = sim::Never;
    Plug(busy);
    EXPECT_FALSE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"Gesichert", u"Neustart fehlgeschlagen"}));
}

struct WholeCase {
    BYTE value;
    std::size_t length;
    bool startsWithZeros;
    std::u16string message;
};

class WholeFlashBackup : public FirmwareBackup, public ::testing::WithParamInterface<WholeCase> {};

TEST_P(WholeFlashBackup, ComesBeforeTheFirmwareBackup)
{
    const WholeCase& c = GetParam();
    sim::Rz52xChip& chip = Plug(Chip(ChipProductId::RZ522));
    if (c.startsWithZeros) {
        const BYTE zeros[2] = {0, 0};
        chip.LoadFlash(0, zeros);
        flash[0] = flash[1] = 0;
    }
    settings.CisSetting.BackUpWholeSPIx32K = c.value;
    const std::string whole = platform::WideToUtf8(platform::ProgramFolder()) + "BackUpWholeSPIx" +
                              std::to_string(c.value * 32) + "K.BIN";
    std::filesystem::remove(whole);
    ASSERT_TRUE(BackUpFirmwareFromDevice(settings));
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{c.message, kSuccess}));
    if (c.startsWithZeros)
        EXPECT_FALSE(std::filesystem::exists(whole));
    else
        EXPECT_TRUE(ReadFile(whole) == Flash(0, c.length));
    std::filesystem::remove(whole);
    EXPECT_TRUE(Backup() == Flash(0x20000, 0x10000));
}

INSTANTIATE_TEST_SUITE_P(Values, WholeFlashBackup,
                         ::testing::Values(WholeCase{1, 0x8000, false, u"Get <BackUpWholeSPIx__K.BIN> From Device OK"},
                                           WholeCase{5, 0x40000, false, u"Get <BackUpWholeSPIx__K.BIN> From Device OK"},
                                           WholeCase{2, 0x10000, true, u"BackUp Whole SPI From Device Fail"}));

} // namespace
