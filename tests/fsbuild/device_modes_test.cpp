// Builds onto drives and physical disks (loop devices), judged on their backing files by
// the same checkers as the images; and the refusal to write under a volume in use.
#include "build_case.h"
#include "fat_checkers.h"
#include "test_disk.h"
#include "volkiln_library.h"

#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/mounts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

enum class Target { Drive, Disk, DiskNoUnmount };

struct DeviceCase {
    const char* name;
    Target target;
    unsigned deviceSectorBytes;
    BuildCase row;
};

VolkilnLibrary& Library()
{
    static VolkilnLibrary library;
    return library;
}

int Build(Target target, FsBuildParams& params, const TestDisk& disk)
{
    switch (target) {
    case Target::Drive: return Library().BuildDriveFileSystem(&params, disk.driveLetter());
    case Target::Disk: return Library().BuildPhyDiskFileSystem(&params, disk.diskNumber());
    case Target::DiskNoUnmount: return Library().BuildPhyDiskFileSystemNoUMount(&params, disk.diskNumber());
    }
    return -1;
}

std::string FileBytes(const std::string& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    return bytes;
}

const DeviceCase kDeviceCases[] = {
    {"disk_fat32_tree", Target::Disk, 512,
     {"disk_fat32_tree", kFat32 | kCopy, 1048576, 512, 0, 0, 0, "On Disk", Tree::Mixed, 0, 8, &kFatChecks}},
    {"disk_no_unmount_fat32_mbr", Target::DiskNoUnmount, 512,
     {"disk_no_unmount_fat32_mbr", kFat32 | kMbr, 1048576, 512, 0, 0, 0, "", Tree::None, 0, 8, &kFatChecks}},
    {"disk_fat16_at_device_start", Target::Disk, 512,
     {"disk_fat16_at_device_start", kFat16 | kCopy | kMbr, 409600, 512, 0, 0, 2048, "LUN1", Tree::Mixed, 0, 8,
      &kFatChecks}},
    {"drive_fat16_tree", Target::Drive, 512,
     {"drive_fat16_tree", kFat16 | kCopy, 409600, 512, 0, 0, 0, "drive", Tree::Mixed, 0, 8, &kFatChecks}},
    {"drive_fat32_4096", Target::Drive, 4096,
     {"drive_fat32_4096", kFat32 | kCopy | kMbr, 262144, 4096, 0, 0, 0, "4K", Tree::Mixed, 0, 2, &kFatChecks}},
};

class DeviceModes : public ::testing::TestWithParam<DeviceCase> {};

} // namespace

TEST_P(DeviceModes, BuildsOnTheDeviceAsOnAnImage)
{
    const DeviceCase& c = GetParam();
    ASSERT_TRUE(Library().loaded()) << Library().error();
    std::uint64_t deviceBytes = (std::uint64_t{c.row.devStartSector} + c.row.totalSectors) * FileSystemSectorBytes(c.row);
    TestDisk disk(c.name, deviceBytes, c.deviceSectorBytes);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string source = SourceTreePath(c.row.tree);
    FsBuildParams params = ParamsFor(c.row, source, "");
    EXPECT_EQ(Build(c.target, params, disk), 0);
    EXPECT_EQ(std::int32_t{params.i32Status}, 0);
    EXPECT_EQ(params.u8Progress, 100);
    EXPECT_EQ(params.m1B_CreateWay, c.target == Target::Drive ? 1 : 2) << "a FAT build unmounts in both disk modes";
    std::uint64_t area = std::uint64_t{c.row.devStartSector} * FileSystemSectorBytes(c.row);
    BuiltImage built{c.row, disk.image(), source, area, area + VolumeOffset(c.row), FileSystemSectorBytes(c.row)};
    for (Checker check : *c.row.checks)
        EXPECT_TRUE(check(built));
}

INSTANTIATE_TEST_SUITE_P(Loop, DeviceModes, ::testing::ValuesIn(kDeviceCases),
                         [](const ::testing::TestParamInfo<DeviceCase>& info) { return std::string(info.param.name); });

TEST(DeviceRefusals, NothingIsWrittenUnderAVolumeInUseOrBeyondTheDisk)
{
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk("refusals", 64ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string mountPoint = disk.MountNtfs();
    ASSERT_FALSE(mountPoint.empty());
    std::string before = FileBytes(disk.image(), 1 << 20);
    platform::ScopedVirtualClock clock;
    BuildCase row{"refused", kFat32, 131072, 512, 0, 0, 0, "", Tree::None, 32, 0, &kFatChecks};
    for (Target target : {Target::Drive, Target::Disk}) {
        FsBuildParams params = ParamsFor(row, "", "");
        EXPECT_EQ(Build(target, params, disk), 1);
        EXPECT_EQ(std::int32_t{params.i32Status}, 32) << "mounted";
        EXPECT_EQ(platform::storage::MountPointOfDevice(disk.device()), mountPoint)
            << "a refused build leaves the volume mounted";
    }
    disk.Unmount();
    HANDLE holder = CreateFileA((std::string("\\\\.\\") + disk.driveLetter() + ":").c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_EQ(Library().DiskVolumeLock(holder), 0) << "another user holds the volume";
    for (Target target : {Target::Drive, Target::Disk}) {
        FsBuildParams params = ParamsFor(row, "", "");
        EXPECT_EQ(Build(target, params, disk), 1);
        EXPECT_EQ(std::int32_t{params.i32Status}, 32) << "locked by another";
    }
    EXPECT_EQ(FileBytes(disk.image(), 1 << 20), before) << "not a byte written";
    EXPECT_EQ(Library().DiskVolumeUnlock(holder), 0);
    CloseHandle(holder);
    BuildCase beyond{"beyond", kFat32, 131072, 512, 0, 0, 4096, "", Tree::None, 32, 0, &kFatChecks};
    FsBuildParams tooFar = ParamsFor(beyond, "", "");
    EXPECT_EQ(Build(Target::Disk, tooFar, disk), 1);
    EXPECT_EQ(std::int32_t{tooFar.i32Status}, 32) << "the area would end 66 MiB into a 64 MiB disk";
    EXPECT_EQ(FileBytes(disk.image(), 1 << 20), before) << "not a byte written";
    FsBuildParams params = ParamsFor(row, "", "");
    EXPECT_EQ(Build(Target::Disk, params, disk), 0) << "released and within the disk: the build goes ahead";
}

TEST(DeviceRefusals, AnImagePathThatNamesADeviceOrAPipeIsNotWrittenAsAFile)
{
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk("image_path_device", 16ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string fifo = disk.image() + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string before = FileBytes(disk.image(), 1 << 20);
    struct Case {
        std::uint8_t fsType;
        Tree tree;
        std::int32_t status;
    };
    for (const std::string& path : {disk.node(), fifo}) {
        for (const Case& c : {Case{kFat32, Tree::None, 32}, Case{kIso | kCopy, Tree::Root8, 33}}) {
            SCOPED_TRACE(path);
            BuildCase row{"device_path", c.fsType, 20000, 512, 0, 0, 0, "", c.tree, c.status, 0, &kFatChecks};
            std::string source = SourceTreePath(c.tree);
            FsBuildParams params = ParamsFor(row, source, path);
            EXPECT_EQ(Library().CreateFileSystemImage(&params), 1);
            EXPECT_EQ(std::int32_t{params.i32Status}, c.status);
        }
    }
    EXPECT_TRUE(FileBytes(disk.image(), 1 << 20) == before) << "the device behind the path is untouched";
    struct stat info;
    EXPECT_TRUE(::stat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    std::filesystem::remove(fifo);
}

TEST(VolumeExports, HandleLockUnlockAndRefresh)
{
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk("volume_exports", 64ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    HANDLE volume = Library().GetVolumeHandle(disk.diskNumber());
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    VOLUME_DISK_EXTENTS extents{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof extents,
                                &returned, nullptr));
    EXPECT_EQ(extents.Extents[0].DiskNumber, static_cast<DWORD>(disk.diskNumber()));
    EXPECT_EQ(Library().DiskVolumeLock(volume), 0);
    EXPECT_EQ(Library().DiskVolumeUnlock(volume), 0);
    EXPECT_EQ(Library().DiskRefresh(volume), 0);
    EXPECT_EQ(Library().GetVolumeHandle(98), INVALID_HANDLE_VALUE);

    ASSERT_FALSE(disk.MountNtfs().empty());
    platform::ScopedVirtualClock clock;
    EXPECT_EQ(Library().DiskVolumeLock(volume), -1) << "mounted";
    EXPECT_EQ(clock.clock().SleptTotal(), 3 * 300 * 10'000) << "4 attempts, 300 ms apart";
    CloseHandle(volume);
}
