// The flash block map: one bit per NAND block of each CE and channel of a port (1 = not
// available: bad, a hole, bad-block information or handed out). The interface's four
// operations work on the caller's records; every NAND routine of the server reaches a
// port's record through PortMap, which refuses a record it cannot use and never reads
// or writes outside the bitmaps the record has.
#pragma once

#include "portwarden/block_map.h"

#include <optional>

namespace nand {

constexpr int kMaxPorts = 32;
constexpr int kMaxCe = 4;
constexpr int kMaxChannels = 4;
constexpr int kMaxPaths = kMaxCe * kMaxChannels;

// The bytes of a bitmap a size field stands for. Its high half may carry the flash's
// extended block count instead (the scan takes it from there): only the low half then counts.
inline int BitmapBytesOf(INT sizeField)
{
    if (sizeField < 0)
        return 0;
    return (sizeField & 0xFFFF0000) != 0 ? (sizeField & 0xFFFF) : sizeField;
}

// Null (with a debug line) when a count is outside 1..4 (ports 1..32) or the size is not positive.
UFDBlockMap* CreateBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes);
void DeleteBlockMap(UFDBlockMap* map);
// Sets bit `bit` of the byte to bit 0 of `value`; nothing for a bit above 7 or an address
// outside the record.
void SetBlockBit(UFDPortBlockMap* record, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value);
// The bit, or 255 for a bit above 7 or an address outside the record.
BYTE GetBlockBit(const UFDPortBlockMap* record, BYTE ce, BYTE channel, INT byteIndex, BYTE bit);

// A path: one CE and channel, numbered CE-major (path = CE x channels + channel).
class PortMap {
public:
    // Nothing (with a debug line) for a null record, counts outside 1..4, a size that is not
    // positive, or a missing row or bitmap.
    static std::optional<PortMap> Of(UFDPortBlockMap* record);

    int ceCount() const { return record_->ceCount; }
    int channelCount() const { return record_->channelCount; }
    int paths() const { return ceCount() * channelCount(); }
    int entry() const { return BitmapBytesOf(record_->bitmapBytes); } // bytes per bitmap
    long blocks() const { return long{entry()} * 8; }
    static BYTE ChipAddress(int ce, int channel) { return static_cast<BYTE>(ce << 4 | channel); }
    BYTE ChipAddressOf(int path) const { return ChipAddress(path / channelCount(), path % channelCount()); }

    // Blocks outside the bitmap count as taken; setting them does nothing.
    bool Taken(int path, long block) const;
    void Set(int path, long block, bool taken);
    // The whole byte; 0xFF (all taken) beyond the bitmap.
    BYTE ByteAt(int path, long byteIndex) const;
    // The path's bad-block counter (the record is packed: read and written by value).
    INT Counter(int path) const { return record_->badBlockCount[path]; }
    void SetCounter(int path, INT value) { record_->badBlockCount[path] = value; }
    void Count(int path, INT added = 1) { record_->badBlockCount[path] = record_->badBlockCount[path] + added; }
    UFDPortBlockMap& record() { return *record_; }

private:
    explicit PortMap(UFDPortBlockMap* record) : record_(record) {}
    BYTE* Bitmap(int path) const { return record_->rows[path / channelCount()][path % channelCount()]; }

    UFDPortBlockMap* record_;
};

} // namespace nand
