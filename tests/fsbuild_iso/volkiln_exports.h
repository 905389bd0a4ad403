// The builder's exports as the server binds them, for the tests that drive whole builds.
#pragma once

#include "fsbuild/fs_build_params.h"

extern "C" {
int knlfs_CreateFileSystemImage(FsBuildParams* params);
int knlfs_BuildDriveFileSystem(FsBuildParams* params, char driveLetter);
int knlfs_BuildPhyDiskFileSystem(FsBuildParams* params, int diskNumber);
}

constexpr std::uint8_t kIsoWithCopy = 0x43; // ISO9660, copy the source folder

inline FsBuildParams IsoBuildParams(const char* label, const char* source, const char* image, std::uint32_t sectors)
{
    FsBuildParams params{};
    params.u8FsType = kIsoWithCopy;
    params.u32TotalSector = sectors;
    params.i32BytesPerSector = 512;
    params.pszLabel = label;
    params.pszSourcePath = source;
    params.pszImagePath = image;
    return params;
}
