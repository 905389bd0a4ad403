// The disk operations of IPortwardenCtrl on the caller's DeviceHandleTable (32 handles).
// An index of 32 or more, or a drive-letter index past Z, is refused (0) instead of
// reaching past the table. Results are 1 for success, 0 for failure.
#pragma once

#include "portwarden/records.h"
#include "server/scsi/stdcmd_control.h"

class DiskSlots {
public:
    explicit DiskSlots(CSTDCMDControl& standard) : standard_(standard) {}

    INT ScanDiskPath(DiskEntry* entries24);
    INT OpenDiskPath(HANDLE* handles, INT letterIndex);
    INT CloseDiskPath(HANDLE* handles, BYTE index);
    INT OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path);
    INT ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer);
    INT WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer);
    INT ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer, DWORD* ticks);
    INT WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer, DWORD* ticks);
    INT ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength);
    INT ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength);
    INT ReadInquery(HANDLE* handles, BYTE index, BYTE* out128);
    INT Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume);
    INT Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume);
    static INT LinkTest(BYTE* probe);

private:
    INT OpenInto(HANDLE* handles, BYTE index, const char* name);
    INT CapacityOf(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength);

    CSTDCMDControl& standard_;
};
