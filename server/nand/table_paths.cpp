#include "server/nand/table_paths.h"

#include "platform/debug/debug.h"
#include "server/nand/flash_type.h"
#include "server/nand/stress_test.h"

namespace nand {
namespace {

constexpr int kMostTableFailures = 5;

// The next path for a table search: chosen, then the bad-column rule; none when it is the
// one just left or no path is left.
bool MoveOn(TablePaths& paths, const UFDFlashParams& params, int& path, const char* line)
{
    const int next = PatchBadColumn(paths.Choose(), params.flashType);
    platform::DebugPrintf(line, static_cast<unsigned>(next));
    if (next == kNoPath || next == path || next >= paths.count())
        return false;
    path = next;
    return true;
}

} // namespace

TablePaths::TablePaths(PortMap& map, bool dieSplit) : map_(map), dieSplit_(dieSplit)
{
    const int real = map.paths();
    const long half = long{map.entry()} / 2 * 8;
    for (int half_index = 0; half_index < (dieSplit ? 2 : 1); ++half_index)
        for (int path = 0; path < real; ++path) {
            const int ce = path / map.channelCount(), channel = path % map.channelCount();
            const long first = dieSplit && half_index == 1 ? half : 0;
            const long end = dieSplit && half_index == 0 ? half : map.blocks();
            paths_.push_back({path, ce, channel, PortMap::ChipAddress(ce, channel), first, end});
        }
    cursors_.resize(paths_.size());
    for (std::size_t path = 0; path < paths_.size(); ++path)
        cursors_[path].position = paths_[path].first;
}

std::optional<long> TablePaths::TakeNext(int path)
{
    BlockCursor& cursor = cursors_[path];
    const TablePath& p = paths_[path];
    while (cursor.position < p.end) {
        const long block = cursor.position++;
        if (!map_.Taken(p.real, block)) {
            map_.Set(p.real, block, true);
            return block;
        }
    }
    return std::nullopt;
}

std::optional<long> TablePaths::TakeGroup(int path, int size)
{
    BlockCursor& cursor = cursors_[path];
    const TablePath& p = paths_[path];
    cursor.position = (cursor.position + size - 1) / size * size;
    for (; cursor.position + size <= p.end; cursor.position += size) {
        bool free = true;
        for (int i = 0; i < size; ++i)
            free = free && !map_.Taken(p.real, cursor.position + i);
        if (!free)
            continue;
        const long first = cursor.position;
        for (int i = 0; i < size; ++i)
            map_.Set(p.real, first + i, true);
        cursor.position += size;
        return first;
    }
    cursor.position = p.end;
    return std::nullopt;
}

int TablePaths::Choose() const
{
    int chosen = kNoPath;
    for (int path = 0; path < count(); ++path)
        if (!UsedUp(path) && (chosen == kNoPath || BadBlocks(path) < BadBlocks(chosen)))
            chosen = path;
    return chosen;
}

int PatchBadColumn(int path, DWORD flashType)
{
    if (path != kNoPath && IsType5030(flashType) && path % 2 != 0) {
        OutputDebugStringA("@@ Patch Bad Column");
        return path - 1;
    }
    return path;
}

bool SearchTablePair(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, int& path, bool moveOn)
{
    int failures = 0, passed = 0;
    while (passed < 2) {
        auto block = paths.TakeNext(path);
        if (!block) {
            if (!moveOn || !MoveOn(paths, params, path, "NextChipIndex=%x"))
                return false;
            passed = 0;
            continue;
        }
        paths.CountBad(path);
        const TablePath& p = paths.at(path);
        if (StressTest(port, params, p.ce, p.channel, *block)) {
            paths.cursor(path).pair[passed++] = *block;
        } else if (++failures > kMostTableFailures) {
            return false;
        }
    }
    return true;
}

bool SearchTableGroup(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, int& path, int size,
                      bool moveOn)
{
    int failures = 0;
    for (;;) {
        auto first = paths.TakeGroup(path, size);
        if (!first) {
            if (!moveOn || !MoveOn(paths, params, path, size == 4 ? "CIndex=%x" : "NextChipIndex=%x"))
                return false;
            continue;
        }
        paths.CountBad(path, size);
        const TablePath& p = paths.at(path);
        const bool passed = StressTest(port, params, p.ce, p.channel, *first) &&
                            (IsType5030(params.flashType) || StressTest(port, params, p.ce, p.channel, *first + 1));
        if (passed) {
            paths.cursor(path).pair = {*first, *first + 1};
            return true;
        }
        if (++failures > kMostTableFailures)
            return false;
    }
}

} // namespace nand
