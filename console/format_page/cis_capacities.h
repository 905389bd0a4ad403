// The capacities that a device's CIS holds, read through the server: the device's system
// addresses, then its first CIS block.
#pragma once

#include "console/port_view/flash_identity.h"
#include "engine/cis/cis_image.h"
#include "platform/base/wintypes.h"

#include <array>
#include <optional>

struct PortRecord;

using LunCapacities = std::array<DWORD, cis::kLunCount>;

// From the disk open in the handle table's entry `index`: reads its system addresses into
// `image` (bytes 384..399, host order) and the capacities of its first CIS block. Nothing,
// with a debug line that `who` begins, when the device has no CIS yet or a read fails.
std::optional<CisCapacities> ReadOpenDiskCisCapacities(BYTE index, CISImage& image, const char* who);

// Opens the port's disk, reads its system addresses into `image` and the LUN capacities
// from its first CIS block, and closes the disk. Nothing, with a debug line, when the
// device has no CIS yet or a step fails.
std::optional<LunCapacities> ReadCisCapacities(int port, const PortRecord& record, CISImage& image);
