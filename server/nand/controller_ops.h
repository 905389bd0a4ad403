// The controller operations around the low-level format: ISP code loading, CPU reset with
// the wait for the device, chip resets, cache clear, medium load and unload, and the
// dismount of the disk's volumes before firmware is loaded.
#pragma once

#include "server/nand/nand_port.h"

namespace nand {

INT InitIsp(const NandPort& port, INT loadParameter, INT length, const BYTE* data);
INT CpuReset(const NandPort& port);
INT ChipReset(const NandPort& port);
INT ChipResetEx(const NandPort& port);
INT CacheClear(const NandPort& port);
INT MediumLoadUnload(const NandPort& port, INT lun, INT control);
// Dismounts every volume that lies on the device's disk; 1 when each was dismounted.
INT DisMountVolume(HANDLE device);

} // namespace nand
