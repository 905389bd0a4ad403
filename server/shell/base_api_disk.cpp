// Disk and device operations, and the start-up switches. The disk slots write their own
// entry lines.
#include "server/shell/base_api.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

INT CBaseAPI::ScanDiskPath(DiskEntry* entries24) { return disks_->ScanDiskPath(entries24); }
INT CBaseAPI::OpenDiskPath(HANDLE* handles, INT letterIndex) { return disks_->OpenDiskPath(handles, letterIndex); }
INT CBaseAPI::CloseDiskPath(HANDLE* handles, BYTE index) { return disks_->CloseDiskPath(handles, index); }

INT CBaseAPI::ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer)
{
    return disks_->ReadDisk(handles, index, lba, byteCount, buffer);
}

INT CBaseAPI::WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer)
{
    return disks_->WriteDisk(handles, index, lba, byteCount, buffer);
}

INT CBaseAPI::OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path)
{
    return disks_->OpenDiskPathBySymbolicName(handles, index, path);
}

INT CBaseAPI::Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume) { return disks_->Disk_Lock(handles, index, volume); }
INT CBaseAPI::Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume) { return disks_->Disk_Unlock(handles, index, volume); }

INT CBaseAPI::DisableProductFilter()
{
    OutputDebugStringA("DisableProductFilter()");
    switches_.productFilterDisabled = 1;
    return 1;
}

INT CBaseAPI::LinkTest(BYTE* probe) { return DiskSlots::LinkTest(probe); }

INT CBaseAPI::SetDebugDmpFilePathSS(LPCWSTR folder)
{
    OutputDebugStringA("SetDebugDmpFilePathSS()");
    if (folder == nullptr) {
        OutputDebugStringA("no dump folder given");
        return 0;
    }
    nand_->SetDumpFolder(platform::WideToAnsi(folder));
    return 1;
}

INT CBaseAPI::ForceInUSB30()
{
    OutputDebugStringA("ForceInUSB30()");
    switches_.forceUsb30 = 1;
    return 1;
}

INT CBaseAPI::ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength)
{
    return disks_->ReadCapacity(handles, index, lastLba, blockLength);
}

INT CBaseAPI::ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength)
{
    return disks_->ReadCapacityEx(handles, index, lun, lastLba, blockLength);
}

INT CBaseAPI::ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer, DWORD* ticks)
{
    return disks_->ReadDiskEx(handles, index, lun, lba, byteCount, buffer, ticks);
}

INT CBaseAPI::WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer,
                          DWORD* ticks)
{
    return disks_->WriteDiskEx(handles, index, lun, lba, byteCount, buffer, ticks);
}

INT CBaseAPI::ReadInquery(HANDLE* handles, BYTE index, BYTE* out128) { return disks_->ReadInquery(handles, index, out128); }

INT CBaseAPI::ActiveFilterDriver(INT mode)
{
    OutputDebugStringA("ActiveFilterDriver()");
    switches_.filterDriverMode = mode;
    return 1;
}
