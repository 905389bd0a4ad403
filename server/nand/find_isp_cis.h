// The choice of the blocks that will hold the CIS record and the ISP firmware: stress-
// tested blocks from the searches, or, in build mode 8, the blocks the MLC or TLC sorting
// leaves good.
#pragma once

#include "portwarden/block_map.h"
#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

namespace nand {

INT FindIspAndCisBlocks(const NandPort& port, UFDPortBlockMap* record, MapPtr* found, UFDFlashParams* params);

} // namespace nand
