// The NTFS checkers of the table: the ntfs-3g tools on the volume where the row puts it.
#pragma once

#include "build_case.h"

// The ntfs-3g tools accept the volume: nothing to fix, writable, $Bitmap and $Secure sound.
::testing::AssertionResult NtfsToolsAccept(const BuiltImage& image);
// ntfsinfo -m shows version 3.1, the label, the sector size, the row's sectors per
// cluster and the cluster count of the partition less its backup boot sector.
::testing::AssertionResult NtfsInfoShowsGeometry(const BuiltImage& image);
// ntfsls lists the system files of the root and of $Extend.
::testing::AssertionResult NtfsListsSystemFiles(const BuiltImage& image);

// Every NTFS checker with the partition table, for rows that build successfully.
extern const std::vector<Checker> kNtfsChecks;
