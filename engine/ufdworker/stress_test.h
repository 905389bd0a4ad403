// The read/write stress test at the end of a flash-drive run: a random pattern written
// over the middle of the device and read back, the data it covered saved first and
// written back after, with the read and write rates it measured.
#pragma once

#include "engine/ufdworker/ufd_run.h"

struct StressRates {
    double writeRate = 0; // bytes per second, 0 when not measured
    double readRate = 0;
};

// A run result: 1; 41 the capacity cannot be read; 24 the pattern did not read back in 3
// attempts, or the saved data could not be written back, or the size cannot be moved in
// one transfer; 0 the last unlock failed. The rates are those of the last attempt.
// Progress: 1200 at its end.
int RunStressTest(UfdRun& run, StressRates& rates);
