// The LUN-image step of a flash-drive run: every selected LUN's image file written to the
// device between a volume lock and unlock, or its file system built on the device.
#pragma once

#include "engine/ufdworker/ufd_run.h"

// A run result: 1; 35 the CPU reset failed; 13 an image cannot be opened; 38 an image's
// trailer names another file-system type; 41 the device's capacity cannot be read for the
// trailer check; 14..17 writing LUN n's image failed; 18..21 building LUN n failed; 2
// stopped. An image built for more sectors than the device has is built on the device
// instead, and the run remembers 40. Progress: from where it stands to 1000.
int WriteLunImages(UfdRun& run);
