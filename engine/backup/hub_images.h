// The combined images of hub and device firmware for an external flash programmer: both
// files laid side by side, as they are stored (no CRC is added), in a flash image of the
// right size whose other bytes are 0xFF.
#pragma once

#include "platform/base/wintypes.h"

#include <span>
#include <vector>

struct HubImageLayout {
    const char16_t* fileName;  // written beside the program
    DWORD imageSize;
    DWORD hubLimit;            // the hub file at offset 0, cut to this size
    DWORD deviceOffset;        // the device file, cut to deviceLimit
    DWORD deviceLimit;
    // Where the device file goes again for its size (0 for no second copy).
    DWORD (*secondCopyOffset)(DWORD deviceSize);
    const char* chip;          // in the operator's messages: "521", "522"
};

// "HubAnd521.Bin": 112 KiB, the hub file (at most 64 KiB) at 0, the device file (at most
// 48 KiB) at 0x10000.
extern const HubImageLayout HubAnd521Layout;
// "HubAnd522.Bin": 256 KiB, the hub file (at most 64 KiB) at 0, the device file (n bytes,
// at most 64 KiB) at 0x20000 and again at 0x28000 when n <= 32 KiB, else at 0x30000.
extern const HubImageLayout HubAnd522Layout;

// The image of `hub` and `device`, each taken up to its limit.
std::vector<BYTE> CombineHubImage(const HubImageLayout& layout, std::span<const BYTE> hub, std::span<const BYTE> device);
