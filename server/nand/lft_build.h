// The system-table build that ends a low-level format: the LFT pages (which blocks each
// virtual block takes on every path), the TAT pages that tell the firmware where the LFT
// pages lie, and the WCT page with the free and reserved block lists (and the extended WCT
// when the free list overflows), each written, verified and reported in the CIS part 2.
// The one-plane form takes two single blocks a path for each virtual block, the
// two-plane form one plane-aligned group a path. Every table it reports as written stays
// on the flash, and every list stays within its page.
#pragma once

#include "portwarden/block_map.h"
#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

namespace nand {

// Build mode 16 takes the one-plane form, any other the two-plane form.
INT BuildSystemTable(const NandPort& port, UFDPortBlockMap* record, UFDFlashParams* params, BYTE* cisPart2);

} // namespace nand
