// Random bytes for the stress tests and the VB engine's FIFO.
#pragma once

#include "platform/base/wintypes.h"

#include <vector>

namespace nand {

std::vector<BYTE> RandomPattern(std::size_t size);

} // namespace nand
