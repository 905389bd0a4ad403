// CBaseAPI2: the object behind IPortwardenCtrl2, one slot per vendor command family
// (base_api2_vendor.cpp; the slots with logic of their own in base_api2_blocks.cpp).
#pragma once

#include "portwarden/interfaces.h"
#include "server/scsi/vcomm_control.h"
#include "server/shell/com_object.h"

#include <optional>

class CBaseAPI2 final : public portwarden::ComObject<IPortwardenCtrl2, CBaseAPI2> {
public:
    CBaseAPI2();
    ~CBaseAPI2();
    CBaseAPI2(const CBaseAPI2&) = delete;
    CBaseAPI2& operator=(const CBaseAPI2&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;

    INT ReadCode(HANDLE* handles, BYTE index, WORD address, INT length, BYTE* out) override;
    INT ReadData(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) override;
    INT ReadWriteXdata(HANDLE* handles, BYTE index, BYTE rd, INT reg, INT length, BYTE* buffer) override;
    INT CPUReset(HANDLE* handles, BYTE index) override;
    INT ReadDeivceID(HANDLE* handles, BYTE index, BYTE* out16) override;
    INT ReadLUNCONFIG(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer48) override;
    INT ReadLUNDATA(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) override;
    INT DeviceChange(HANDLE* handles, BYTE index) override;
    INT MediaChange(HANDLE* handles, BYTE index) override;
    INT WriteProtect(HANDLE* handles, BYTE index, INT on) override;
    INT ReadLunType(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) override;
    INT ReadLunNo(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) override;
    INT ReadLunID(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) override;
    INT LogLunIndex(HANDLE* handles, BYTE index, BYTE* out) override;
    INT HidLunIndex(HANDLE* handles, BYTE index, BYTE* out) override;
    INT GetFWKey(HANDLE* handles, BYTE index, INT param, BYTE* out) override;
    INT InitPassWord(HANDLE* handles, BYTE index, const BYTE* in511) override;
    INT GetPassWord(HANDLE* handles, BYTE index, BYTE* out511) override;
    INT VerifyPassWord(HANDLE* handles, BYTE index, const BYTE* in511) override;
    INT CheckSecurity(HANDLE* handles, BYTE index, INT param, BYTE* out) override;
    INT ClearCache(HANDLE* handles, BYTE index) override;
    INT ReadEEPROM(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                   BYTE* buffer) override;
    INT ReadFW(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length, BYTE* buffer) override;
    INT BIST(HANDLE* handles, BYTE index, BYTE* out) override;
    INT DeviceConnect(HANDLE* handles, BYTE index, INT value) override;
    INT Erase(HANDLE* handles, BYTE index) override;
    INT ReadPartition(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) override;
    INT ReadButton(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) override;
    INT EndSgmt(HANDLE* handles, BYTE index) override;
    INT InitSgmt(HANDLE* handles, BYTE index, INT b, INT c, INT d, INT length, const BYTE* in) override;
    INT ReadFlashID(HANDLE* handles, BYTE index, INT param, BYTE* out64) override;
    INT ReadSYSReady(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) override;
    INT ReadSYSAddress(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64) override;
    INT ReadFlashMethod(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64) override;
    INT ReadSpare(HANDLE* handles, BYTE index, BYTE rd, INT c9, INT c10, INT address, INT length,
                  BYTE* buffer) override;
    INT ReadWriteBlock(HANDLE* handles, BYTE index, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block, INT length,
                       BYTE* buffer) override;
    INT EraseBlock(HANDLE* handles, BYTE index, INT block, BYTE* out1) override;
    INT ReadSts(HANDLE* handles, BYTE index, INT block, BYTE* out1) override;
    INT MarkBad(HANDLE* handles, BYTE index, INT block, INT c8, INT c11, INT c12) override;
    INT CheckBad(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                 BYTE* out) override;
    INT EraseSys(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                 BYTE* out) override;
    INT ReadTestCmd(HANDLE* handles, BYTE index, BYTE rd, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3, DWORD dw4,
                    BYTE* buffer) override;

private:
    // Shared by the slots of one family (base_api2_vendor.cpp).
    INT LunSetting(HANDLE* handles, BYTE index, BYTE rd, BYTE readSub, DWORD readLength, INT value, BYTE* out);
    INT SecurityTransfer(HANDLE* handles, BYTE index, bool read, BYTE sub, INT param, DWORD length, BYTE* buffer);
    INT AccessTransfer(HANDLE* handles, BYTE index, bool read, BYTE sub, BYTE c11, INT address, INT length,
                       BYTE* buffer, BYTE c12, BYTE c13);
    INT SystemRecord(HANDLE* handles, BYTE index, BYTE rd, BYTE readSub, BYTE* buffer64);
    INT BadBlockCommand(HANDLE* handles, BYTE index, BYTE op, INT address, INT c9, INT c10, INT c11, INT c12,
                        INT length, BYTE* out);

    // Made in the constructor's body, after its entry line.
    std::optional<CVCommCMDControl> vendor_;
};
