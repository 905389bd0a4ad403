#include "server/nand/table_writers.h"

#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "server/nand/flash_dumps.h"
#include "server/nand/flash_type.h"
#include "server/nand/page_writer.h"

#include <cstring>

namespace nand {
namespace {

constexpr int kTableAttempts = 3;
constexpr BYTE kMarkBad = 0x80;
constexpr std::size_t kPlainWctBytes = 2048;

scsi::BlockTag TagOf(const char* text)
{
    scsi::BlockTag tag;
    std::memcpy(tag.data(), text, tag.size());
    return tag;
}

} // namespace

std::vector<long> PlaneCompanions(const UFDFlashParams& params, long block)
{
    std::vector<long> companions;
    if (params.planes == 4)
        companions.push_back(block + 2);
    if (!IsType5030(params.flashType))
        companions.push_back(block + 1);
    if (params.planes == 4 && (params.flashType & 0xFFFF) != 0x5034)
        companions.push_back(block + 3);
    return companions;
}

WORD MarkedPageCount(const UFDFlashParams& params)
{
    return (params.flashType & 0xF0) == 0x30 ? static_cast<WORD>(params.actualPages / 3) : params.actualPages;
}

bool MarkBlockBad(const NandPort& port, const UFDFlashParams& params, DWORD row)
{
    const WORD pages = MarkedPageCount(params);
    return port.vendor.BlockMarkWrite(port.device, kMarkBad, 0, 0, row, 0, params.sectorsPerPage,
                                      static_cast<BYTE>(pages >> 8), static_cast<BYTE>(pages), nullptr) == 1;
}

bool WriteTablePage(const NandPort& port, const UFDFlashParams& params, BYTE chip, long block, PlaneForm form,
                    const TableWrite& write)
{
    const WORD pagesPerBlock = port.geometry.pagesPerBlock;
    const auto row = RowAddress(chip, block, 0, pagesPerBlock);
    if (!row || write.flash.empty() || write.flash.size() % 512 != 0) {
        platform::DebugPrintf(" @@ Table page for block 0x%lX refused", block);
        return false;
    }
    EraseBlockAt(port, *row);
    if (form == PlaneForm::Two)
        for (long companion : PlaneCompanions(params, block))
            if (auto companionRow = RowAddress(chip, companion, 0, pagesPerBlock))
                EraseBlockAt(port, *companionRow);
    TablePage page;
    page.row = *row;
    page.kind = static_cast<BYTE>(write.flash.size() / 512);
    page.parameter = write.parameter;
    page.tag = TagOf(write.tag);
    page.data = write.flash;
    page.eccLimit = params.eccLimit;
    page.writeSub = write.writeSub;
    page.readSub = write.readSub;
    for (int attempt = 0; attempt < kTableAttempts; ++attempt)
        if (WriteAndVerify(port, page))
            return true;
    MessageBoxA(nullptr, write.errorBox, "Error", MB_OK);
    if ((params.flags & UFDFlashFlags::kMarkBad) != 0 && !MarkBlockBad(port, params, *row))
        platform::DebugPrintf(" @@ Mark Bad Fail = %08x", unsigned{*row});
    return false;
}

bool WriteTatInfo(const NandPort& port, const UFDFlashParams& params, const TatImage& tat,
                  std::span<const TatEntry> tatA, std::size_t page, BYTE parameter, PlaneForm form)
{
    platform::DebugPrintf(form == PlaneForm::Two ? "WriteTAT_INFO(%d)" : "WriteTAT_INFO_1P(%d)", port.index);
    if (page >= kTatPages || 2 * page >= tatA.size() || tatA[2 * page].block == kNoBlock) {
        platform::DebugPrintf(" @@ No block for TAT page %zu", page);
        return false;
    }
    const bool dumps = (params.flags & UFDFlashFlags::kDumps) != 0;
    const int number = static_cast<int>(page);
    const auto entries = std::span(tat.entries).subspan(page * kTatEntriesPerPage, kTatEntriesPerPage);
    if (dumps)
        DumpBytes(port.dumps, Numbered("TAT", number), EntriesHostForm(entries));
    const std::vector<BYTE> flash = TatPageFlashForm(tat, page);
    const TatEntry& target = tatA[2 * page];
    if (!WriteTablePage(port, params, target.chip, target.block, form, {"Write TAT Error", "TATSYS", flash, parameter}))
        return false;
    if (dumps)
        DumpBytes(port.dumps, Numbered("FW/TAT", number), flash);
    return true;
}

bool WriteWctInfo(const NandPort& port, const UFDFlashParams& params, const WctImage& wct, BYTE chip, long block,
                  BYTE parameter, PlaneForm form)
{
    const auto row = RowAddress(chip, block, 0, port.geometry.pagesPerBlock);
    platform::DebugPrintf(form == PlaneForm::Two ? "WriteWCT_INFO(%d, addr=%x)" : "WriteWCT_INFO_1P(%d, addr=%x)",
                          port.index, row ? unsigned{*row} : 0u);
    const bool multiPage = (params.flags & UFDFlashFlags::kMultiPageWct) != 0;
    const std::size_t length = std::min<std::size_t>(multiPage ? kWctBytes : kPlainWctBytes,
                                                     std::size_t{params.sectorsPerPage} * 512);
    if (length == 0) {
        OutputDebugStringA(" @@ WCT refused: no sectors per page");
        return false;
    }
    const bool dumps = (params.flags & UFDFlashFlags::kDumps) != 0;
    if (dumps) {
        DumpBytes(port.dumps, "WCT_TAT_A.txt", EntriesHostForm(wct.tatA));
        DumpBytes(port.dumps, "WCT_BLK_A.txt", WordsHostForm(wct.freeList));
    }
    std::vector<BYTE> flash = WctFlashForm(wct);
    flash.resize(length);
    TableWrite write{"Write WCT Error", "WCTSYS", flash, parameter};
    if (multiPage) {
        write.writeSub = kMultiPageWrite;
        write.readSub = kMultiPageRead;
    }
    if (!WriteTablePage(port, params, chip, block, form, write))
        return false;
    if (dumps) {
        std::vector<BYTE> entries = WctFlashForm(wct);
        entries.resize(4 * kTatAEntries);
        const BYTE cursorEntry[4] = {0, 1, static_cast<BYTE>(block >> 8), static_cast<BYTE>(block)};
        entries.insert(entries.end(), cursorEntry, cursorEntry + 4);
        DumpBytes(port.dumps, "FW/WCT_TAT_A.txt", entries);
        DumpBytes(port.dumps, "FW/WCT_BLK_A.txt", WordsFlashForm(wct.freeList));
    }
    return true;
}

bool WriteExtWctInfo(const NandPort& port, const UFDFlashParams& params, const ExtWctImage& ext,
                     std::span<const BlockCursor> cursors, long blocks, BYTE chip, long block, int number,
                     BYTE parameter, PlaneForm form)
{
    platform::DebugPrintf(form == PlaneForm::Two ? "WriteExtWCT_INFO(%d)" : "WriteExtWCT_INFO_1P(%d)", port.index);
    const bool dumps = (params.flags & UFDFlashFlags::kDumps) != 0;
    if (dumps) {
        DumpCursors(port.dumps, Numbered("MapPtr", number), cursors, blocks);
        DumpBytes(port.dumps, Numbered("LFT_INFO", number), WordsHostForm(ext));
    }
    const std::vector<BYTE> flash = WordsFlashForm(ext);
    if (!WriteTablePage(port, params, chip, block, form, {"Write ExtWCT Error", "EXTSYS", flash, parameter}))
        return false;
    if (dumps)
        DumpBytes(port.dumps, Numbered("FW/LFT_INFO", number), flash);
    return true;
}

} // namespace nand
