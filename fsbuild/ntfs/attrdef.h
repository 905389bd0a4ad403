// The attribute-definition table stored in "$AttrDef".
#pragma once

#include <cstdint>
#include <vector>

namespace ntfs {

constexpr std::size_t kAttrDefBytes = 2560;

// The NTFS 3.1 attribute types in type order, zero-filled to 2560 bytes.
std::vector<std::uint8_t> BuildAttrDefTable();

} // namespace ntfs
