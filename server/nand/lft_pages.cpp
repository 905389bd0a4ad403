#include "server/nand/lft_pages.h"

#include "platform/debug/debug.h"
#include "server/nand/flash_dumps.h"
#include "server/nand/page_writer.h"
#include "server/nand/registers.h"

#include <vector>

namespace nand {
namespace {

bool EraseWithCompanions(const NandPort& port, const UFDFlashParams& params, BYTE chip, long block, PlaneForm form)
{
    std::vector<long> blocks{block};
    if (form == PlaneForm::Two)
        for (long companion : PlaneCompanions(params, block))
            blocks.push_back(companion);
    for (long each : blocks) {
        const auto row = RowAddress(chip, each, 0, port.geometry.pagesPerBlock);
        if (!row || !EraseBlockAt(port, *row))
            return false;
    }
    return true;
}

// The blocks of the first VB, erased before the first LFT page goes out: words 2p and
// 2p + 1 on path p in the one-plane table, word p's group in the two-plane table. Every
// erase must succeed.
bool ClearFirstVb(const NandPort& port, const UFDFlashParams& params, const TablePaths& paths, const LftImage& lft,
                  PlaneForm form)
{
    const int wordsPerPath = form == PlaneForm::One ? 2 : 1;
    for (int path = 0; path < paths.count(); ++path)
        for (int i = 0; i < wordsPerPath; ++i) {
            const WORD block = lft[static_cast<std::size_t>(path * wordsPerPath + i)];
            if (block != kNoBlock && !EraseWithCompanions(port, params, paths.at(path).chip, block, form)) {
                platform::DebugPrintf(" @@ First VB block 0x%X of path %d not erased", unsigned{block}, path);
                return false;
            }
        }
    return true;
}

int RealPathOf(const TablePaths& paths, BYTE chip)
{
    for (int path = 0; path < paths.count(); ++path)
        if (paths.at(path).chip == chip)
            return path;
    return kNoPath;
}

} // namespace

bool ProtectedEcc::Read()
{
    return Retry(kDeviceAttempts, " Retry Read ECC Setting Register",
                 [&] { return ReadRegister(port_, reg::kEccSetting, saved_); });
}

bool ProtectedEcc::Write(BYTE value)
{
    return WriteRegister(port_, reg::kEccSetting, value);
}

bool WriteLftPage(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, const LftPage& page)
{
    const bool onePlane = page.form == PlaneForm::One;
    platform::DebugPrintf(onePlane ? "WriteLFT_INFO_1P(%d)" : "WriteLFT_INFO(%d)", port.index);
    const bool dumps = (params.flags & UFDFlashFlags::kDumps) != 0;
    const int number = onePlane ? page.tatIndex / 2 : page.tatIndex;
    if (dumps) {
        DumpCursors(port.dumps, Numbered("MapPtr", number), paths.cursors(), paths.map().blocks());
        DumpBytes(port.dumps, Numbered("LFT_INFO", number), WordsHostForm(page.lft));
    }
    if (page.tatIndex == 0 && !ClearFirstVb(port, params, paths, page.lft, page.form))
        return false;
    const std::vector<BYTE> flash = WordsFlashForm(page.lft);
    for (;;) {
        TatEntry& entry = page.tat.entries[static_cast<std::size_t>(page.tatIndex)];
        if (WriteTablePage(port, params, entry.chip, entry.block, page.form,
                           {"Write LFT Error", "LFTSYS", flash, page.parameter})) {
            if (dumps)
                DumpBytes(port.dumps, Numbered("FW/LFT_INFO", number), flash);
            return true;
        }
        const int failed = RealPathOf(paths, entry.chip);
        if (failed != kNoPath)
            paths.CountBad(failed);
        if (onePlane)
            return false;
        int path = PatchBadColumn(paths.Choose(), params.flashType);
        if (path == kNoPath || !SearchTableGroup(port, params, paths, path, page.groupSize))
            return false;
        entry = {paths.at(path).chip, entry.mark, static_cast<WORD>(paths.cursor(path).pair[0])};
    }
}

bool ClearReserved(const NandPort& port, const UFDFlashParams& params, const TablePaths& paths,
                   std::span<const WORD> entries, std::size_t first, std::size_t count, PlaneForm form,
                   const char* failLine)
{
    if ((params.flags & UFDFlashFlags::kEraseReserved) == 0)
        return true;
    const std::size_t perPath = form == PlaneForm::One ? 2 : 1;
    for (std::size_t i = first; i < first + count && i < entries.size(); ++i) {
        if (entries[i] == kNoBlock)
            continue;
        const int path = static_cast<int>(i / perPath % static_cast<std::size_t>(paths.count()));
        if (!EraseWithCompanions(port, params, paths.at(path).chip, entries[i], form)) {
            OutputDebugStringA(failLine);
            return false;
        }
    }
    return true;
}

} // namespace nand
