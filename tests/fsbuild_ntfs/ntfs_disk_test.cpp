// NTFS builds onto a physical disk (a loop device) through knlfs_BuildPhyDiskFileSystem,
// with and without a master boot record, judged by sfdisk and the ntfs-3g tools.
#include "fsbuild/fs_build_params.h"
#include "ntfs_checks.h"
#include "platform/storage/disk_numbers.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
constexpr std::uint8_t kNtfs = 4, kMbr = 0x80;
constexpr std::uint32_t kSectors = 262144; // 128 MiB

using BuildOnDisk = int (*)(FsBuildParams*, int);

BuildOnDisk LoadBuildOnDisk()
{
    static void* library = ::dlopen((fs::read_symlink("/proc/self/exe").parent_path() / "Volkiln.so").c_str(), RTLD_NOW);
    return library == nullptr ? nullptr
                              : reinterpret_cast<BuildOnDisk>(::dlsym(library, "knlfs_BuildPhyDiskFileSystem"));
}

std::string Shell(const std::vector<std::string>& argv)
{
    return ntfs_checks::RunTool(argv).output;
}

// A loop device over an image file, or over the part of it from `offset` on.
class Loop {
public:
    explicit Loop(const std::string& image, std::uint64_t offset = 0)
    {
        std::string output = Shell({"losetup", "--find", "--show", "--offset", std::to_string(offset), image});
        if (output.rfind("/dev/loop", 0) == 0)
            node_ = output.substr(0, output.find('\n'));
    }
    ~Loop()
    {
        if (!node_.empty())
            Shell({"losetup", "--detach", node_});
    }
    const std::string& node() const { return node_; }

private:
    std::string node_;
};

// A sparse image file behind a loop device: a test disk.
class LoopDisk {
public:
    explicit LoopDisk(const std::string& name)
        : image_(::testing::TempDir() + name + "_" + std::to_string(::getpid()) + ".img")
    {
        std::ofstream(image_, std::ios::trunc).close();
        fs::resize_file(image_, std::uint64_t{kSectors} * 512);
        loop_ = std::make_unique<Loop>(image_);
    }
    ~LoopDisk()
    {
        loop_.reset();
        fs::remove(image_);
    }
    const std::string& image() const { return image_; }
    const std::string& node() const { return loop_->node(); }
    int DiskNumber() const
    {
        struct stat info;
        if (node().empty() || ::stat(node().c_str(), &info) != 0)
            return -1;
        return platform::storage::DiskNumberOfDevice(info.st_rdev).value_or(-1);
    }

private:
    std::string image_;
    std::unique_ptr<Loop> loop_;
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
    LoopDisk disk(row.name);
    ASSERT_FALSE(disk.node().empty());
    int number = disk.DiskNumber();
    ASSERT_GE(number, 0);
    bool mbr = (row.fsType & kMbr) != 0;
    FsBuildParams params{};
    params.u8FsType = row.fsType;
    params.u32TotalSector = row.totalSectors;
    params.i32BytesPerSector = 512;
    params.pszLabel = "DISK";
    int result = build(&params, number);
    EXPECT_EQ(result, row.status == 0 ? 0 : 1);
    EXPECT_EQ(params.i32Status, row.status);
    EXPECT_EQ(params.u8Progress, 100);
    if (row.status != 0)
        return;
    if (mbr) {
        EXPECT_NE(Shell({"sfdisk", "--dump", disk.node()}).find("start=          32, size=      262112, type=7, bootable"),
                  std::string::npos);
    }
    // Loop devices here get no partition nodes: the partition is reached through its own loop.
    Loop partition(disk.image(), mbr ? 32 * 512 : 0);
    ASSERT_FALSE(partition.node().empty());
    EXPECT_TRUE(ntfs_checks::ToolsAccept(partition.node()));
    EXPECT_TRUE(ntfs_checks::InfoMatches(partition.node(), {"DISK", 512, 512, (kSectors - (mbr ? 33 : 1))}));
}

const DiskCase kDisks[] = {
    {"whole_disk", kNtfs, kSectors, 0},
    {"behind_mbr", kNtfs | kMbr, kSectors, 0},
    {"larger_than_the_disk", kNtfs, 2 * kSectors, 1}, // refused when the formatter opens the disk
};

INSTANTIATE_TEST_SUITE_P(Disks, NtfsDisk, ::testing::ValuesIn(kDisks),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
