// The vendor slots with logic of their own: XDATA access with one retry, the block
// transfer that protects CIS and ISP blocks by switching encryption off and the ECC to its
// strongest setting around the transfer, and the block erase. None writes an entry line.
#include "server/shell/base_api2.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/shell/port_device.h"

#include <cstring>

using portwarden::BufferGiven;
using portwarden::FitsWord;
using portwarden::OnPortDevice;

namespace {

constexpr WORD kEncryptionRegister = 0x2809;
constexpr WORD kEccRegister = 0x2608;
constexpr BYTE kEncryptionOn = 0x01;
constexpr BYTE kEccStrongest = 0x02;
constexpr int kRegisterReadAttempts = 10;
constexpr DWORD kXdataRetryWaitMs = 10;
constexpr DWORD kProtectedSettleMs = 20;
constexpr BYTE kFlagUnprotectedIsp = 0x40;
constexpr BYTE kFlagProtected = 0x80;
constexpr INT kMaxBlockTransfer = 65536;
constexpr INT kSector = 512;

bool BlockLengthFits(INT length)
{
    if (length >= 0 && length <= kMaxBlockTransfer && length % kSector == 0)
        return true;
    platform::DebugPrintf("block transfer of %d bytes refused: not whole sectors within 64 KiB", length);
    return false;
}

} // namespace

INT CBaseAPI2::XdataTransfer(HANDLE device, bool read, WORD reg, DWORD length, BYTE* buffer)
{
    auto send = [&] {
        return read ? vendor_->VendorRead(device, 0x04, 0, 0, reg, length, buffer)
                    : vendor_->VendorWrite(device, 0x05, 0, 0, reg, length, buffer);
    };
    if (send() == 1)
        return 1;
    platform::DebugPrintf(" Retry ReadWriteXdata[0x%04X]", unsigned{reg});
    Sleep(kXdataRetryWaitMs);
    return send();
}

INT CBaseAPI2::ReadWriteXdata(HANDLE* handles, BYTE index, BYTE rd, INT reg, INT length, BYTE* buffer)
{
    if (!FitsWord(reg, "XDATA register") || !FitsWord(length, "XDATA length") || !BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return XdataTransfer(device, rd == 1, static_cast<WORD>(reg), static_cast<DWORD>(length), buffer);
    });
}

// Reads one register, up to 10 attempts; `valid` says which values count as read.
bool CBaseAPI2::ReadRegister(HANDLE device, WORD reg, BYTE& value, const char* retryLine, bool (*valid)(BYTE))
{
    for (int attempt = 0; attempt < kRegisterReadAttempts; ++attempt) {
        value = 0xFF;
        if (vendor_->VendorRead(device, 0x04, 0, 0, reg, 1, &value) == 1 && valid(value))
            return true;
        OutputDebugStringA(retryLine);
    }
    OutputDebugStringA(" ReadWriteBlock Retry Over!!");
    return false;
}

bool CBaseAPI2::RestoreRegister(HANDLE device, WORD reg, BYTE value)
{
    if (XdataTransfer(device, false, reg, 1, &value) == 1)
        return true;
    platform::DebugPrintf(" ReadWriteBlock: register 0x%04X not restored to 0x%02X", unsigned{reg}, unsigned{value});
    return false;
}

INT CBaseAPI2::BlockTransfer(HANDLE device, BYTE rd, BYTE kind, BYTE flags, const BlockTag& tag, DWORD block,
                             DWORD length, BYTE* buffer)
{
    if (rd == 1)
        return vendor_->BlockAccessRead(device, 0x89, kind, flags, 0, 0, block, length, buffer);
    return vendor_->BlockAccessWrite(device, 0x8B, kind, flags, tag, 0, 0, block, length, buffer);
}

// Encryption off and the strongest ECC for the transfer; whatever was changed is put back,
// and the call succeeds only when the transfer and every restore did.
INT CBaseAPI2::ProtectedBlockTransfer(HANDLE device, BYTE rd, BYTE kind, BYTE flags, const BlockTag& tag, DWORD block,
                                      DWORD length, BYTE* buffer)
{
    BYTE encryption = 0xFF;
    if (!ReadRegister(device, kEncryptionRegister, encryption, " Retry Read Encryption Register2",
                      [](BYTE value) { return value != 0xFF; }))
        return 0;
    BYTE off = static_cast<BYTE>(encryption & ~kEncryptionOn);
    if (vendor_->VendorWrite(device, 0x05, 0, 0, kEncryptionRegister, 1, &off) != 1) {
        OutputDebugStringA(" ReadWriteBlock: encryption not switched off");
        RestoreRegister(device, kEncryptionRegister, encryption);
        return 0;
    }
    BYTE ecc = 0xFF;
    if (!ReadRegister(device, kEccRegister, ecc, " Retry Read ECC Setting Register2", [](BYTE) { return true; })) {
        RestoreRegister(device, kEncryptionRegister, encryption);
        return 0;
    }
    BYTE strongest = static_cast<BYTE>((ecc & 0xFE) | kEccStrongest);
    if (vendor_->VendorWrite(device, 0x05, 0, 0, kEccRegister, 1, &strongest) != 1) {
        OutputDebugStringA(" ReadWriteBlock: ECC setting not changed");
        RestoreRegister(device, kEncryptionRegister, encryption);
        RestoreRegister(device, kEccRegister, ecc);
        return 0;
    }
    if (tag[0] == 'C')
        OutputDebugStringA(" @@ MaxECC");
    Sleep(kProtectedSettleMs);
    INT result = BlockTransfer(device, rd, kind, static_cast<BYTE>(flags | kFlagProtected), tag, block, length, buffer);
    bool restored = RestoreRegister(device, kEncryptionRegister, encryption);
    restored = RestoreRegister(device, kEccRegister, ecc) && restored;
    return result == 1 && restored ? 1 : 0;
}

INT CBaseAPI2::ReadWriteBlock(HANDLE* handles, BYTE index, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block,
                              INT length, BYTE* buffer)
{
    if (!BlockLengthFits(length) || !BufferGiven(buffer, length))
        return 0;
    BlockTag characters;
    std::memcpy(characters.data(), tag.characters, characters.size());
    const bool cis = std::memcmp(tag.characters, "CIS", 3) == 0;
    const bool isp = std::memcmp(tag.characters, "ISP", 3) == 0;
    auto sentFlags = static_cast<BYTE>(flags);
    bool protectedMode = cis || (isp && (sentFlags & kFlagUnprotectedIsp) == 0);
    if (isp)
        sentFlags = static_cast<BYTE>(sentFlags & ~kFlagUnprotectedIsp);
    return OnPortDevice(handles, index, [&](HANDLE device) {
        const auto at = static_cast<DWORD>(block);
        const auto count = static_cast<DWORD>(length);
        const auto k = static_cast<BYTE>(kind);
        if (protectedMode)
            return ProtectedBlockTransfer(device, rd, k, sentFlags, characters, at, count, buffer);
        return BlockTransfer(device, rd, k, sentFlags, characters, at, count, buffer);
    });
}

INT CBaseAPI2::EraseBlock(HANDLE* handles, BYTE index, INT block, BYTE* out1)
{
    if (!BufferGiven(out1, 1))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor_->BlockAccessErase(device, 0x8E, 0, 0, static_cast<DWORD>(block), 1, out1);
    });
}
