// Volume geometry of the formatter: cluster size, cluster count, log size and where the
// MFT and its mirror go, at the size rules' boundaries.
#include "fsbuild/ntfs/ntfs_volume.h"
#include "fsbuild/ntfs/runlist.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* name;
    std::int64_t sectors;
    std::int64_t sectorSize;
    std::int64_t clusterSize; // −1 automatic
    std::int64_t expectedCluster;
    std::int64_t expectedClusters;
    std::int64_t expectedLog;
    std::int64_t expectedMftLcn;
};

constexpr std::int64_t MiB = 1 << 20;

const LayoutCase kLayouts[] = {
    {"100MiB", 204800, 512, -1, 512, 204799, 2 * MiB, 32},
    {"smallest", 2049, 512, -1, 512, 2048, 256 * 1024, 32},
    {"below2MiB", 4000, 512, -1, 512, 3999, 256 * 1024, 32},
    {"below4000000", 7000, 512, -1, 512, 6999, 512 * 1024, 32},
    {"200MiB", 409601, 512, -1, 512, 409600, 2 * MiB, 32},
    {"above200MiB", 409602, 512, -1, 512, 409601, 1048576, 32}, // V / 200, whole clusters
    {"lastOneSectorCluster", 1050624, 512, -1, 512, 1050623, 2689536, 32},
    {"firstTwoSectorCluster", 1050625, 512, -1, 1024, 525312, 2689024, 16},
    {"fourSectorClusters", 2097153, 512, -1, 2048, 524288, 5367808, 8},
    {"eightSectorClusters", 4194305, 512, -1, 4096, 524288, 10735616, 4},
    {"4GiB", 8388608, 512, -1, 4096, 1048575, 21471232, 4},
    {"16GiB", 33554432, 512, -1, 4096, 4194303, 64 * MiB, 4},
    {"requestedLargest", 204800, 512, 65536, 65536, 1599, 2 * MiB, 2},
    {"sectors4096", 262144, 4096, -1, 4096, 262143, 5365760, 4},
    {"sectors4096Table", 2097153, 4096, -1, 16384, 524288, 42942464, 2},
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, FollowsTheSizeRules)
{
    const LayoutCase& row = GetParam();
    ntfs::NtfsOptions options;
    options.sectors = row.sectors;
    options.sectorSize = row.sectorSize;
    options.clusterSize = row.clusterSize;
    ntfs::NtfsVolume volume;
    ASSERT_TRUE(ntfs::SetNtfsVolumeParams(volume, options) && ntfs::InitNtfsBitmaps(volume) &&
                ntfs::InitMftRunlists(volume) && ntfs::InitLogFileRunlist(volume) && ntfs::InitBootRunlist(volume));
    EXPECT_EQ(volume.clusterSize, row.expectedCluster);
    EXPECT_EQ(volume.clusters, row.expectedClusters);
    EXPECT_EQ(volume.logFileSize, row.expectedLog);
    EXPECT_EQ(volume.mftLcn, row.expectedMftLcn);
    EXPECT_EQ(volume.mftMirrLcn, (row.sectors - 1) * row.sectorSize / 2 / volume.clusterSize);
    EXPECT_EQ(volume.logFileLcn, volume.mftMirrLcn + volume.mftMirrRuns[0].length);
    EXPECT_GE(volume.mftMirrRecords, 4u);
    EXPECT_EQ(volume.mftRecordSize, std::max<std::int64_t>(1024, row.sectorSize));
    EXPECT_EQ(volume.indexRecordSize, std::max<std::int64_t>(4096, row.sectorSize));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Layout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::int64_t sectors;
    std::int64_t sectorSize;
    std::int64_t clusterSize;
};

const RefusedCase kRefused[] = {
    {"belowOneMiB", 2048, 512, -1},
    {"clusterBelowSector", 262144, 4096, 1024},
    {"clusterAbove64KiB", 204800, 512, 131072},
    {"clusterNotPowerOfTwo", 204800, 512, 3072},
    {"sectorSize1000", 204800, 1000, -1},
};

class Refused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(Refused, FailsBeforeAnythingIsLaidOut)
{
    ntfs::NtfsOptions options;
    options.sectors = GetParam().sectors;
    options.sectorSize = GetParam().sectorSize;
    options.clusterSize = GetParam().clusterSize;
    ntfs::NtfsVolume volume;
    EXPECT_FALSE(ntfs::SetNtfsVolumeParams(volume, options));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Refused, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Layout, SystemStreamsTakeDistinctClustersAndAllocationWraps)
{
    ntfs::NtfsOptions options;
    options.sectors = 2049;
    options.sectorSize = 512;
    ntfs::NtfsVolume volume;
    ASSERT_TRUE(ntfs::SetNtfsVolumeParams(volume, options) && ntfs::InitNtfsBitmaps(volume) &&
                ntfs::InitMftRunlists(volume) && ntfs::InitLogFileRunlist(volume) && ntfs::InitBootRunlist(volume));
    // Taking starts at the MFT zone end, goes on after the log and wraps to the front.
    ntfs::RunList runs;
    ASSERT_TRUE(ntfs::AllocateClusters(volume, 1200 * 512, runs));
    EXPECT_GT(runs.size(), 1u);
    EXPECT_EQ(ntfs::ClusterCount(runs), 1200);
    EXPECT_EQ(runs.front().lcn, volume.mftZoneEnd);
    ntfs::RunList rest;
    EXPECT_FALSE(ntfs::AllocateClusters(volume, 512 * 512, rest)) << "more clusters than are left";
}

TEST(MappingPairs, EncodesSignedShortestFieldsAndHoles)
{
    struct Case {
        ntfs::RunList runs;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {{{32, 54}}, {0x11, 54, 32, 0}},
        {{{0x1234, 0x80}}, {0x22, 0x80, 0x00, 0x34, 0x12, 0}},          // 0x80 would read back negative
        {{{100, 8}, {40, 2}}, {0x11, 8, 100, 0x11, 2, 0xC4, 0}},         // the second delta is −60
        {{{ntfs::kSparseLcn, 204799}}, {0x03, 0xFF, 0x1F, 0x03, 0}},    // a hole has no LCN field
    };
    for (const Case& row : cases)
        EXPECT_EQ(ntfs::EncodeMappingPairs(row.runs), row.bytes);
}

} // namespace
