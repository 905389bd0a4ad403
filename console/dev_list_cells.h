// The texts of a present port's cells in the device list, from the port's record, the
// frame's block map and the settings record.
#pragma once

#include "portwarden/records.h"

#include <array>
#include <string>

struct CISSetting;
struct UFDBlockMap;

// Columns 1 to 8 (index 0 is column 1). An INQUIRY additional length above 84 is set to 4
// in the record itself, so the column shows "N/A" for that device from then on.
std::array<std::u16string, 8> DeviceCellTexts(PortRecord& record);

// Columns 9 to 12, shown in flash-drive mode while the frame holds a block map.
std::array<std::u16string, 4> FlashCellTexts(const UFDBlockMap& map, int port, const CISSetting& settings);
