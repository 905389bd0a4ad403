// The FAT checkers of the table: each runs an independent tool on the image and judges
// what it says. A checker that does not apply to a row (a tree check without a tree, a
// partition check without an MBR) passes.
#pragma once

#include "build_case.h"

// fsck.fat -n (with -S and -U: no blanks inside short names, upper-case labels) reports
// nothing beyond its banner and summary, and exits 0.
::testing::AssertionResult FsckReportsNothing(const BuiltImage& image);
// blkid finds vfat of the row's FAT type, with the label (upper case, at most 11 characters).
::testing::AssertionResult BlkidFindsTypeAndLabel(const BuiltImage& image);
// minfo reports the sector size, the reserved sectors and the row's sectors per cluster.
::testing::AssertionResult MinfoShowsGeometry(const BuiltImage& image);
// sfdisk reads one active partition of the FAT type from the partition start to the end.
::testing::AssertionResult PartitionTableMatches(const BuiltImage& image);
// mcopy -s extracts the whole tree; diff -r finds no difference, and the write times
// agree to the two seconds FAT keeps.
::testing::AssertionResult MtoolsExtractsTheTree(const BuiltImage& image);
// The build failed before touching the target: no image file was created.
::testing::AssertionResult NothingWritten(const BuiltImage& image);

// Every FAT checker, for rows that build successfully.
extern const std::vector<Checker> kFatChecks;
