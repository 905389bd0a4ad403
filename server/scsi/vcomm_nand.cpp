// Vendor senders for NAND access: spare areas and blocks (0x95), configuration tables
// (0x65), block marks (0x50), bad-block checks (0x51) and the virtual-block engine (0xF8).
#include "server/scsi/vcomm_control.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "server/scsi/vendor_failure_lines.h"

using scsi::ResultOf;
using scsi::VendorCommand;

namespace {

constexpr DWORD kEngineTimeout = 30;
constexpr DWORD kMlcWriteTimeout = 6;
constexpr DWORD kMainFifoLength = 0x8000;
constexpr BYTE kFlagsProtected = 0x80;

// Senders of the 0x51 and 0xF8 families report failures alike.
int ResultWithStatusLines(const scsi::ScsiOutcome& outcome)
{
    if (scsi::FailedAfterSending(outcome))
        scsi::WriteStatusFailure(outcome);
    return ResultOf(outcome);
}

VendorCommand SpareCommand(BYTE sub, BYTE c9, BYTE c10, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length)
{
    VendorCommand command(0x95, pathId, targetId);
    command.Address(address).Sub(sub).LengthField(length).Byte(9, c9).Byte(10, c10).StatusPreset();
    return command;
}

VendorCommand MarkCommand(BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, BYTE c8, BYTE c11,
                          BYTE c12)
{
    VendorCommand command(0x50, pathId, targetId);
    command.Address(address).Sub(sub).Byte(8, c8).Byte(11, c11).Byte(12, c12).Read(length);
    return command;
}

// Block and table transfers: 6 sub, 7 kind, 8 sectors, 9 flags.
VendorCommand& TransferFields(VendorCommand& command, BYTE sub, BYTE kind, BYTE flags, DWORD length)
{
    return command.Sub(sub).Byte(7, kind).SectorByte(8, length).Byte(9, flags);
}

} // namespace

int CVCommCMDControl::SpareAccessRead(HANDLE device, BYTE sub, BYTE c9, BYTE c10, UCHAR pathId, UCHAR targetId,
                                      DWORD address, DWORD length, BYTE* data)
{
    OutputDebugStringA(" SpareAccessRead()");
    VendorCommand command = SpareCommand(sub, c9, c10, pathId, targetId, address, length);
    return ResultOf(command.Read(length).WaitFirst().Send(device, nullptr, data));
}

int CVCommCMDControl::SpareAccessWrite(HANDLE device, BYTE sub, BYTE c9, BYTE c10, UCHAR pathId, UCHAR targetId,
                                       DWORD address, DWORD length, const BYTE* data)
{
    OutputDebugStringA(" SpareAccessWrite()");
    VendorCommand command = SpareCommand(sub, c9, c10, pathId, targetId, address, length);
    return ResultOf(command.Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::BlockAccessRead(HANDLE device, BYTE sub, BYTE kind, BYTE flags, UCHAR pathId, UCHAR targetId,
                                      DWORD address, DWORD length, BYTE* data)
{
    VendorCommand command(0x95, pathId, targetId);
    TransferFields(command.Address(address), sub, kind, flags, length)
        .Byte(11, (flags & kFlagsProtected) != 0 ? 1 : 0)
        .Read(length)
        .StatusPreset()
        .WaitFirst();
    auto outcome = command.Send(device, nullptr, data);
    if (scsi::FailedAfterSending(outcome) && !outcome.callSucceeded)
        OutputDebugStringA("BAR_ERR");
    return ResultOf(outcome);
}

int CVCommCMDControl::BlockAccessWrite(HANDLE device, BYTE sub, BYTE kind, BYTE flags, const BlockTag& tag,
                                       UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, const BYTE* data)
{
    VendorCommand command(0x95, pathId, targetId);
    TransferFields(command.Address(address), sub, kind, flags, length).Tag(tag).Write(length).StatusPreset();
    auto outcome = command.Send(device, data, nullptr);
    if (scsi::FailedAfterSending(outcome))
        scsi::WriteTaggedFailure(outcome, "BAW_ERR");
    return ResultOf(outcome);
}

int CVCommCMDControl::BlockAccessErase(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address,
                                       DWORD length, BYTE* data)
{
    VendorCommand command(0x95, pathId, targetId);
    command.Address(address).Sub(sub).Read(length).StatusPreset();
    auto outcome = command.Send(device, nullptr, data);
    if (scsi::FailedAfterSending(outcome))
        platform::DebugPrintf(" @@ BOR_ERR=%X", unsigned{GetLastError()});
    return ResultOf(outcome);
}

int CVCommCMDControl::ConfigAccessRead(HANDLE device, BYTE sub, BYTE kind, BYTE flags, UCHAR pathId, UCHAR targetId,
                                       DWORD offset, DWORD length, BYTE* data, DWORD unit)
{
    VendorCommand command(0x65, pathId, targetId);
    TransferFields(command.UnitAddress16(offset, unit), sub, kind, flags, length)
        .Byte(11, (flags & kFlagsProtected) != 0 ? 1 : 0)
        .Read(length);
    auto outcome = command.Send(device, nullptr, data);
    if (scsi::FailedAfterSending(outcome) && !outcome.callSucceeded)
        OutputDebugStringA("WAR_ERR");
    return ResultOf(outcome);
}

int CVCommCMDControl::ConfigAccessWrite(HANDLE device, BYTE sub, BYTE kind, BYTE flags, const BlockTag& tag,
                                        UCHAR pathId, UCHAR targetId, DWORD offset, DWORD length, const BYTE* data,
                                        DWORD unit)
{
    VendorCommand command(0x65, pathId, targetId);
    TransferFields(command.UnitAddress16(offset, unit), sub, kind, flags, length).Tag(tag).Write(length);
    auto outcome = command.Send(device, data, nullptr);
    if (scsi::FailedAfterSending(outcome))
        scsi::WriteTaggedFailure(outcome, "WAW_ERR");
    return ResultOf(outcome);
}

int CVCommCMDControl::BlockMarkRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length,
                                    BYTE c8, BYTE c11, BYTE c12, BYTE* data)
{
    OutputDebugStringA(" BlockMarkRead()");
    VendorCommand command = MarkCommand(sub, pathId, targetId, address, length, c8, c11, c12);
    return ResultOf(command.Send(device, nullptr, data));
}

int CVCommCMDControl::BlockMarkWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address,
                                     DWORD length, BYTE c8, BYTE c11, BYTE c12, const BYTE* data)
{
    OutputDebugStringA(" BlockMarkWrite()");
    // The controller takes this command with direction "in"; the data still goes into the request.
    VendorCommand command = MarkCommand(sub, pathId, targetId, address, length, c8, c11, c12);
    return ResultOf(command.Send(device, data, nullptr));
}

int CVCommCMDControl::BlockCheckErase(HANDLE device, BYTE op, UCHAR pathId, UCHAR targetId, DWORD address,
                                      DWORD length, BYTE c9, BYTE c10, BYTE c11, BYTE c12, BYTE* data)
{
    VendorCommand command(0x51, pathId, targetId);
    command.Address(address).Sub(op).LengthField(length).Byte(9, c9).Byte(10, c10).Byte(11, c11).Byte(12, c12);
    command.Read(length).Timeout(kEngineTimeout).StatusPreset().WaitFirst();
    return ResultWithStatusLines(command.Send(device, nullptr, data));
}

int CVCommCMDControl::VBCommandRead(HANDLE device, BYTE sub, BYTE selectorHigh, BYTE selectorLow, WORD value,
                                    BYTE byte3, DWORD length, BYTE* data)
{
    VendorCommand command(0xF8, 0, 0);
    command.Byte(2, static_cast<BYTE>(selectorHigh << 4 | selectorLow)).Byte(3, byte3).Address16(value).Sub(sub);
    command.Read(length).Timeout(kEngineTimeout).StatusPreset().WaitFirst();
    return ResultWithStatusLines(command.Send(device, nullptr, data));
}

int CVCommCMDControl::SetThreeSLCVB(HANDLE device, BYTE sub)
{
    OutputDebugStringA("Set Three SLC VB");
    VendorCommand command(0xF8, 0, 0);
    command.Sub(sub).Read(0).Timeout(kEngineTimeout).StatusPreset().WaitFirst();
    return ResultWithStatusLines(command.Send(device, nullptr, nullptr));
}

int CVCommCMDControl::CopySLCToTLC(HANDLE device, BYTE sub, WORD block, BYTE byte3, WORD value)
{
    platform::DebugPrintf("Copy SLC to TLC: BlockAddr=0x%08X", unsigned{block});
    VendorCommand command(0xF8, 0, 0);
    command.Byte(3, byte3).Address16(block).Sub(sub).Word(7, value);
    command.Read(0).Timeout(kEngineTimeout).StatusPreset().WaitFirst();
    return ResultWithStatusLines(command.Send(device, nullptr, nullptr));
}

int CVCommCMDControl::FillMainFIFO(HANDLE device, BYTE sub, DWORD length, const BYTE* data)
{
    OutputDebugStringA("Fill Main FIFO");
    if (length != kMainFifoLength) {
        OutputDebugStringA("  FMF_SCSI_ERR");
        return 0;
    }
    VendorCommand command(0xF8, 0, 0);
    command.Sub(sub).Write(length).StatusPreset();
    auto outcome = command.Send(device, data, nullptr);
    if (scsi::FailedAfterSending(outcome))
        scsi::WriteCodedFailure(outcome, "  FMF_ERR", "  FMF_SCSI_ERR");
    return ResultOf(outcome);
}

int CVCommCMDControl::MLCVBWrite(HANDLE device, BYTE sub, WORD block, WORD value)
{
    platform::DebugPrintf("MLCVBWrite: BlockAddr=0x%08X", unsigned{block});
    VendorCommand command(0xF8, 0, 0);
    command.Address16(block).Sub(sub).Word(7, value).Data(scsi::Direction::Out, 0).Timeout(kMlcWriteTimeout);
    auto outcome = command.StatusPreset().Send(device, nullptr, nullptr);
    if (scsi::FailedAfterSending(outcome))
        scsi::WriteCodedFailure(outcome, "  MVW_ERR", "  MVW_SCSI_ERR");
    return ResultOf(outcome);
}
