// The vendor operations, one slot per command family, each one vendor command (the slots
// with logic of their own are in base_api2_blocks.cpp). Read/write pairs name the
// direction taken on entry (rd = 1 reads, any other value writes).
#include "server/shell/base_api2.h"

#include "platform/debug/debug.h"
#include "server/scsi/controller_calls.h"
#include "server/shell/port_device.h"
#include "server/shell/vendor_access.h"

using portwarden::BufferGiven;
using portwarden::FitsWord;
using portwarden::OnPortDevice;

namespace {

constexpr DWORD kDeviceIdLength = 16;
constexpr DWORD kLunIdLength = 5;
constexpr DWORD kHiddenLunIndexLength = 10;
constexpr DWORD kPasswordLength = 511;
constexpr DWORD kSystemRecordLength = 64;
constexpr BYTE kMediaChangeParameter = 16;
constexpr BYTE kBlockStatusSelector = 0x70;

const char* Direction(BYTE rd, const char* read, const char* write)
{
    return rd == 1 ? read : write;
}

BYTE Low(INT value)
{
    return static_cast<BYTE>(value);
}

} // namespace

INT CBaseAPI2::ReadCode(HANDLE* handles, BYTE index, WORD address, INT length, BYTE* out)
{
    OutputDebugStringA("ReadCode()");
    if (!BufferGiven(out, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->VendorRead(device, 0x01, 0, 0, address, static_cast<DWORD>(length), out);
    });
}

INT CBaseAPI2::ReadData(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadData()", "WriteData()"));
    if (!FitsWord(address, "data memory address") || !BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        const auto at = static_cast<WORD>(address);
        if (rd == 1)
            return vendor_->VendorRead(device, 0x02, 0, 0, at, static_cast<DWORD>(length), buffer);
        return vendor_->VendorWrite(device, 0x03, 0, 0, at, static_cast<DWORD>(length), buffer);
    });
}

INT CBaseAPI2::CPUReset(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("CPUReset()");
    return OnPortDevice(handles, index, [&](HANDLE device) { return scsi::SendCpuReset(*vendor_, device); });
}

INT CBaseAPI2::ReadDeivceID(HANDLE* handles, BYTE index, BYTE* out16)
{
    OutputDebugStringA("ReadDeivceID()");
    if (!BufferGiven(out16, kDeviceIdLength))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->ConfigureLUNRead(device, 0x12, 0, 0, 0, kDeviceIdLength, out16);
    });
}

INT CBaseAPI2::ReadLUNCONFIG(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer48)
{
    OutputDebugStringA(Direction(rd, "ReadLUNCONFIG()", "WriteLUNCONFIG()"));
    if (!BufferGiven(buffer48, scsi::kLunConfigurationLength))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return scsi::TransferLunConfiguration(*vendor_, device, rd == 1, buffer48);
    });
}

INT CBaseAPI2::ReadLUNDATA(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadLUNDATA()", "WriteLUNDATA()"));
    if (!BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        const auto at = static_cast<DWORD>(address);
        if (rd == 1)
            return vendor_->ConfigureLUNRead(device, 0x28, 0, 0, at, static_cast<DWORD>(length), buffer);
        return vendor_->ConfigureLUNWrite(device, 0x2A, 0, 0, at, static_cast<DWORD>(length), buffer);
    });
}

INT CBaseAPI2::DeviceChange(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("DeviceChange()");
    return OnPortDevice(handles, index,
                        [&](HANDLE device) { return vendor_->LUNCONFIGWrite(device, 0x82, 0, 0, 0, 0, nullptr); });
}

INT CBaseAPI2::MediaChange(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("MediaChange()");
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->LUNCONFIGWrite(device, 0x83, kMediaChangeParameter, 0, 0, 0, nullptr);
    });
}

INT CBaseAPI2::WriteProtect(HANDLE* handles, BYTE index, INT on)
{
    OutputDebugStringA("WriteProtect()");
    return OnPortDevice(handles, index,
                        [&](HANDLE device) { return vendor_->LUNCONFIGWrite(device, 0x84, Low(on), 0, 0, 0, nullptr); });
}

// The three LUN settings read a few bytes (readSub) or write the value as the parameter.
INT CBaseAPI2::LunSetting(HANDLE* handles, BYTE index, BYTE rd, BYTE readSub, DWORD readLength, INT value, BYTE* out)
{
    if (rd == 1 && !BufferGiven(out, static_cast<INT>(readLength)))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (rd == 1)
            return vendor_->LUNCONFIGRead(device, readSub, 0, 0, 0, readLength, out);
        return vendor_->LUNCONFIGWrite(device, static_cast<BYTE>(readSub + 1), Low(value), 0, 0, 0, nullptr);
    });
}

INT CBaseAPI2::ReadLunType(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out)
{
    OutputDebugStringA(Direction(rd, "ReadLunType()", "WriteLunType()"));
    return LunSetting(handles, index, rd, 0x85, 1, value, out);
}

INT CBaseAPI2::ReadLunNo(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out)
{
    OutputDebugStringA(Direction(rd, "ReadLunNo()", "WriteLunNo()"));
    return LunSetting(handles, index, rd, 0x87, 1, value, out);
}

INT CBaseAPI2::ReadLunID(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out)
{
    OutputDebugStringA(Direction(rd, "ReadLunID()", "WriteLunID()"));
    return LunSetting(handles, index, rd, 0x89, kLunIdLength, value, out);
}

INT CBaseAPI2::LogLunIndex(HANDLE* handles, BYTE index, BYTE* out)
{
    OutputDebugStringA("LogLunIndex()");
    if (!BufferGiven(out, 1))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) { return vendor_->LUNCONFIGRead(device, 0x8C, 0, 0, 0, 1, out); });
}

INT CBaseAPI2::HidLunIndex(HANDLE* handles, BYTE index, BYTE* out)
{
    OutputDebugStringA("HidLunIndex()");
    if (!BufferGiven(out, kHiddenLunIndexLength))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->LUNCONFIGRead(device, 0x8D, 0, 0, 0, kHiddenLunIndexLength, out);
    });
}

// Group 0x66: data in for a read, data out for a write, the parameter in CDB byte 11.
INT CBaseAPI2::SecurityTransfer(HANDLE* handles, BYTE index, bool read, BYTE sub, INT param, DWORD length, BYTE* buffer)
{
    if (!BufferGiven(buffer, static_cast<INT>(length)))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (read)
            return vendor_->SecurityConfigRead(device, sub, Low(param), 0, 0, length, buffer);
        return vendor_->SecurityConfigWrite(device, sub, Low(param), 0, 0, length, buffer);
    });
}

INT CBaseAPI2::GetFWKey(HANDLE* handles, BYTE index, INT param, BYTE* out)
{
    OutputDebugStringA("GetFWKey()");
    return SecurityTransfer(handles, index, true, 0x80, param, 1, out);
}

INT CBaseAPI2::InitPassWord(HANDLE* handles, BYTE index, const BYTE* in511)
{
    OutputDebugStringA("InitPassWord()");
    return SecurityTransfer(handles, index, false, 0x85, 0, kPasswordLength, const_cast<BYTE*>(in511));
}

INT CBaseAPI2::GetPassWord(HANDLE* handles, BYTE index, BYTE* out511)
{
    OutputDebugStringA("GetPassWord()");
    return SecurityTransfer(handles, index, true, 0x86, 0, kPasswordLength, out511);
}

INT CBaseAPI2::VerifyPassWord(HANDLE* handles, BYTE index, const BYTE* in511)
{
    OutputDebugStringA("VerifyPassWord()");
    return SecurityTransfer(handles, index, false, 0x87, 0, kPasswordLength, const_cast<BYTE*>(in511));
}

INT CBaseAPI2::CheckSecurity(HANDLE* handles, BYTE index, INT param, BYTE* out)
{
    OutputDebugStringA("CheckSecurity()");
    return SecurityTransfer(handles, index, true, 0x88, param, 1, out);
}

INT CBaseAPI2::ClearCache(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("ClearCache()");
    return OnPortDevice(handles, index, [&](HANDLE device) { return vendor_->CacheClear(device, 0, 0); });
}

INT CBaseAPI2::AccessTransfer(HANDLE* handles, BYTE index, bool read, BYTE sub, BYTE c11, INT address, INT length,
                              BYTE* buffer, BYTE c12, BYTE c13)
{
    return portwarden::VendorAccessTransfer(*vendor_, handles, index, read, sub, c11, address, length, buffer, c12, c13);
}

INT CBaseAPI2::ReadEEPROM(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadEEPROM()", "WriteEEPROM()"));
    return AccessTransfer(handles, index, rd == 1, 0x80, rd == 1 ? 1 : rd, address, length, buffer, Low(p1), Low(p2));
}

INT CBaseAPI2::ReadFW(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadFW()", "WriteFW()"));
    if (rd == 1)
        return AccessTransfer(handles, index, true, 0x81, 1, address, length, buffer, 0, 0);
    return AccessTransfer(handles, index, false, 0x81, rd, address, length, buffer, 0, Low(flashType));
}

INT CBaseAPI2::BIST(HANDLE* handles, BYTE index, BYTE* out)
{
    OutputDebugStringA("BIST()");
    return AccessTransfer(handles, index, true, 0x82, 0, 0, 1, out, 0, 0);
}

INT CBaseAPI2::DeviceConnect(HANDLE* handles, BYTE index, INT value)
{
    OutputDebugStringA("DeviceConnect()");
    return AccessTransfer(handles, index, false, 0x83, Low(value), 0, 0, nullptr, 0, 0);
}

INT CBaseAPI2::Erase(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("Erase()");
    return AccessTransfer(handles, index, false, 0x84, 0, 0, 0, nullptr, 0, 0);
}

INT CBaseAPI2::ReadPartition(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadPartition()", "WritePartition()"));
    return AccessTransfer(handles, index, rd == 1, rd == 1 ? 0x85 : 0x86, 0, address, length, buffer, 0, 0);
}

INT CBaseAPI2::ReadButton(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out)
{
    OutputDebugStringA(Direction(rd, "ReadButton()", "WriteButton()"));
    if (rd == 1)
        return AccessTransfer(handles, index, true, 0x87, 0, 0, 1, out, 0, 0);
    BYTE low = Low(value);
    return AccessTransfer(handles, index, false, 0x88, low, 0, 1, &low, 0, 0);
}

INT CBaseAPI2::EndSgmt(HANDLE* handles, BYTE index)
{
    OutputDebugStringA("EndSgmt()");
    return OnPortDevice(handles, index, [&](HANDLE device) { return vendor_->ISPAccessWrite(device, 0x80, 0, 0, 0, 0, nullptr); });
}

INT CBaseAPI2::InitSgmt(HANDLE* handles, BYTE index, INT b, INT c, INT d, INT length, const BYTE* in)
{
    OutputDebugStringA("InitSgmt()");
    if (!BufferGiven(in, length))
        return 0;
    const DWORD address = DWORD{Low(b)} << 16 | DWORD{Low(c)} << 8 | Low(d);
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->ISPAccessWrite(device, 0x81, 0, 0, address, static_cast<DWORD>(length), in);
    });
}

INT CBaseAPI2::ReadFlashID(HANDLE* handles, BYTE index, INT param, BYTE* out64)
{
    OutputDebugStringA("ReadFlashID()");
    if (!BufferGiven(out64, scsi::kFlashIdLength))
        return 0;
    return OnPortDevice(handles, index,
                        [&](HANDLE device) { return scsi::ReadFlashId(*vendor_, device, Low(param), out64); });
}

INT CBaseAPI2::ReadSYSReady(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out)
{
    OutputDebugStringA(Direction(rd, "ReadSYSReady()", "WriteSYSReady()"));
    if (rd == 1 && !BufferGiven(out, 1))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (rd == 1)
            return vendor_->SystemAccessRead(device, 0x85, 0, 0, 0, 0, 1, out);
        return vendor_->SystemAccessWrite(device, 0x86, Low(value), 0, 0, 0, 0, nullptr);
    });
}

// The two 64-byte system records: read with readSub, written with readSub + 1.
INT CBaseAPI2::SystemRecord(HANDLE* handles, BYTE index, BYTE rd, BYTE readSub, BYTE* buffer64)
{
    if (!BufferGiven(buffer64, kSystemRecordLength))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (rd == 1)
            return vendor_->SystemAccessRead(device, readSub, 0, 0, 0, 0, kSystemRecordLength, buffer64);
        return vendor_->SystemAccessWrite(device, static_cast<BYTE>(readSub + 1), 0, 0, 0, 0, kSystemRecordLength,
                                          buffer64);
    });
}

INT CBaseAPI2::ReadSYSAddress(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64)
{
    OutputDebugStringA(Direction(rd, "ReadSYSAddress()", "WriteSYSAddress()"));
    return SystemRecord(handles, index, rd, 0x8C, buffer64);
}

INT CBaseAPI2::ReadFlashMethod(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64)
{
    OutputDebugStringA(Direction(rd, "ReadFlashMethod()", "WriteFlashMethod()"));
    return SystemRecord(handles, index, rd, 0x8E, buffer64);
}

INT CBaseAPI2::ReadSpare(HANDLE* handles, BYTE index, BYTE rd, INT c9, INT c10, INT address, INT length, BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadSpare()", "WriteSpare()"));
    if (!BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        const auto at = static_cast<DWORD>(address);
        const auto count = static_cast<DWORD>(length);
        if (rd == 1)
            return vendor_->SpareAccessRead(device, 0x88, Low(c9), Low(c10), 0, 0, at, count, buffer);
        return vendor_->SpareAccessWrite(device, 0x8A, Low(c9), Low(c10), 0, 0, at, count, buffer);
    });
}

INT CBaseAPI2::ReadSts(HANDLE* handles, BYTE index, INT block, BYTE* out1)
{
    OutputDebugStringA("ReadSts()");
    if (!BufferGiven(out1, 1))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->BlockMarkRead(device, 0x70, 0, 0, static_cast<DWORD>(block), 1, 0, kBlockStatusSelector, 0, out1);
    });
}

INT CBaseAPI2::MarkBad(HANDLE* handles, BYTE index, INT block, INT c8, INT c11, INT c12)
{
    OutputDebugStringA("MarkBad()");
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->BlockMarkWrite(device, 0x80, 0, 0, static_cast<DWORD>(block), 0, Low(c8), Low(c11), Low(c12),
                                       nullptr);
    });
}

// Group 0x51: op 0 checks bad blocks, op 1 erases the system area.
INT CBaseAPI2::BadBlockCommand(HANDLE* handles, BYTE index, BYTE op, INT address, INT c9, INT c10, INT c11, INT c12,
                               INT length, BYTE* out)
{
    if (!BufferGiven(out, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->BlockCheckErase(device, op, 0, 0, static_cast<DWORD>(address), static_cast<DWORD>(length),
                                        Low(c9), Low(c10), Low(c11), Low(c12), out);
    });
}

INT CBaseAPI2::CheckBad(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                        BYTE* out)
{
    OutputDebugStringA("CheckBad()");
    return BadBlockCommand(handles, index, 0, address, c9, c10, c11, c12, length, out);
}

INT CBaseAPI2::EraseSys(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                        BYTE* out)
{
    OutputDebugStringA("EraseSys()");
    return BadBlockCommand(handles, index, 1, address, c9, c10, c11, c12, length, out);
}

INT CBaseAPI2::ReadTestCmd(HANDLE* handles, BYTE index, BYTE rd, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4,
                           BYTE* buffer)
{
    OutputDebugStringA(Direction(rd, "ReadTestCmd()", "WriteTestCmd()"));
    // The data length is the CDB's bytes 7..8, which dw2's high half carries.
    if (!BufferGiven(buffer, static_cast<INT>(dw2 >> 16)))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        if (rd == 1)
            return vendor_->TestCommandRead(device, dw0, dw1, dw2, dw3, dw4, buffer);
        return vendor_->TestCommandWrite(device, dw0, dw1, dw2, dw3, dw4, buffer);
    });
}
