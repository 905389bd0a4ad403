// The system-table steps of a flash-drive run: the device's known block addresses, and the
// build of the flash system table through the server (ISP code, bad-block scan, CIS and ISP
// block search, table build) with the capacity check.
#pragma once

#include "engine/ufdworker/ufd_run.h"
#include "portwarden/flash_params.h"

// The CIS and ISP block addresses the device already knows, into the run's image: 1 when
// they were read, 0 when the settings force a first build, the read failed (nothing is
// stored then) or the device holds no system area yet.
int ReadSysBlockAddress(UfdRun& run);

// A run result: 1; 3 the firmware file cannot be opened, 4 it holds no ISP code at 0xC000;
// 34 the ISP code load, 37 the scan, 22 the block search failed; 25 scan only; 36 the
// table build failed; 42 the LUN capacities do not fit the flash; 39 (a warning) only LUN 0
// is set and exceeds it. Progress: 300 in all, 100 for the scan only.
int BuildSystemTable(UfdRun& run);

// The port view found the device's flash in the flash-part database (its id is in the image).
bool FlashPartFound(const CISImage& image);

// The flash parameters of the block search and the table build, as the run gives them.
UFDFlashParams FlashParamsOf(const UfdRun& run);
