// The image builder as its callers reach it: Volkiln.dll loaded from the program folder at
// run time, its exports bound by name.
#pragma once

#include "fsbuild/fs_build_params.h"

#include "platform/base/wintypes.h"

#include <cstdint>
#include <string>

class VolkilnLibrary {
public:
    VolkilnLibrary();
    ~VolkilnLibrary();
    VolkilnLibrary(const VolkilnLibrary&) = delete;
    VolkilnLibrary& operator=(const VolkilnLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    int (*CreateFileSystemImage)(FsBuildParams*) = nullptr;
    int (*BuildDriveFileSystem)(FsBuildParams*, char) = nullptr;
    int (*BuildPhyDiskFileSystem)(FsBuildParams*, int) = nullptr;
    int (*BuildPhyDiskFileSystemNoUMount)(FsBuildParams*, int) = nullptr;
    std::uint32_t (*GetFAT32RootSectorAddr)(FsBuildParams*) = nullptr;
    HANDLE (*GetVolumeHandle)(int) = nullptr;
    int (*DiskVolumeLock)(HANDLE) = nullptr;
    int (*DiskVolumeUnlock)(HANDLE) = nullptr;
    int (*DiskRefresh)(HANDLE) = nullptr;

private:
    template <class F>
    void Bind(F& function, const char* name);
    void* handle_ = nullptr;
    std::string error_;
};
