// What the worker's own steps send and write: the system address block and the scan size
// it chooses, the flash parameters of the search and build, the images as they reach the
// disk (trailer left off, a short last sector kept), the builds on the device, and a stop.
#include "tests/ufdworker/ufd_run_fixture.h"

#include "engine/ports/run_result.h"

#include <algorithm>

namespace {

using namespace ufdtest;

constexpr DWORD kForceFirstBuild = 1u << 29;
constexpr DWORD kForceSecondBuild = 1u << 22;

void SetDeviceAddresses(FakeUfdDrive& drive, DWORD first)
{
    for (int i = 0; i < 4; ++i)
        portwarden::SetSystemBlockAddress(drive.sysAddress, static_cast<portwarden::SystemBlock>(i),
                                          first + 0x40 * static_cast<DWORD>(i));
}

TEST_F(UfdRunTest, TheScanSizeFollowsWhatTheDeviceKnowsOfItsSystemArea)
{
    struct Case {
        const char* name;
        bool built;   // the device holds a system area
        INT readResult;
        DWORD bits;
        WORD scanSize;
    };
    Settings().CISImage.bytes[270] = 0x01; // 2048 << 1 for a first build
    const Case cases[] = {
        {"blank device", false, 1, 0, 4096},
        {"built device", true, 1, 0, 1024},
        {"built device, first build forced", true, 1, kForceFirstBuild, 4096},
        {"blank device, second build forced", false, 1, kForceSecondBuild, 1024},
        // A read that failed says nothing of the device: nothing it left in the buffer is used.
        {"failed read", true, 0, 0, 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().LunTypeBitMap = 0x01 | c.bits;
        Settings().TestProcedureMask = 0x3E; // the table step alone
        const Rerun run = RunAgain([&](FakeUfdDrive& d) {
            if (c.built)
                SetDeviceAddresses(d, 0x2000);
            if (c.readResult != 1) {
                d.Plan("ReadSYSAddress", {c.readResult});
                d.sysAddressOnFailure = [](BYTE* buffer) { std::fill_n(buffer, 64, BYTE{0x11}); };
            }
        });
        EXPECT_EQ(run.result.result, RunResult::Success);
        EXPECT_EQ(run.drive->scanSizes, std::vector<WORD>{c.scanSize});
        EXPECT_EQ(run.drive->Count("ReadSYSAddress"), c.bits == kForceFirstBuild ? 0u : 1u);
    }
}

TEST_F(UfdRunTest, WithoutTheTableStepTheCisGoesToTheDevicesOwnBlocks)
{
    struct Case {
        const char* name;
        bool built;
        INT readResult;
        int result;
    };
    for (const Case& c : {Case{"known addresses", true, 1, RunResult::Success},
                          Case{"no system area", false, 1, RunResult::CisAddressNotFound},
                          Case{"failed read", true, 0, RunResult::CisAddressNotFound}}) {
        SCOPED_TRACE(c.name);
        Settings().TestProcedureMask = 0x3B; // the CIS step alone
        const Rerun run = RunAgain([&](FakeUfdDrive& d) {
            if (c.built)
                SetDeviceAddresses(d, 0x2000);
            if (c.readResult != 1)
                d.Plan("ReadSYSAddress", {c.readResult});
        });
        EXPECT_EQ(run.result.result, c.result);
        if (c.result == RunResult::Success) {
            EXPECT_EQ(run.drive->pages.count(0x2000), 1u) << "CIS 1";
            EXPECT_EQ(run.drive->pages.count(0x2040), 1u) << "CIS 2";
        } else {
            EXPECT_TRUE(run.drive->pages.empty());
        }
    }
}

TEST_F(UfdRunTest, TheFlashParametersCarryWhatTheRunGives)
{
    CISSetting& s = Settings();
    s.LunTypeBitMap = 0x01 | 0x5u << 16 | 1u << 28 | 1u << 26;
    s.CISImage.bytes[cis::kBlockAccessFlags] = 0xA3;
    s.CISImage.SetWord(274, 0x0101);
    s.CISImage.bytes[cis::kFlashId + 2] = 0x01; // two dies
    record.channelCount = 2;
    record.ceCount = 2;
    record.bitmapBytes = 512;
    ASSERT_EQ(Run().result, RunResult::Success);
    ASSERT_EQ(drive.flashParams.size(), 1u);
    const UFDFlashParams& p = drive.flashParams.front();
    struct Field {
        const char* name;
        unsigned measured, expected;
    };
    const Field fields[] = {
        {"searchPaths", p.searchPaths, 1},
        {"pageLimit", p.pageLimit, 0x20000},
        {"pairsWanted", p.pairsWanted, 2},
        {"tablePaths", p.tablePaths, 4},
        {"logBlocks", p.logBlocks, 2},
        {"freeBlocks", p.freeBlocks, 8},
        {"planes", p.planes, 2},
        {"dies", p.dies, 2},
        {"basicBlocks", p.basicBlocks, 2048},
        {"extendedBlocks", p.extendedBlocks, 0},
        {"addressPages", p.addressPages, 64},
        {"actualPages", p.actualPages, 0x0101},
        {"sectorsPerPage", p.sectorsPerPage, 4},
        {"eccLimit", p.eccLimit, 5},
        {"writeParameter", p.writeParameter, 3},
        {"flags", p.flags, UFDFlashFlags::kEraseReserved | UFDFlashFlags::kDumps},
        {"flashType", p.flashType, 0}, // the server's scan classifies the flash
        {"buildMode", p.buildMode, kBuildModeOnePlane},
        {"eraseCount", EraseCountOf(p), 0},
        {"status", p.status, 0},
    };
    for (const Field& f : fields)
        EXPECT_EQ(f.measured, f.expected) << f.name;
    EXPECT_EQ(drive.scanConfigs, std::vector<BYTE>{3}) << "the system block is cleared";
}

TEST_F(UfdRunTest, TheFoundBlocksBecomeTheRowAddressesOfTheCisAndIspBlocks)
{
    drive.foundBlocks = {{{1, 0, 2, 1}, {0, 1, 3, 0}, {1, 1, 4, 7}, {0, 0, 5, 2}}};
    Settings().TestProcedureMask = 0x38; // table, CIS, ISP
    ASSERT_EQ(Run().result, RunResult::Success);
    // pages per block x block | (channel | CE << 4) << 24
    const INT cis1 = 64 * 17 | 0x01 << 24, isp1 = 64 * 24 | 0x10 << 24, cis2 = 64 * 39 | 0x11 << 24, isp2 = 64 * 42;
    EXPECT_EQ(drive.pages.count(cis1), 1u);
    EXPECT_EQ(drive.pages.count(cis2), 1u);
    EXPECT_EQ(drive.pages.count(isp1), 1u);
    EXPECT_EQ(drive.pages.count(isp2), 1u);
}

TEST_F(UfdRunTest, AnImageReachesTheDiskWithoutItsTrailerAndWithItsLastPartialSector)
{
    struct Case {
        const char* name;
        std::size_t size;
        bool trailer;
    };
    for (const Case& c : {Case{"whole sectors with trailer", 96 * 1024, true},
                          Case{"a partial sector", 70000, false},
                          Case{"a partial sector with trailer", 512 * 3 + 100, true}}) {
        SCOPED_TRACE(c.name);
        const std::vector<BYTE> image = Pattern(c.size, 11);
        if (c.trailer)
            UseImageWithTrailer("lun0.img", image, kFat32, kLun0Capacity, Settings().ImagePublicLunPath);
        else
            UseFile("lun0.img", image, Settings().ImagePublicLunPath);
        Settings().TestProcedureMask = 0x37; // the images alone
        const Rerun run = RunAgain();
        ASSERT_EQ(run.result.result, RunResult::Success);
        const FakeUfdDrive& fresh = *run.drive;
        const DWORD sectors = static_cast<DWORD>((c.size + 511) / 512);
        std::vector<BYTE> expected = image;
        expected.resize(std::size_t{sectors} * 512, 0);
        EXPECT_EQ(fresh.Sectors(kLun0Start, sectors + 1),
                  [&] {
                      std::vector<BYTE> withNext = expected;
                      withNext.resize(withNext.size() + 512, 0);
                      return withNext;
                  }())
            << "the image, zero-padded to its last sector, and nothing after it";
        DWORD lba = kLun0Start;
        for (const auto& [at, bytes] : fresh.diskWrites) {
            EXPECT_EQ(at, lba);
            EXPECT_LE(bytes, 65536u);
            EXPECT_EQ(bytes % 512, 0u);
            lba += bytes / 512;
        }
    }
}

TEST_F(UfdRunTest, AnImageTooLargeForTheDeviceIsBuiltOnItInstead)
{
    CISSetting& s = Settings();
    UseImageWithTrailer("big.img", lun0Image, kFat32 | 0x80, 0x100000, s.ImagePublicLunPath);
    s.SourcePublicLunPath = station.folder.WideFile("source");
    s.VolumeLable[0] = u"PUBLIC";
    ASSERT_EQ(Run().result, RunResult::Success);
    EXPECT_TRUE(drive.diskWrites.empty());
    ASSERT_EQ(drive.builds.size(), 1u);
    const DeviceBuild& build = drive.builds.front();
    EXPECT_EQ(+build.params.u8FsType, kFat32 | 0x40) << "the LUN's type, with the copy bit for its source";
    EXPECT_EQ(+build.params.u32DevStartSector, kLun0Start);
    EXPECT_EQ(+build.params.u32TotalSector, kLun0Capacity);
    EXPECT_EQ(+build.params.i32BytesPerSector, 512);
    EXPECT_EQ(+build.params.u32PartStart, 0u);
    EXPECT_EQ(+build.params.u8ClusterExp, 0);
    EXPECT_EQ(build.label, u"PUBLIC");
    EXPECT_EQ(build.source, s.SourcePublicLunPath.str());
    EXPECT_EQ(build.image, s.ImagePublicLunPath.str());
    // The view animates the bar from the build's progress byte while it runs.
    const std::vector<TimerPost> timers = view.Timers();
    ASSERT_EQ(timers.size(), 2u);
    EXPECT_TRUE(timers[0].on);
    EXPECT_FALSE(timers[1].on);
    EXPECT_NE(timers[0].live, nullptr);
    EXPECT_EQ(timers[0].base, 600);
}

TEST_F(UfdRunTest, WithModeBit3EveryLunIsBuiltOnTheDeviceWithoutItsSourceWhenItHasNone)
{
    frame->FabrunMode |= 0x08;
    Settings().LunTypeBitMap = 0x05;
    Settings().FormatLunBitMap = 0x05;
    Settings().ImageType[2] = 3 | 0x40;
    Settings().CISImage.SetDword(cis::kLunStartLba + 8, 0x9000);
    Settings().CISImage.SetDword(cis::kLunCapacity + 8, 0x800);
    ASSERT_EQ(Run().result, RunResult::Success);
    ASSERT_EQ(drive.builds.size(), 2u);
    EXPECT_EQ(+drive.builds[0].params.u8FsType, kFat32);
    EXPECT_EQ(+drive.builds[1].params.u8FsType, 3) << "no source: the copy bit cleared";
    EXPECT_EQ(+drive.builds[1].params.u32DevStartSector, 0x9000u);
    EXPECT_EQ(+drive.builds[1].params.u32TotalSector, 0x800u);
    EXPECT_EQ(drive.Count("ReadCapacity"), 1u) << "no image is checked";
}

TEST_F(UfdRunTest, UnderWarning39TheLun0BuildKeepsToThePhysicalCapacity)
{
    frame->FabrunMode |= 0x08;
    drive.physicalCapacity = 0x6000;
    ASSERT_EQ(Run().result, RunResult::Success);
    ASSERT_EQ(drive.builds.size(), 1u);
    EXPECT_EQ(+drive.builds[0].params.u32TotalSector, 0x6000u);
}

TEST_F(UfdRunTest, AStopDuringAnImageWriteUnlocksTheDiskAndEndsTheRunAt0)
{
    UseFile("lun0.img", Pattern(512 * 1024, 12), Settings().ImagePublicLunPath);
    drive.whileWriting = [this, writes = 0]() mutable {
        if (++writes == 3)
            param.stopRequest = 1;
    };
    EXPECT_EQ(Run().result, RunResult::Stopped);
    EXPECT_EQ(drive.diskWrites.size(), 3u);
    EXPECT_EQ(drive.unlockedVolumes, std::vector<HANDLE>{FakeUfdDrive::kVolume});
    EXPECT_EQ(view.Progress().back(), 0);
    EXPECT_EQ(drive.Count("ReadDiskEx"), 0u);
}

} // namespace
