#include "server/scsi/stdcmd_control.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/scsi/scsi_request.h"

using scsi::Direction;
using scsi::ResultOf;
using scsi::ScsiCommand;
using scsi::ScsiOutcome;

namespace {

constexpr DWORD kShortTimeout = 3;
constexpr DWORD kTransferTimeout = 30;
constexpr DWORD kBlockSize = 512;

ScsiCommand SixByte(BYTE opcode, UCHAR lun, UCHAR pathId, UCHAR targetId, Direction direction, DWORD length)
{
    ScsiCommand command;
    command.cdb[0] = opcode;
    command.cdbLength = 6;
    command.lun = lun;
    command.pathId = pathId;
    command.targetId = targetId;
    command.direction = direction;
    command.dataLength = length;
    command.timeoutSeconds = kShortTimeout;
    return command;
}

// READ(10) / WRITE(10); false when the byte count is no whole number of blocks that fits a request.
bool TenByte(BYTE opcode, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount, ScsiCommand& command)
{
    if (byteCount > scsi::kMaxDataLength || byteCount % kBlockSize != 0) {
        platform::DebugPrintf("SCSI command 0x%02X refused: %u bytes are no whole number of blocks up to 64 KiB",
                              unsigned{opcode}, unsigned{byteCount});
        return false;
    }
    command.cdb[0] = opcode;
    scsi::PutBigEndian32(&command.cdb[2], lba);
    scsi::PutBigEndian16(&command.cdb[7], static_cast<WORD>(byteCount / kBlockSize));
    command.cdbLength = 10;
    command.lun = lun;
    command.pathId = pathId;
    command.targetId = targetId;
    command.direction = opcode == 0x2A ? Direction::Out : Direction::In;
    command.dataLength = byteCount;
    command.timeoutSeconds = kTransferTimeout;
    return true;
}

// Ticks of one request: low 32 bits of the counter after minus before, 0 when it failed.
template <class Send>
int Timed(DWORD* ticks, Send send)
{
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    int result = send();
    QueryPerformanceCounter(&after);
    *ticks = result != 0 ? after.u.LowPart - before.u.LowPart : 0;
    return result;
}

// READ CAPACITY and READ(10) have no shorter reply: one with bytes missing is a failure,
// never a capacity or data with zeros where the device sent nothing.
int WholeReplyResult(const ScsiOutcome& outcome, const ScsiCommand& command)
{
    if (outcome.ok() && outcome.moved < command.dataLength) {
        platform::DebugPrintf("SCSI command 0x%02X: %u of %u bytes came back", unsigned{command.cdb[0]},
                              unsigned{outcome.moved}, unsigned{command.dataLength});
        return 0;
    }
    return ResultOf(outcome);
}

} // namespace

CSTDCMDControl::CSTDCMDControl()
{
    OutputDebugStringA("Create CSTDCMDControl class");
}

int CSTDCMDControl::SendInquiry(HANDLE device, UCHAR pathId, UCHAR targetId, BYTE* inquiry128)
{
    OutputDebugStringA(" SendInquiry()");
    ScsiCommand command = SixByte(0x12, 0, pathId, targetId, Direction::In, 128);
    command.cdb[4] = 0x80;
    return ResultOf(scsi::SendScsiCommand(device, command, nullptr, inquiry128));
}

int CSTDCMDControl::SendTestUnitReady(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, UCHAR* scsiStatus)
{
    OutputDebugStringA(" SendTestUnitReady()");
    auto outcome = scsi::SendScsiCommand(device, SixByte(0x00, lun, pathId, targetId, Direction::In, 0), nullptr, nullptr);
    *scsiStatus = outcome.scsiStatus;
    return outcome.callSucceeded ? 1 : 0;
}

int CSTDCMDControl::SendReadCapacity(HANDLE device, UCHAR lun, BYTE* capacity8)
{
    OutputDebugStringA(" SendReadCapacity()");
    // Sent as the station always has: a 6-byte CDB and target 1.
    ScsiCommand command = SixByte(0x25, lun, 0, 1, Direction::In, 8);
    return WholeReplyResult(scsi::SendScsiCommand(device, command, nullptr, capacity8), command);
}

int CSTDCMDControl::SendRead10(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                               BYTE* data)
{
    ScsiCommand command;
    if (!TenByte(0x28, lun, pathId, targetId, lba, byteCount, command))
        return 0;
    return WholeReplyResult(scsi::SendScsiCommand(device, command, nullptr, data), command);
}

int CSTDCMDControl::SendWrite10(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                                const BYTE* data)
{
    ScsiCommand command;
    if (!TenByte(0x2A, lun, pathId, targetId, lba, byteCount, command))
        return 0;
    return ResultOf(scsi::SendScsiCommand(device, command, data, nullptr));
}

int CSTDCMDControl::SendRead10Timed(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                                    BYTE* data, DWORD* ticks)
{
    return Timed(ticks, [&] { return SendRead10(device, lun, pathId, targetId, lba, byteCount, data); });
}

int CSTDCMDControl::SendWrite10Timed(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, DWORD lba, DWORD byteCount,
                                     const BYTE* data, DWORD* ticks)
{
    return Timed(ticks, [&] { return SendWrite10(device, lun, pathId, targetId, lba, byteCount, data); });
}

int CSTDCMDControl::SCSI_LoadUnload(HANDLE device, UCHAR lun, UCHAR pathId, UCHAR targetId, UCHAR control)
{
    OutputDebugStringA(" SCSI_LoadUnload()");
    ScsiCommand command = SixByte(0x1B, lun, pathId, targetId, Direction::In, 0);
    command.cdb[4] = control;
    return ResultOf(scsi::SendScsiCommand(device, command, nullptr, nullptr));
}
