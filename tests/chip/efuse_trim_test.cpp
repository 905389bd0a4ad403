// The RZ524 download carries the eFuse trim at 0xBFF0 of its image: from the flash when
// an earlier download left it there, else from the trim registers, unless they hold a
// bound; a trim that cannot be read is never programmed.
#include "engine/spi/spi_procedures.h"
#include "port_run_support.h"

#include <gtest/gtest.h>

namespace {

using chiptest::ConfigFor;
using chiptest::DebugCapture;
using chiptest::TempPath;
using chiptest::WriteRandomFile;
using Effect = sim::RequestFault::Effect;

constexpr DWORD Trim = 0x20000 + 0xBFF0; // PD2 + 0xBFF0 in the flash

class EfuseTrim : public ::testing::Test {
protected:
    EfuseTrim()
    {
        const std::string path = TempPath("rz524.bin");
        file = WriteRandomFile(path, 0xC000, 24);
        run.settings().FilePathOfFW = platform::Utf8ToWide(path);
    }
    sim::Rz52xChip& Plug(std::array<std::uint8_t, 4> trim, std::vector<sim::RequestFault> faults = {})
    {
        auto config = ConfigFor(ChipProductId::RZ524);
        config.trim = trim;
        config.faults = std::move(faults);
        return bench.AddChip(config);
    }
    std::vector<BYTE> TrimBytes(sim::Rz52xChip& chip)
    {
        const auto flash = chip.Flash();
        return {flash.begin() + Trim, flash.begin() + Trim + 12};
    }
    // The file's own bytes at 0xBFF0, as an image without trim keeps them.
    std::vector<BYTE> FileTrimBytes() { return {file.begin() + 0xBFF0, file.begin() + 0xBFFC}; }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
    chiptest::PortRun run;
    std::vector<BYTE> file;
};

TEST_F(EfuseTrim, TakenFromTheRegistersIntoTheImage)
{
    auto& chip = Plug({0x37, 0x01, 0x5A, 0xC3});
    ASSERT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Ok);
    auto expected = FileTrimBytes();
    expected[0] = 'e';
    expected[1] = 'F';
    expected[8] = 0x37;
    expected[9] = 0x01;
    expected[10] = 0x5A;
    expected[11] = 0xC3;
    EXPECT_EQ(TrimBytes(chip), expected);
    EXPECT_TRUE(debug.Has("[eFuse]: Load_eFuse_From_Register"));
}

TEST_F(EfuseTrim, ASecondDownloadKeepsTheFirstTrim)
{
    auto& chip = Plug({0x37, 0x01, 0x5A, 0xC3});
    ASSERT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Ok);
    const auto first = TrimBytes(chip);
    chip.SetRegister(0x158, 0x99);
    chip.SetRegister(0x15B, 0x11);
    ASSERT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Ok);
    EXPECT_EQ(TrimBytes(chip), first);
    EXPECT_TRUE(debug.Has("[eFuse]: Load_eFuse_From_Flash"));
}

struct Bound {
    std::array<std::uint8_t, 4> trim;
    const char* line;
};

class TrimBound : public EfuseTrim, public ::testing::WithParamInterface<Bound> {};

TEST_P(TrimBound, LeavesTheImageAsTheFileHasIt)
{
    auto& chip = Plug(GetParam().trim);
    ASSERT_EQ(Libusb_FW_DL(run.param, 0), SpiResult::Ok);
    EXPECT_EQ(TrimBytes(chip), FileTrimBytes());
    EXPECT_TRUE(debug.Has(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Bounds, TrimBound,
                         ::testing::Values(Bound{{0x00, 0x00, 0x5A, 0xC3}, "[eFuse]: Trim_Low_Bound"},
                                           Bound{{0xFF, 0x03, 0x5A, 0xC3}, "[eFuse]: Trim_High_Bound"}));

struct Unreadable {
    const char* name;
    sim::RequestFault fault;
    int result;
};

class UnreadableTrim : public EfuseTrim, public ::testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableTrim, FailsTheDownloadBeforeTheErase)
{
    auto& chip = Plug({0x37, 0x01, 0x5A, 0xC3}, {GetParam().fault});
    EXPECT_EQ(Libusb_FW_DL(run.param, 0), GetParam().result);
    EXPECT_EQ(chip.Erases(), 0u);
    EXPECT_EQ(chip.Requests(sim::ChipRequest::SpiProgram), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UnreadableTrim,
    ::testing::Values(Unreadable{"FlashRead", {.request = sim::ChipRequest::SpiReadData, .effect = Effect::Fail}, SpiResult::ReadError},
                      Unreadable{"HighRegister", {.request = sim::ChipRequest::Register, .reg = 0x159, .effect = Effect::Short}, SpiResult::Fail},
                      Unreadable{"ThirdRegister", {.request = sim::ChipRequest::Register, .reg = 0x15A, .effect = Effect::Fail}, SpiResult::Fail}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
