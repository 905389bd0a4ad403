// ISO builds onto a LUN inside a real block device: the volume lands at the LUN's start
// sector, counted in 512-byte sectors, and nothing outside the LUN changes.
#include "build_case.h"
#include "iso_checkers.h"
#include "test_disk.h"
#include "volkiln_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

namespace {

constexpr std::uint64_t kDiskBytes = 32ull << 20;
constexpr std::uint32_t kLunStart = 2049; // not a whole number of 2048-byte blocks
constexpr char kFill = '\xEE';

enum class Target { Drive, Disk };

struct DeviceCase {
    const char* name;
    Target target;
    std::uint32_t lunSectors;
    std::int32_t status;
};

std::string DeviceBytes(const std::string& node, std::uint64_t offset, std::uint64_t count)
{
    std::ifstream in(node, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool AllFill(const std::string& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == kFill; });
}

class IsoDeviceTest : public ::testing::TestWithParam<DeviceCase> {};

} // namespace

TEST_P(IsoDeviceTest, VolumeStaysInsideItsLun)
{
    const DeviceCase& c = GetParam();
    static VolkilnLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    TestDisk disk(c.name, kDiskBytes);
    ASSERT_TRUE(disk.ok()) << disk.error();
    std::ofstream(disk.node(), std::ios::binary) << std::string(kDiskBytes, kFill);

    BuildCase row{c.name, kIso | kCopy, c.lunSectors, 512, 0, 0, kLunStart, "LUN", Tree::Mixed, c.status, 0, &kIsoChecks};
    std::string source = SourceTreePath(row.tree);
    FsBuildParams params = ParamsFor(row, source, "");
    int result = c.target == Target::Drive ? library.BuildDriveFileSystem(&params, disk.driveLetter())
                                           : library.BuildPhyDiskFileSystem(&params, disk.diskNumber());
    EXPECT_EQ(result, c.status == 0 ? 0 : 1);
    ASSERT_EQ(std::int32_t{params.i32Status}, c.status);

    std::uint64_t lunOffset = std::uint64_t{kLunStart} * 512;
    std::uint64_t lunEnd = lunOffset + std::uint64_t{c.lunSectors} * 512;
    EXPECT_TRUE(AllFill(DeviceBytes(disk.node(), 0, lunOffset))) << "the neighbour before the LUN was overwritten";
    EXPECT_TRUE(AllFill(DeviceBytes(disk.node(), lunEnd, kDiskBytes - lunEnd))) << "the neighbour after the LUN was overwritten";
    if (c.status != 0) {
        EXPECT_TRUE(AllFill(DeviceBytes(disk.node(), lunOffset, lunEnd - lunOffset))) << "a refused build wrote to the LUN";
        return;
    }
    BuiltImage built{row, disk.image(), source, lunOffset, lunOffset, 512};
    for (Checker check : kIsoChecks)
        EXPECT_TRUE(check(built));
}

INSTANTIATE_TEST_SUITE_P(Loop, IsoDeviceTest,
    ::testing::Values(DeviceCase{"iso_lun_on_disk", Target::Disk, 20000, 0},
                      DeviceCase{"iso_lun_on_drive", Target::Drive, 20000, 0},
                      // the tree needs about 5.5 MiB: a 4 MiB LUN cannot hold it
                      DeviceCase{"iso_lun_too_small", Target::Disk, 8192, 35}),
    [](const auto& info) { return std::string(info.param.name); });
