// The station in flash-drive mode on the bench: a simulated flash drive with NAND behind its
// controller on port 1 of a root hub, a station folder with what a flash-drive run reads,
// and the real console in this process, started as the program starts it but with the frame
// that sets flash-drive mode after the settings load. Without a display it first runs port
// 1 as its button does and prints the result; then the station runs until it is closed.
#pragma once

#include "sim/station/station_folder.h"

namespace sim {

// Runs under umockdev-wrapper; returns the process's exit code.
int RunFlashDriveStation(int argc, char** argv, const StationFolder& folder, bool headless);

} // namespace sim
