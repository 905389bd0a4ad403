#include "fsbuild/fs_build_params.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(FsBuildParamsLayout, FieldsSitAtTheirPackedOffsets)
{
    struct Field {
        const char* name;
        std::size_t offset, size;
    };
    const Field fields[] = {
        {"i32Status", offsetof(FsBuildParams, i32Status), sizeof(FsBuildParams::i32Status)},
        {"u8Progress", offsetof(FsBuildParams, u8Progress), sizeof(FsBuildParams::u8Progress)},
        {"i32DriveOrDisk", offsetof(FsBuildParams, i32DriveOrDisk), sizeof(FsBuildParams::i32DriveOrDisk)},
        {"u8IoRetry", offsetof(FsBuildParams, u8IoRetry), sizeof(FsBuildParams::u8IoRetry)},
        {"m1B_CreateWay", offsetof(FsBuildParams, m1B_CreateWay), sizeof(FsBuildParams::m1B_CreateWay)},
        {"u32PartStart", offsetof(FsBuildParams, u32PartStart), sizeof(FsBuildParams::u32PartStart)},
        {"u8BS_RsvSector", offsetof(FsBuildParams, u8BS_RsvSector), sizeof(FsBuildParams::u8BS_RsvSector)},
        {"u8ClusterExp", offsetof(FsBuildParams, u8ClusterExp), sizeof(FsBuildParams::u8ClusterExp)},
        {"u8FsType", offsetof(FsBuildParams, u8FsType), sizeof(FsBuildParams::u8FsType)},
        {"u32DevStartSector", offsetof(FsBuildParams, u32DevStartSector), sizeof(FsBuildParams::u32DevStartSector)},
        {"u32TotalSector", offsetof(FsBuildParams, u32TotalSector), sizeof(FsBuildParams::u32TotalSector)},
        {"i32BytesPerSector", offsetof(FsBuildParams, i32BytesPerSector), sizeof(FsBuildParams::i32BytesPerSector)},
        {"pszLabel", offsetof(FsBuildParams, pszLabel), sizeof(FsBuildParams::pszLabel)},
        {"pszSourcePath", offsetof(FsBuildParams, pszSourcePath), sizeof(FsBuildParams::pszSourcePath)},
        {"pszImagePath", offsetof(FsBuildParams, pszImagePath), sizeof(FsBuildParams::pszImagePath)},
    };
    const std::size_t expected[][2] = {{0, 4},  {4, 1},  {5, 4},  {9, 1},  {10, 1}, {11, 4}, {15, 1}, {16, 1},
                                       {17, 1}, {18, 4}, {22, 4}, {26, 4}, {30, 8}, {38, 8}, {46, 8}};
    ASSERT_EQ(std::size(fields), std::size(expected));
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_EQ(fields[i].offset, expected[i][0]) << fields[i].name;
        EXPECT_EQ(fields[i].size, expected[i][1]) << fields[i].name;
    }
    EXPECT_EQ(sizeof(FsBuildParams), 54u);
}
