#include "volkiln_library.h"

#include "platform/process/process.h"
#include "platform/text/text.h"

#include <dlfcn.h>

template <class F>
void VolkilnLibrary::Bind(F& function, const char* name)
{
    function = reinterpret_cast<F>(::dlsym(handle_, name));
    if (function == nullptr)
        error_ += std::string("missing export ") + name + "; ";
}

VolkilnLibrary::VolkilnLibrary()
{
    std::string path = platform::WideToUtf8(platform::ProgramFolder()) + "Volkiln.dll";
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = ::dlerror();
        return;
    }
    Bind(CreateFileSystemImage, "knlfs_CreateFileSystemImage");
    Bind(BuildDriveFileSystem, "knlfs_BuildDriveFileSystem");
    Bind(BuildPhyDiskFileSystem, "knlfs_BuildPhyDiskFileSystem");
    Bind(BuildPhyDiskFileSystemNoUMount, "knlfs_BuildPhyDiskFileSystemNoUMount");
    Bind(GetFAT32RootSectorAddr, "knlfs_GetFAT32RootSectorAddr");
    Bind(GetVolumeHandle, "knlfs_GetVolumeHandle");
    Bind(DiskVolumeLock, "knlfs_Disk_Volume_lock");
    Bind(DiskVolumeUnlock, "knlfs_Disk_Volume_Unlock");
    Bind(DiskRefresh, "knlfs_Disk_Refresh");
}

VolkilnLibrary::~VolkilnLibrary()
{
    if (handle_ != nullptr)
        ::dlclose(handle_);
}
