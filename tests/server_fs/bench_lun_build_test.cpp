// File systems built on a bench flash drive as the flash-drive worker builds a LUN on the
// device: through the server's BuildPhyDiskFileSystemW (created with CoCreateInstance) onto
// the drive's physical disk, then read back from the drive with the server's ReadDisk
// (SCSI READ(10)) into a file that the independent checkers judge.
#include "build_case.h"
#include "fat_checkers.h"
#include "iso_checkers.h"
#include "ntfs_checkers.h"
#include "portwarden/records.h"
#include "tests/server_shell/registered_server.h"

#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr BYTE kPort = 2;
constexpr DWORD kReadPiece = 1 << 20;

const char* Wide(const std::u16string& text)
{
    return reinterpret_cast<const char*>(text.c_str());
}

std::u16string Widened(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// The checkers run outside the bench: their programs (losetup above all) must reach the
// machine's own devices, not the sandbox that umockdev's preloaded library shows.
class OutsideTheBench {
public:
    OutsideTheBench()
    {
        if (const char* preload = std::getenv("LD_PRELOAD"))
            saved_ = preload;
        ::unsetenv("LD_PRELOAD");
    }
    ~OutsideTheBench()
    {
        if (saved_)
            ::setenv("LD_PRELOAD", saved_->c_str(), 1);
    }
    OutsideTheBench(const OutsideTheBench&) = delete;
    OutsideTheBench& operator=(const OutsideTheBench&) = delete;

private:
    std::optional<std::string> saved_;
};

// The LUN a row builds on: the device start and the built area, whole 512-byte sectors.
std::uint64_t LunSectors(const BuildCase& row)
{
    std::uint64_t bytes = (std::uint64_t{row.devStartSector} + row.totalSectors) * FileSystemSectorBytes(row);
    return (bytes + 511) / 512;
}

const BuildCase kLunBuilds[] = {
    {"fat32_mbr_tree", kFat32 | kCopy | kMbr, 1048576, 512, 0, 0, 0, "Lun0", Tree::Mixed, 0, 8, &kFatChecks},
    {"fat16_tree_at_lun_start", kFat16 | kCopy, 409600, 512, 0, 0, 2048, "LUN1", Tree::Mixed, 0, 8, &kFatChecks},
    {"iso_tree_at_lun_start", kIso | kCopy, 262144, 512, 0, 0, 64, "station cd", Tree::Mixed, 0, 0, &kIsoChecks},
    {"ntfs_mbr", kNtfs | kMbr, 204800, 512, 0, 0, 0, "NTFS LUN", Tree::None, 0, 1, &kNtfsChecks},
};

class BenchLunBuild : public ::testing::TestWithParam<BuildCase>, protected fabrun_test::ServerSession {
protected:
    void SetUp() override
    {
        StartSession();
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(ctrl, nullptr);
        drive = std::make_unique<sim::BenchFlashDrive>(sim::FlashDriveSpec(place), sim::DiskIdentity{},
                                                       std::vector<std::uint64_t>{LunSectors(GetParam())}, place);
        testbed = std::make_unique<sim::Testbed>();
        drive->Add(*testbed);
        drive->model().SetRecording(false);
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
        ASSERT_EQ(ctrl->OpenDiskPathBySymbolicName(handles, kPort, drive->DiskNode().c_str()), 1);
        readBack = fs::temp_directory_path() / ("bench_lun_" + std::to_string(::getpid()) + ".img");
    }

    void TearDown() override
    {
        if (handles[kPort] != INVALID_HANDLE_VALUE)
            ctrl->CloseDiskPath(handles, kPort);
        if (ctrl != nullptr)
            ctrl->Release();
        testbed.reset();
        drive.reset();
        std::error_code ignored;
        fs::remove(readBack, ignored);
        EndSession();
    }

    // The whole LUN through the server's ReadDisk, into the read-back file.
    bool ReadLunBack(std::uint64_t sectors)
    {
        std::ofstream out(readBack, std::ios::binary | std::ios::trunc);
        std::vector<BYTE> piece(kReadPiece);
        for (std::uint64_t lba = 0; lba < sectors;) {
            const auto count = static_cast<DWORD>(std::min<std::uint64_t>(sectors - lba, kReadPiece / 512));
            if (ctrl->ReadDisk(handles, kPort, static_cast<DWORD>(lba), count * 512, piece.data()) != 1)
                return false;
            out.write(reinterpret_cast<const char*>(piece.data()), std::streamsize{count} * 512);
            lba += count;
        }
        return out.good();
    }

    sim::DrivePlacement place{1, {3}, 12, 7, 'c'};
    std::unique_ptr<sim::BenchFlashDrive> drive;
    std::unique_ptr<sim::Testbed> testbed;
    IPortwardenCtrl* ctrl = nullptr;
    HANDLE handles[kPortCount] = {};
    fs::path readBack;
};

TEST_P(BenchLunBuild, BuiltOnTheDriveAndReadBackThroughScsiPassesTheCheckers)
{
    const BuildCase& row = GetParam();
    const std::string source = SourceTreePath(row.tree);
    const std::u16string label = Widened(row.label), sourceW = Widened(source);
    FsBuildParams params = ParamsFor(row, source, "");
    params.pszLabel = Wide(label);
    params.pszSourcePath = source.empty() ? nullptr : Wide(sourceW);
    EXPECT_EQ(ctrl->BuildPhyDiskFileSystemW(handles, kPort, &params), 1);
    EXPECT_EQ(std::int32_t{params.i32Status}, 0);

    ASSERT_TRUE(ReadLunBack(drive->model().lunSectors(0)));
    const std::uint64_t area = std::uint64_t{row.devStartSector} * FileSystemSectorBytes(row);
    BuiltImage built{row, readBack.string(), source, area, area + VolumeOffset(row), FileSystemSectorBytes(row)};
    OutsideTheBench checkers;
    for (Checker check : *row.checks)
        EXPECT_TRUE(check(built));
}

INSTANTIATE_TEST_SUITE_P(Lun, BenchLunBuild, ::testing::ValuesIn(kLunBuilds),
                         [](const ::testing::TestParamInfo<BuildCase>& info) { return std::string(info.param.name); });

} // namespace
