// The standard SCSI commands the server sends: INQUIRY, TEST UNIT READY, READ CAPACITY,
// READ(10), WRITE(10) (plain and timed) and START STOP UNIT. Every operation takes the
// device handle first and returns 1 on success (call succeeded and SCSI status 0), else 0.
// No state; any number of threads may send at once, each on its own handle.
#pragma once

#include "platform/base/wintypes.h"

class CSTDCMDControl {
public:
    CSTDCMDControl();

    int SendInquiry(HANDLE device, UCHAR pathId, UCHAR targetId, BYTE* inquiry128);
    // Returns whether the request itself succeeded; the SCSI status byte goes to *scsiStatus.
    // The device is ready when both the result is 1 and the status is 0.
    int SendTestUnitReady(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, UCHAR* scsiStatus);
    // The 8 bytes as the device sends them: big-endian last LBA, then big-endian block length;
    // 0 when fewer came back.
    int SendReadCapacity(HANDLE device, UCHAR lun, BYTE* capacity8);
    // byteCount: at most 65 536 and a multiple of 512; anything else is refused, never sent.
    // A read succeeds only when every byte came back.
    int SendRead10(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount, BYTE* data);
    int SendWrite10(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                    const BYTE* data);
    // As above; *ticks = performance-counter ticks of the request (low 32 bits), 0 on failure.
    int SendRead10Timed(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount, BYTE* data,
                        DWORD* ticks);
    int SendWrite10Timed(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                         const BYTE* data, DWORD* ticks);
    int SCSI_LoadUnload(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, UCHAR control);
};
