// The block stress test: a block is erased, filled with random bytes in chunks of pages,
// read back chunk by chunk and erased again; a chunk whose read-back differs in more bits
// per KiB than the ECC limit fails the block. In fallback mode (status bit 2) the test
// refuses the block that holds the bad-block information and marks failing blocks bad.
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

namespace nand {

bool StressTest(const NandPort& port, const UFDFlashParams& params, int ce, int channel, long block);

} // namespace nand
