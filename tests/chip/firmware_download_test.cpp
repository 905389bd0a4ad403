// A download leaves the simulated flash holding exactly the image the model's rules
// make of the file: CRC in the last two bytes, two banks where the model keeps two, the
// eFuse trim, the hub firmware, the clean pattern and the damaged first bank.
#include "engine/spi/spi_procedures.h"
#include "engine/usb/crc16.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::TempPath;
using chiptest::WriteRandomFile;

constexpr DWORD PD1 = 0x10000;
constexpr DWORD PD2 = 0x20000;

// The image as the model rules build it from the file's bytes (at most 0x20000 of them).
std::vector<BYTE> ExpectedImage(std::vector<BYTE> file, DWORD length, bool doubled)
{
    file.resize(length, 0);
    const WORD crc = Crc16(length - 2, file.data());
    file[length - 2] = static_cast<BYTE>(crc & 0xFF);
    file[length - 1] = static_cast<BYTE>(crc >> 8);
    if (doubled)
        file.insert(file.end(), file.begin(), file.end());
    return file;
}

// The RZ524 eFuse trim as the download takes it from the chip's trim registers.
void PutRegisterTrim(std::vector<BYTE>& file, const std::array<std::uint8_t, 4>& trim)
{
    file[0xBFF0] = 'e';
    file[0xBFF1] = 'F';
    std::copy(trim.begin(), trim.end(), file.begin() + 0xBFF8);
}

std::vector<BYTE> ErasedFlashWith(DWORD base, const std::vector<BYTE>& image)
{
    std::vector<BYTE> flash(0x80000, 0xFF);
    std::copy(image.begin(), image.end(), flash.begin() + base);
    return flash;
}

class Download : public ::testing::Test {
protected:
    // Plugs the chip in with old content all over its flash, then downloads.
    int Run(sim::ChipConfig config, BYTE spiType = 0)
    {
        chip = &bench.AddChip(std::move(config));
        chip->LoadFlash(0, WriteRandomFile(TempPath("old_flash.bin"), 0x80000, 99));
        return Libusb_FW_DL(run.param, spiType);
    }
    std::vector<BYTE> FirmwareFile(std::size_t size, unsigned seed = 1)
    {
        const std::string path = TempPath("firmware_" + std::to_string(size) + ".bin");
        run.settings().FilePathOfFW = platform::Utf8ToWide(path);
        return WriteRandomFile(path, size, seed);
    }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
    sim::Rz52xChip* chip = nullptr;
    chiptest::PortRun run;
};

struct ModelRow {
    const char* name;
    WORD productId;
    DWORD fileSize;
    DWORD base;
    DWORD length;
    bool doubled;
    bool trimmed = false;
};

class EveryModel : public Download, public ::testing::WithParamInterface<ModelRow> {};

TEST_P(EveryModel, FlashHoldsTheImageByteForByte)
{
    const auto row = GetParam();
    auto file = FirmwareFile(row.fileSize);
    const auto config = ConfigFor(row.productId);
    if (row.trimmed)
        PutRegisterTrim(file, config.trim);
    ASSERT_EQ(Run(config), SpiResult::Ok);
    EXPECT_TRUE(chip->Flash() == ErasedFlashWith(row.base, ExpectedImage(file, row.length, row.doubled)));
    EXPECT_TRUE(debug.Has("          FW_DL_New OK"));
    EXPECT_EQ(run.view.Progress(), (std::vector<std::int32_t>{300, 600, 900}));
}

INSTANTIATE_TEST_SUITE_P(Models, EveryModel,
                         ::testing::Values(ModelRow{"RZ520", ChipProductId::RZ520, 0x8000, PD1, 0x8000, false},
                                           ModelRow{"RZ521", ChipProductId::RZ521, 0xC000, PD1, 0xC000, false},
                                           ModelRow{"RZ522_32K", ChipProductId::RZ522, 0x8000, PD2, 0x8000, true},
                                           ModelRow{"RZ522_64K", ChipProductId::RZ522, 0x10000, PD2, 0x10000, true},
                                           ModelRow{"RZ523", ChipProductId::RZ523, 0x8000, PD2, 0x8000, true},
                                           ModelRow{"RZ524", ChipProductId::RZ524, 0xC000, PD2, 0xC000, false, true},
                                           ModelRow{"RZ525", ChipProductId::RZ525, 0xC000, PD2, 0xC000, false},
                                           ModelRow{"RZ526", ChipProductId::RZ526, 0x8000, PD2, 0x8000, false},
                                           ModelRow{"NoModel", 0x5200, 0x20001, PD2, 0x8000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Download, TwoBanksOfAShortRz522ImageEndInTheSameCrc)
{
    FirmwareFile(0x8000);
    ASSERT_EQ(Run(ConfigFor(ChipProductId::RZ522)), SpiResult::Ok);
    const auto flash = chip->Flash();
    EXPECT_EQ(0, std::memcmp(&flash[PD2], &flash[PD2 + 0x8000], 0x8000));
    EXPECT_EQ(Crc16(0x7FFE, &flash[PD2]), flash[PD2 + 0x7FFE] | flash[PD2 + 0x7FFF] << 8);
}

struct SizeError {
    WORD productId;
    DWORD fileSize;
    const char* line;
};

class WrongSize : public Download, public ::testing::WithParamInterface<SizeError> {};

TEST_P(WrongSize, FailsBeforeTouchingTheFlash)
{
    FirmwareFile(GetParam().fileSize);
    EXPECT_EQ(Run(ConfigFor(GetParam().productId)), SpiResult::Fail);
    EXPECT_TRUE(debug.Has(GetParam().line));
    EXPECT_EQ(chip->Erases(), 0u);
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiProgram), 0u);
    EXPECT_TRUE(debug.Has("          FW_DL_New FAIL"));
}

INSTANTIATE_TEST_SUITE_P(Models, WrongSize,
                         ::testing::Values(SizeError{ChipProductId::RZ520, 0xC000, "  RZ520 With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ521, 0x8000, "  RZ521 But With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ522, 0xC000, "  RZ522 But With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ523, 0x20000, "  RZ523 But With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ524, 0x8000, "  RZ524 But With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ525, 0x10000, "  RZ525 But With FW-Size-Error"},
                                           SizeError{ChipProductId::RZ526, 0xC000, "  RZ526 But With FW-Size-Error"}));

TEST_F(Download, AFileThatCannotBeReadWholeIsNeverProgrammed)
{
    // A sysfs attribute claims a page and yields a few bytes; through /proc/self/root it is
    // the kernel's own, not the bench's. A device without a model takes a file of any size,
    // so only the short read keeps the partial image off the flash.
    run.settings().FilePathOfFW = u"/proc/self/root/sys/kernel/uevent_seqnum";
    EXPECT_EQ(Run(ConfigFor(0x5200)), SpiResult::Fail);
    EXPECT_EQ(debug.Starting("  BinFile Read Error: ").size(), 1u);
    EXPECT_EQ(chip->Erases(), 0u);
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiProgram), 0u);

    run.settings().FilePathOfFW = platform::Utf8ToWide(TempPath("no_such_firmware.bin"));
    EXPECT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Fail);
    EXPECT_TRUE(debug.Has("  BinFile Open Error"));
}

TEST_F(Download, CleanSpiFillsTheImageWithThePatternAndStillCompares)
{
    FirmwareFile(0x8000);
    run.settings().CleanSPI = 1;
    ASSERT_EQ(Run(ConfigFor(ChipProductId::RZ526)), SpiResult::Ok);
    EXPECT_TRUE(chip->Flash() == ErasedFlashWith(PD2, std::vector<BYTE>(0x8000, 0x55)));
}

TEST_F(Download, Bank1ErrorDamagesOnlyTheFirstBankOfAnRz522)
{
    const auto file = FirmwareFile(0x8000);
    run.settings().Bank1Error = 1;
    ASSERT_EQ(Run(ConfigFor(ChipProductId::RZ522)), SpiResult::Ok) << "the compare checks the damaged image";
    const auto flash = chip->Flash();
    const auto good = ExpectedImage(file, 0x8000, false);
    EXPECT_EQ(0, std::memcmp(&flash[PD2 + 0x8000], good.data(), 0x8000)) << "second bank good";
    EXPECT_NE(0, std::memcmp(&flash[PD2], good.data(), 0x8000)) << "first bank random";
    EXPECT_TRUE(debug.Has("Random Data from Buf[0] to Buf[008000]"));
}

TEST_F(Download, HubFirmwareGoesToTheHubFlashAsItIs)
{
    const auto file = FirmwareFile(0x8000);
    const std::string hubPath = TempPath("hub_firmware.bin");
    const auto hubFile = WriteRandomFile(hubPath, 0x6000, 5);
    run.settings().FilePathOfFW2 = platform::Utf8ToWide(hubPath);
    run.settings().HubDLEnable = 1;
    ASSERT_EQ(Run(ConfigFor(ChipProductId::RZ522)), SpiResult::Ok);
    auto expected = ErasedFlashWith(PD2, ExpectedImage(file, 0x8000, true));
    std::copy(hubFile.begin(), hubFile.end(), expected.begin());
    EXPECT_TRUE(chip->Flash() == expected);
    EXPECT_TRUE(debug.Has("  Hub_FW_Compare_PASS"));
    EXPECT_EQ(run.view.Progress(), (std::vector<std::int32_t>{300, 450, 600})) << "half steps with a hub download";
}

TEST_F(Download, AFailedHubDownloadEndsTheDownload)
{
    FirmwareFile(0x8000);
    run.settings().FilePathOfFW2 = platform::Utf8ToWide(TempPath("no_hub_firmware.bin"));
    run.settings().HubDLEnable = 1;
    EXPECT_EQ(Run(ConfigFor(ChipProductId::RZ523)), SpiResult::Fail);
    EXPECT_TRUE(debug.Has("          Hub_FW_DL FAIL"));
    EXPECT_EQ(chip->Requests(sim::ChipRequest::SpiProgram), 0u);
}

struct FlashTypeRow {
    BYTE spiType;
    BYTE eraseOpcode;
    bool sst; // enables the status write with 0x50 first
};

class FlashType : public Download, public ::testing::WithParamInterface<FlashTypeRow> {};

TEST_P(FlashType, ErasesWithItsOpcodeAndProgramsTheImage)
{
    const auto row = GetParam();
    const auto file = FirmwareFile(0xC000);
    ASSERT_EQ(Run(ConfigFor(ChipProductId::RZ525), row.spiType), SpiResult::Ok);
    EXPECT_EQ(chip->EraseOpcodes(), (std::vector<std::uint8_t>{row.eraseOpcode}));
    EXPECT_EQ(debug.Has("  SST Special  SPI_WriteEN 0x50"), row.sst);
    EXPECT_TRUE(chip->Flash() == ErasedFlashWith(PD2, ExpectedImage(file, 0xC000, false)));
}

INSTANTIATE_TEST_SUITE_P(Types, FlashType,
                         ::testing::Values(FlashTypeRow{0, 0xC7, false}, FlashTypeRow{1, 0x60, true}, FlashTypeRow{2, 0x60, false},
                                           FlashTypeRow{3, 0x62, false}),
                         [](const auto& info) { return "Type" + std::to_string(info.param.spiType); });

} // namespace
