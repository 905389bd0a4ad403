#include "server/nand/block_map.h"

#include "platform/debug/debug.h"

#include <cstring>
#include <new>

namespace nand {
namespace {

bool CountFits(int count, int most)
{
    return count >= 1 && count <= most;
}

// Frees what creation made of one record: the rows and bitmaps of the header's counts.
void FreeRecord(UFDPortBlockMap* record, int ceCount, int channelCount)
{
    if (record == nullptr)
        return;
    for (int ce = 0; ce < ceCount && ce < kMaxCe; ++ce) {
        BYTE** row = record->rows[ce];
        if (row == nullptr)
            continue;
        for (int channel = 0; channel < channelCount && channel < kMaxChannels; ++channel)
            delete[] row[channel];
        delete[] row;
    }
    delete record;
}

UFDPortBlockMap* NewRecord(BYTE ceCount, BYTE channelCount, INT sizeField)
{
    auto* record = new (std::nothrow) UFDPortBlockMap{};
    if (record == nullptr)
        return nullptr;
    record->channelCount = channelCount;
    record->ceCount = ceCount;
    record->bitmapBytes = sizeField;
    const int bytes = BitmapBytesOf(sizeField);
    for (int ce = 0; ce < ceCount; ++ce) {
        BYTE** row = new (std::nothrow) BYTE*[kMaxChannels]{};
        record->rows[ce] = row;
        if (row == nullptr)
            break;
        for (int channel = 0; channel < channelCount; ++channel) {
            record->badBlockCount[ce * channelCount + channel] = 0;
            row[channel] = new (std::nothrow) BYTE[bytes];
            if (row[channel] == nullptr)
                break;
            std::memset(row[channel], 0, bytes);
        }
    }
    if (!PortMap::Of(record)) {
        FreeRecord(record, ceCount, channelCount);
        return nullptr;
    }
    return record;
}

// The byte of a record's bitmap, or null when the address lies outside the record.
BYTE* ByteOf(const UFDPortBlockMap* record, BYTE ce, BYTE channel, INT byteIndex)
{
    if (record == nullptr || ce >= record->ceCount || ce >= kMaxCe || channel >= record->channelCount ||
        channel >= kMaxChannels || byteIndex < 0 || byteIndex >= BitmapBytesOf(record->bitmapBytes))
        return nullptr;
    BYTE** row = record->rows[ce];
    if (row == nullptr || row[channel] == nullptr)
        return nullptr;
    return row[channel] + byteIndex;
}

} // namespace

UFDBlockMap* CreateBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes)
{
    if (!CountFits(portCount, kMaxPorts) || !CountFits(ceCount, kMaxCe) || !CountFits(channelCount, kMaxChannels) ||
        BitmapBytesOf(bitmapBytes) <= 0) {
        platform::DebugPrintf("CreateUFDBlockMap refused: ports %u, CE %u, CH %u, %d bytes", unsigned{portCount},
                              unsigned{ceCount}, unsigned{channelCount}, bitmapBytes);
        return nullptr;
    }
    auto* map = new (std::nothrow) UFDBlockMap{};
    if (map == nullptr) {
        OutputDebugStringA("CreateUFDBlockMap: out of memory");
        return nullptr;
    }
    map->portCount = portCount;
    map->channelCount = channelCount;
    map->ceCount = ceCount;
    for (int port = 0; port < portCount; ++port) {
        map->ports[port] = NewRecord(ceCount, channelCount, bitmapBytes);
        if (map->ports[port] == nullptr) {
            OutputDebugStringA("CreateUFDBlockMap: out of memory");
            DeleteBlockMap(map);
            return nullptr;
        }
    }
    return map;
}

void DeleteBlockMap(UFDBlockMap* map)
{
    if (map == nullptr)
        return;
    for (int port = 0; port < map->portCount && port < kMaxPorts; ++port)
        FreeRecord(map->ports[port], map->ceCount, map->channelCount);
    delete map;
}

void SetBlockBit(UFDPortBlockMap* record, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value)
{
    BYTE* byte = ByteOf(record, ce, channel, byteIndex);
    if (byte == nullptr || bit > 7)
        return;
    if ((value & 1) != 0)
        *byte = static_cast<BYTE>(*byte | 1u << bit);
    else
        *byte = static_cast<BYTE>(*byte & ~(1u << bit));
}

BYTE GetBlockBit(const UFDPortBlockMap* record, BYTE ce, BYTE channel, INT byteIndex, BYTE bit)
{
    const BYTE* byte = ByteOf(record, ce, channel, byteIndex);
    if (byte == nullptr || bit > 7)
        return 255;
    return static_cast<BYTE>(*byte >> bit & 1);
}

std::optional<PortMap> PortMap::Of(UFDPortBlockMap* record)
{
    if (record == nullptr) {
        OutputDebugStringA("Block map: no port record");
        return std::nullopt;
    }
    if (!CountFits(record->ceCount, kMaxCe) || !CountFits(record->channelCount, kMaxChannels) ||
        BitmapBytesOf(record->bitmapBytes) <= 0) {
        platform::DebugPrintf("Block map: record with CE %u, CH %u, %d bytes refused", unsigned{record->ceCount},
                              unsigned{record->channelCount}, record->bitmapBytes);
        return std::nullopt;
    }
    for (int ce = 0; ce < record->ceCount; ++ce) {
        if (record->rows[ce] == nullptr) {
            OutputDebugStringA("Block map: a CE without its row");
            return std::nullopt;
        }
        for (int channel = 0; channel < record->channelCount; ++channel)
            if (record->rows[ce][channel] == nullptr) {
                OutputDebugStringA("Block map: a channel without its bitmap");
                return std::nullopt;
            }
    }
    return PortMap(record);
}

bool PortMap::Taken(int path, long block) const
{
    if (path < 0 || path >= paths() || block < 0 || block >= blocks())
        return true;
    return (Bitmap(path)[block / 8] >> (block % 8) & 1) != 0;
}

void PortMap::Set(int path, long block, bool taken)
{
    if (path < 0 || path >= paths() || block < 0 || block >= blocks())
        return;
    BYTE& byte = Bitmap(path)[block / 8];
    const unsigned mask = 1u << (block % 8);
    byte = static_cast<BYTE>(taken ? byte | mask : byte & ~mask);
}

BYTE PortMap::ByteAt(int path, long byteIndex) const
{
    if (path < 0 || path >= paths() || byteIndex < 0 || byteIndex >= entry())
        return 0xFF;
    return Bitmap(path)[byteIndex];
}

} // namespace nand
