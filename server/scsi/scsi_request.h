// One SCSI pass-through request as the server sends it: the pass-through header, the sense
// area and the data area in one buffer, sent with DeviceIoControl. Both command senders
// (standard and vendor) describe their commands as a ScsiCommand and send them here.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/devio/scsi_passthrough.h"

#include <array>
#include <cstddef>

namespace scsi {

constexpr DWORD kMaxDataLength = 65536;
constexpr UCHAR kSenseLength = 24;

// The request buffer: header at 0, sense at 48, data at 80.
struct RequestBuffer {
    SCSI_PASS_THROUGH header;
    BYTE reserved1[4];
    BYTE sense[kSenseLength];
    BYTE reserved2[8];
    BYTE data[kMaxDataLength];
};
static_assert(sizeof(RequestBuffer) == 80 + kMaxDataLength);

enum class Direction : UCHAR {
    Out = SCSI_IOCTL_DATA_OUT,
    In = SCSI_IOCTL_DATA_IN,
    None = SCSI_IOCTL_DATA_UNSPECIFIED,
};

struct ScsiCommand {
    std::array<BYTE, 16> cdb{};
    UCHAR cdbLength = 0;
    UCHAR pathId = 0;
    UCHAR targetId = 0;
    UCHAR lun = 0;
    Direction direction = Direction::None;
    DWORD dataLength = 0;
    DWORD timeoutSeconds = 0;
    // ScsiStatus starts at 1, so that a request the driver does not complete cannot pass.
    bool statusPreset = false;
};

struct ScsiOutcome {
    BOOL callSucceeded = FALSE;
    UCHAR scsiStatus = 0;
    // Set when the command was refused before sending (it would not fit the request).
    bool refused = false;
    // Data bytes the device moved, when the call succeeded.
    DWORD moved = 0;
    bool ok() const { return callSucceeded && scsiStatus == 0; }
};

// Sends one command. `dataOut`, when given, supplies dataLength bytes copied into the
// request; for Direction::In `dataIn`, when given, receives dataLength bytes, on success only. A data length above
// kMaxDataLength is refused and never sent.
ScsiOutcome SendScsiCommand(HANDLE device, const ScsiCommand& command, const void* dataOut, void* dataIn);

// The 1/0 result of the senders.
inline int ResultOf(const ScsiOutcome& outcome)
{
    return outcome.ok() ? 1 : 0;
}

// Big-endian fields of CDBs, replies and flash records.
void PutBigEndian32(BYTE* at, DWORD value);
void PutBigEndian16(BYTE* at, WORD value);
DWORD BigEndian32(const BYTE* at);
WORD BigEndian16(const BYTE* at);

} // namespace scsi
