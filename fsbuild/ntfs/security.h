// The default security descriptors of a new volume, as stored in "$Secure".
#pragma once

#include "fsbuild/ntfs/on_disk.h"

#include <cstdint>
#include <vector>

namespace ntfs {

constexpr std::uint32_t kSystemFileSecurityId = 0x100; // the system files: SYSTEM and Administrators
constexpr std::uint32_t kRootSecurityId = 0x101;       // the root folder: everyone, inherited below it
constexpr std::uint64_t kSdsMirrorDistance = 0x40000;  // each 256 KiB block of "$SDS" is followed by its copy

struct SecurityStore {
    std::vector<std::uint8_t> sds;                  // the "$SDS" stream, copy included
    std::vector<SecurityDescriptorHeader> headers;  // in security-id order
};

SecurityStore BuildDefaultSecurity();

// The hash "$SDH" is keyed by: each 32-bit word added to the running hash rotated left by 3.
std::uint32_t SecurityDescriptorHash(const std::uint8_t* descriptor, std::size_t length);

} // namespace ntfs
