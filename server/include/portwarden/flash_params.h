// The records the flash-drive worker hands to the NAND format operations: the flash
// parameter block that the CIS/ISP search and the system-table build read and partly write
// back, and the found-block list the search fills. The caller zero-initialises the whole
// parameter block and fills every field it uses; the server reads and writes nothing past it.
// A flash type of 0 asks for the type the port's scan classified: the server writes that
// type into the block, and fails the call when the port's flash was never classified.
#pragma once

#include "platform/base/wintypes.h"

#pragma pack(push, 1)

struct UFDFlashParams {
    BYTE searchPaths;        // 0   paths searched for CIS/ISP blocks, CE by CE, channel by channel
    DWORD pageLimit;         // 1   the CIS/ISP search stays below this page address
    BYTE pairsWanted;        // 5   CIS/ISP block pairs; 0 selects the pair-for-TLC search
    BYTE tablePaths;         // 6   paths table blocks may be chosen over
    BYTE logBlocks;          // 7   per path
    BYTE freeBlocks;         // 8   per path
    BYTE planes;             // 9   4 selects the quad search and four-plane tables
    BYTE dies;               // 10  internal chips per CE
    WORD basicBlocks;        // 11
    WORD extendedBlocks;     // 13
    WORD addressPages;       // 15
    WORD actualPages;        // 17  pages per block of the flash (a third of it is used on 0x30 types)
    BYTE sectorsPerPage;     // 19  32 means 16 KiB pages
    BYTE eccLimit;           // 20  differing bits tolerated per KiB when a page is verified
    BYTE writeParameter;     // 21  extra parameter byte of the stress-test writes
    BYTE flags;              // 22  UFDFlashFlags
    DWORD flashType;         // 23  0: the port's scanned type
    DWORD buildMode;         // 27  8 sorting, 16 one-plane tables, else two-plane tables
    BYTE mlcEccLimit;        // 31  also the low byte of the 32-bit erase count at 31..34
    BYTE tlcEccLimit;        // 32
    BYTE eraseCount2;        // 33
    BYTE eraseCount3;        // 34
    DWORD status;            // 35  UFDFlashStatus, written back
};

// One block found by the CIS/ISP search: block = byteIndex x 8 + bit.
struct MapPtrEntry {
    BYTE channel;
    BYTE ce;
    INT byteIndex;
    BYTE bit;
};

// The found-block list: the caller provides room for kFoundBlockCapacity entries and sets
// the count to 0.
struct MapPtr {
    INT count;
    MapPtrEntry* entries;
};

#pragma pack(pop)

static_assert(sizeof(UFDFlashParams) == 39, "UFDFlashParams keeps its packed layout");
static_assert(sizeof(MapPtrEntry) == 7, "MapPtrEntry keeps its packed layout");
static_assert(sizeof(MapPtr) == 12, "MapPtr keeps its packed layout");

constexpr int kFoundBlockCapacity = 4;

namespace UFDFlashFlags {
constexpr BYTE kEraseReserved = 0x01; // erase the log and free blocks while building
constexpr BYTE kDumps = 0x02;         // dumps and text logs
constexpr BYTE kMarkBad = 0x04;       // mark failing blocks bad on the flash
constexpr BYTE kMultiPageWct = 0x08;  // WCT written as 6144 bytes
} // namespace UFDFlashFlags

namespace UFDFlashStatus {
constexpr DWORD kFewFreeBlocks = 0x01;   // fewer than 7 free virtual blocks remain
constexpr DWORD kSearchFailed = 0x02;    // the single-block search found too few
constexpr DWORD kFallbackSearch = 0x04;  // set while the fallback search runs
} // namespace UFDFlashStatus

constexpr DWORD kBuildModeSorting = 8;
constexpr DWORD kBuildModeOnePlane = 16;

inline DWORD EraseCountOf(const UFDFlashParams& params)
{
    return DWORD{params.mlcEccLimit} | DWORD{params.tlcEccLimit} << 8 | DWORD{params.eraseCount2} << 16 |
           DWORD{params.eraseCount3} << 24;
}
