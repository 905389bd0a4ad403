// The searches that hand out stress-tested blocks for the CIS record and the ISP firmware:
// single blocks, blocks marked earlier (fallback), plane-aligned pairs and quads, and pairs
// of one channel for TLC flash. Each fills the found-block list up to the wanted count;
// every tested block is taken in the map (the fallback leaves the map as it is).
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/block_map.h"
#include "server/nand/nand_port.h"

#include <vector>

namespace nand {

struct SearchTarget {
    const NandPort& port;
    PortMap& map;
    UFDFlashParams& params;
    MapPtr& found;
};

bool SearchSingleBlocks(SearchTarget& target, int wanted);
bool SearchMarkedBlocks(SearchTarget& target, int wanted);
bool SearchPairs(SearchTarget& target, int wanted);
bool SearchQuads(SearchTarget& target, int wanted);
bool SearchTlcPairs(SearchTarget& target, int wanted);

struct SearchPath {
    int ce, channel, index;
};

// The paths a search walks for `searchPaths` (UFDFlashParams byte 0), CE-major: CE 0 ..
// (paths - 1) / CH, and in each CE channel 0 .. (paths - 1) % CH.
std::vector<SearchPath> PathsSearched(const PortMap& map, int searchPaths);

// Appends a block; false when the list is full.
bool AppendFound(MapPtr& found, int ce, int channel, long block);
long FoundBlock(const MapPtrEntry& entry);

} // namespace nand
