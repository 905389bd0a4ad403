#include "server/nand/block_search.h"

#include "platform/debug/debug.h"
#include "server/nand/flash_type.h"
#include "server/nand/stress_test.h"

#include <algorithm>
#include <vector>

namespace nand {
namespace {

constexpr int kMostFailures = 10;
constexpr long kSearchWindowPages = 0x10000;

using Path = SearchPath;

// Bitmap bytes searched: those below the page limit and the 64 Ki-page window, never past the bitmap.
long LimitBytes(const SearchTarget& target)
{
    const long pages = target.port.geometry.pagesPerBlock;
    const long byLimit = static_cast<long>(target.params.pageLimit / pages / 8);
    return std::min({byLimit, kSearchWindowPages / pages / 8, long{target.map.entry()}});
}

class Search {
public:
    Search(SearchTarget& target, int wanted, const char* name) : target_(target), wanted_(wanted)
    {
        platform::DebugPrintf("%s=>%d", name, wanted);
    }

    bool done() const { return target_.found.count >= wanted_; }
    bool failedTooOften() const { return failures_ > kMostFailures; }

    // Tests one block and takes it in the map (unless `keepMap`); a passing block joins the list.
    bool Try(const Path& path, long block, const char* logName, bool keepMap = false)
    {
        const bool passed = StressTest(target_.port, target_.params, path.ce, path.channel, block);
        if (passed && AppendFound(target_.found, path.ce, path.channel, block))
            platform::DebugPrintf("%s(Path%d, CE%d, CH%d, %ld, %ld)=>BLK%d", logName, target_.port.index, path.ce,
                                  path.channel, block / 8, block % 8, target_.found.count - 1);
        if (!keepMap) {
            target_.map.Set(path.index, block, true);
            target_.map.Count(path.index);
        }
        if (!passed)
            ++failures_;
        return passed;
    }

    SearchTarget& target_;
    int wanted_;
    int failures_ = 0;
};

bool SearchBits(SearchTarget& target, int wanted, bool marked)
{
    Search search(target, wanted, marked ? "FBBFT" : "F1BFT");
    const long limit = LimitBytes(target);
    platform::DebugPrintf("Block Limit = %ld Entry", limit);
    for (const Path& path : PathsSearched(target.map, target.params.searchPaths)) {
        for (long byte = 0; byte < target.map.entry(); ++byte) {
            // The single-block search goes past the limit once the list holds 2 entries.
            if (byte >= limit && (marked || target.found.count < 2))
                break;
            for (int bit = 0; bit < 8; ++bit) {
                const long block = byte * 8 + bit;
                if (target.map.Taken(path.index, block) != marked)
                    continue;
                search.Try(path, block, marked ? "FBB0" : "F1B0", marked);
                if (search.done())
                    return true;
                if (search.failedTooOften()) {
                    OutputDebugStringA(" @@ Stress Test Fail 10 Blocks");
                    return false;
                }
            }
        }
    }
    if (!marked)
        target.params.status |= UFDFlashStatus::kSearchFailed;
    OutputDebugStringA(" @@ Find Good Block Fail");
    return false;
}

// Plane-aligned groups of `size` blocks (2 or 4) whose bits are all 0; blocks of a group are
// tested in `order`, on 0x5030 flash only the even ones.
bool SearchGroups(SearchTarget& target, int wanted, int size, const char* name, const char* const* logNames,
                  const char* missLine, bool oneChannel)
{
    Search search(target, wanted, name);
    const long limit = LimitBytes(target);
    platform::DebugPrintf("Block Limit = %ld", limit);
    const bool evenOnly = IsType5030(target.params.flashType);
    static constexpr int pairOrder[] = {0, 1};
    static constexpr int quadOrder[] = {0, 2, 1, 3};
    const int* order = size == 4 ? quadOrder : pairOrder;
    for (const Path& path : PathsSearched(target.map, target.params.searchPaths)) {
        if (oneChannel)
            target.found.count = 0; // all entries from one channel
        for (long byte = 0; byte < limit; ++byte) {
            if (size == 4)
                platform::DebugPrintf("GetUFDBlockMapByByte = %02x", unsigned{target.map.ByteAt(path.index, byte)});
            for (int start = 0; start < 8; start += size) {
                const long first = byte * 8 + start;
                bool free = true;
                for (int i = 0; i < size; ++i)
                    free = free && !target.map.Taken(path.index, first + i);
                if (!free)
                    continue;
                for (int i = 0; i < size; ++i) {
                    const int offset = order[i];
                    if (evenOnly && offset % 2 != 0)
                        continue;
                    search.Try(path, first + offset, logNames[i]);
                    if (search.done())
                        return true;
                    if (search.failedTooOften()) {
                        OutputDebugStringA(" @@ Stress Test Fail 10 Blocks");
                        return false;
                    }
                }
            }
        }
    }
    OutputDebugStringA(missLine);
    return false;
}

} // namespace

std::vector<SearchPath> PathsSearched(const PortMap& map, int searchPaths)
{
    const int count = std::clamp(searchPaths, 1, map.paths());
    const int lastCe = std::min((count - 1) / map.channelCount(), map.ceCount() - 1);
    const int lastChannel = std::min((count - 1) % map.channelCount(), map.channelCount() - 1);
    std::vector<SearchPath> paths;
    for (int ce = 0; ce <= lastCe; ++ce)
        for (int channel = 0; channel <= lastChannel; ++channel)
            paths.push_back({ce, channel, ce * map.channelCount() + channel});
    return paths;
}

long FoundBlock(const MapPtrEntry& entry)
{
    return long{entry.byteIndex} * 8 + entry.bit;
}

bool AppendFound(MapPtr& found, int ce, int channel, long block)
{
    if (found.count < 0 || found.count >= kFoundBlockCapacity || found.entries == nullptr)
        return false;
    found.entries[found.count] =
        MapPtrEntry{static_cast<BYTE>(channel), static_cast<BYTE>(ce), static_cast<INT>(block / 8),
                    static_cast<BYTE>(block % 8)};
    ++found.count;
    return true;
}

bool SearchSingleBlocks(SearchTarget& target, int wanted)
{
    return SearchBits(target, wanted, false);
}

bool SearchMarkedBlocks(SearchTarget& target, int wanted)
{
    return SearchBits(target, wanted, true);
}

bool SearchPairs(SearchTarget& target, int wanted)
{
    static constexpr const char* names[] = {"FpB0", "FpB1"};
    return SearchGroups(target, wanted, 2, "FPBFT", names, " @@ No Good Pair Find.", false);
}

bool SearchQuads(SearchTarget& target, int wanted)
{
    static constexpr const char* names[] = {"FqB0", "FqB2", "FqB1", "FqB3"};
    return SearchGroups(target, wanted, 4, "FQBFT", names, " @@ No Good Quadri- Find.", false);
}

bool SearchTlcPairs(SearchTarget& target, int wanted)
{
    static constexpr const char* names[] = {"FpB1", "FpB2"};
    return SearchGroups(target, wanted, 2, "FPTB", names, " @@ No Good Pair Find.", true);
}

} // namespace nand
