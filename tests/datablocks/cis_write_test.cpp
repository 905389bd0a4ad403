// WriteCis: what reaches the two CIS blocks, the read-back threshold, and each failure.
#include "engine/datablocks/block_compare.h"
#include "engine/datablocks/block_steps.h"
#include "engine/datablocks/run_image.h"
#include "engine/ports/run_result.h"
#include "tests/datablocks/block_step_fixture.h"

#include <cstring>
#include <thread>

namespace {

constexpr DWORD kCis1 = 0x0100'0040, kCis2 = 0x0100'0080;

class CisWrite : public BlockStepTest {
protected:
    CisWrite()
    {
        CISImage& image = Settings().CISImage;
        std::memcpy(image.bytes + 2, "VD3CIS", 6);
        image.SetDword(cis::kLunStartLba, 0x0000'0800);
        image.SetDword(cis::kLunCapacity, 0x0010'0000);
        image.SetDword(cis::kSysCapacity, 0x0000'0400);
        run = TakeRunImage(Settings());
        run.bytes[cis::kBlockAccessFlags] = 0x5A; // only the low 4 bits go with a transfer
        run.SetWord(cis::kPagesPerBlock, 0x0100);
        run.SetDword(cis::kPhysicalCapacity, 0x000E'0000);
        run.SetDword(cis::kBlockAddresses, kCis1);
        run.SetDword(cis::kBlockAddresses + 4, kCis2);
        run.bytes[600] = 0x77; // a part-2 byte no field names
    }

    int Write(int systemAddressFlag = 1, int rememberedCode = 0)
    {
        PortReporter progress(param);
        int result = WriteCis(progress, param, device, run, systemAddressFlag, rememberedCode);
        position = progress.Position();
        return result;
    }

    const std::vector<BYTE>& Written(DWORD block) { return drive.pages[static_cast<INT>(block)]; }

    CISImage run{};
    int position = -1;
};

DWORD BigEndian(const std::vector<BYTE>& bytes, std::size_t at)
{
    return DWORD{bytes[at]} << 24 | DWORD{bytes[at + 1]} << 16 | DWORD{bytes[at + 2]} << 8 | bytes[at + 3];
}

TEST_F(CisWrite, BothBlocksGetTheDevicesCompletedImage)
{
    EXPECT_EQ(Write(), RunResult::Success);
    EXPECT_EQ(position, 100);
    EXPECT_EQ(view.Positions(), (std::vector<int>{1, 2, 10, 55, 100}));
    const std::vector<BYTE>& image = Written(kCis1);
    ASSERT_EQ(image.size(), 1024u);
    EXPECT_EQ(Written(kCis2), image);

    // Part 1 sums to 0 in big-endian words.
    unsigned sum = 0;
    for (std::size_t at = 0; at < 256; at += 2)
        sum += unsigned{image[at]} << 8 | image[at + 1];
    EXPECT_EQ(sum % 65536, 0u);
    EXPECT_EQ(std::string(image.begin() + 2, image.begin() + 8), "VD3CIS");
    EXPECT_EQ(image[10], 0x32);
    EXPECT_EQ(std::string(image.begin() + 128, image.begin() + 144), "0000000000000101") << "the next serial number";
    EXPECT_EQ(station.SavedNumber(), 0x101u);
    EXPECT_EQ(std::string(image.begin() + 224, image.begin() + 232), "0.00KQ8N");
    const std::string identifier(image.begin() + 232, image.begin() + 244);
    EXPECT_EQ(identifier.size(), 12u);
    for (char c : identifier)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) << identifier;
    EXPECT_EQ(BigEndian(image, 16), 0x0000'0800u);
    EXPECT_EQ(BigEndian(image, 32), 0x0010'0000u);
    EXPECT_EQ(BigEndian(image, 60), 0x0000'0400u);
    EXPECT_EQ(image[276], 0x01) << "part 2 goes big-endian";
    EXPECT_EQ(image[277], 0x00);
    EXPECT_EQ(BigEndian(image, 316), 0x000E'0000u);
    EXPECT_EQ(BigEndian(image, 384), kCis1);
    EXPECT_EQ(BigEndian(image, 388), kCis2);
    EXPECT_EQ(image[600], 0x77);

    // Erase, write, read back each block, in order.
    ExpectTransfers(drive, 2, 0x0A, "CISSYS", 1024);
    const std::string one = std::to_string(kCis1), two = std::to_string(kCis2);
    EXPECT_EQ(drive.Order(), (std::vector<std::string>{"erase " + one, "write " + one, "read " + one, "erase " + two,
                                               "write " + two, "read " + two}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CisWrite, TheSettingsImageIsNotTheRunsOwn)
{
    CISImage before = Settings().CISImage;
    Settings().CISImage.SetDword(cis::kBlockAddresses, 0x0DEA'D000); // another port's device
    before = Settings().CISImage;
    EXPECT_EQ(Write(), RunResult::Success);
    EXPECT_EQ(std::memcmp(Settings().CISImage.bytes, before.bytes, 1024), 0) << "the shared image is left alone";
    EXPECT_EQ(drive.pages.count(0x0DEA'D000), 0u);
    EXPECT_EQ(run.bytes[10], 0x32) << "the run's image has the write fields";
}

TEST_F(CisWrite, TwoPortsAtOnceEachWriteTheirOwnDevicesAddresses)
{
    FakeFlashDrive otherDrive;
    PortThreadParam otherParam{};
    PreparePort(otherParam, *frame, 6);
    CISImage otherRun = TakeRunImage(Settings());
    otherRun.SetDword(cis::kBlockAddresses, 0x0200'0000);
    otherRun.SetDword(cis::kBlockAddresses + 4, 0x0200'0040);
    int otherResult = 0;
    std::thread other([&] {
        PortReporter progress(otherParam);
        PortDevice otherDevice{&otherDrive, &otherDrive, nullptr, 6};
        otherResult = WriteCis(progress, otherParam, otherDevice, otherRun, 1, 0);
    });
    EXPECT_EQ(Write(), RunResult::Success);
    other.join();
    EXPECT_EQ(otherResult, RunResult::Success);
    for (const BlockCall& call : drive.calls)
        EXPECT_TRUE(call.address == static_cast<INT>(kCis1) || call.address == static_cast<INT>(kCis2));
    for (const BlockCall& call : otherDrive.calls)
        EXPECT_TRUE(call.address == 0x0200'0000 || call.address == 0x0200'0040);
    EXPECT_NE(param.serialNumber, otherParam.serialNumber);
}

struct AddressCase {
    DWORD lunTypeBitMap;
    int systemAddressFlag;
    DWORD cis2;
    int result;
};

TEST_F(CisWrite, WithoutItsTwoAddressesNothingIsWritten)
{
    const AddressCase cases[] = {
        {0, 0, kCis2, RunResult::CisAddressNotFound},
        {1u << 29, 1, kCis1, RunResult::CisAddressNotFound}, // a first build found one block
        {1u << 29, 1, kCis2, RunResult::Success},
        {0, 1, kCis1, RunResult::Success},
    };
    for (const AddressCase& c : cases) {
        drive.calls.clear();
        Settings().LunTypeBitMap = c.lunTypeBitMap;
        run.SetDword(cis::kBlockAddresses + 4, c.cis2);
        EXPECT_EQ(Write(c.systemAddressFlag), c.result) << c.lunTypeBitMap << " " << c.systemAddressFlag;
        if (c.result != RunResult::Success) {
            EXPECT_TRUE(drive.calls.empty());
        }
    }
}

struct ThresholdCase {
    DWORD threshold;
    std::size_t readNumber;
    int flippedBits;
    int result;
};

TEST_F(CisWrite, AReadBackPassesWithUpToTheAllowedBitErrors)
{
    const ThresholdCase cases[] = {
        {0, 0, 0, RunResult::Success},
        {0, 0, 1, RunResult::EepromCompareFail},
        {3, 0, 3, RunResult::Success},
        {3, 0, 4, RunResult::EepromCompareFail},
        {3, 1, 4, RunResult::EepromCompareFail}, // the second block
        {15, 1, 15, RunResult::Success},
        {15, 1, 16, RunResult::EepromCompareFail},
    };
    for (const ThresholdCase& c : cases) {
        FakeFlashDrive fresh;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        fresh.damageRead = FlipBits(c.readNumber, 500, c.flippedBits);
        Settings().LunTypeBitMap = c.threshold << 16 | 0x0F;
        PortReporter progress(param);
        EXPECT_EQ(WriteCis(progress, param, freshDevice, run, 1, 0), c.result)
            << c.threshold << " allowed, " << c.flippedBits << " flipped in read " << c.readNumber;
    }
}

struct FailureCase {
    const char* call;
    std::size_t callNumber;
    int result;
    const char16_t* box;
};

TEST_F(CisWrite, EachFailedTransferHasItsCodeAndTellsTheOperator)
{
    const FailureCase cases[] = {
        {"erase", 0, RunResult::EepromEraseFail, u"Cis erase fail"},
        {"write", 1, RunResult::EepromDownloadFail, u"Cis write fail"},
        {"read", 2, RunResult::EepromUploadFail, u"Cis read fail"},
        {"erase", 3, RunResult::EepromEraseFail, u"Cis erase fail"},
        {"read", 5, RunResult::EepromUploadFail, u"Cis read fail"},
    };
    for (const FailureCase& c : cases) {
        FakeFlashDrive fresh;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        fresh.fails = [&](const BlockCall& call, std::size_t number) { return number == c.callNumber && call.what == c.call; };
        boxes.clear();
        PortReporter progress(param);
        EXPECT_EQ(WriteCis(progress, param, freshDevice, run, 1, 0), c.result) << c.call << " " << c.callNumber;
        EXPECT_EQ(boxes, std::vector<std::u16string>{c.box});
        EXPECT_EQ(fresh.calls.size(), c.callNumber + 1) << "nothing after the failure";
    }
}

TEST_F(CisWrite, AStopEndsTheStepWithTheBarAtZero)
{
    for (std::size_t stopAt : {1u, 2u, 4u}) {
        FakeFlashDrive fresh;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        param.stopRequest = 0;
        fresh.whileTransferring = [&](const BlockCall&) {
            if (fresh.calls.size() == stopAt + 1)
                param.stopRequest = 1;
        };
        PortReporter progress(param);
        EXPECT_EQ(WriteCis(progress, param, freshDevice, run, 1, 0), RunResult::Stopped) << stopAt;
        EXPECT_EQ(progress.Position(), 0);
        EXPECT_EQ(fresh.calls.size(), stopAt + 1);
    }
    param.stopRequest = 0;
}

TEST_F(CisWrite, ASmallerDeviceGivesLunZeroItsPhysicalCapacity)
{
    EXPECT_EQ(Write(1, RunResult::CapacityBelowSetting), RunResult::Success);
    EXPECT_EQ(BigEndian(Written(kCis1), 32), 0x000E'0000u);
    unsigned sum = 0;
    for (std::size_t at = 0; at < 256; at += 2)
        sum += unsigned{Written(kCis1)[at]} << 8 | Written(kCis1)[at + 1];
    EXPECT_EQ(sum % 65536, 0u) << "the checksum covers the capacity written";
}

TEST_F(CisWrite, ASerialNumberThatCannotBeHadWritesNothing)
{
    Settings().SNType = 7; // the drive's serial, and IDENTIFY fails
    EXPECT_EQ(Write(), RunResult::ReadHdSerialFail);
    Settings().SNType = 2;
    Settings().SNInterval = 0; // the same number again
    EXPECT_EQ(Write(), RunResult::SerialNumberFail);
    EXPECT_TRUE(drive.calls.empty());
}

TEST_F(CisWrite, TypedSerialNumbersAreWrittenAsTyped)
{
    frame->FabrunMode |= kFabrunModeTypedSerial;
    param.serialNumber = 0xCAFE;
    EXPECT_EQ(Write(), RunResult::Success);
    EXPECT_EQ(std::string(Written(kCis1).begin() + 128, Written(kCis1).begin() + 144), "000000000000CAFE");
    EXPECT_EQ(station.SavedNumber(), 0x100u) << "no number drawn";
}

TEST_F(CisWrite, DumpMemoryWritesTheImageAsItGoesToTheDevice)
{
    frame->DebugFilePath = station.folder.WideFolder() + u"dumps/";
    Settings().LunTypeBitMap = 1u << 26;
    EXPECT_EQ(Write(), RunResult::Success);
    const std::string dumped = ReadBytes(station.folder.File("dumps/FW/CIS.txt"));
    EXPECT_EQ(dumped, std::string(Written(kCis1).begin(), Written(kCis1).end()));
}

TEST(CountBits, CountsTheOneBitsOfAWord)
{
    EXPECT_EQ(CountBits(0), 0);
    EXPECT_EQ(CountBits(0x80000001u), 2);
    EXPECT_EQ(CountBits(0xFFFFFFFFu), 32);
    EXPECT_EQ(CountBits(0x00F0'0F00u), 8);
}

} // namespace
