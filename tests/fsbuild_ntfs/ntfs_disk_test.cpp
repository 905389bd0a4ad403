// NTFS builds onto a physical disk (a loop device) through knlfs_BuildPhyDiskFileSystem,
// with and without a master boot record, judged by sfdisk and the ntfs-3g tools; and with
// the copy step, which needs the new volume mounted before it copies: a helper thread mounts
// it through ntfs-3g once the format is complete, as the system's automount would.
#include "fsbuild/fs_build_params.h"
#include "ntfs_checks.h"
#include "loop_device.h"
#include "test_disk.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
constexpr std::uint8_t kNtfs = 4, kCopy = 0x40, kMbr = 0x80;
constexpr std::uint32_t kSectors = 262144; // 128 MiB

using BuildOnDisk = int (*)(FsBuildParams*, int);

BuildOnDisk LoadBuildOnDisk()
{
    static void* library = ::dlopen((fs::read_symlink("/proc/self/exe").parent_path() / "Volkiln.dll").c_str(), RTLD_NOW);
    return library == nullptr ? nullptr
                              : reinterpret_cast<BuildOnDisk>(::dlsym(library, "knlfs_BuildPhyDiskFileSystem"));
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

// Mounts the disk's volume as soon as its format is complete, until stopped.
class Automount {
public:
    explicit Automount(const std::string& volume)
        : thread_([this, volume] {
              while (!stop_) {
                  if (FormatComplete(volume)) {
                      auto mount = std::make_unique<ntfs_checks::MountedVolume>(volume);
                      if (mount->mounted()) {
                          mount_ = std::move(mount);
                          return;
                      }
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
          })
    {
    }
    ~Automount() { Stop(); }
    ntfs_checks::MountedVolume* Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return mount_.get();
    }

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<ntfs_checks::MountedVolume> mount_;
    std::thread thread_;
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
    BuildOnDisk build = LoadBuildOnDisk();
    ASSERT_NE(build, nullptr) << ::dlerror();
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
    std::unique_ptr<Automount> automount = copy ? std::make_unique<Automount>(disk.node()) : nullptr;
    int result = build(&params, number);
    // The end of a mode-2 build dismounts the volume it copied to; it is read again afresh.
    if (automount) {
        EXPECT_NE(automount->Stop(), nullptr) << "the new volume was never mounted";
    }
    automount.reset();
    if (copy && row.status == 0) {
        ntfs_checks::MountedVolume mount(disk.node(), true);
        ASSERT_TRUE(mount.mounted()) << mount.error();
        EXPECT_EQ(RunTool({"diff", "-r", source, mount.path()}).output, "");
    }
    fs::remove_all(source);
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
    {"larger_than_the_disk", kNtfs, 2 * kSectors, 1}, // refused when the formatter opens the disk
    {"copied_tree", kNtfs | kCopy, kSectors, 0},
};

INSTANTIATE_TEST_SUITE_P(Disks, NtfsDisk, ::testing::ValuesIn(kDisks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
