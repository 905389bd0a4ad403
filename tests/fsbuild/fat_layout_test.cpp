#include "fsbuild/fat/fat_layout.h"
#include "fsbuild/fat/fat_table.h"
#include "fsbuild/fs_build_params.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
    const char* name;
    std::uint32_t type;
    std::uint64_t totalSectors;
    std::uint8_t reserved;
    std::uint8_t requested; // sectors per cluster asked for, 0 = automatic
    bool mbr;
    bool round;
    bool usableRow;           // the dispatcher's walk finds a usable table row
    std::uint8_t chosen;      // sectors per cluster after CheckClusterSize, 0 = refused
    std::uint32_t fatSectors; // 0 = not checked
};

FsBuildContext ContextFor(const LayoutCase& c)
{
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    ctx.u32FsType = c.type;
    ctx.u64TotalSector = c.totalSectors;
    ctx.u8RsvSector = c.reserved;
    ctx.u8SecPerClus = c.requested;
    ctx.bWriteMBR = c.mbr;
    ctx.u32PartStart = 32;
    ctx.bRoundFatToCluster = c.round;
    ctx.u64PartSector = c.totalSectors - (c.mbr ? 32 : 0);
    SetFatSectorSize(ctx);
    return ctx;
}

} // namespace

TEST(FatLayout, ClusterCountsFitTheTypeAndTheFatCoversEveryCluster)
{
    const LayoutCase cases[] = {
        {"fat32 below its table", kFsTypeFat32, 66599, 32, 0, false, false, true, 0, 0},
        {"fat32 at its first row", kFsTypeFat32, 66600, 32, 0, false, false, true, 1, 517},
        {"fat32 66600 behind an MBR has too few clusters", kFsTypeFat32, 66600, 32, 0, true, false, true, 0, 0},
        {"fat32 table gives 65509 clusters: one sector per cluster", kFsTypeFat32, 132079, 32, 0, false, false, true, 1,
         0},
        {"fat32 1000000 with MBR", kFsTypeFat32, 1000000, 32, 0, true, false, true, 8, 976},
        {"fat32 asked for 2 on 200000", kFsTypeFat32, 200000, 32, 2, false, false, true, 2, 0},
        {"fat32 asked for 2 on 16000000: the automatic size", kFsTypeFat32, 16000000, 32, 2, false, false, true, 8, 0},
        {"fat32 asked for 128, not in the table, kept", kFsTypeFat32, 0xFFFFFFFF, 32, 128, false, false, true, 128, 0},
        {"fat16 below its table", kFsTypeFat16, 8000, 32, 2, false, false, true, 0, 0},
        {"fat16 asked for 2 on 20000", kFsTypeFat16, 20000, 32, 2, false, false, true, 2, 0},
        {"fat16 asked for 2 on 100000: the automatic size", kFsTypeFat16, 100000, 32, 2, false, false, true, 4, 0},
        {"fat16 formula leaves the FAT one entry short", kFsTypeFat16, 1048864, 32, 0, false, false, true, 32, 129},
        {"fat16 table gives 65525 clusters: 128 sectors", kFsTypeFat16, 4194303, 32, 0, false, false, true, 128, 0},
        {"fat16 above its table", kFsTypeFat16, 4194304, 32, 0, false, false, false, 0, 0},
        {"fat16 255 reserved sectors at 8488: one sector", kFsTypeFat16, 8488, 255, 0, false, false, true, 1, 0},
        {"fat16 rounding the FAT to clusters", kFsTypeFat16, 2000000, 32, 0, false, true, true, 32, 0},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        FsBuildContext ctx = ContextFor(c);
        EXPECT_EQ(ChooseClusterSize(ctx), c.usableRow);
        if (!c.usableRow)
            continue;
        bool fits = CheckClusterSize(ctx);
        EXPECT_EQ(fits, c.chosen != 0);
        if (!fits)
            continue;
        EXPECT_EQ(ctx.u8SecPerClus, c.chosen);
        std::uint32_t entriesPerSector = ctx.u32BytesPerSector / (c.type == kFsTypeFat16 ? 2 : 4);
        EXPECT_GE(std::uint64_t{ctx.u32FatSize} * entriesPerSector, std::uint64_t{ctx.u32ClusterCount} + 2);
        if (c.type == kFsTypeFat16) {
            EXPECT_TRUE(ctx.u32ClusterCount >= 4085 && ctx.u32ClusterCount <= 65524) << ctx.u32ClusterCount;
        } else {
            EXPECT_GE(ctx.u32ClusterCount, 65525u);
        }
        if (c.fatSectors != 0) {
            EXPECT_EQ(ctx.u32FatSize, c.fatSectors);
        }
        if (c.round) {
            EXPECT_EQ(ctx.u32FatSize % ctx.u8SecPerClus, 0u);
        }
        std::uint64_t dataSectors = ctx.u64PartSector - ctx.u8RsvSector - 2ull * ctx.u32FatSize - (c.type == kFsTypeFat16 ? 32 : 0);
        EXPECT_EQ(ctx.u32ClusterCount, dataSectors / ctx.u8SecPerClus);
    }
}

TEST(FatLayout, RootAddressOfAFat32Build)
{
    FsBuildParams params{};
    params.u8FsType = 0x82;
    params.u32TotalSector = 1000000;
    params.i32BytesPerSector = 512;
    EXPECT_EQ(CalcFAT32RootSectorAddr(params), 32u + 32 + 1952 + 8);
    params.u32TotalSector = 60000;
    EXPECT_EQ(CalcFAT32RootSectorAddr(params), 0u) << "FAT32 cannot be used at this size";
}

TEST(FatTable, AllocationStopsAtTheLastClusterOfTheVolume)
{
    FsBuildContext ctx;
    ResetBuildContext(ctx);
    ctx.u32FsType = kFsTypeFat32;
    ctx.u32ClusterCount = 5;        // clusters 2..6
    ctx.fat.assign(512, 0);         // room for 128 entries: more than the volume has
    ctx.u32NextFreeCluster = 3;
    SetFatEntry(ctx, 2, EndOfChain(ctx));
    std::vector<std::uint32_t> taken;
    for (std::uint32_t cluster; (cluster = AllocateCluster(ctx)) != 0;)
        taken.push_back(cluster);
    EXPECT_EQ(taken, (std::vector<std::uint32_t>{3, 4, 5, 6}));
    EXPECT_EQ(GetFatEntry(ctx, 6), 0xFFFFFFFFu);
    EXPECT_EQ(GetFatEntry(ctx, 7), 0u) << "an entry beyond the volume is never handed out";
}
