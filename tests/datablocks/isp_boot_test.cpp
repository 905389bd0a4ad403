// WriteIspFirmware and DownloadBootCode: pages and pieces, read-back checks, each failure.
#include "engine/datablocks/block_steps.h"
#include "engine/ports/run_result.h"
#include "tests/datablocks/block_step_fixture.h"

#include <cstring>
#include <numeric>

namespace {

constexpr DWORD kIsp1 = 0x0300'0100, kIsp2 = 0x0300'0200;

std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed) >> 3);
    return bytes;
}

class IspFirmware : public BlockStepTest {
protected:
    IspFirmware()
    {
        run.bytes[cis::kBlockAccessFlags] = 0xF3;
        run.SetWord(cis::kPagesPerBlock, 4);
        run.SetDword(cis::kBlockAddresses + 8, kIsp1);
        run.SetDword(cis::kBlockAddresses + 12, kIsp2);
        drive.pagesPerBlock = 4;
        UseFirmware(Pattern(5000, 7));
    }

    void UseFirmware(const std::string& bytes)
    {
        firmware = bytes;
        WriteBytes(station.folder.File("isp.bin"), bytes);
        Settings().FilePathOfFW = station.folder.WideFile("isp.bin");
    }

    int Write(int systemAddressFlag = 1)
    {
        PortReporter progress(param);
        int result = WriteIspFirmware(param, progress, device, run, systemAddressFlag);
        position = progress.Position();
        return result;
    }

    std::string Stored(DWORD block, std::size_t pages)
    {
        std::string bytes;
        for (std::size_t page = 0; page < pages; ++page) {
            const std::vector<BYTE>& data = drive.pages[static_cast<INT>(block + page)];
            bytes.append(data.begin(), data.end());
        }
        return bytes;
    }

    CISImage run{};
    std::string firmware;
    int position = -1;
};

TEST_F(IspFirmware, EachBlockGetsTheFileInWholePages)
{
    EXPECT_EQ(Write(), RunResult::Success);
    EXPECT_EQ(position, 100);
    EXPECT_EQ(view.Positions(), (std::vector<int>{10, 55, 100}));
    const std::string padded = firmware + std::string(3 * 2048 - firmware.size(), '\0');
    EXPECT_EQ(Stored(kIsp1, 3), padded);
    EXPECT_EQ(Stored(kIsp2, 3), padded);
    ExpectTransfers(drive, 4, 0x03, "ISPSYS", 2048);
    std::vector<std::string> expected;
    for (DWORD block : {kIsp1, kIsp2}) {
        expected.push_back("erase " + std::to_string(block));
        for (const char* what : {"write", "read"})
            for (DWORD page = 0; page < 3; ++page)
                expected.push_back(std::string(what) + " " + std::to_string(block + page));
    }
    EXPECT_EQ(drive.Order(), expected);
}

struct IspCase {
    const char* what;
    DWORD lunTypeBitMap;
    int systemAddressFlag;
    DWORD isp2;
    std::string firmware;
    bool firmwareFile;
    int result;
};

TEST_F(IspFirmware, AddressesAndTheFirmwareFileAreCheckedFirst)
{
    const IspCase cases[] = {
        {"no system addresses", 0, 0, kIsp2, Pattern(100, 1), true, RunResult::IspAddressNotFound},
        {"a first build found one block", 1u << 29, 1, kIsp1, Pattern(100, 1), true, RunResult::IspAddressNotFound},
        {"no firmware file", 0, 1, kIsp2, "", false, RunResult::OpenFirmwareFileFail},
        {"an empty firmware file", 0, 1, kIsp2, "", true, RunResult::ReadFirmwareFileFail},
        {"more than one block", 0, 1, kIsp2, Pattern(4 * 2048 + 1, 2), true, RunResult::ReadFirmwareFileFail},
        {"exactly one block", 0, 1, kIsp2, Pattern(4 * 2048, 3), true, RunResult::Success},
    };
    for (const IspCase& c : cases) {
        drive.calls.clear();
        Settings().LunTypeBitMap = c.lunTypeBitMap;
        run.SetDword(cis::kBlockAddresses + 12, c.isp2);
        if (c.firmwareFile)
            UseFirmware(c.firmware);
        else
            Settings().FilePathOfFW = station.folder.WideFile("missing.bin");
        EXPECT_EQ(Write(c.systemAddressFlag), c.result) << c.what;
        if (c.result != RunResult::Success) {
            EXPECT_TRUE(drive.calls.empty()) << c.what;
        }
    }
}

struct StretchCase {
    DWORD threshold;
    std::vector<std::pair<std::size_t, int>> flips; // (offset, bits) in the first read-back page
    int result;
};

TEST_F(IspFirmware, BitErrorsAreCountedPerKilobyte)
{
    const StretchCase cases[] = {
        {2, {{0, 2}, {1024, 2}}, RunResult::Success}, // four in the page, two per stretch
        {2, {{0, 2}, {1000, 1}}, RunResult::FirmwareCompareFail},
        {2, {{1023, 1}, {1024, 2}}, RunResult::Success},
        {0, {{2047, 1}}, RunResult::FirmwareCompareFail},
        {0, {}, RunResult::Success},
    };
    for (const StretchCase& c : cases) {
        FakeFlashDrive fresh;
        fresh.pagesPerBlock = 4;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        fresh.damageRead = [&](std::size_t number, BYTE* data, std::size_t) {
            if (number == 0)
                for (auto [offset, bits] : c.flips)
                    for (int bit = 0; bit < bits; ++bit)
                        data[offset] ^= static_cast<BYTE>(1u << bit);
        };
        Settings().LunTypeBitMap = c.threshold << 16;
        PortReporter progress(param);
        EXPECT_EQ(WriteIspFirmware(param, progress, freshDevice, run, 1), c.result) << c.threshold;
    }
}

TEST_F(IspFirmware, AFailedPageTransferEndsTheStep)
{
    for (std::size_t failing : {2u, 5u, 9u}) { // a write, a read, a write into the second block
        FakeFlashDrive fresh;
        fresh.pagesPerBlock = 4;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        fresh.fails = [&](const BlockCall&, std::size_t number) { return number == failing; };
        PortReporter progress(param);
        EXPECT_EQ(WriteIspFirmware(param, progress, freshDevice, run, 1), 0) << failing;
        EXPECT_EQ(fresh.calls.size(), failing + 1) << "no later transfer hides the failure";
    }
}

class BootCode : public BlockStepTest {
protected:
    BootCode() { UseBootCode(Pattern(0x4000, 9)); }

    void UseBootCode(const std::string& bytes)
    {
        bootCode = bytes;
        WriteBytes(station.folder.File("boot.bin"), bytes);
        Settings().FilePathOfBootCode = station.folder.WideFile("boot.bin");
    }

    int Download(int flashCode = 0x34)
    {
        PortReporter progress(param);
        int result = DownloadBootCode(progress, param, device, flashCode);
        position = progress.Position();
        return result;
    }

    std::string bootCode;
    int position = -1;
};

TEST_F(BootCode, SixteenKilobytesGoInFourPiecesAndAreReadBack)
{
    UseBootCode(Pattern(0x4000 + 100, 9)); // only the first 16 KiB count
    EXPECT_EQ(Download(0x33), RunResult::Success);
    EXPECT_EQ(std::string(drive.spi.begin(), drive.spi.end()), bootCode.substr(0, 0x4000));
    EXPECT_EQ(view.Positions(), (std::vector<int>{10, 21, 32, 43, 55, 66, 77, 88, 100}));
    EXPECT_EQ(position, 100);
    ExpectTransfers(drive, 0x33, 0, "SPI", 4096); // the kind is the flash code
    EXPECT_EQ(drive.Order(), (std::vector<std::string>{"write 0", "write 4096", "write 8192", "write 12288", "read 0", "read 4096",
                                               "read 8192", "read 12288"}));
}

struct BootCase {
    const char* what;
    std::size_t fileSize; // 0: no file
    std::function<bool(const BlockCall&, std::size_t)> fails;
    std::function<void(std::size_t, BYTE*, std::size_t)> damage;
    int result;
};

TEST_F(BootCode, EachFailureHasItsCode)
{
    auto never = [](const BlockCall&, std::size_t) { return false; };
    auto intact = [](std::size_t, BYTE*, std::size_t) {};
    const BootCase cases[] = {
        {"no file", 0, never, intact, RunResult::OpenBootCodeFileFail},
        {"one byte short", 0x3FFF, never, intact, RunResult::ReadBootCodeFileFail},
        {"a piece not written", 0x4000, [](const BlockCall&, std::size_t n) { return n == 2; }, intact,
         RunResult::BootCodeDownloadFail},
        {"a piece not read", 0x4000, [](const BlockCall&, std::size_t n) { return n == 7; }, intact,
         RunResult::BootCodeUploadFail},
        {"one bit differs", 0x4000, never, FlipBits(3, 4095, 1), RunResult::BootCodeCompareFail},
    };
    for (const BootCase& c : cases) {
        FakeFlashDrive fresh;
        PortDevice freshDevice{&fresh, &fresh, nullptr, 5};
        fresh.fails = c.fails;
        fresh.damageRead = c.damage;
        if (c.fileSize == 0)
            Settings().FilePathOfBootCode = station.folder.WideFile("missing.bin");
        else
            UseBootCode(Pattern(c.fileSize, 4));
        PortReporter progress(param);
        EXPECT_EQ(DownloadBootCode(progress, param, freshDevice, 0), c.result) << c.what;
    }
}

TEST_F(BootCode, AStopBeforeAPieceEndsTheStepWithTheBarAtZero)
{
    drive.whileTransferring = [&](const BlockCall&) {
        if (drive.calls.size() == 5)
            param.stopRequest = 1;
    };
    EXPECT_EQ(Download(), RunResult::Stopped);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(drive.calls.size(), 5u);
}

} // namespace
