// The switches of the settings that steer a flash-drive run.
#pragma once

#include "platform/base/wintypes.h"

namespace ufd {

// TestProcedureMask: the steps left out.
constexpr DWORD kSkipSystemTable = 1u << 0;
constexpr DWORD kSkipIspFirmware = 1u << 1;
constexpr DWORD kSkipCis = 1u << 2;
constexpr DWORD kSkipLunImages = 1u << 3;
constexpr DWORD kSkipStressTest = 1u << 4;
constexpr DWORD kSkipBootCode = 1u << 5;

// LunTypeBitMap.
constexpr DWORD kBootCodeFlash35 = 1u << 13;
constexpr DWORD kBootCodeFlash34 = 1u << 14;
constexpr DWORD kBootCodeFlash33 = 1u << 30;
constexpr DWORD kForceSecondBuild = 1u << 22;
constexpr DWORD kDumpMemory = 1u << 26;
constexpr DWORD kScanBlocksOnly = 1u << 27;
constexpr DWORD kClearSystemBlock = 1u << 28;
constexpr DWORD kForceFirstBuild = 1u << 29;

// Bits 16..19: the bit errors a block read back may show.
inline BYTE AcceptedBitErrors(DWORD lunTypeBitMap)
{
    return static_cast<BYTE>((lunTypeBitMap >> 16) & 0x0F);
}

inline bool LunPresent(DWORD lunTypeBitMap, int lun)
{
    return (lunTypeBitMap >> lun & 1) != 0;
}

// FabrunMode.
constexpr DWORD kModeSerialTextFiles = 0x04; // one result file per serial number instead of the INI log
constexpr DWORD kModeBuildOnDevice = 0x08;   // every selected LUN is built on the device

} // namespace ufd
