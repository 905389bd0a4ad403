// What the port views read from a drive's replies in flash-drive mode: how many channels
// and chip enables its flash has (from the flash-id replies of its chip enables) and the
// capacities its CIS holds.
#pragma once

#include "engine/cis/cis_image.h"
#include "platform/base/wintypes.h"

#include <array>
#include <cstddef>

constexpr std::size_t kFlashIdReplyBytes = 64; // one 16-byte group per channel
constexpr int kMostFlashChannels = 4;
constexpr int kMostChipEnables = 4;

using FlashIdReply = std::array<BYTE, kFlashIdReplyBytes>;

// 1 + the groups at 16, 32 and 48 of chip enable 0's reply that repeat its first 8 bytes
// (the reference id), counted until the first that does not.
int FlashChannelCount(const FlashIdReply& chipEnable0);

// Another chip enable's reply counts when each of its first `channels` groups repeats the
// reference id.
bool ChipEnableRepeats(const FlashIdReply& reply, int channels, const FlashIdReply& chipEnable0);

// The capacities of a CIS block as the device holds it (big-endian fields).
struct CisCapacities {
    DWORD physical;                            // sectors
    std::array<DWORD, cis::kLunCount> luns;    // sectors
};
CisCapacities CisBlockCapacities(const CISImage& deviceOrder);
