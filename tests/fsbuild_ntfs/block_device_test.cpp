// The block-device layer on an image file: byte positions inside the partition, whole
// sectors underneath, and the C-runtime error numbers of its refusals.
#include "fsbuild/ntfs/block_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

class BlockDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Its own file: the release and sanitizer builds' runs may share the folder.
        path_ = ::testing::TempDir() + "ntfs_block_device_" + std::to_string(::getpid()) + ".img";
        Fill(std::vector<std::uint8_t>(kFileBytes, 0xAA));
        options_.deviceName = path_;
        options_.sectorSize = 512;
        options_.sectors = 8;
        options_.hiddenSectors = 0;
        options_.io.progress = [this](std::uint64_t bytes) { written_ += bytes; };
        device_.name = path_;
        device_.ops = &ntfs::Win32DeviceOps;
        device_.options = &options_;
    }
    void TearDown() override
    {
        if (device_.flags & ntfs::kDeviceOpen)
            device_.ops->close(device_);
        std::remove(path_.c_str());
    }
    void Fill(const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::vector<std::uint8_t> Contents()
    {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Open(int access = ntfs::kAccessReadWrite) { ASSERT_EQ(device_.ops->open(device_, access), 0); }

    static constexpr std::size_t kFileBytes = 2 * 1024 * 1024;
    std::string path_;
    ntfs::NtfsOptions options_;
    ntfs::NtfsDevice device_;
    std::uint64_t written_ = 0;
};

TEST_F(BlockDevice, UnalignedWriteKeepsTheRestOfItsSector)
{
    Open();
    ASSERT_EQ(device_.ops->seek(device_, 700, SEEK_SET), 700);
    std::vector<std::uint8_t> patch(100, 0x11);
    ASSERT_EQ(device_.ops->write(device_, patch.data(), 100), 100);
    EXPECT_EQ(device_.ops->seek(device_, 0, SEEK_CUR), 800);
    EXPECT_EQ(written_, 512u) << "one sector went out: sector 1, read back and patched";
    std::vector<std::uint8_t> file = Contents();
    for (std::size_t at = 0; at < 4096; ++at)
        ASSERT_EQ(file[at], (at >= 700 && at < 800) ? 0x11 : 0xAA) << "byte " << at;

    std::vector<std::uint8_t> back(130);
    ASSERT_EQ(device_.ops->seek(device_, 690, SEEK_SET), 690);
    ASSERT_EQ(device_.ops->read(device_, back.data(), 130), 130);
    for (std::size_t at = 0; at < back.size(); ++at)
        ASSERT_EQ(back[at], (at >= 10 && at < 110) ? 0x11 : 0xAA) << "byte " << at;
}

TEST_F(BlockDevice, PositionsCountFromTheDeviceStartAndThePartition)
{
    // 2048 device-start sectors of 512 bytes, then one hidden sector of the volume's 4096.
    options_.io.startOffset = 2048 * 512;
    options_.sectorSize = 4096;
    options_.hiddenSectors = 1;
    options_.sectors = 16;
    Open();
    alignas(512) std::uint8_t sector[512];
    std::fill(std::begin(sector), std::end(sector), 0x5C);
    ASSERT_EQ(device_.ops->write(device_, sector, sizeof sector), 512);
    std::vector<std::uint8_t> file = Contents();
    std::size_t start = 1024 * 1024 + 4096;
    EXPECT_EQ(file[start - 1], 0xAA);
    EXPECT_EQ(file[start], 0x5C);
    EXPECT_EQ(file[start + 511], 0x5C);
    EXPECT_EQ(file[start + 512], 0xAA);
    ntfs::NtfsDeviceStat status{};
    ASSERT_EQ(device_.ops->stat(device_, status), 0);
    EXPECT_EQ(status.type, ntfs::NtfsDeviceType::BlockDevice);
    EXPECT_EQ(status.size, 16 * 4096);
    EXPECT_EQ(status.blocks, 16 * 8);
}

TEST_F(BlockDevice, LargeWritesGoOutInPieces)
{
    options_.sectors = 4096;
    Open();
    std::vector<std::uint8_t> data(300 * 1024, 0x3C);
    ASSERT_EQ(device_.ops->seek(device_, 4096, SEEK_SET), 4096);
    ASSERT_EQ(device_.ops->write(device_, data.data(), static_cast<std::int64_t>(data.size())),
              static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(written_, data.size());
    std::vector<std::uint8_t> file = Contents();
    EXPECT_EQ(std::count(file.begin(), file.end(), 0x3C), static_cast<std::ptrdiff_t>(data.size()));
    EXPECT_EQ(file[4096], 0x3C);
    EXPECT_EQ(device_.ops->sync(device_), 0);
}

TEST_F(BlockDevice, RefusalsSetTheirErrorNumbersAndLeaveTheTargetAlone)
{
    Open(ntfs::kAccessRead);
    std::uint8_t byte = 0;
    errno = 0;
    EXPECT_EQ(device_.ops->write(device_, &byte, 1), -1);
    EXPECT_EQ(errno, EROFS) << "opened for reading";
    EXPECT_EQ(device_.ops->open(device_, ntfs::kAccessRead), -1);
    EXPECT_EQ(errno, EBUSY) << "already open";
    EXPECT_EQ(device_.ops->ioctl(device_, 0, nullptr), -1);
    EXPECT_EQ(errno, EFAULT);

    struct SeekCase {
        std::int64_t offset;
        int whence;
        std::int64_t result;
    };
    const SeekCase seeks[] = {
        {4096, SEEK_SET, 4096}, {4097, SEEK_SET, -1}, {-1, SEEK_SET, -1}, {-96, SEEK_END, 4000}, {97, SEEK_CUR, -1},
    };
    for (const SeekCase& row : seeks) {
        errno = 0;
        EXPECT_EQ(device_.ops->seek(device_, row.offset, row.whence), row.result) << row.offset << "/" << row.whence;
        if (row.result < 0) {
            EXPECT_EQ(errno, EINVAL);
        }
    }
    ASSERT_EQ(device_.ops->close(device_), 0);

    Open();
    ASSERT_EQ(device_.ops->seek(device_, 4000, SEEK_SET), 4000);
    std::vector<std::uint8_t> tooMuch(200, 0x77);
    EXPECT_EQ(device_.ops->write(device_, tooMuch.data(), 200), -1) << "past the partition's end";
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(Contents(), std::vector<std::uint8_t>(kFileBytes, 0xAA));
    EXPECT_EQ(written_, 0u);
}

TEST_F(BlockDevice, OpenFailsForAMissingTargetOrUnsetOptions)
{
    device_.name = ::testing::TempDir() + "no-such-folder/image.img";
    EXPECT_EQ(device_.ops->open(device_, ntfs::kAccessReadWrite), -1);
    device_.name = path_;
    options_.sectors = -1;
    EXPECT_EQ(device_.ops->open(device_, ntfs::kAccessReadWrite), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(device_.flags, 0u);
}

} // namespace
