// The steps and jobs of the chip-mode worker.
#pragma once

#include "engine/ports/port_reporter.h"
#include "engine/spi/spi_procedures.h"

struct CISSetting;

// The identity request: the chip's product id, or 0 when the chip did not answer (the
// record's bytes are then not used).
WORD ReadChipProductId();
// The identity request with its trace; for an RZ522 with SetHubHighZ 1 the hubs are then
// set to high impedance.
void IdentifyChip(const CISSetting& settings);

// Up to `tries` readings of the ready register, with a restart (by the chip type that
// register 0x18 gives) and a pause after each that is not ready; a reading that fails
// counts as not ready.
bool RestartUntilReady(int tries);

// Register 0x02 with bits 0x22 cleared (only when it could be read), then 0x15, 0x19, 0x1C.
void WritePreamble();

// `cycles` runs of `cycle` (burn-in or power cycle), progress after each; the first
// result other than 1 ends them. Counts in 32 bits, so every count comes to its end.
int RunCycles(const char* title, const char* cycleOkFormat, int (*cycle)(), DWORD cycles, PortReporter& reporter);

// The normal run: optional SLT test, restart until ready, SPI lock, download, lock restored.
int RunNormalJob(const PortThreadParam& param, BYTE spiType);
