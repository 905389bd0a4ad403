// Setting the maker's hubs to high impedance through the hub-access library.
#pragma once

#include "platform/base/wintypes.h"

#include <array>

// The hubs to look for: a count byte, then per hub {product id, vendor id, release
// number (each 16 bits, little-endian), USB generation}. Entries 4 and 6 are the USB 2
// halves of the hubs of entries 3 and 5.
extern const std::array<BYTE, 1 + 6 * 7> HubEnumTable;

// 1 when at least one hub was set, else 0. The first hub that fails ends the procedure.
int SearchHubsSetHighZ();
