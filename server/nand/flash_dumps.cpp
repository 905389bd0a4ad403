#include "server/nand/flash_dumps.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace nand {

std::string Numbered(const char* stem, int number)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s_%03d.txt", stem, number);
    return name;
}

void DumpBlockMap(const DumpFolder& dumps, const PortMap& map, int number)
{
    if (!dumps.enabled())
        return;
    std::vector<BYTE> bytes;
    bytes.reserve(static_cast<std::size_t>(map.paths()) * map.entry());
    for (int path = 0; path < map.paths(); ++path)
        for (long i = 0; i < map.entry(); ++i)
            bytes.push_back(map.ByteAt(path, i));
    char name[32];
    std::snprintf(name, sizeof name, "BlockMap_%02d.txt", number);
    dumps.Write(name, bytes.data(), bytes.size());
}

void DumpCursors(const DumpFolder& dumps, const std::string& name, std::span<const BlockCursor> cursors, long blocks)
{
    if (!dumps.enabled())
        return;
    std::vector<BYTE> bytes;
    for (const BlockCursor& cursor : cursors) {
        const INT index = cursor.byteIndex(blocks);
        BYTE little[4];
        std::memcpy(little, &index, sizeof little);
        bytes.insert(bytes.end(), little, little + 4);
        bytes.push_back(cursor.bit(blocks));
    }
    dumps.Write(name, bytes.data(), bytes.size());
}

void DumpBytes(const DumpFolder& dumps, const std::string& name, std::span<const BYTE> bytes)
{
    if (dumps.enabled())
        dumps.Write(name, bytes.data(), bytes.size());
}

} // namespace nand
