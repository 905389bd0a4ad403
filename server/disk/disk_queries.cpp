// Capacity, INQUIRY and the drive-letter disk scan.
#include "server/disk/disk_slots.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "server/disk/disk_index.h"
#include "server/scsi/scsi_request.h"

#include <cstring>

INT DiskSlots::CapacityOf(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength)
{
    *lastLba = 0;
    *blockLength = 0;
    if (!PortIndexFits(index))
        return 0;
    BYTE capacity[8] = {};
    if (standard_.SendReadCapacity(handles[index], lun, capacity) != 1)
        return 0;
    *lastLba = scsi::BigEndian32(capacity);
    *blockLength = scsi::BigEndian32(capacity + 4);
    return 1;
}

INT DiskSlots::ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength)
{
    OutputDebugStringA("ReadCapacity()");
    return CapacityOf(handles, index, 0, lastLba, blockLength);
}

INT DiskSlots::ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength)
{
    OutputDebugStringA("ReadCapacityEx()");
    return CapacityOf(handles, index, lun, lastLba, blockLength);
}

INT DiskSlots::ReadInquery(HANDLE* handles, BYTE index, BYTE* out128)
{
    OutputDebugStringA("ReadInquery()");
    if (!PortIndexFits(index))
        return 0;
    return standard_.SendInquiry(handles[index], 0, 0, out128);
}

INT DiskSlots::ScanDiskPath(DiskEntry* entries24)
{
    OutputDebugStringA("ScanDiskPath()");
    INT answered = 0;
    for (int i = 0; i < 24; ++i) {
        DiskEntry& entry = entries24[i];
        // The caller's entries are not zeroed first: what an earlier scan left must not
        // make a drive that is gone or no longer answers look valid, ready or sized.
        entry.valid = 0;
        entry.ready = 0;
        std::memset(entry.capacity, 0, sizeof entry.capacity);
        const char name[] = {'\\', '\\', '.', '\\', static_cast<char>('C' + i), ':', '\0'};
        HANDLE drive = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        if (drive == INVALID_HANDLE_VALUE)
            continue;
        if (standard_.SendInquiry(drive, 0, 0, entry.inquiry) == 1) {
            entry.valid = 1;
            answered = 1;
            // Ready once TEST UNIT READY passes; a capacity that cannot be read stays zero.
            UCHAR status = 0xFF;
            if (standard_.SendTestUnitReady(drive, 0, 0, 0, &status) == 1 && status == 0) {
                entry.ready = 1;
                if (standard_.SendReadCapacity(drive, 0, entry.capacity) != 1) {
                    std::memset(entry.capacity, 0, sizeof entry.capacity);
                    platform::DebugPrintf("ScanDiskPath: %s READ CAPACITY failed", name);
                }
            }
        }
        CloseHandle(drive);
    }
    return answered;
}
