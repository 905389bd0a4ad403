// SCSI pass-through with the data inside the request (IOCTL_SCSI_PASS_THROUGH), sent with
// DeviceIoControl on a handle opened on a disk. The request header is followed, in the same
// caller buffer, by the sense area and the data area that its offsets name. On Linux the
// request is carried out with the SG_IO ioctl on the opened disk.
//
// Result rules of the handler:
// - a malformed request (sizes, offsets, CDB length, direction) fails with
//   ERROR_INVALID_PARAMETER and nothing is sent;
// - a transport failure (the ioctl fails, or the host adapter or driver reports an error
//   other than delivered sense data) fails the call, and the header is left as the caller
//   wrote it;
// - otherwise the call succeeds and the header carries the device's SCSI status, the
//   number of sense bytes returned and the number of data bytes moved.
// The Lun field selects another logical unit of the same SCSI target as the opened disk
// (Linux gives each logical unit a disk node of its own); PathId and TargetId are given by
// the opened disk itself and are not used.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>

constexpr DWORD IOCTL_SCSI_PASS_THROUGH = 0x4D004;

constexpr UCHAR SCSI_IOCTL_DATA_OUT = 0;
constexpr UCHAR SCSI_IOCTL_DATA_IN = 1;
constexpr UCHAR SCSI_IOCTL_DATA_UNSPECIFIED = 2;

// DataBufferOffset is an offset, not a pointer, so the layout is the same on 64-bit.
struct SCSI_PASS_THROUGH {
    USHORT Length;
    UCHAR ScsiStatus;
    UCHAR PathId;
    UCHAR TargetId;
    UCHAR Lun;
    UCHAR CdbLength;
    UCHAR SenseInfoLength;
    UCHAR DataIn;
    ULONG DataTransferLength;
    ULONG TimeOutValue;
    ULONG DataBufferOffset;
    ULONG SenseInfoOffset;
    UCHAR Cdb[16];
};
static_assert(sizeof(SCSI_PASS_THROUGH) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == 28);
