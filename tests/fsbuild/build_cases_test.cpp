// The table of builds: each row goes through knlfs_CreateFileSystemImage of the loaded
// library and is judged by the independent checkers listed in it.
#include "build_case.h"
#include "fat_checkers.h"
#include "iso_checkers.h"
#include "ntfs_checkers.h"
#include "volkiln_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::int32_t kOk = 0, kFailed = 1, kFatFailed = 32, kIsoFailed = 33, kLabelTooLong = 34, kInvalid = 35;
const std::vector<Checker> kUntouched{NothingWritten};
const std::vector<Checker> kNoChecks{};

const BuildCase kCases[] = {
    // name, type, sectors, sector size, cluster exponent, reserved, device start, label, tree, status,
    // sectors per cluster, checks
    {"fat16_below_table", kFat16, 8399, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"fat16_first_row", kFat16, 8400, 512, 0, 0, 0, "", Tree::None, kOk, 2, &kFatChecks},
    {"fat16_32679", kFat16, 32679, 512, 0, 0, 0, "", Tree::None, kOk, 2, &kFatChecks},
    {"fat16_32680", kFat16, 32680, 512, 0, 0, 0, "", Tree::None, kOk, 4, &kFatChecks},
    {"fat16_262144", kFat16, 262144, 512, 0, 0, 0, "LUN", Tree::None, kOk, 8, &kFatChecks},
    {"fat16_fat_one_entry_short", kFat16, 1048864, 512, 0, 0, 0, "", Tree::None, kOk, 32, &kFatChecks},
    {"fat16_table_top_too_many_clusters", kFat16, 4194303, 512, 0, 0, 0, "", Tree::None, kOk, 128, &kFatChecks},
    {"fat16_above_table", kFat16, 4194304, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"fat16_reserved_255_at_8488", kFat16, 8488, 512, 0, 255, 0, "", Tree::None, kOk, 1, &kFatChecks},
    {"fat16_reserved_5_becomes_9", kFat16, 100000, 512, 0, 5, 0, "", Tree::None, kOk, 4, &kFatChecks},
    {"fat16_asked_2_on_20000", kFat16, 20000, 512, 1, 0, 0, "", Tree::None, kOk, 2, &kFatChecks},
    {"fat16_asked_2_on_8000", kFat16, 8000, 512, 1, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"fat16_4096_sectors_stay_512", kFat16, 200000, 4096, 0, 0, 0, "", Tree::None, kOk, 4, &kFatChecks},
    {"fat16_label_12_kept_to_11", kFat16, 100000, 512, 0, 0, 0, "Twelve Chars", Tree::None, kOk, 4, &kFatChecks},
    {"fat16_label_13", kFat16, 100000, 512, 0, 0, 0, "Thirteen Char", Tree::None, kLabelTooLong, 0, &kUntouched},
    {"fat16_tree", kFat16 | kCopy, 409600, 512, 0, 0, 0, "Fabrun Lun0", Tree::Mixed, kOk, 8, &kFatChecks},
    {"fat16_mbr_tree", kFat16 | kCopy | kMbr, 409600, 512, 0, 0, 0, "mbr lun", Tree::Mixed, kOk, 8, &kFatChecks},
    {"fat16_mbr_empty", kFat16 | kMbr, 65536, 512, 0, 0, 0, "", Tree::None, kOk, 4, &kFatChecks},
    {"fat16_root_full", kFat16 | kCopy, 409600, 512, 0, 0, 0, "", Tree::Flat600, kFatFailed, 0, &kUntouched},
    {"fat16_root_512_entries", kFat16 | kCopy, 409600, 512, 0, 0, 0, "", Tree::Root256, kOk, 8, &kFatChecks},
    {"fat16_root_512_entries_and_label", kFat16 | kCopy, 409600, 512, 0, 0, 0, "L", Tree::Root256, kFatFailed, 0,
     &kUntouched},
    {"fat32_root_label_takes_a_second_cluster", kFat32 | kCopy, 66600, 512, 0, 0, 0, "L", Tree::Root8, kOk, 1,
     &kFatChecks},
    {"fat32_below_table", kFat32, 66599, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"fat32_first_row", kFat32, 66600, 512, 0, 0, 0, "", Tree::None, kOk, 1, &kFatChecks},
    {"fat32_first_row_behind_mbr", kFat32 | kMbr, 66600, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"fat32_table_too_few_clusters", kFat32, 132079, 512, 0, 0, 0, "", Tree::None, kOk, 1, &kFatChecks},
    {"fat32_525241_too_few_at_8", kFat32, 525241, 512, 0, 0, 0, "", Tree::None, kOk, 4, &kFatChecks},
    {"fat32_600000", kFat32, 600000, 512, 0, 0, 0, "", Tree::None, kOk, 8, &kFatChecks},
    {"fat32_8gib", kFat32, 16777216, 512, 0, 0, 0, "BIG", Tree::None, kOk, 16, &kFatChecks},
    {"fat32_asked_2_on_200000", kFat32, 200000, 512, 1, 0, 0, "", Tree::None, kOk, 2, &kFatChecks},
    {"fat32_rounded_fat", kFat32, 1048576, 512, 0x83, 0, 0, "", Tree::None, kOk, 8, &kFatChecks},
    {"fat32_device_start_ignored_in_image", kFat32, 200000, 512, 0, 0, 2048, "", Tree::None, kOk, 2, &kFatChecks},
    {"fat32_tree", kFat32 | kCopy, 1048576, 512, 0, 0, 0, "Fabrun", Tree::Mixed, kOk, 8, &kFatChecks},
    {"fat32_mbr_tree", kFat32 | kCopy | kMbr, 1048576, 512, 0, 0, 0, "", Tree::Mixed, kOk, 8, &kFatChecks},
    {"fat32_4096_tree", kFat32 | kCopy, 262144, 4096, 0, 0, 0, "4K", Tree::Mixed, kOk, 2, &kFatChecks},
    {"fat32_4096_mbr_tree", kFat32 | kCopy | kMbr, 262144, 4096, 0, 0, 0, "4K MBR", Tree::Mixed, kOk, 2, &kFatChecks},
    {"fat32_600_in_root", kFat32 | kCopy, 200000, 512, 0, 0, 0, "", Tree::Flat600, kOk, 2, &kFatChecks},
    {"fat32_label_13", kFat32, 100000, 512, 0, 0, 0, "Thirteen Char", Tree::None, kLabelTooLong, 0, &kUntouched},
    {"fat32_tree_too_large", kFat32 | kCopy, 70000, 512, 0, 0, 0, "", Tree::TooLarge, kInvalid, 0, &kUntouched},
    {"fat32_missing_source", kFat32 | kCopy, 100000, 512, 0, 0, 0, "", Tree::Missing, kInvalid, 0, &kUntouched},
    {"fat32_copy_without_source", kFat32 | kCopy, 100000, 512, 0, 0, 0, "", Tree::None, kInvalid, 0, &kUntouched},
    {"fat32_4gib_file", kFat32 | kCopy, 0xFFFFFFFF, 512, 0, 0, 0, "", Tree::FourGiB, kInvalid, 0, &kUntouched},
    {"fat32_unreadable_file", kFat32 | kCopy, 100000, 512, 0, 0, 0, "", Tree::Unreadable, kInvalid, 0, &kNoChecks},
    {"iso_tree", kIso | kCopy, 1048576, 512, 0, 0, 0, "my disk 1", Tree::Mixed, kOk, 0, &kIsoChecks},
    {"iso_600_in_root", kIso | kCopy, 65536, 512, 0, 0, 0, "", Tree::Flat600, kOk, 0, &kIsoChecks},
    {"iso_label_32", kIso | kCopy, 4096, 512, 0, 0, 0, "abcdefghijklmnopqrstuvwxyz012345", Tree::Root8, kOk, 0,
     &kIsoChecks},
    {"iso_label_33", kIso | kCopy, 4096, 512, 0, 0, 0, "abcdefghijklmnopqrstuvwxyz0123456", Tree::Root8, kLabelTooLong,
     0, &kUntouched},
    {"iso_sector_size_mbr_and_device_start_ignored_in_image", kIso | kCopy | kMbr, 4096, 4096, 0, 0, 2048, "", Tree::Root8,
     kOk, 0, &kIsoChecks},
    {"iso_without_copy", kIso, 4096, 512, 0, 0, 0, "", Tree::None, kInvalid, 0, &kUntouched},
    {"iso_missing_source", kIso | kCopy, 4096, 512, 0, 0, 0, "", Tree::Missing, kInvalid, 0, &kUntouched},
    {"iso_tree_too_large", kIso | kCopy, 70000, 512, 0, 0, 0, "", Tree::TooLarge, kInvalid, 0, &kUntouched},
    {"iso_4gib_file", kIso | kCopy, 0xFFFFFFFF, 512, 0, 0, 0, "", Tree::FourGiB, kInvalid, 0, &kUntouched},
    {"iso_unreadable_file", kIso | kCopy, 4096, 512, 0, 0, 0, "", Tree::Unreadable, kIsoFailed, 0, &kNoChecks},
    {"type_0", 0, 100000, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"type_7", 7, 100000, 512, 0, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"cluster_exponent_8", kFat32, 100000, 512, 8, 0, 0, "", Tree::None, kFatFailed, 0, &kUntouched},
    {"ntfs_100mib", kNtfs, 204800, 512, 0, 0, 0, "NTFS LUN", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_two_sector_clusters", kNtfs, 1050625, 512, 0, 0, 0, "", Tree::None, kOk, 2, &kNtfsChecks},
    {"ntfs_eight_sector_clusters", kNtfs, 4194305, 512, 0, 0, 0, "", Tree::None, kOk, 8, &kNtfsChecks},
    {"ntfs_cluster_exponent_7", kNtfs, 204800, 512, 7, 0, 0, "", Tree::None, kOk, 128, &kNtfsChecks},
    {"ntfs_4096_sectors", kNtfs, 262144, 4096, 0, 0, 0, "4K", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_mbr", kNtfs | kMbr, 204800, 512, 0, 0, 0, "MBR", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_mbr_at_threshold", kNtfs | kMbr, 14336, 512, 0, 0, 0, "", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_mbr_below_threshold", kNtfs | kMbr, 14335, 512, 0, 0, 0, "", Tree::None, kFailed, 0, &kUntouched},
    {"ntfs_mbr_4096_sectors", kNtfs | kMbr, 65536, 4096, 0, 0, 0, "4K MBR", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_device_start_2048", kNtfs, 204800, 512, 0, 0, 2048, "LUN1", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_mbr_device_start_2048", kNtfs | kMbr, 204800, 512, 0, 0, 2048, "LUN2", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_label_128", kNtfs, 204800, 512, 0, 0, 0,
     "L123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "0123456789012345678901234567", Tree::None, kOk, 1, &kNtfsChecks},
    {"ntfs_label_129", kNtfs, 204800, 512, 0, 0, 0,
     "L123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
     "01234567890123456789012345678", Tree::None, kLabelTooLong, 0, &kUntouched},
    {"ntfs_wide_label", kNtfs, 204800, 512, 0, 0, 0, "Größe ÆØÅ", Tree::None, kOk, 1, &kNtfsChecks},
    // An image file has no drive to copy to: the volume is formatted, the build reports failure.
    {"ntfs_copy_into_image", kNtfs | kCopy, 204800, 512, 0, 0, 0, "", Tree::Mixed, kFailed, 1, &kNtfsChecks},
    {"ntfs_tree_too_large", kNtfs | kCopy, 40960, 512, 0, 0, 0, "", Tree::TooLarge, kInvalid, 0, &kUntouched},
};

class BuildCases : public ::testing::TestWithParam<BuildCase> {};

} // namespace

TEST_P(BuildCases, BuildsAsTheCheckersExpect)
{
    const BuildCase& row = GetParam();
    static VolkilnLibrary library;
    ASSERT_TRUE(library.loaded()) << library.error();
    std::string image = ::testing::TempDir() + "fsbuild_" + row.name + "_" + std::to_string(::getpid()) + ".img";
    std::filesystem::remove(image);
    std::string source = SourceTreePath(row.tree);
    FsBuildParams params = ParamsFor(row, source, image);
    int result = library.CreateFileSystemImage(&params);
    EXPECT_EQ(std::int32_t{params.i32Status}, row.status);
    EXPECT_EQ(result, row.status == kOk ? 0 : 1);
    EXPECT_EQ(params.u8Progress, 100) << "the progress ends at 100 after success and failure alike";
    BuiltImage built{row, image, source, ImageAreaOffset(row), VolumeOffset(row), FileSystemSectorBytes(row)};
    for (Checker check : *row.checks)
        EXPECT_TRUE(check(built));
    if (!HasFailure())
        std::filesystem::remove(image);
}

INSTANTIATE_TEST_SUITE_P(Table, BuildCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<BuildCase>& info) { return std::string(info.param.name); });
