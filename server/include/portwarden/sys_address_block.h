// The 64-byte system address block a device hands out and takes (IPortwardenCtrl2 slot 35):
// four big-endian 32-bit block addresses (CIS block 1 and 2, ISP block 1 and 2), then 48
// bytes carried as the device gives them. A first address of 0xFFFFFFFF means that no
// system area has been built on the device yet.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>

#pragma pack(push, 1)

struct SysAddressBlock {
    BYTE addresses[4][4]; // 0   big-endian: CIS 1, CIS 2, ISP 1, ISP 2
    BYTE rest[48];        // 16
};

#pragma pack(pop)

static_assert(sizeof(SysAddressBlock) == 64, "the device's record is 64 bytes");

namespace portwarden {

enum class SystemBlock { Cis1 = 0, Cis2 = 1, Isp1 = 2, Isp2 = 3 };

constexpr DWORD kSystemAreaNotBuilt = 0xFFFFFFFF;

inline DWORD SystemBlockAddress(const SysAddressBlock& block, SystemBlock which)
{
    const BYTE* at = block.addresses[static_cast<std::size_t>(which)];
    return DWORD{at[0]} << 24 | DWORD{at[1]} << 16 | DWORD{at[2]} << 8 | at[3];
}

inline void SetSystemBlockAddress(SysAddressBlock& block, SystemBlock which, DWORD address)
{
    BYTE* at = block.addresses[static_cast<std::size_t>(which)];
    at[0] = static_cast<BYTE>(address >> 24);
    at[1] = static_cast<BYTE>(address >> 16);
    at[2] = static_cast<BYTE>(address >> 8);
    at[3] = static_cast<BYTE>(address);
}

inline bool SystemAreaBuilt(const SysAddressBlock& block)
{
    return SystemBlockAddress(block, SystemBlock::Cis1) != kSystemAreaNotBuilt;
}

} // namespace portwarden
