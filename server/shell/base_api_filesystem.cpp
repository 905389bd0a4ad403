// File-system calls into the image builder. The library is loaded by its bare name for each
// call and unloaded after it, so a copy replaced beside the program is taken by the next call.
// A library or export that cannot be bound fails the slot (0) with the system's code in the
// debug line; a caller reading a nonzero code as success would otherwise pass a device that
// has no file system.
#include "server/shell/base_api.h"

#include "fsbuild/fs_build_params.h"
#include "server/disk/disk_index.h"
#include "server/disk/disk_volumes.h"
#include "server/scsi/device_lock.h"
#include "server/shell/debug_line.h"

#include "platform/base/lasterror.h"
#include "platform/module/module.h"
#include "platform/text/text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

constexpr const char* kLibraryName = "Volkiln.dll";
constexpr int kPhysicalDiskAttempts = 3;
constexpr std::uint8_t kFsTypeMask = 0x07;
constexpr std::uint8_t kFsTypeNtfs = 4;

using ImageExport = int (*)(FsBuildParams*);
using DriveExport = int (*)(FsBuildParams*, char);
using DiskExport = int (*)(FsBuildParams*, int);
using RootSectorExport = std::uint32_t (*)(FsBuildParams*);

constexpr const char* kBuildOnDisk = "knlfs_BuildPhyDiskFileSystem";
constexpr const char* kBuildOnDiskNoDismount = "knlfs_BuildPhyDiskFileSystemNoUMount";

// One load of the library for one call.
class LoadedBuilder {
public:
    LoadedBuilder() : module_(LoadLibraryA(kLibraryName))
    {
        if (module_ == nullptr) {
            const DWORD code = GetLastError();
            OutputDebugStringA("Load Volkiln.dll fail");
            portwarden::DebugLine("LoadLibrary_Err=%u", code);
            SetLastError(code);
        }
    }
    ~LoadedBuilder()
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    LoadedBuilder(const LoadedBuilder&) = delete;
    LoadedBuilder& operator=(const LoadedBuilder&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    template <class Function>
    Function Bind(const char* name) const
    {
        FARPROC function = module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
        if (module_ != nullptr && function == nullptr)
            portwarden::DebugLine("Volkiln.dll has no %s=%u", name, GetLastError());
        return reinterpret_cast<Function>(function);
    }

private:
    HMODULE module_;
};

// The three wide texts of a "W" call, replaced in the caller's block by ANSI copies for the
// call and put back after it, so the block the caller gave is the block it keeps.
class AnsiTexts {
public:
    explicit AnsiTexts(FsBuildParams& params)
        : params_(params), given_{params.pszLabel, params.pszSourcePath, params.pszImagePath}
    {
        params.pszLabel = Converted(given_[0], copies_[0]);
        params.pszSourcePath = Converted(given_[1], copies_[1]);
        params.pszImagePath = Converted(given_[2], copies_[2]);
    }
    ~AnsiTexts()
    {
        params_.pszLabel = given_[0];
        params_.pszSourcePath = given_[1];
        params_.pszImagePath = given_[2];
    }
    AnsiTexts(const AnsiTexts&) = delete;
    AnsiTexts& operator=(const AnsiTexts&) = delete;

private:
    // A text that does not convert whole becomes null: the builder then refuses it rather
    // than building from a path or label with characters replaced.
    static const char* Converted(const char* field, std::optional<std::string>& copy)
    {
        const auto* wide = reinterpret_cast<const char16_t*>(field);
        if (wide == nullptr)
            return nullptr;
        BOOL usedDefault = FALSE;
        int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, &usedDefault);
        if (size <= 0 || usedDefault)
            return nullptr;
        copy.emplace(static_cast<std::size_t>(size), '\0');
        if (WideCharToMultiByte(CP_ACP, 0, wide, -1, copy->data(), size, nullptr, nullptr) != size)
            return nullptr;
        return copy->c_str();
    }

    FsBuildParams& params_;
    const char* const given_[3];
    std::optional<std::string> copies_[3];
};

INT StatusResult(const FsBuildParams& params)
{
    return params.i32Status == 0 ? 1 : 0;
}

INT BuildImage(FsBuildParams* params)
{
    if (params == nullptr)
        return 0;
    LoadedBuilder builder;
    auto build = builder.Bind<ImageExport>("knlfs_CreateFileSystemImage");
    if (build == nullptr)
        return 0;
    build(params);
    return StatusResult(*params);
}

INT BuildOnDrive(FsBuildParams* params, INT driveLetter)
{
    if (params == nullptr)
        return 0;
    LoadedBuilder builder;
    auto build = builder.Bind<DriveExport>("knlfs_BuildDriveFileSystem");
    if (build == nullptr)
        return 0;
    build(params, static_cast<char>(driveLetter));
    return StatusResult(*params);
}

// One build on the port's disk: 1 when the builder reports success.
INT BuildOnDiskOnce(FsBuildParams& params, const char* exportName, DWORD diskNumber)
{
    LoadedBuilder builder;
    auto build = builder.Bind<DiskExport>(exportName);
    if (build == nullptr)
        return 0;
    build(&params, static_cast<int>(diskNumber));
    return StatusResult(params);
}

// Builds on the port's disk, up to three times; before another attempt the disk's volume is
// dismounted and the disk number read again (the disk may have come back under another).
// The device's lock is held throughout: the build writes the whole disk.
INT BuildOnDiskWithRetries(HANDLE* handles, BYTE index, FsBuildParams& params, const char* exportName,
                           bool writeIndexLine)
{
    scsi::DeviceLock lock(handles[index]);
    DWORD diskNumber = 0;
    if (!DiskNumberOf(handles[index], diskNumber, "GetDeviceNumber_Err"))
        return 0;
    for (int attempt = 1;; ++attempt) {
        if (writeIndexLine)
            portwarden::DebugLine("Index=%d, DeviceNumber=%x", index, diskNumber);
        LoadedBuilder builder;
        if (!builder.Loaded())
            return 0;
        auto build = builder.Bind<DiskExport>(exportName);
        if (build == nullptr)
            return 0;
        build(&params, static_cast<int>(diskNumber));
        if (params.i32Status == 0)
            return 1;
        portwarden::DebugLine("BuildPhyDiskFileSystem_Error:%x", static_cast<unsigned>(params.i32Status));
        if (attempt == kPhysicalDiskAttempts)
            return 0;
        DisMountVolume(handles[index], TRUE);
        if (!DiskNumberOf(handles[index], diskNumber, "GetDeviceNumber_Err"))
            return 0;
    }
}

const char* DiskExportFor(const FsBuildParams& params)
{
    return (params.u8FsType & kFsTypeMask) == kFsTypeNtfs ? kBuildOnDiskNoDismount : kBuildOnDisk;
}

} // namespace

INT CBaseAPI::CreateFileSystemImage(FsBuildParams* params)
{
    OutputDebugStringA("CreateFileSystemImage()");
    return BuildImage(params);
}

INT CBaseAPI::CreateFileSystemImageW(FsBuildParams* params)
{
    OutputDebugStringA("CreateFileSystemImageW()");
    if (params == nullptr)
        return 0;
    AnsiTexts texts(*params);
    return BuildImage(params);
}

INT CBaseAPI::BuildDriveFileSystem(FsBuildParams* params, INT driveLetter)
{
    OutputDebugStringA("BuildDriveFileSystem()");
    return BuildOnDrive(params, driveLetter);
}

INT CBaseAPI::BuildDriveFileSystemW(FsBuildParams* params, INT driveLetter)
{
    OutputDebugStringA("BuildDriveFileSystemW()");
    if (params == nullptr)
        return 0;
    AnsiTexts texts(*params);
    return BuildOnDrive(params, driveLetter);
}

INT CBaseAPI::BuildPhyDiskFileSystem(HANDLE* handles, BYTE index, FsBuildParams* params)
{
    OutputDebugStringA("BuildPhyDiskFileSystem()");
    if (params == nullptr || handles == nullptr || !PortIndexFits(index))
        return 0;
    scsi::DeviceLock lock(handles[index]); // the build writes the whole disk
    DWORD diskNumber = 0;
    if (!DiskNumberOf(handles[index], diskNumber, "GetDeviceNumber_Err"))
        return 0;
    return BuildOnDiskOnce(*params, DiskExportFor(*params), diskNumber);
}

INT CBaseAPI::BuildPhyDiskFileSystemW(HANDLE* handles, BYTE index, FsBuildParams* params)
{
    portwarden::DebugLine("BuildPhyDiskFileSystemW(%d)", index);
    if (params == nullptr || handles == nullptr || !PortIndexFits(index))
        return 0;
    AnsiTexts texts(*params);
    return BuildOnDiskWithRetries(handles, index, *params, DiskExportFor(*params), true);
}

INT CBaseAPI::BuildPhyDiskFileSystemExW(HANDLE* handles, BYTE index, FsBuildParams* params, INT options)
{
    portwarden::DebugLine("BuildPhyDiskFileSystemExW(%d)", index);
    if (params == nullptr || handles == nullptr || !PortIndexFits(index))
        return 0;
    AnsiTexts texts(*params);
    return BuildOnDiskWithRetries(handles, index, *params, (options & 1) != 0 ? kBuildOnDiskNoDismount : kBuildOnDisk,
                                  false);
}

INT CBaseAPI::GetFAT32RootSectorAddr(FsBuildParams* params, DWORD* sector)
{
    OutputDebugStringA("GetFAT32RootSectorAddr()");
    if (params == nullptr || sector == nullptr)
        return 0;
    LoadedBuilder builder;
    auto rootSector = builder.Bind<RootSectorExport>("knlfs_GetFAT32RootSectorAddr");
    if (rootSector == nullptr)
        return 0;
    *sector = rootSector(params);
    return StatusResult(*params);
}
