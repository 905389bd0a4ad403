// Vendor senders for controller memory, LUN and security settings, bridge-drive access,
// the system area and caller-built CDBs. The NAND block senders are in vcomm_nand.cpp.
#include "server/scsi/vcomm_control.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "server/scsi/vendor_failure_lines.h"

using scsi::ResultOf;
using scsi::VendorCommand;

namespace {

constexpr DWORD kCacheClearTimeout = 10;

// Group 0x02: the LUN data transfers count 512-byte sectors in bytes 7..8, the others bytes.
VendorCommand LunCommand(BYTE sub, bool countsSectors, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length)
{
    VendorCommand command(0x02, pathId, targetId);
    command.Address(address).Sub(sub).StatusPreset();
    if (countsSectors)
        command.SectorWord(length);
    else
        command.LengthField(length);
    return command;
}

// Groups 0x65 and 0x66 share one shape: 6 sub, 7..8 length, 11 param, no status preset.
VendorCommand SettingCommand(BYTE group, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length)
{
    VendorCommand command(group, pathId, targetId);
    command.Sub(sub).LengthField(length).Byte(11, param);
    return command;
}

VendorCommand AccessCommand(BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address, DWORD length, BYTE c12,
                            BYTE c13)
{
    VendorCommand command(0x80, pathId, targetId);
    command.Address(address).Sub(sub).LengthField(length).Byte(11, c11).Byte(12, c12).Byte(13, c13).StatusPreset();
    return command;
}

VendorCommand PowerCommand(BYTE sub, BYTE c11, BYTE c12, UCHAR pathId, UCHAR targetId, DWORD length)
{
    VendorCommand command(0x8B, pathId, targetId);
    command.Sub(sub).LengthField(length).Byte(11, c11).Byte(12, c12);
    return command;
}

// Test commands: CDB bytes taken from five words as the callers pack them.
std::array<BYTE, 16> CdbFromWords(DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4)
{
    std::array<BYTE, 16> cdb{};
    cdb[0] = static_cast<BYTE>(dw0);
    cdb[1] = static_cast<BYTE>(dw0 >> 8);
    scsi::PutBigEndian32(&cdb[2], dw1);
    cdb[6] = static_cast<BYTE>(dw2);
    scsi::PutBigEndian16(&cdb[7], static_cast<WORD>(dw2 >> 16));
    cdb[9] = static_cast<BYTE>(dw3 >> 8);
    cdb[10] = static_cast<BYTE>(dw3);
    cdb[11] = static_cast<BYTE>(dw3 >> 16);
    cdb[12] = static_cast<BYTE>(dw3 >> 24);
    cdb[13] = static_cast<BYTE>(dw4);
    cdb[14] = static_cast<BYTE>(dw4 >> 8);
    cdb[15] = static_cast<BYTE>(dw4 >> 16);
    return cdb;
}

DWORD CdbLengthField(const std::array<BYTE, 16>& cdb)
{
    return scsi::BigEndian16(&cdb[7]);
}

} // namespace

CVCommCMDControl::CVCommCMDControl()
{
    OutputDebugStringA("Create CVCommCMDControl class");
}

int CVCommCMDControl::VendorRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, WORD address, DWORD length,
                                 BYTE* data)
{
    VendorCommand command(0x01, pathId, targetId);
    command.Address16(address).Sub(sub).LengthField(length).Read(length).StatusPreset();
    return ResultOf(command.Send(device, nullptr, data));
}

int CVCommCMDControl::VendorWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, WORD address, DWORD length,
                                  const BYTE* data)
{
    VendorCommand command(0x01, pathId, targetId);
    command.Address16(address).Sub(sub).LengthField(length).Write(length).StatusPreset();
    return ResultOf(command.Send(device, data, nullptr));
}

int CVCommCMDControl::ConfigureLUNRead(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address,
                                       DWORD length, BYTE* data)
{
    OutputDebugStringA(" ConfigureLUNRead()");
    VendorCommand command = LunCommand(sub, sub == 0x28, pathId, targetId, address, length);
    return ResultOf(command.Read(length).Send(device, nullptr, data));
}

int CVCommCMDControl::ConfigureLUNWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address,
                                        DWORD length, const BYTE* data)
{
    OutputDebugStringA(" ConfigureLUNWrite()");
    VendorCommand command = LunCommand(sub, sub == 0x2A, pathId, targetId, address, length);
    return ResultOf(command.Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::LUNCONFIGRead(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length,
                                    BYTE* data)
{
    OutputDebugStringA(" LUNCONFIGRead()");
    return ResultOf(SettingCommand(0x65, sub, param, pathId, targetId, length).Read(length).Send(device, nullptr, data));
}

int CVCommCMDControl::LUNCONFIGWrite(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId, DWORD length,
                                     const BYTE* data)
{
    OutputDebugStringA(" LUNCONFIGWrite()");
    return ResultOf(SettingCommand(0x65, sub, param, pathId, targetId, length).Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::SecurityConfigRead(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId,
                                         DWORD length, BYTE* data)
{
    OutputDebugStringA(" SecurityConfigRead()");
    return ResultOf(SettingCommand(0x66, sub, param, pathId, targetId, length).Read(length).Send(device, nullptr, data));
}

int CVCommCMDControl::SecurityConfigWrite(HANDLE device, BYTE sub, BYTE param, UCHAR pathId, UCHAR targetId,
                                          DWORD length, const BYTE* data)
{
    OutputDebugStringA(" SecurityConfigWrite()");
    return ResultOf(SettingCommand(0x66, sub, param, pathId, targetId, length).Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::CacheClear(HANDLE device, UCHAR pathId, UCHAR targetId)
{
    OutputDebugStringA(" CacheClear()");
    VendorCommand command(0x6F, pathId, targetId);
    command.Data(scsi::Direction::None, 0).Timeout(kCacheClearTimeout);
    return ResultOf(command.Send(device, nullptr, nullptr));
}

int CVCommCMDControl::VendorAccessRead(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address,
                                       DWORD length, BYTE* data, BYTE c12, BYTE c13)
{
    VendorCommand command = AccessCommand(sub, c11, pathId, targetId, address, length, c12, c13);
    return ResultOf(command.Read(length).Send(device, nullptr, data));
}

int CVCommCMDControl::VendorAccessWrite(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId,
                                        DWORD address, DWORD length, const BYTE* data, BYTE c12, BYTE c13)
{
    VendorCommand command = AccessCommand(sub, c11, pathId, targetId, address, length, c12, c13);
    return ResultOf(command.Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::USDPowerRead(HANDLE device, BYTE sub, BYTE c11, BYTE c12, UCHAR pathId, UCHAR targetId,
                                   DWORD length, BYTE* data)
{
    OutputDebugStringA(" USDPowerRead()");
    return ResultOf(PowerCommand(sub, c11, c12, pathId, targetId, length).Read(length).Send(device, nullptr, data));
}

int CVCommCMDControl::USDPowerWrite(HANDLE device, BYTE sub, BYTE c11, BYTE c12, UCHAR pathId, UCHAR targetId,
                                    DWORD length, const BYTE* data)
{
    OutputDebugStringA(" USDPowerWrite()");
    return ResultOf(PowerCommand(sub, c11, c12, pathId, targetId, length).Write(length).Send(device, data, nullptr));
}

int CVCommCMDControl::ISPAccessWrite(HANDLE device, BYTE sub, UCHAR pathId, UCHAR targetId, DWORD address,
                                     DWORD length, const BYTE* data)
{
    OutputDebugStringA(" ISPAccessWrite()");
    VendorCommand command(0x9F, pathId, targetId);
    command.Address(address).Sub(sub).Write(length);
    if (sub == 0x81)
        command.Byte(8, 8);
    return ResultOf(command.Send(device, data, nullptr));
}

int CVCommCMDControl::SystemAccessRead(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId, DWORD address,
                                       DWORD length, BYTE* data)
{
    VendorCommand command(0x90, pathId, targetId);
    command.Address(address).Sub(sub).Byte(8, sub == 0x82 ? 5 : 0).Byte(11, c11).Read(length).StatusPreset();
    auto outcome = command.Send(device, nullptr, data);
    if (scsi::FailedAfterSending(outcome))
        platform::DebugPrintf("Errorcode=%x", unsigned{GetLastError()});
    return ResultOf(outcome);
}

int CVCommCMDControl::SystemAccessWrite(HANDLE device, BYTE sub, BYTE c11, UCHAR pathId, UCHAR targetId,
                                        DWORD address, DWORD length, const BYTE* data)
{
    VendorCommand command(0x90, pathId, targetId);
    command.Address(address).Sub(sub).Byte(11, c11).Write(length).StatusPreset();
    if (sub == 0x81)
        command.SectorByte(8, length);
    else if (sub == 0x82)
        command.Byte(8, 5);
    return ResultOf(command.Send(device, data, nullptr));
}

int CVCommCMDControl::TestCommandRead(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4, BYTE* data)
{
    OutputDebugStringA(" TestCommandRead()");
    auto cdb = CdbFromWords(dw0, dw1, dw2, dw3, dw4);
    return ResultOf(VendorCommand::Raw(cdb).Read(CdbLengthField(cdb)).Send(device, nullptr, data));
}

int CVCommCMDControl::TestCommandWrite(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4,
                                       const BYTE* data)
{
    OutputDebugStringA(" TestCommandWrite()");
    auto cdb = CdbFromWords(dw0, dw1, dw2, dw3, dw4);
    return ResultOf(VendorCommand::Raw(cdb).Write(CdbLengthField(cdb)).Send(device, data, nullptr));
}

int CVCommCMDControl::ATACommandRead(HANDLE device, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4,
                                     DWORD transferLength, BYTE* data)
{
    OutputDebugStringA("ATACommandRead()");
    auto cdb = CdbFromWords(dw0, dw1, dw2, dw3, dw4);
    return ResultOf(VendorCommand::Raw(cdb).Read(transferLength).Send(device, nullptr, data));
}
