#include "server/scsi/scsi_request.h"

#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace scsi {
namespace {

// One request buffer per thread, kept for the thread's next commands: a fresh 64 KiB
// buffer per command costs an allocation and, whenever the allocator has given the memory
// back to the system meanwhile, a page fault for each of its pages. A command sent while
// the thread's buffer is in use (from inside a control-code handler) gets one of its own.
class RequestLease {
public:
    RequestLease()
    {
        thread_local std::unique_ptr<RequestBuffer> kept;
        thread_local bool taken = false;
        if (taken) {
            own_ = std::make_unique_for_overwrite<RequestBuffer>();
            buffer_ = own_.get();
            return;
        }
        if (!kept)
            kept = std::make_unique_for_overwrite<RequestBuffer>();
        buffer_ = kept.get();
        taken_ = &taken;
        taken = true;
    }
    ~RequestLease()
    {
        if (taken_ != nullptr)
            *taken_ = false;
    }
    RequestLease(const RequestLease&) = delete;
    RequestLease& operator=(const RequestLease&) = delete;
    RequestBuffer& operator*() const { return *buffer_; }

private:
    std::unique_ptr<RequestBuffer> own_;
    RequestBuffer* buffer_ = nullptr;
    bool* taken_ = nullptr;
};

} // namespace

ScsiOutcome SendScsiCommand(HANDLE device, const ScsiCommand& command, const void* dataOut, void* dataIn)
{
    if (command.dataLength > kMaxDataLength) {
        platform::DebugPrintf("SCSI command 0x%02X refused: %u data bytes do not fit the request", unsigned{command.cdb[0]},
                              unsigned{command.dataLength});
        return ScsiOutcome{FALSE, 0, true};
    }
    RequestLease lease;
    RequestBuffer& request = *lease;
    // The header and sense area start zeroed. The data area is not zeroed ahead: outgoing
    // data is copied over it, and incoming data is what the device sent, with the bytes it
    // did not send zeroed after the call.
    std::memset(&request, 0, offsetof(RequestBuffer, data));
    SCSI_PASS_THROUGH& header = request.header;
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
        std::memcpy(request.data, dataOut, command.dataLength);
    DWORD inSize = offsetof(RequestBuffer, data) + (sendsData ? command.dataLength : 0);
    DWORD outSize = offsetof(RequestBuffer, data) + command.dataLength;
    DWORD returned = 0;
    ScsiOutcome outcome;
    outcome.callSucceeded =
        DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, &request, inSize, &request, outSize, &returned, nullptr);
    outcome.scsiStatus = header.ScsiStatus;
    outcome.moved = header.DataTransferLength;
    if (outcome.ok() && dataIn != nullptr && command.direction == Direction::In && command.dataLength != 0) {
        DWORD moved = std::min(header.DataTransferLength, command.dataLength);
        if (!sendsData)
            std::memset(request.data + moved, 0, command.dataLength - moved);
        std::memcpy(dataIn, request.data, command.dataLength);
    }
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

WORD BigEndian16(const BYTE* at)
{
    return static_cast<WORD>(at[0] << 8 | at[1]);
}

DWORD BigEndian32(const BYTE* at)
{
    return DWORD{BigEndian16(at)} << 16 | BigEndian16(at + 2);
}

} // namespace scsi
