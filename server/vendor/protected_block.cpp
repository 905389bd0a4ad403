#include "server/vendor/protected_block.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/scsi/controller_calls.h"
#include "server/vendor/xdata_access.h"

#include <algorithm>

namespace vendor {
namespace {

constexpr int kRegisterReadAttempts = 10;
constexpr DWORD kSettleMs = 20;
constexpr BYTE kFlagUnprotectedIsp = 0x40;
constexpr BYTE kFlagProtected = 0x80;

bool StartsWith(const BlockTag& tag, const char (&prefix)[4])
{
    return std::equal(prefix, prefix + 3, tag.begin());
}

// One register, read until it answers (and, with `ffFails`, with another value than 0xFF),
// at most 10 attempts.
bool ReadRegister(CVCommCMDControl& sender, HANDLE device, WORD reg, BYTE& value, const char* retryLine, bool ffFails)
{
    if (scsi::Retry(kRegisterReadAttempts, retryLine,
                    [&] { return scsi::ReadXdataByte(sender, device, reg, value, ffFails); }))
        return true;
    OutputDebugStringA(" ReadWriteBlock Retry Over!!");
    return false;
}

// A restore gets the one retry of XDATA access: a register left changed would spoil
// every later transfer of the device.
bool RestoreRegister(CVCommCMDControl& sender, HANDLE device, WORD reg, BYTE value)
{
    if (XdataTransfer(sender, device, false, reg, 1, &value) == 1)
        return true;
    platform::DebugPrintf(" ReadWriteBlock: register 0x%04X not restored to 0x%02X", unsigned{reg}, unsigned{value});
    return false;
}

int Send(CVCommCMDControl& sender, HANDLE device, const BlockRequest& request, BYTE flags)
{
    if (request.read)
        return sender.BlockAccessRead(device, 0x89, request.kind, flags, 0, 0, request.block, request.length,
                                      request.buffer);
    return sender.BlockAccessWrite(device, 0x8B, request.kind, flags, request.tag, 0, 0, request.block, request.length,
                                   request.buffer);
}

int ProtectedTransfer(CVCommCMDControl& sender, HANDLE device, const BlockRequest& request, BYTE flags)
{
    BYTE encryption = 0xFF;
    using scsi::reg::kEccSetting;
    using scsi::reg::kEncryption;
    if (!ReadRegister(sender, device, kEncryption, encryption, " Retry Read Encryption Register2", true))
        return 0;
    if (!scsi::WriteXdataByte(sender, device, kEncryption, static_cast<BYTE>(encryption & ~scsi::kEncryptionOn))) {
        OutputDebugStringA(" ReadWriteBlock: encryption not switched off");
        RestoreRegister(sender, device, kEncryption, encryption);
        return 0;
    }
    BYTE ecc = 0xFF;
    if (!ReadRegister(sender, device, kEccSetting, ecc, " Retry Read ECC Setting Register2", false)) {
        RestoreRegister(sender, device, kEncryption, encryption);
        return 0;
    }
    if (!scsi::WriteXdataByte(sender, device, kEccSetting, scsi::StrongestEcc(ecc))) {
        OutputDebugStringA(" ReadWriteBlock: ECC setting not changed");
        RestoreRegister(sender, device, kEncryption, encryption);
        RestoreRegister(sender, device, kEccSetting, ecc);
        return 0;
    }
    if (request.tag[0] == 'C')
        OutputDebugStringA(" @@ MaxECC");
    Sleep(kSettleMs);
    const int result = Send(sender, device, request, static_cast<BYTE>(flags | kFlagProtected));
    bool restored = RestoreRegister(sender, device, kEncryption, encryption);
    restored = RestoreRegister(sender, device, kEccSetting, ecc) && restored;
    return result == 1 && restored ? 1 : 0;
}

} // namespace

int TransferBlock(CVCommCMDControl& sender, HANDLE device, const BlockRequest& request)
{
    const bool cis = StartsWith(request.tag, "CIS");
    const bool isp = StartsWith(request.tag, "ISP");
    BYTE flags = request.flags;
    const bool protectedMode = cis || (isp && (flags & kFlagUnprotectedIsp) == 0);
    if (isp)
        flags = static_cast<BYTE>(flags & ~kFlagUnprotectedIsp);
    return protectedMode ? ProtectedTransfer(sender, device, request, flags) : Send(sender, device, request, flags);
}

} // namespace vendor
