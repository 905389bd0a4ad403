// The block steps on the bench, as a flash-drive run calls them: the server created through
// CoCreateInstance, the drive opened by its port, every transfer going by SG_IO to the
// bench's flash-drive controller. The controller's block store and firmware memory show
// what reached the device; read-backs with bit errors come from its planned replies.
#include "engine/datablocks/block_steps.h"
#include "engine/datablocks/run_image.h"
#include "engine/ports/run_result.h"
#include "sim/disk/controller_commands.h"
#include "tests/serial/serial_station.h"
#include "tests/server_vendor/vendor_bench.h"

#include <cstring>

namespace {

using namespace vendortest;
using sim::CommandPattern;
using sim::FaultKind;

constexpr DWORD kCis1 = 0x0000'0140, kCis2 = 0x0000'0180, kIsp1 = 0x0000'01C0, kIsp2 = 0x0000'0200;
const CommandPattern kBlockRead = CommandPattern::Vendor(0x95, 0x89);
const CommandPattern kFirmwareMemory = CommandPattern::Vendor(0x80, 0x81);

std::vector<BYTE> Pattern(std::size_t size, unsigned seed)
{
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>((i * 37 + seed) ^ (i >> 7));
    return bytes;
}

std::vector<BYTE> Flipped(std::vector<BYTE> bytes, std::size_t offset, int bits)
{
    for (int bit = 0; bit < bits; ++bit)
        bytes[offset + static_cast<std::size_t>(bit) / 8] ^= static_cast<BYTE>(1u << (bit % 8));
    return bytes;
}

class BlockStepsOnBench : public VendorBench {
protected:
    void SetUp() override
    {
        VendorBench::SetUp();
        frame = station.Load();
        PreparePort(param, *frame, kFlashPort);
        CISImage& image = frame->CisSetting.CISImage;
        std::memcpy(image.bytes + 2, "VD3CIS", 6);
        image.SetDword(cis::kLunCapacity, 0x0000'F000);
        run = TakeRunImage(frame->CisSetting);
        run.bytes[cis::kBlockAccessFlags] = 0x01;
        run.SetWord(cis::kPagesPerBlock, 64);
        run.SetDword(cis::kBlockAddresses, kCis1);
        run.SetDword(cis::kBlockAddresses + 4, kCis2);
        run.SetDword(cis::kBlockAddresses + 8, kIsp1);
        run.SetDword(cis::kBlockAddresses + 12, kIsp2);
        device = PortDevice{ctrl, ctrl2, handles, kFlashPort};
    }

    void SetThreshold(DWORD bits) { frame->CisSetting.LunTypeBitMap = bits << 16; }

    std::vector<BYTE> Stored(DWORD address)
    {
        auto blocks = flash().controller().Snapshot().blocks;
        auto found = blocks.find(address);
        return found == blocks.end() ? std::vector<BYTE>{} : found->second.cells;
    }

    void UseFile(const char* name, const std::vector<BYTE>& bytes, PackedString& setting)
    {
        WriteBytes(station.folder.File(name), std::string(bytes.begin(), bytes.end()));
        setting = station.folder.WideFile(name);
    }

    // The next read-back of a block or of the firmware memory answers `reply`.
    void ReplyToRead(const CommandPattern& pattern, unsigned first, std::vector<BYTE> reply)
    {
        flash().ClearFaultRules();
        flash().AddFaultRule({pattern, FaultKind::Reply, first, 1, std::move(reply)});
    }

    SerialStation station{{.mode = 2, .number = 0x2000, .step = 1}};
    std::unique_ptr<MainFrameSettings> frame;
    PortThreadParam param{};
    CISImage run{};
    PortDevice device{};
};

TEST_F(BlockStepsOnBench, TheCisReachesBothBlocksAndReadsBackAsWritten)
{
    PortReporter progress(param);
    ASSERT_EQ(WriteCis(progress, param, device, run, 1, 0), RunResult::Success);
    const std::vector<BYTE> cis = Stored(kCis1);
    ASSERT_EQ(cis.size(), 1024u);
    EXPECT_EQ(Stored(kCis2), cis);
    unsigned sum = 0;
    for (std::size_t at = 0; at < 256; at += 2)
        sum += unsigned{cis[at]} << 8 | cis[at + 1];
    EXPECT_EQ(sum % 65536, 0u) << "a valid checksum";
    EXPECT_EQ(std::string(cis.begin() + 128, cis.begin() + 144), "0000000000002001");
    EXPECT_EQ(station.SavedNumber(), 0x2001u);
    EXPECT_EQ(flash().controller().Snapshot().blocks.at(kCis1).tag, "CISSYS");
    EXPECT_EQ(flash().Xdata(0x2809), 0x01) << "encryption on again after the transfers";
}

TEST_F(BlockStepsOnBench, ACisReadBackPassesJustUnderTheThresholdAndFailsJustOver)
{
    SetThreshold(3);
    frame->FabrunMode |= kFabrunModeTypedSerial; // the same image at every write
    param.serialNumber = 0xABCDEF;
    PortReporter progress(param);
    ASSERT_EQ(WriteCis(progress, param, device, run, 1, 0), RunResult::Success);
    const std::vector<BYTE> written = Stored(kCis1);
    struct Case {
        unsigned read; // 1: CIS 1's read-back, 2: CIS 2's
        int bits;
        int result;
    };
    for (const Case& c : {Case{1, 3, RunResult::Success}, Case{1, 4, RunResult::EepromCompareFail},
                          Case{2, 3, RunResult::Success}, Case{2, 4, RunResult::EepromCompareFail}}) {
        ReplyToRead(kBlockRead, c.read, Flipped(written, 700, c.bits));
        PortReporter again(param);
        EXPECT_EQ(WriteCis(again, param, device, run, 1, 0), c.result) << "read " << c.read << ", " << c.bits << " bits";
    }
}

TEST_F(BlockStepsOnBench, IspFirmwareIsWrittenPageByPageIntoBothBlocks)
{
    const std::vector<BYTE> firmware = Pattern(5 * 1024, 3);
    UseFile("isp.bin", firmware, frame->CisSetting.FilePathOfFW);
    PortReporter progress(param);
    ASSERT_EQ(WriteIspFirmware(param, progress, device, run, 1), RunResult::Success);
    for (DWORD block : {kIsp1, kIsp2}) {
        std::vector<BYTE> stored;
        for (DWORD page = 0; page < 3; ++page) {
            std::vector<BYTE> cells = Stored(block + page);
            ASSERT_EQ(cells.size(), 2048u) << block + page;
            EXPECT_EQ(flash().controller().Snapshot().blocks.at(block + page).tag, "ISPSYS");
            stored.insert(stored.end(), cells.begin(), cells.end());
        }
        std::vector<BYTE> expected = firmware;
        expected.resize(3 * 2048, 0);
        EXPECT_EQ(stored, expected) << block;
    }
}

TEST_F(BlockStepsOnBench, AnIspReadBackPassesJustUnderTheThresholdAndFailsJustOver)
{
    SetThreshold(2);
    const std::vector<BYTE> firmware = Pattern(4096, 5);
    UseFile("isp.bin", firmware, frame->CisSetting.FilePathOfFW);
    const std::vector<BYTE> secondPage(firmware.begin() + 2048, firmware.end());
    struct Case {
        std::size_t offset; // in ISP 1's second page
        int bits;
        int result;
    };
    for (const Case& c : {Case{100, 2, RunResult::Success}, Case{100, 3, RunResult::FirmwareCompareFail},
                          Case{1023, 2, RunResult::Success}, Case{2047, 3, RunResult::FirmwareCompareFail}}) {
        ReplyToRead(kBlockRead, 2, Flipped(secondPage, c.offset, c.bits));
        PortReporter progress(param);
        EXPECT_EQ(WriteIspFirmware(param, progress, device, run, 1), c.result) << c.offset << ", " << c.bits << " bits";
    }
}

TEST_F(BlockStepsOnBench, BootCodeGoesIntoTheFirmwareMemoryWithItsFlashCode)
{
    const std::vector<BYTE> boot = Pattern(0x4000, 11);
    UseFile("boot.bin", boot, frame->CisSetting.FilePathOfBootCode);
    PortReporter progress(param);
    ASSERT_EQ(DownloadBootCode(progress, param, device, 0x34), RunResult::Success);
    sim::ControllerState state = flash().controller().Snapshot();
    EXPECT_EQ(std::vector<BYTE>(state.firmwareMemory.bytes().begin(), state.firmwareMemory.bytes().begin() + 0x4000), boot);
    EXPECT_EQ(state.firmwareFlashType, 0x34);

    // One bit wrong in the third piece read back.
    ReplyToRead(kFirmwareMemory, 7, Flipped(std::vector<BYTE>(boot.begin() + 8192, boot.begin() + 12288), 10, 1));
    PortReporter again(param);
    EXPECT_EQ(DownloadBootCode(again, param, device, 0x34), RunResult::BootCodeCompareFail);
}

TEST_F(BlockStepsOnBench, TheDrivesOwnSerialGoesIntoTheCis)
{
    frame->CisSetting.SNType = 7;
    PortReporter progress(param);
    ASSERT_EQ(WriteCis(progress, param, device, run, 1, 0), RunResult::Success);
    const std::vector<BYTE> cis = Stored(kCis1);
    // The last 16 characters of the drive's 20-character serial field, blank-padded.
    const std::string serialField = (sim::DiskIdentity{}.ataSerial + std::string(20, ' ')).substr(0, 20);
    EXPECT_EQ(std::string(cis.begin() + 128, cis.begin() + 144), serialField.substr(4));
    EXPECT_EQ(station.SavedNumber(), 0x2000u) << "mode 7 keeps the number";
}

TEST_F(BlockStepsOnBench, AFailedEraseOnTheDeviceFailsTheStep)
{
    flash().AddFaultRule({CommandPattern::Vendor(0x95, 0x8E), FaultKind::CheckCondition, 2, 1, {}});
    PortReporter progress(param);
    EXPECT_EQ(WriteCis(progress, param, device, run, 1, 0), RunResult::EepromEraseFail) << "CIS 2's erase";
    EXPECT_EQ(Stored(kCis2), std::vector<BYTE>{});
}

} // namespace
