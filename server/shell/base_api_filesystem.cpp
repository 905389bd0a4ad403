// File-system calls into the image builder.
#include "server/shell/base_api.h"
#include "server/shell/debug_line.h"
#include "server/shell/slot_entry.h"

using portwarden::EntryLineOnly;

INT CBaseAPI::CreateFileSystemImage(FsBuildParams*) { return EntryLineOnly("CreateFileSystemImage()"); }
INT CBaseAPI::CreateFileSystemImageW(FsBuildParams*) { return EntryLineOnly("CreateFileSystemImageW()"); }
INT CBaseAPI::BuildDriveFileSystem(FsBuildParams*, INT) { return EntryLineOnly("BuildDriveFileSystem()"); }
INT CBaseAPI::BuildDriveFileSystemW(FsBuildParams*, INT) { return EntryLineOnly("BuildDriveFileSystemW()"); }
INT CBaseAPI::BuildPhyDiskFileSystem(HANDLE*, BYTE, FsBuildParams*) { return EntryLineOnly("BuildPhyDiskFileSystem()"); }

INT CBaseAPI::BuildPhyDiskFileSystemW(HANDLE*, BYTE index, FsBuildParams*)
{
    portwarden::DebugLine("BuildPhyDiskFileSystemW(%d)", index);
    return 0;
}

INT CBaseAPI::BuildPhyDiskFileSystemExW(HANDLE*, BYTE index, FsBuildParams*, INT)
{
    portwarden::DebugLine("BuildPhyDiskFileSystemExW(%d)", index);
    return 0;
}

INT CBaseAPI::GetFAT32RootSectorAddr(FsBuildParams*, DWORD*) { return EntryLineOnly("GetFAT32RootSectorAddr()"); }
