// PortProgressSlots: one progress record per port, shared by all port views. A view posts a
// port's slot to itself to reset the bar, and its animation keeps there the base position
// and the worker's live counter.
#pragma once

#include "engine/ports/port_messages.h"
#include "portwarden/records.h"

#include <array>

extern std::array<PortProgress, kPortCount> PortProgressSlots;
