// The controller operations around the low-level format: ISP code loading (after the
// disk's volumes are dismounted), CPU reset with the wait for the device, chip resets,
// cache clear, medium load and unload.
#pragma once

#include "server/nand/nand_port.h"

namespace nand {

INT InitIsp(const NandPort& port, INT loadParameter, INT length, const BYTE* data);
INT CpuReset(const NandPort& port);
INT ChipReset(const NandPort& port);
INT ChipResetEx(const NandPort& port);
INT CacheClear(const NandPort& port);
INT MediumLoadUnload(const NandPort& port, INT lun, INT control);

} // namespace nand
