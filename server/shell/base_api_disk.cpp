// Disk and device operations.
#include "server/shell/base_api.h"
#include "server/shell/debug_line.h"
#include "server/shell/slot_entry.h"

#include <cstdint>

using portwarden::EntryLineOnly;

INT CBaseAPI::ScanDiskPath(DiskEntry*) { return EntryLineOnly("ScanDiskPath()"); }
INT CBaseAPI::OpenDiskPath(HANDLE*, INT) { return EntryLineOnly("OpenDiskPath()"); }

INT CBaseAPI::CloseDiskPath(HANDLE* handles, BYTE index)
{
    portwarden::DebugLine("CloseDiskPath(Index=%d, Handle=%lx)", index,
                          static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handles[index])));
    return 0;
}

INT CBaseAPI::ReadDisk(HANDLE*, BYTE, DWORD, DWORD, BYTE*) { return EntryLineOnly("ReadDisk()"); }
INT CBaseAPI::WriteDisk(HANDLE*, BYTE, DWORD, DWORD, const BYTE*) { return EntryLineOnly("WriteDisk()"); }

INT CBaseAPI::OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char*)
{
    portwarden::DebugLine("OpenDiskPathBySymbolicName(Index=%d, Handle=%lx)", index,
                          static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handles[index])));
    return 0;
}

INT CBaseAPI::Disk_Lock(HANDLE*, BYTE index, HANDLE*)
{
    portwarden::DebugLine("Disk_Lock(%d)", index);
    return 0;
}

INT CBaseAPI::Disk_Unlock(HANDLE*, BYTE index, HANDLE)
{
    portwarden::DebugLine("Disk_Unlock(%d)", index);
    return 0;
}

INT CBaseAPI::DisableProductFilter() { return EntryLineOnly("DisableProductFilter()"); }
INT CBaseAPI::LinkTest(BYTE*) { return EntryLineOnly("LinkTest()"); }
INT CBaseAPI::SetDebugDmpFilePathSS(LPCWSTR) { return EntryLineOnly("SetDebugDmpFilePathSS()"); }
INT CBaseAPI::ForceInUSB30() { return EntryLineOnly("ForceInUSB30()"); }
INT CBaseAPI::ReadCapacity(HANDLE*, BYTE, DWORD*, DWORD*) { return EntryLineOnly("ReadCapacity()"); }
INT CBaseAPI::ReadCapacityEx(HANDLE*, BYTE, BYTE, DWORD*, DWORD*) { return EntryLineOnly("ReadCapacityEx()"); }
INT CBaseAPI::ReadDiskEx(HANDLE*, BYTE, BYTE, DWORD, DWORD, BYTE*, DWORD*) { return EntryLineOnly("ReadDiskEx()"); }
// The timed write announces itself under the plain write's name.
INT CBaseAPI::WriteDiskEx(HANDLE*, BYTE, BYTE, DWORD, DWORD, const BYTE*, DWORD*) { return EntryLineOnly("WriteDisk()"); }
INT CBaseAPI::ReadInquery(HANDLE*, BYTE, BYTE*) { return EntryLineOnly("ReadInquery()"); }
INT CBaseAPI::ActiveFilterDriver(INT) { return EntryLineOnly("ActiveFilterDriver()"); }
