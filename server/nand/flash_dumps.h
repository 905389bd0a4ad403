// The dumps that mirror the block map and every table into the port's dump folder (binary
// files, named .txt): the plain forms before a page is converted and written, the flash
// forms into the "FW/" folder after.
#pragma once

#include "server/nand/block_cursor.h"
#include "server/nand/block_map.h"
#include "server/nand/dump_folder.h"
#include "server/nand/table_images.h"

#include <span>
#include <string>

namespace nand {

// "BlockMap_%02d.txt": every bitmap byte, CE by CE, channel by channel.
void DumpBlockMap(const DumpFolder& dumps, const PortMap& map, int number);
// Per path the cursor's 32-bit byte index, then its bit.
void DumpCursors(const DumpFolder& dumps, const std::string& name, std::span<const BlockCursor> cursors, long blocks);
void DumpBytes(const DumpFolder& dumps, const std::string& name, std::span<const BYTE> bytes);
// "<stem>_%03d.txt"
std::string Numbered(const char* stem, int number);

} // namespace nand
