// The copy step of an NTFS build on a real NTFS volume (mkntfs on a loop device, mounted
// through ntfs-3g): every file arrives, and a copy that cannot finish is reported.
#include "fsbuild/core/copy_tree.h"
#include "fsbuild/core/status.h"
#include "fsbuild/core/volume_access.h"
#include "test_disk.h"
#include "tool_runner.h"

#include "platform/clock/clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class CopyTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source_ = fs::path(::testing::TempDir()) / ("copy_source_" + std::to_string(::getpid()));
        fs::remove_all(source_);
        fs::create_directories(source_ / "nested" / "deeper");
        fs::create_directories(source_ / "empty folder");
        std::ofstream(source_ / "top.txt") << "top";
        std::ofstream(source_ / "Top.TXT") << "differs only in case";
        std::ofstream(source_ / "nested" / "deeper" / "leaf.bin") << std::string(300000, 'x');
        std::ofstream(source_ / "empty.dat").close();
        ResetBuildContext(ctx_);
        ctx_.u64NeededBytes = 3 + 20 + 300000;
        ctx_.pu8Progress = &progress_;
        ctx_.strSourcePath = source_.string();
    }
    void TearDown() override { fs::remove_all(source_); }

    fs::path source_;
    FsBuildContext ctx_;
    std::uint8_t progress_ = 0;
};

} // namespace

TEST_F(CopyTreeTest, EveryFileArrivesOnTheDrive)
{
    TestDisk disk("copy_tree", 64ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string mountPoint = disk.MountNtfs();
    ASSERT_FALSE(mountPoint.empty());
    std::string root = std::string(1, disk.driveLetter()) + ":\\";
    ASSERT_TRUE(CopySourceTree(ctx_, source_.string(), root));
    ToolResult diff = RunTool({"diff", "-r", source_.string(), mountPoint});
    EXPECT_EQ(diff.exitCode, 0) << diff.output;
    EXPECT_EQ(ctx_.u64DoneBytes, 3u + 20 + 300000);
    EXPECT_EQ(progress_, 95);
    EXPECT_TRUE(CopySourceTree(ctx_, source_.string(), root + "again\\below")) << "missing parents are created";
    EXPECT_TRUE(fs::exists(mountPoint + "/again/below/nested/deeper/leaf.bin"));
}

TEST_F(CopyTreeTest, ACopyThatCannotFinishFailsTheStep)
{
    TestDisk disk("copy_tree_full", 4ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    ASSERT_FALSE(disk.MountNtfs().empty());
    std::ofstream(source_ / "too_large.bin") << std::string(8 << 20, 'L');
    std::string root = std::string(1, disk.driveLetter()) + ":\\";
    EXPECT_FALSE(CopySourceTree(ctx_, source_.string(), root)) << "the disk is full";
    EXPECT_FALSE(CopySourceTree(ctx_, (source_ / "missing").string(), root));
}

TEST_F(CopyTreeTest, TheBuiltVolumesDriveIsFoundByItsDisk)
{
    TestDisk disk("copy_tree_disk", 64ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::string mountPoint = disk.MountNtfs();
    ASSERT_FALSE(mountPoint.empty());
    ctx_.u8CreateWay = kCreateOnDisk;
    ctx_.i32DriveOrDisk = disk.diskNumber();
    EXPECT_EQ(FindDriveLetterOfDisk(disk.diskNumber()), disk.driveLetter());
    EXPECT_EQ(CopySourceToBuiltVolume(ctx_), kStatusSuccess);
    EXPECT_TRUE(fs::exists(mountPoint + "/nested/deeper/leaf.bin"));

    ctx_.u8CreateWay = kCreateImageFile;
    EXPECT_EQ(CopySourceToBuiltVolume(ctx_), kStatusFailed) << "an image file has no drive to copy to";

    platform::ScopedVirtualClock clock;
    ctx_.u8CreateWay = kCreateOnDisk;
    ctx_.i32DriveOrDisk = 98;
    EXPECT_EQ(CopySourceToBuiltVolume(ctx_), kStatusFailed) << "a disk without a lettered volume";
    EXPECT_EQ(clock.clock().SleptTotal(), 10 * 300 * 10'000) << "11 rounds, 300 ms apart";
    disk.Unmount();
    EXPECT_EQ(FindDriveLetterOfDisk(disk.diskNumber()), static_cast<char>(0xFF))
        << "lettered but not mounted: nothing to copy to yet";
}
