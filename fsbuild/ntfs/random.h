// Random numbers for volume serial numbers; safe to draw from concurrent builds.
#pragma once

#include <cstdint>

namespace ntfs {

std::uint32_t NextRandom();

} // namespace ntfs
