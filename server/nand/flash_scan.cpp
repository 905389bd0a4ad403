#include "server/nand/flash_scan.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/nand/bbi_page.h"
#include "server/nand/block_map.h"
#include "server/nand/flash_type.h"
#include "server/nand/page_writer.h"
#include "server/nand/registers.h"

#include <array>
#include <vector>

namespace nand {
namespace {

constexpr BYTE kCheckBadBlocks = 0x00;
constexpr long kGroupBlocks = 512;
constexpr DWORD kControllerNumber = 0x87;
constexpr DWORD kScanTestGroup = 0xF2EE;
constexpr DWORD kErasePauseMs = 10;

struct Gap {
    long low, high; // blocks strictly between are holes
};

// The scan-mode test command: EE F2 with byte 8 = on (one byte in when on).
bool SendScanTest(const NandPort& port, bool on)
{
    BYTE data[1] = {};
    platform::DebugPrintf("@@ EE, F2, %02X", on ? 1u : 0u);
    return port.vendor.TestCommandRead(port.device, kScanTestGroup, 0, on ? 0x10000u : 0u, 0, 0, data) == 1;
}

class Scan {
public:
    Scan(const NandPort& port, PortMap map, BYTE config, int extended)
        : port_(port), map_(map), config_(config), extended_(extended)
    {
        if ((config_ & scan::kScanOnly) != 0)
            config_ &= static_cast<BYTE>(~scan::kEraseWrongEncryption);
        collectBbi_ = (config_ & scan::kCollectBbi) != 0 && (config_ & scan::kScanOnly) == 0;
    }

    INT Run();
    // What the flash id was classified as; 0 before it was read.
    WORD flashType() const { return type_; }

private:
    bool scanOnly() const { return (config_ & scan::kScanOnly) != 0; }
    bool Prepare();
    bool SetPagesPerBlockCode();
    bool ScanPath(int path);
    bool ScanGroup(int path, long group);
    bool ReadStatus(DWORD row, BYTE* out, const char* retryLine);
    bool Erase(DWORD row, const char* failLine);
    // Sets the encryption register; a value it holds already is not written again.
    bool SetEncryption(BYTE value, const char* retryLine);
    bool InGap(long block) const;
    bool GroupInGap(long first, long last) const;
    bool TakeBad(DWORD row);
    bool FlushBbi();
    INT Finish(INT result);

    const NandPort& port_;
    PortMap map_;
    BYTE config_;
    int extended_;
    bool collectBbi_ = false;
    BYTE savedEncryption_ = 0;
    std::optional<BYTE> written_; // what the register holds after the scan's last write, when that succeeded
    bool encryptionRead_ = false;
    WORD type_ = 0;
    long scanPage_ = 0;
    std::vector<Gap> gaps_;
    TextLog log_;
    BbiPage bbi_;
    std::optional<DWORD> bbiBlockRow_;
    unsigned bbiPageNumber_ = 0;
};

INT Scan::Run()
{
    const int paths = map_.paths();
    if ((config_ & scan::kOnePath) != 0 && paths > 1)
        platform::DebugPrintf(" @@ Scan of %d paths, not 1: the tables are built on every path", paths);
    if (!Prepare())
        return Finish(0);
    for (int path = 0; path < paths; ++path)
        if (!ScanPath(path))
            return Finish(0);
    return Finish(1);
}

bool Scan::Prepare()
{
    if (!ReadEncryption(port_, savedEncryption_, " Retry Read Encryption Register"))
        return false;
    encryptionRead_ = true;
    written_ = savedEncryption_;
    platform::DebugPrintf(scanOnly() ? "Chip_%X, REG_%X=(%X), NO Change Encryption" : "Chip_%X, REG_%X=(%X)",
                          unsigned{kControllerNumber}, unsigned{reg::kEncryption}, unsigned{savedEncryption_});
    std::array<BYTE, 64> id{};
    if (!ReadFlashId(port_, 0, id.data())) {
        OutputDebugStringA(" @@ Read Flash ID Fail");
        return false;
    }
    type_ = JudgeFlashType(id.data());
    platform::DebugPrintf(" @@ JudgeBaseFType = 0x%04X", unsigned{type_});
    const long pages = port_.geometry.pagesPerBlock;
    scanPage_ = (type_ & 0xF0F0) == 0x5030 ? 86 : (type_ & 0xF0F0) == 0x1030 ? 64 : pages;
    if (scanPage_ > pages)
        scanPage_ = pages; // the last page read never lies past the block
    platform::DebugPrintf("  Flash is 0x%04X, Scan Page = 0x%X", unsigned{type_}, static_cast<unsigned>(scanPage_));
    platform::DebugPrintf("  CE = %d, CH = %d, Entry = %d", map_.ceCount(), map_.channelCount(), map_.entry());

    const int dies = (id[2] & 3) != 0 ? 1 << (id[2] & 3) : 1;
    const long bits = map_.blocks();
    const long basic = id[0] == 0x2C || id[0] == 0x89 ? bits / dies : bits / 2 / dies;
    platform::DebugPrintf(" InternalChip is %d, BasicBlock = 0x%04X, ExtendedBlock = 0x%X", dies,
                          static_cast<unsigned>(basic), unsigned(extended_));
    if (extended_ != 0 && dies >= 2)
        for (int d = 0; d < (dies >= 4 ? 4 : 2); ++d)
            gaps_.push_back({(2 * d + 1) * basic + extended_ - 1, (2 * d + 2) * basic});

    if (scanOnly() && (type_ & 0xF0) == 0x30)
        SendScanTest(port_, true); // its answer changes nothing
    if (!SetPagesPerBlockCode())
        return false;
    if ((config_ & scan::kTextLog) != 0)
        log_ = TextLog(port_.dumps, "BadBlockRec.txt");
    return true;
}

bool Scan::SetPagesPerBlockCode()
{
    BYTE access = 0;
    if (!Retry(kDeviceAttempts, " Retry Read FlashAccess Register",
               [&] { return ReadRegister(port_, reg::kFlashAccess, access); }))
        return false;
    BYTE changed = access;
    switch (port_.geometry.pagesPerBlock) {
    case 64: changed = static_cast<BYTE>(access & ~3); break;
    case 128: changed = static_cast<BYTE>((access & ~3) | 1); break;
    case 256: changed = static_cast<BYTE>((access & ~3) | 2); break;
    case 512: changed = static_cast<BYTE>(access | 3); break;
    default: break;
    }
    if (!Retry(kDeviceAttempts, " Retry SetPageNumber", [&] { return WriteRegister(port_, reg::kFlashAccess, changed); }))
        return false;
    platform::DebugPrintf("REG_%X=(%X) => (%X)", unsigned{reg::kFlashAccess}, unsigned{access}, unsigned{changed});
    return true;
}

bool Scan::InGap(long block) const
{
    for (const Gap& gap : gaps_)
        if (block > gap.low && block < gap.high)
            return true;
    return false;
}

bool Scan::GroupInGap(long first, long last) const
{
    for (const Gap& gap : gaps_)
        if (first > gap.low && last < gap.high)
            return true;
    return false;
}

bool Scan::ScanPath(int path)
{
    // What an earlier scan or device left in the map would count as bad: the path starts clear.
    for (long block = 0; block < map_.blocks(); ++block)
        map_.Set(path, block, false);
    map_.SetCounter(path, 0);
    const long groups = (map_.blocks() + kGroupBlocks - 1) / kGroupBlocks;
    for (long group = 0; group < groups; ++group)
        if (!ScanGroup(path, group))
            return false;
    log_.Printf("ChipAddress: 0x%08x, Bad Block Count: %d\n", unsigned{map_.ChipAddressOf(path)} << 24,
                map_.Counter(path));
    return true;
}

bool Scan::ReadStatus(DWORD row, BYTE* out, const char* retryLine)
{
    const WORD pages = port_.geometry.pagesPerBlock, size = port_.geometry.pageDataSize;
    return Retry(kDeviceAttempts, retryLine, [&] {
        return port_.vendor.BlockCheckErase(port_.device, kCheckBadBlocks, 0, 0, row, kGroupBlocks, pages >> 8,
                                            pages & 0xFF, size >> 8, size & 0xFF, out) == 1;
    });
}

bool Scan::Erase(DWORD row, const char* failLine)
{
    return Retry(kDeviceAttempts, failLine, [&] {
        Sleep(kErasePauseMs);
        return EraseBlockAt(port_, row);
    });
}

bool Scan::SetEncryption(BYTE value, const char* retryLine)
{
    if (written_ == value)
        return true;
    written_.reset();
    if (!WriteEncryption(port_, value, retryLine))
        return false;
    written_ = value;
    return true;
}

bool Scan::ScanGroup(int path, long group)
{
    const BYTE chip = map_.ChipAddressOf(path);
    const WORD pages = port_.geometry.pagesPerBlock;
    const long first = group * kGroupBlocks;
    const long count = std::min(kGroupBlocks, map_.blocks() - first);
    const auto row = RowAddress(chip, first, 0, pages);
    const auto lastRow = RowAddress(chip, first, scanPage_ - 1, pages);
    if (!row || !lastRow) {
        platform::DebugPrintf(" @@ Block 0x%lX lies past the row address", first);
        return false;
    }
    std::array<BYTE, kGroupBlocks> off0{}, offLast{}, on0{}, onLast{};
    const bool skipped = GroupInGap(first, first + count - 1);
    if (!skipped) {
        if (!scanOnly()) {
            if (!SetEncryption(static_cast<BYTE>(savedEncryption_ & ~1), " Set Encryption OFF") ||
                !ReadStatus(*row, off0.data(), " Scan Block_00_Off_Error") ||
                !ReadStatus(*lastRow, offLast.data(), " Scan Block_FF_Off_Error") ||
                !SetEncryption(static_cast<BYTE>(savedEncryption_ | 1), "Set Encryption ON"))
                return false;
        } else {
            platform::DebugPrintf(" Scan_Only %d_%d_%02ld", path / map_.channelCount(), path % map_.channelCount(),
                                  group);
        }
        if (!ReadStatus(*row, on0.data(), " Scan Block_00_On_Error") ||
            !ReadStatus(*lastRow, onLast.data(), " Scan Block_FF_On_Error"))
            return false;
    }
    const bool savedOn = (savedEncryption_ & 1) != 0;
    const bool lastGroup = first + kGroupBlocks >= map_.blocks();
    for (long i = 0; i < count; ++i) {
        const long block = first + i;
        const bool hole = skipped || InGap(block) || (extended_ != 0 && lastGroup && i >= (extended_ & 0x1FF));
        const auto stateOf = [](BYTE page0, BYTE last) { return page0 == 1 || last == 1 ? 1 : page0 == 2 ? 2 : 0; };
        int on = hole ? 1 : stateOf(on0[i], onLast[i]);
        int off = hole ? 1 : scanOnly() ? on : stateOf(off0[i], offLast[i]);
        const DWORD blockRow = *RowAddress(chip, block, 0, pages);
        if (off == 2 || on == 2) {
            if ((config_ & scan::kEraseSystem) != 0 && !Erase(blockRow, " Erase System Block Error"))
                return false;
            map_.Set(path, block, false);
            log_.Printf("System Block RowAddress: 0x%08x\n", unsigned{blockRow});
        } else if (off == 0 || on == 0) {
            if ((config_ & scan::kEraseGood) != 0) {
                if (!Erase(blockRow, " Erase Good Block Error"))
                    return false;
            } else if ((config_ & scan::kEraseWrongEncryption) != 0 &&
                       ((savedOn && off == 0 && on == 1) || (!savedOn && off == 1 && on == 0))) {
                platform::DebugPrintf(" @@ EncryptionErase Block (%X)", unsigned{blockRow});
                if (!Erase(blockRow, "Erase Encryption Good Block Error"))
                    return false;
            }
            map_.Set(path, block, false);
            if (collectBbi_ && !bbiBlockRow_) {
                bbiBlockRow_ = blockRow;
                map_.Set(path, block, true);
                platform::DebugPrintf(" @@ Save BBInfo at Addr (%08X)", unsigned{blockRow});
            }
        } else {
            map_.Set(path, block, true);
            if (!hole) {
                map_.Count(path);
                log_.Printf("Bad Block RowAddress: 0x%08x\n", unsigned{blockRow});
                if (collectBbi_ && !TakeBad(blockRow))
                    return false;
            }
        }
    }
    return true;
}

bool Scan::TakeBad(DWORD row)
{
    bbi_.Append(row);
    if (!bbi_.full())
        return true;
    if (!SetEncryption(savedEncryption_, " Retry Write Original Encryption Value BBI"))
        return false;
    return FlushBbi();
}

// Writes the collected rows as the next page of the bad-block information and starts a new page.
bool Scan::FlushBbi()
{
    if (!bbiBlockRow_) {
        OutputDebugStringA(" @@ No good block for the bad-block information");
        return false;
    }
    if (!WriteBB_INFO(port_, bbi_, *bbiBlockRow_, bbiPageNumber_))
        return false;
    ++bbiPageNumber_;
    bbi_.Reset();
    return true;
}

INT Scan::Finish(INT result)
{
    if (encryptionRead_ && !scanOnly() &&
        !SetEncryption(savedEncryption_, " Retry Write Original Encryption Value"))
        result = 0;
    log_.Printf("CE: %d, CH: %d, Entry: %d\n", map_.ceCount(), map_.channelCount(), map_.entry());
    log_ = TextLog();
    if (scanOnly() && (type_ & 0xF0) == 0x30 && !SendScanTest(port_, false))
        result = 0;
    if (collectBbi_ && result == 1 && !FlushBbi())
        result = 0;
    return result;
}

} // namespace

bool ReadFlashId(const NandPort& port, int chip, BYTE* out64)
{
    if (out64 == nullptr)
        return false;
    return scsi::ReadFlashId(port.vendor, port.device, static_cast<BYTE>(chip), out64) == 1;
}

INT ScanFlashBlock(const NandPort& port, UFDPortBlockMap* record, BYTE config, WORD& flashType)
{
    flashType = 0;
    auto map = PortMap::Of(record);
    if (!map)
        return 0;
    if (port.geometry.pagesPerBlock == 0) {
        OutputDebugStringA(" @@ Pages per block 0 refused");
        return 0;
    }
    // The high half of the size field may carry the extended block count; from here on the
    // field holds the bitmap size alone.
    const int extended = static_cast<int>((static_cast<DWORD>(record->bitmapBytes) >> 16) & 0xFFFF);
    record->bitmapBytes &= 0xFFFF;
    auto cleared = PortMap::Of(record);
    if (!cleared)
        return 0;
    Scan scan(port, *cleared, config, extended);
    const INT result = scan.Run();
    flashType = scan.flashType();
    return result;
}

} // namespace nand
