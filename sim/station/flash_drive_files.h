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

// The database line of a part with the flash of `geometry`: its id, block-access flags,
// flash-size code, pages per block, sectors per page and a capacity of 150 virtual blocks
// for every 1024 blocks.
std::string FlashPartLine(const std::string& name, const nand::NandGeometry& geometry);
// A database of these parts, in one maker's section.
std::string FlashDatabaseText(const std::vector<std::string>& partLines);

// What a run of one LUN image reads: the database, the firmware, boot-code and LUN image
// files, and the CIS settings that select them (serial numbers from 0x7000, 16 digits, the
// result log "result.log"). Returns the CIS settings' text.
std::string WriteFlashDriveFiles(const StationFolder& folder, const nand::NandGeometry& geometry);

} // namespace sim
