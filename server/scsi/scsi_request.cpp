#include "server/scsi/scsi_request.h"

#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <cstring>
#include <memory>

namespace scsi {

ScsiOutcome SendScsiCommand(HANDLE device, const ScsiCommand& command, const void* dataOut, void* dataIn)
{
    if (command.dataLength > kMaxDataLength) {
        platform::DebugPrintf("SCSI command 0x%02X refused: %u data bytes do not fit the request", unsigned{command.cdb[0]},
                              unsigned{command.dataLength});
        return ScsiOutcome{FALSE, 0, true};
    }
    // On the heap: callers' threads need not reserve 64 KiB of stack per command.
    auto request = std::make_unique_for_overwrite<RequestBuffer>();
    // Only the header and the data area in use are ever read; the rest stays untouched.
    std::memset(request.get(), 0, offsetof(RequestBuffer, data) + command.dataLength);
    SCSI_PASS_THROUGH& header = request->header;
    header.Length = sizeof(SCSI_PASS_THROUGH);
    header.ScsiStatus = command.statusPreset ? 1 : 0;
    header.PathId = command.pathId;
    header.TargetId = command.targetId;
    header.Lun = command.lun;
    header.CdbLength = command.cdbLength;
    header.SenseInfoLength = kSenseLength;
    header.DataIn = static_cast<UCHAR>(command.direction);
    header.DataTransferLength = command.dataLength;
    header.TimeOutValue = command.timeoutSeconds;
    header.DataBufferOffset = offsetof(RequestBuffer, data);
    header.SenseInfoOffset = offsetof(RequestBuffer, sense);
    std::memcpy(header.Cdb, command.cdb.data(), sizeof header.Cdb);

    // Outgoing data is copied whenever the caller gives some, whatever the direction.
    bool sendsData = dataOut != nullptr && command.dataLength != 0;
    if (sendsData)
        std::memcpy(request->data, dataOut, command.dataLength);
    DWORD inSize = offsetof(RequestBuffer, data) + (sendsData ? command.dataLength : 0);
    DWORD outSize = offsetof(RequestBuffer, data) + command.dataLength;
    DWORD returned = 0;
    ScsiOutcome outcome;
    outcome.callSucceeded =
        DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, request.get(), inSize, request.get(), outSize, &returned, nullptr);
    outcome.scsiStatus = header.ScsiStatus;
    outcome.moved = header.DataTransferLength;
    if (outcome.ok() && dataIn != nullptr && command.direction == Direction::In && command.dataLength != 0)
        std::memcpy(dataIn, request->data, command.dataLength);
    return outcome;
}

void PutBigEndian32(BYTE* at, DWORD value)
{
    at[0] = static_cast<BYTE>(value >> 24);
    at[1] = static_cast<BYTE>(value >> 16);
    at[2] = static_cast<BYTE>(value >> 8);
    at[3] = static_cast<BYTE>(value);
}

void PutBigEndian16(BYTE* at, WORD value)
{
    at[0] = static_cast<BYTE>(value >> 8);
    at[1] = static_cast<BYTE>(value);
}

} // namespace scsi
