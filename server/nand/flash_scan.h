// The bad-block scan: every block of every path of the port is read under both encryption
// settings and sorted into good, system and bad in the port's block map; the bad blocks
// go into the bad-block information pages on the flash.
#pragma once

#include "portwarden/block_map.h"
#include "server/nand/nand_port.h"

namespace nand {

namespace scan {
constexpr BYTE kEraseSystem = 0x01;
constexpr BYTE kEraseGood = 0x04;
constexpr BYTE kEraseWrongEncryption = 0x08;
constexpr BYTE kOnePath = 0x10;
constexpr BYTE kCollectBbi = 0x20;
constexpr BYTE kScanOnly = 0x40;
constexpr BYTE kTextLog = 0x80;
} // namespace scan

// The port's geometry (pages per block, page data size) must be the scan's own.
// `flashType`: the type the flash id of CE 0 was classified as, 0 when it could not be read.
INT ScanFlashBlock(const NandPort& port, UFDPortBlockMap* record, BYTE config, WORD& flashType);

// The 64 bytes of a CE's flash id (one 16-byte group per channel).
bool ReadFlashId(const NandPort& port, int chip, BYTE* out64);

} // namespace nand
