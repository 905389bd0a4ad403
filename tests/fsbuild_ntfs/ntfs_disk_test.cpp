// NTFS builds onto a physical disk (a loop device) through knlfs_BuildPhyDiskFileSystem,
// with and without a master boot record, judged by sfdisk and the ntfs-3g tools; with
// the copy step, which needs the new volume mounted before it copies: the test's clock mounts
// it through ntfs-3g once the format is complete, as the system's automount would; and the
// requests a disk or drive cannot take, refused before a byte of it changes.
#include "fsbuild/fs_build_params.h"
#include "ntfs_checks.h"
#include "loop_device.h"
#include "test_disk.h"
#include "tool_runner.h"
#include "volkiln_library.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr std::uint8_t kNtfs = 4, kCopy = 0x40, kMbr = 0x80;
constexpr std::uint32_t kSectors = 262144; // 128 MiB

VolkilnLibrary& Library()
{
    static VolkilnLibrary library;
    return library;
}

// The format's last write is the MFT mirror: its first record tells that the volume is complete.
bool FormatComplete(const std::string& volume)
{
    int fd = ::open(volume.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char boot[512] = {};
    bool complete = false;
    if (::pread(fd, boot, sizeof boot, 0) == 512 && std::memcmp(boot + 3, "NTFS    ", 8) == 0) {
        std::uint16_t sectorSize;
        std::uint64_t mirror;
        std::memcpy(&sectorSize, boot + 11, 2);
        std::memcpy(&mirror, boot + 56, 8);
        char record[4] = {};
        auto at = static_cast<off_t>(mirror * sectorSize * static_cast<std::uint8_t>(boot[13]));
        complete = ::pread(fd, record, sizeof record, at) == 4 && std::memcmp(record, "FILE", 4) == 0;
    }
    ::close(fd);
    return complete;
}

// Nobody holds the volume locked: the system mounts no volume while its lock is held.
bool VolumeUnlocked(char letter)
{
    char name[] = {'\\', '\\', '.', '\\', letter, ':', '\0'};
    HANDLE volume = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (volume == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    bool unlocked = DeviceIoControl(volume, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) &&
                    DeviceIoControl(volume, FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(volume);
    return unlocked;
}

// A virtual clock that mounts the disk's volume at the first sleep after its format is
// complete and the build has released it, as the system's automount would while the copy
// step searches for the drive: the search finds it in its second round, without real waits.
class MountingClock final : public platform::ClockSource {
public:
    MountingClock(std::string volume, char letter)
        : volume_(std::move(volume)), letter_(letter), previous_(platform::SetClockSource(this))
    {
    }
    ~MountingClock() override { platform::SetClockSource(previous_); }
    MountingClock(const MountingClock&) = delete;
    MountingClock& operator=(const MountingClock&) = delete;

    std::int64_t Now() override { return clock_.Now(); }
    void SleepMs(DWORD milliseconds) override
    {
        if (!mount_ && FormatComplete(volume_) && VolumeUnlocked(letter_)) {
            auto mount = std::make_unique<ntfs_checks::MountedVolume>(volume_);
            if (mount->mounted())
                mount_ = std::move(mount);
        }
        clock_.SleepMs(milliseconds);
    }
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::int64_t deadline) override
    {
        clock_.WaitUntil(cv, lock, deadline);
    }
    bool mounted() const { return mount_ != nullptr; }

private:
    std::string volume_;
    char letter_;
    platform::VirtualClock clock_;
    platform::ClockSource* previous_;
    std::unique_ptr<ntfs_checks::MountedVolume> mount_;
};

struct DiskCase {
    const char* name;
    std::uint8_t fsType;
    std::uint32_t totalSectors;
    std::int32_t status;
};

class NtfsDisk : public ::testing::TestWithParam<DiskCase> {};

TEST_P(NtfsDisk, BuildsOnThePhysicalDisk)
{
    const DiskCase& row = GetParam();
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk(row.name, std::uint64_t{kSectors} * 512);
    ASSERT_TRUE(disk.ok()) << disk.error();
    int number = disk.diskNumber();
    ASSERT_GE(number, 0);
    bool mbr = (row.fsType & kMbr) != 0;
    FsBuildParams params{};
    params.u8FsType = row.fsType;
    params.u32TotalSector = row.totalSectors;
    params.i32BytesPerSector = 512;
    params.pszLabel = "DISK";
    bool copy = (row.fsType & kCopy) != 0;
    std::string source = ::testing::TempDir() + "ntfs_disk_source_" + std::to_string(::getpid());
    fs::remove_all(source);
    fs::create_directories(source + "/Folder/Inner");
    std::ofstream(source + "/Folder/Inner/note.txt") << "inner";
    std::ofstream(source + "/top.bin", std::ios::binary) << std::string(3 * 1024 * 1024 + 7, 'x');
    params.pszSourcePath = source.c_str();
    auto clock = copy ? std::make_unique<MountingClock>(disk.node(), disk.driveLetter()) : nullptr;
    int result = Library().BuildPhyDiskFileSystem(&params, number);
    // The clock's mount, which the copy went through, ends; the volume is read again afresh.
    if (clock) {
        EXPECT_TRUE(clock->mounted()) << "the new volume was never mounted";
    }
    clock.reset();
    if (copy && row.status == 0) {
        ntfs_checks::MountedVolume mount(disk.node(), true);
        EXPECT_TRUE(mount.mounted()) << mount.error();
        if (mount.mounted()) {
            EXPECT_EQ(RunTool({"diff", "-r", source, mount.path()}).output, "");
        }
    }
    fs::remove_all(source); // before any check can end the test
    EXPECT_EQ(result, row.status == 0 ? 0 : 1);
    EXPECT_EQ(params.i32Status, row.status);
    EXPECT_EQ(params.u8Progress, 100);
    if (row.status != 0)
        return;
    if (mbr) {
        EXPECT_NE(RunTool({"sfdisk", "--dump", disk.node()})
                      .output.find("start=          32, size=      262112, type=7, bootable"),
                  std::string::npos);
    }
    // Loop devices here get no partition nodes: the partition is reached through its own loop.
    LoopDevice partition(disk.image(), mbr ? 32 * 512 : 0, 0, 512, false);
    ASSERT_TRUE(partition.ok()) << partition.error();
    EXPECT_TRUE(ntfs_checks::ToolsAccept(partition.node()));
    EXPECT_TRUE(ntfs_checks::InfoMatches(partition.node(), {"DISK", 512, 512, (kSectors - (mbr ? 33 : 1))}));
}

const DiskCase kDisks[] = {
    {"whole_disk", kNtfs, kSectors, 0},
    {"behind_mbr", kNtfs | kMbr, kSectors, 0},
    {"copied_tree", kNtfs | kCopy, kSectors, 0},
};

INSTANTIATE_TEST_SUITE_P(Disks, NtfsDisk, ::testing::ValuesIn(kDisks),
                         [](const auto& info) { return std::string(info.param.name); });

// The room check counts file sizes, not the clusters they take: files one byte longer than a
// cluster pass it yet need twice their size. The copy runs out of room on the built volume,
// and the build says so: a station must not take a half-copied LUN for a good one.
TEST(NtfsCopy, ACopyBeyondTheFreeSpaceFailsTheBuild)
{
    ASSERT_TRUE(Library().loaded()) << Library().error();
    constexpr std::uint32_t kSmallDisk = 32768; // 16 MiB: 256 clusters of 64 KiB
    constexpr std::uintmax_t kFileBytes = 64 * 1024 + 1;
    constexpr int kFiles = 200; // 400 clusters of data; 12.5 MiB counted by the check
    TestDisk disk("ntfs_copy_full", std::uint64_t{kSmallDisk} * 512);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string source = ::testing::TempDir() + "ntfs_full_source_" + std::to_string(::getpid());
    fs::remove_all(source);
    fs::create_directories(source);
    for (int i = 0; i < kFiles; ++i) {
        std::string file = source + "/f" + std::to_string(i) + ".bin";
        std::ofstream(file).close();
        fs::resize_file(file, kFileBytes); // sparse: the source costs no space of its own
    }
    FsBuildParams params{};
    params.u8FsType = kNtfs | kCopy;
    params.u32TotalSector = kSmallDisk;
    params.i32BytesPerSector = 512;
    params.u8ClusterExp = 7;
    params.pszSourcePath = source.c_str();
    int result;
    {
        MountingClock clock(disk.node(), disk.driveLetter());
        result = Library().BuildPhyDiskFileSystem(&params, disk.diskNumber());
        EXPECT_TRUE(clock.mounted()) << "the new volume was never mounted";
    }
    fs::remove_all(source);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(params.i32Status, 1) << "not 35: the tree passed the room check; 1: the copy did not complete";
    {
        ntfs_checks::MountedVolume mount(disk.node(), true);
        ASSERT_TRUE(mount.mounted()) << mount.error();
        int whole = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(mount.path()))
            whole += entry.is_regular_file() && entry.file_size() == kFileBytes;
        EXPECT_LT(whole, kFiles) << "the volume had room for the whole tree";
    }
    EXPECT_TRUE(ntfs_checks::ToolsAccept(disk.node()));
}

struct RefusalCase {
    const char* name;
    bool onDrive;            // knlfs_BuildDriveFileSystem, else knlfs_BuildPhyDiskFileSystem
    std::uint32_t totalSectors;
    std::int32_t bytesPerSector;
    std::uint8_t clusterExp;
    bool mounted;            // the disk carries a volume in use
};

class NtfsRefusal : public ::testing::TestWithParam<RefusalCase> {};

std::string Snapshot(const std::string& image)
{
    std::ifstream in(image, std::ios::binary);
    std::string bytes(2 << 20, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

TEST_P(NtfsRefusal, LeavesTheDiskAsItWas)
{
    const RefusalCase& row = GetParam();
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk(row.name, std::uint64_t{kSectors} * 512);
    ASSERT_TRUE(disk.ok()) << disk.error();
    if (row.mounted) {
        ASSERT_FALSE(disk.MountNtfs().empty());
    } else {
        // An old partition table and boot sector that a refused build must not touch.
        int fd = ::open(disk.node().c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        std::string pattern(2 << 20, '\xA5');
        EXPECT_EQ(::pwrite(fd, pattern.data(), pattern.size(), 0), static_cast<ssize_t>(pattern.size()));
        ::fsync(fd);
        ::close(fd);
    }
    std::string before = Snapshot(disk.image());
    FsBuildParams params{};
    params.u8FsType = kNtfs | kMbr;
    params.u32TotalSector = row.totalSectors;
    params.i32BytesPerSector = row.bytesPerSector;
    params.u8ClusterExp = row.clusterExp;
    platform::ScopedVirtualClock clock; // the lock's retries
    int result = row.onDrive ? Library().BuildDriveFileSystem(&params, disk.driveLetter())
                             : Library().BuildPhyDiskFileSystem(&params, disk.diskNumber());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(params.i32Status, 1);
    EXPECT_EQ(params.u8Progress, 100);
    EXPECT_TRUE(Snapshot(disk.image()) == before) << "the disk was written to";
}

const RefusalCase kRefusals[] = {
    {"larger_than_the_disk", false, 2 * kSectors, 512, 0, false},
    {"larger_in_4096_byte_sectors", false, kSectors / 4, 4096, 0, false},
    {"drive_larger_than_its_disk", true, 2 * kSectors, 512, 0, false},
    {"clusters_smaller_than_a_sector", false, kSectors / 8, 4096, 1, false},
    {"volume_in_use", false, kSectors, 512, 0, true},
    {"drive_in_use", true, kSectors, 512, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Disks, NtfsRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// The drive's volume is released as the end of every build releases it: dismounted, the
// shell told that its medium changed, unlocked.
TEST(NtfsDrive, FormatsTheDriveAndReleasesIt)
{
    ASSERT_TRUE(Library().loaded()) << Library().error();
    TestDisk disk("ntfs_drive", std::uint64_t{kSectors} * 512);
    ASSERT_TRUE(disk.ok()) << disk.error();
    char letter = disk.driveLetter();
    ASSERT_NE(letter, 0);
    std::vector<std::string> lines;
    auto previous = platform::SetDebugSink([&](std::string_view line) { lines.emplace_back(line); });
    FsBuildParams params{};
    params.u8FsType = kNtfs;
    params.u32TotalSector = kSectors;
    params.i32BytesPerSector = 512;
    params.pszLabel = "DRIVE";
    int result = Library().BuildDriveFileSystem(&params, letter);
    platform::SetDebugSink(previous);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(params.i32Status, 0);
    std::string notice = std::string("SHChangeNotify(0x00000040, ") + letter + ":\\)";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line.find(notice) != std::string::npos; }))
        << "the shell hears of the new medium";
    EXPECT_TRUE(ntfs_checks::ToolsAccept(disk.node()));
    EXPECT_TRUE(ntfs_checks::InfoMatches(disk.node(), {"DRIVE", 512, 512, kSectors - 1}));
}

} // namespace
