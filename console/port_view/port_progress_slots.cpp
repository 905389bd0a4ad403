#include "console/port_view/port_progress_slots.h"

std::array<PortProgress, kPortCount> PortProgressSlots{};
