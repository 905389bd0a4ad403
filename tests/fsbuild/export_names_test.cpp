// The image builder exports its entry points and nothing else: the server binds them by
// name, and anything more would be a boundary nobody specified.
#include "tests/server_shell/exported_names.h"

#include <gtest/gtest.h>

namespace {

TEST(VolkilnExports, AreExactlyTheEntryPoints)
{
    // The file-pointer export carries no "_...@20" decoration: on ELF the '@' would name a
    // symbol version, so it goes out under its plain name.
    EXPECT_EQ(fabrun_test::ExportedNames(NM_PROGRAM, VOLKILN_PATH),
              (std::set<std::string>{"knlfs_CreateFileSystemImage", "knlfs_BuildDriveFileSystem",
                                     "knlfs_BuildPhyDiskFileSystem", "knlfs_BuildPhyDiskFileSystemNoUMount",
                                     "knlfs_GetFAT32RootSectorAddr", "knlfs_GetVolumeHandle", "knlfs_Disk_Volume_lock",
                                     "knlfs_Disk_Volume_Unlock", "knlfs_Disk_Refresh", "SetFilePointerEx"}));
}

} // namespace
