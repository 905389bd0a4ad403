#include "server/nand/find_isp_cis.h"

#include "platform/debug/debug.h"
#include "server/nand/block_search.h"
#include "server/nand/flash_dumps.h"
#include "server/nand/flash_sorting.h"


namespace nand {
namespace {

// Mode 16: two single blocks (or two marked ones when none is left), then the rest; the
// fallback or far block holds ISP 1 and the first good block CIS 2.
bool FindSingleBlocks(SearchTarget& target, int wanted)
{
    UFDFlashParams& params = target.params;
    bool fellBack = false;
    if (!SearchSingleBlocks(target, 2)) {
        target.found.count = 0;
        params.status |= UFDFlashStatus::kFallbackSearch;
        const bool found = SearchMarkedBlocks(target, 2);
        params.status &= ~UFDFlashStatus::kFallbackSearch;
        if (!found)
            return false;
        fellBack = true;
    }
    if (!SearchSingleBlocks(target, wanted)) {
        params.status &= ~UFDFlashStatus::kSearchFailed;
        return false;
    }
    MapPtrEntry* entries = target.found.entries;
    if (target.found.count >= 3 &&
        (fellBack || FoundBlock(entries[2]) * target.port.geometry.pagesPerBlock > static_cast<long>(params.pageLimit))) {
        const MapPtrEntry second = entries[1]; // packed: swapped by value
        entries[1].byteIndex = entries[2].byteIndex;
        entries[1].bit = entries[2].bit;
        entries[2].byteIndex = second.byteIndex;
        entries[2].bit = second.bit;
    }
    for (int i = 0; i < target.found.count; ++i)
        platform::DebugPrintf("FindISPAndCIS(%d), BLK[%d]=0x%08X", target.port.index, i,
                              static_cast<unsigned>(FoundBlock(entries[i])));
    return true;
}

} // namespace

INT FindIspAndCisBlocks(const NandPort& port, UFDPortBlockMap* record, MapPtr* found, UFDFlashParams* params)
{
    auto map = PortMap::Of(record);
    if (!map || found == nullptr || found->entries == nullptr || params == nullptr || port.geometry.pagesPerBlock == 0) {
        OutputDebugStringA(" @@ FindISPAndCIS: no map, list, parameters or scan");
        return 0;
    }
    if (found->count < 0 || found->count > kFoundBlockCapacity)
        found->count = 0;
    const int wanted = 2 * params->pairsWanted;
    if (wanted > kFoundBlockCapacity) {
        platform::DebugPrintf(" @@ %d CIS/ISP blocks asked, the list holds %d", wanted, kFoundBlockCapacity);
        return 0;
    }
    SearchTarget target{port, *map, *params, *found};
    if (params->buildMode == kBuildModeSorting)
        return SortFlash(target, wanted) ? 1 : 0;
    if (params->pairsWanted == 0) {
        params->pairsWanted = 1;
        return SearchTlcPairs(target, 2) ? 1 : 0;
    }
    if ((params->flags & UFDFlashFlags::kDumps) != 0)
        DumpBlockMap(port.dumps, *map, 0);
    if (params->buildMode == kBuildModeOnePlane)
        return FindSingleBlocks(target, wanted) ? 1 : 0;
    return (params->planes == 4 ? SearchQuads(target, wanted) : SearchPairs(target, wanted)) ? 1 : 0;
}

} // namespace nand
