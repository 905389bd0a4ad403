// What a flash-drive run reads from the station folder on the bench: the flash-part
// database "Kelvra.dll" (stored scrambled, as the station keeps it) with the part of the
// bench's flash, the ISP firmware and boot-code files, and the CIS settings that select
// them.
#pragma once

#include "sim/nand/nand_geometry.h"
#include "sim/station/station_folder.h"

#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The database's text, stored as the station keeps it: each byte raised by its index
// modulo 256, then 16384 bytes of noise.
std::string ScrambledFlashDatabase(std::string_view text, unsigned seed);

// The database line of a part with the flash of `geometry`: its id, the flash-size code of
// its blocks and its pages per block.
std::string FlashPartLine(const std::string& name, const nand::NandGeometry& geometry);
// A database of these parts, in one maker's section.
std::string FlashDatabaseText(const std::vector<std::string>& partLines);

// Writes the database, the firmware and boot-code files and returns the CIS settings that
// select them.
std::string WriteFlashDriveFiles(const StationFolder& folder, const nand::NandGeometry& geometry);

} // namespace sim
