// Every failure path of the flash-drive worker gives its own result, and the mended faults
// of the table, image and stress steps: error codes are never read as success, no failure
// is overwritten by a later step's pass, and nothing is written where it was not meant to.
#include "tests/ufdworker/ufd_run_fixture.h"

#include "engine/ports/run_result.h"

#include <algorithm>

#include <sys/resource.h>

namespace {

using namespace ufdtest;

struct FailureCase {
    const char* name;
    std::function<void(UfdRunTest&)> setUp;
    int result;
    // Checked after the run.
    std::function<void(UfdRunTest&)> check = [](UfdRunTest&) {};
};

class FailurePaths : public UfdRunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailurePaths, EndTheRunWithTheirCode)
{
    GetParam().setUp(*this);
    EXPECT_EQ(Run().result, GetParam().result);
    GetParam().check(*this);
}

void NoImageWritten(UfdRunTest& t)
{
    EXPECT_TRUE(t.drive.diskWrites.empty());
}

void NoStressTest(UfdRunTest& t)
{
    EXPECT_EQ(t.drive.Count("ReadDiskEx"), 0u);
}

const FailureCase kTableCases[] = {
    {"missing firmware", [](UfdRunTest& t) { t.Settings().FilePathOfFW = t.station.folder.WideFile("none.bin"); },
     RunResult::OpenFirmwareFileFail},
    // Shorter than the ISP code's place: nothing half-read is loaded.
    {"firmware without ISP code",
     [](UfdRunTest& t) { t.UseFile("short.bin", Pattern(0xC100, 4), t.Settings().FilePathOfFW); },
     RunResult::ReadFirmwareFileFail, [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("INITISP_UFD"), 0u); }},
    {"ISP code load", [](UfdRunTest& t) { t.drive.Always("INITISP_UFD", 0); }, RunResult::InitIspFail},
    {"scan", [](UfdRunTest& t) { t.drive.Always("ScanFlashBlock", 0); }, RunResult::ScanBlockFail},
    {"no block map", [](UfdRunTest& t) { t.param.blockMapEntry = nullptr; }, RunResult::ScanBlockFail,
     [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("ScanFlashBlock"), 0u); }},
    {"block search", [](UfdRunTest& t) { t.drive.Always("FindISPAndCISUseBlock", 0); }, RunResult::CisAddressNotFound},
    // A short list has no four addresses to take.
    {"short found list", [](UfdRunTest& t) { t.drive.foundCount = 2; }, RunResult::CisAddressNotFound,
     [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("BuildUFDSystemTable"), 0u); }},
    {"LUNs beyond the flash",
     [](UfdRunTest& t) {
         t.Settings().CISImage.SetDword(cis::kLunCapacity + 8, 0x1000);
         t.drive.physicalCapacity = kLun0Capacity;
     },
     RunResult::CapacityMismatch},
    // A 32-bit sum of 0x10 would pass the check.
    {"LUN capacities that wrap",
     [](UfdRunTest& t) {
         t.Settings().CISImage.SetDword(cis::kLunCapacity, 0xFFFFFFF0);
         t.Settings().CISImage.SetDword(cis::kLunCapacity + 4, 0x20);
     },
     RunResult::CapacityMismatch},
    // A failed build fails as such, whatever the capacities.
    {"failed build with capacities that do not fit",
     [](UfdRunTest& t) {
         t.drive.Always("BuildUFDSystemTable", 0);
         t.Settings().CISImage.SetDword(cis::kLunCapacity + 8, 0x80000);
     },
     RunResult::BuildSystemTableFail, [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("BuildUFDSystemTable"), 4u); }},
    // A build that reports an error code is not a build that succeeded.
    {"build returning an error code", [](UfdRunTest& t) { t.drive.Always("BuildUFDSystemTable", 5); },
     RunResult::BuildSystemTableFail},
};

const FailureCase kImageCases[] = {
    {"CPU reset", [](UfdRunTest& t) { t.drive.Always("CPUReset_UFD", 0); }, RunResult::CpuResetFail, NoImageWritten},
    {"missing image", [](UfdRunTest& t) { t.Settings().ImagePublicLunPath = t.station.folder.WideFile("none.img"); },
     RunResult::OpenFormatImageFail, NoImageWritten},
    {"image of another type",
     [](UfdRunTest& t) { t.UseImageWithTrailer("fat16.img", t.lun0Image, 1, kLun0Capacity, t.Settings().ImagePublicLunPath); },
     RunResult::FormatImageTypeMismatch, NoImageWritten},
    {"capacity unread for the trailer",
     [](UfdRunTest& t) {
         t.UseImageWithTrailer("fat32.img", t.lun0Image, kFat32, kLun0Capacity, t.Settings().ImagePublicLunPath);
         t.drive.Plan("ReadCapacity", {0});
     },
     RunResult::ReadCapacityFail, NoImageWritten},
    {"write fails",
     [](UfdRunTest& t) {
         t.drive.Plan("WriteDisk", {0});
     },
     RunResult::WritePublicLunImageFail,
     [](UfdRunTest& t) {
         NoStressTest(t);
         EXPECT_EQ(t.drive.unlockedVolumes, std::vector<HANDLE>{FakeUfdDrive::kVolume}) << "unlocked after the failure";
     }},
    // The lock slot returns a system error code when the disk number cannot be read.
    {"lock returns an error code", [](UfdRunTest& t) { t.drive.Plan("Disk_Lock", {5}); },
     RunResult::WritePublicLunImageFail, NoImageWritten},
    // A lock that failed may hold the volume open: the unlock closes it.
    {"lock fails",
     [](UfdRunTest& t) { t.drive.Plan("Disk_Lock", {0}); }, RunResult::WritePublicLunImageFail,
     [](UfdRunTest& t) {
         NoImageWritten(t);
         EXPECT_EQ(t.drive.unlockedVolumes, std::vector<HANDLE>{FakeUfdDrive::kVolume});
     }},
    {"unlock fails", [](UfdRunTest& t) { t.drive.Plan("Disk_Unlock", {0}); }, RunResult::WritePublicLunImageFail,
     NoStressTest},
    {"NTFS build", [](UfdRunTest& t) {
         t.Settings().ImageType[0] = 4;
         t.drive.Always("BuildPhyDiskFileSystemW", 0);
     },
     RunResult::PublicLunFormatFail, NoStressTest},
    // A build that reports an error code is not a build that succeeded.
    {"build returning an error code",
     [](UfdRunTest& t) {
         t.frame->FabrunMode |= 0x08;
         t.drive.Always("BuildPhyDiskFileSystemW", 126);
     },
     RunResult::PublicLunFormatFail, NoStressTest},
    {"hidden LUN write",
     [](UfdRunTest& t) {
         t.Settings().LunTypeBitMap = 0x09;
         t.Settings().FormatLunBitMap = 0x09;
         t.UseFile("lun3.img", Pattern(4096, 9), t.Settings().ImageHiddenLunPath);
         t.drive.Plan("WriteDisk", {1, 0});
     },
     RunResult::WriteHiddenLunImageFail, NoStressTest},
    // Warning 40 (an image too large, built on the device instead) does not let a later
    // failed image reach the stress test and pass.
    {"image failure after warning 40",
     [](UfdRunTest& t) {
         t.Settings().LunTypeBitMap = 0x03;
         t.Settings().FormatLunBitMap = 0x03;
         t.Settings().ImageType[1] = kFat32;
         t.UseImageWithTrailer("big.img", t.lun0Image, kFat32, 0x100000, t.Settings().ImagePublicLunPath);
         t.UseFile("lun1.img", Pattern(4096, 5), t.Settings().ImageSecurityLunPath);
         t.drive.Always("WriteDisk", 0);
     },
     RunResult::WriteSecurityLunImageFail,
     [](UfdRunTest& t) {
         NoStressTest(t);
         EXPECT_EQ(t.drive.builds.size(), 1u) << "the large image was built on the device";
     }},
};

const FailureCase kStressCases[] = {
    // Without the capacity there is no place to test: it never runs at LBA 0.
    {"capacity unread", [](UfdRunTest& t) { t.drive.Always("ReadCapacity", 0); }, RunResult::ReadCapacityFail,
     NoStressTest},
    {"pattern differs",
     [](UfdRunTest& t) { t.drive.damageCheckRead = [](DWORD, BYTE* data, DWORD) { data[10] ^= 1; }; },
     RunResult::StressTestFail, [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("ReadDiskEx"), 6u) << "three attempts"; }},
    {"pattern differs twice",
     [](UfdRunTest& t) {
         t.drive.damageCheckRead = [n = 0](DWORD, BYTE* data, DWORD) mutable {
             if (n++ < 2)
                 data[10] ^= 1;
         };
     },
     RunResult::Success, [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("ReadDiskEx"), 6u); }},
    // A save that could not be read is never written back over the device's data.
    {"save read fails",
     [](UfdRunTest& t) {
         t.drive.Plan("ReadDiskEx", {0, 0, 0});
     },
     RunResult::StressTestFail, [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("WriteDiskEx"), 0u); }},
    {"data not written back",
     [](UfdRunTest& t) { t.drive.Plan("WriteDiskEx", {1, 0}); }, RunResult::StressTestFail,
     [](UfdRunTest& t) { EXPECT_EQ(t.drive.Count("ReadDiskEx"), 2u) << "no attempt after the loss"; }},
    // 4096 MB is 2^32 bytes: in 32 bits that is a test of nothing.
    {"size beyond one transfer", [](UfdRunTest& t) { t.Settings().StressTestSize = 4096; }, RunResult::StressTestFail,
     NoStressTest},
    {"unlock fails", [](UfdRunTest& t) { t.drive.Plan("Disk_Unlock", {1, 0}); }, RunResult::Fail},
};

// Three buffers of 4095 MB each where the memory holds less: the port's step fails, and
// the station goes on. The sanitizers' allocators end the process on such a request by
// design, so only the plain build can show it.
TEST_F(UfdRunTest, AStressSizeTheMemoryCannotHoldFailsTheStep)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators end the process on a failed allocation";
#else
    Settings().StressTestSize = 4095;
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    rlimit limited = before;
    limited.rlim_cur = 2ULL << 30; // the 4095 MB buffer alone is beyond it; the run needs far less
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    const int result = Run().result;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &before), 0);
    EXPECT_EQ(result, RunResult::StressTestFail);
    NoStressTest(*this);
#endif
}

std::string CaseName(const ::testing::TestParamInfo<FailureCase>& info)
{
    std::string name = info.param.name;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Table, FailurePaths, ::testing::ValuesIn(kTableCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Images, FailurePaths, ::testing::ValuesIn(kImageCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Stress, FailurePaths, ::testing::ValuesIn(kStressCases), CaseName);

} // namespace
