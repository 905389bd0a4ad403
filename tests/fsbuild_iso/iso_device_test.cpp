// ISO builds onto a LUN inside a real block device: the volume lands at the LUN's start
// sector, counted in 512-byte sectors, and nothing outside the LUN changes.
#include "iso_checks.h"
#include "loop_disk.h"
#include "scratch_folder.h"
#include "source_fixture.h"
#include "volkiln_exports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using namespace iso9660::testing;

namespace {

constexpr std::uint64_t kDiskBytes = 32ull << 20;
constexpr std::uint32_t kLunStart = 2049; // not a whole number of 2048-byte blocks
constexpr char kFill = '\xEE';

std::vector<char> ReadBytes(const std::string& path, std::uint64_t offset, std::uint64_t count)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> bytes(count);
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::uint32_t Le32(const std::vector<char>& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

bool AllFill(const std::vector<char>& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == kFill; });
}

enum class Target { Drive, Disk };

struct DeviceCase {
    const char* what;
    Target target;
    std::uint32_t lunSectors;
    std::int32_t status;
};

class IsoDeviceTest : public ::testing::TestWithParam<DeviceCase> {
protected:
    void SetUp() override
    {
        std::ofstream(backing_, std::ios::binary) << std::string(kDiskBytes, kFill);
        MakeSourceTree(source_);
    }

    int Build(const LoopDisk& disk, const DeviceCase& c)
    {
        params_ = IsoBuildParams("LUN", source_.c_str(), nullptr, c.lunSectors);
        params_.u32DevStartSector = kLunStart;
        return c.target == Target::Drive ? knlfs_BuildDriveFileSystem(&params_, disk.Letter())
                                         : knlfs_BuildPhyDiskFileSystem(&params_, disk.Number());
    }

    ScratchFolder work_{"iso_device_test"};
    std::string backing_ = work_ / "disk.img";
    std::string source_ = work_ / "source";
    FsBuildParams params_{};
};

} // namespace

TEST_P(IsoDeviceTest, VolumeStaysInsideItsLun)
{
    const DeviceCase& c = GetParam();
    std::uint64_t lunOffset = std::uint64_t{kLunStart} * 512;
    std::uint64_t lunEnd = lunOffset + std::uint64_t{c.lunSectors} * 512;
    {
        LoopDisk disk(backing_);
        if (!disk.attached())
            GTEST_SKIP() << "no loop device: " << disk.error();
        Build(disk, c);
    }
    ASSERT_EQ(params_.i32Status, c.status);
    EXPECT_TRUE(AllFill(ReadBytes(backing_, 0, lunOffset))) << "the neighbour before the LUN was overwritten";
    EXPECT_TRUE(AllFill(ReadBytes(backing_, lunEnd, kDiskBytes - lunEnd))) << "the neighbour after the LUN was overwritten";
    if (c.status != 0) {
        EXPECT_TRUE(AllFill(ReadBytes(backing_, lunOffset, lunEnd - lunOffset))) << "a refused build wrote to the LUN";
        return;
    }
    std::vector<char> descriptor = ReadBytes(backing_, lunOffset + 16 * 2048, 2048);
    std::uint64_t volumeBytes = std::uint64_t{Le32(descriptor, 80)} * 2048;
    ASSERT_LE(volumeBytes, lunEnd - lunOffset);
    std::string slice = work_ / "lun.iso";
    std::vector<char> volume = ReadBytes(backing_, lunOffset, volumeBytes);
    std::ofstream(slice, std::ios::binary).write(volume.data(), static_cast<std::streamsize>(volume.size()));
    ExpectVolumeHoldsTree(slice, source_, work_ / "extracted");
}

INSTANTIATE_TEST_SUITE_P(Cases, IsoDeviceTest,
    ::testing::Values(DeviceCase{"disk", Target::Disk, 20000, 0},
                      DeviceCase{"drive", Target::Drive, 20000, 0},
                      // the tree needs about 5.6 MiB: a 4 MiB LUN cannot hold it
                      DeviceCase{"lunTooSmall", Target::Disk, 8192, 35}),
    [](const auto& info) { return std::string(info.param.what); });
