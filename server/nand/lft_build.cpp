#include "server/nand/lft_build.h"

#include "platform/debug/debug.h"
#include "server/nand/cis_part2.h"
#include "server/nand/flash_dumps.h"
#include "server/nand/flash_type.h"
#include "server/nand/lft_pages.h"
#include "server/nand/table_images.h"
#include "server/nand/table_paths.h"
#include "server/nand/table_writers.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace nand {
namespace {

constexpr long kFewestFreeVbs = 7;
constexpr long kCapacityWithoutVbs = 123;
constexpr long kSpareVbs = 8;
constexpr int kExtNumber = 99;
constexpr BYTE kTatMark = 0;
constexpr BYTE kPartnerMark = 255;

class LftBuild {
public:
    LftBuild(const NandPort& port, PortMap& map, UFDFlashParams& params, CisPart2 part2)
        : port_(port), map_(map), p_(params), part2_(part2), onePlane_(params.buildMode == kBuildModeOnePlane),
          form_(onePlane_ ? PlaneForm::One : PlaneForm::Two), ecc_(port)
    {
    }

    bool Run();

private:
    bool Prepare();
    bool Reserve();
    bool ReserveGroups(std::size_t entries, int size);
    std::optional<long> TakeVbBlock(int path);
    bool TableBlocks(int& path, bool moveOn);
    bool TakeFixedTables();
    bool BuildTat(int index);
    bool PredictPages();
    bool Loop();
    bool NewTatPage(int page);
    bool AddFree(const std::vector<WORD>& words);
    bool Finish();
    bool FillFreeList();

    int paths() const { return paths_->count(); }
    int tableGroupSize() const { return eD3_ ? 4 : groupSize_; }
    std::size_t wordsPerVb() const { return static_cast<std::size_t>(paths()) * (onePlane_ ? 2 : 1); }

    const NandPort& port_;
    PortMap& map_;
    UFDFlashParams& p_;
    CisPart2 part2_;
    bool onePlane_;
    PlaneForm form_;
    ProtectedEcc ecc_;
    std::optional<TablePaths> paths_;
    bool eD3_ = false;
    int groupSize_ = 2;
    long vbLimit_ = 0;
    BYTE parameter_ = 0;
    std::size_t reserved_ = 0; // entries at the start of the free list
    LftImage lft_ = EmptyLft();
    TatImage tat_;
    WctImage wct_;
    ExtWctImage ext_ = EmptyLft();
    std::size_t freeWords_ = 0;
    std::size_t extWords_ = 0;
    long vbs_ = 0;
    long freeVbs_ = 0;
    int lftPages_ = 0;
    int tatIndex_ = 0;
    int predicted_ = 0;
    std::size_t lastPageWords_ = 0;
    std::size_t lftWords_ = 0;
    std::array<long, 2> wct_blocks_{};
};

bool LftBuild::Run()
{
    OutputDebugStringA(onePlane_ ? "BuildTheLFT_1P()" : "BuildTheLFT()");
    const bool dieSplit = (part2_.maker() == 0x45 || part2_.maker() == 0xEC || part2_.maker() == 0x98 ||
                           part2_.maker() == 0x2C) &&
                          (part2_.idByte2() & 3) == 1;
    if (dieSplit)
        OutputDebugStringA(" === Change 2 Die to 2 CE ===");
    paths_.emplace(map_, dieSplit);
    const bool built = Prepare() && Reserve() && TakeFixedTables() && PredictPages() && Loop() && Finish();
    if (dieSplit)
        OutputDebugStringA(" === Return CE Number to BlockMap ===");
    platform::DebugPrintf(" @@ Free VB Count = 0x%lX", freeVbs_);
    if (built && freeVbs_ < kFewestFreeVbs) {
        p_.status |= UFDFlashStatus::kFewFreeBlocks;
        return false;
    }
    return built;
}

bool LftBuild::Prepare()
{
    if (onePlane_ && p_.planes != 2)
        OutputDebugStringA(" @@ WARNING, IT'S NOT 2 PLANE FLASH !!!");
    const bool toshiba = part2_.maker() == 0x45 || part2_.maker() == 0x98;
    eD3_ = toshiba && (part2_.idByte2() & 0x0F) == 8 && (onePlane_ || p_.planes == 2);
    if (eD3_)
        OutputDebugStringA(" === Build 4 Blocks For eD3_2Plane ===");
    groupSize_ = p_.planes == 4 ? 4 : 2;
    parameter_ = part2_.tableParameter();
    const long sectors = part2_.sectorsPerPage();
    const long pages = onePlane_ ? part2_.countedPagesPerBlock() : part2_.pagesPerBlock();
    const std::size_t reservedWords = (std::size_t{p_.logBlocks} + p_.freeBlocks) * (eD3_ || !onePlane_ ? 1 : 2) *
                                      static_cast<std::size_t>(paths());
    if (sectors == 0 || pages == 0 || p_.planes == 0 || port_.geometry.pagesPerBlock == 0 || map_.blocks() > 0xFFFF ||
        reservedWords > kFreeListWords) {
        platform::DebugPrintf(" @@ Table build refused: %ld sectors, %ld pages, %u planes, %zu reserved words", sectors,
                              pages, unsigned{p_.planes}, reservedWords);
        return false;
    }
    const long divisor = onePlane_ ? long{paths()} * 2 : long{p_.planes} * paths();
    vbLimit_ = static_cast<long>(part2_.capacity() / static_cast<DWORD>(sectors * pages)) / divisor + kSpareVbs;
    platform::DebugPrintf(" @@ VB Limit =0x%lX", vbLimit_);
    if (!ecc_.Read())
        return false;
    part2_.SetGeometry(paths_->ceCount(), map_.channelCount(), paths(), p_.logBlocks);
    if ((p_.flags & UFDFlashFlags::kDumps) != 0)
        DumpBlockMap(port_.dumps, map_, 1);
    return true;
}

// One group a path a round, `size` blocks each, until the list holds `entries` words.
bool LftBuild::ReserveGroups(std::size_t entries, int size)
{
    while (reserved_ < entries)
        for (int path = 0; path < paths() && reserved_ < entries; ++path) {
            auto first = paths_->TakeGroup(path, size);
            if (!first) {
                platform::DebugPrintf(size == 4 ? " @@ Cannot SearchGoodBlockX4 at Chip=0x%X"
                                                : " @@ Cannot SearchGoodBlock at Chip=0x%X",
                                      unsigned{paths_->at(path).chip});
                return false;
            }
            wct_.freeList[reserved_++] = static_cast<WORD>(*first);
        }
    return true;
}

bool LftBuild::Reserve()
{
    const std::size_t m = std::size_t{p_.logBlocks} + p_.freeBlocks;
    const std::size_t n = static_cast<std::size_t>(paths());
    bool reserved = true;
    if (eD3_) {
        reserved = ReserveGroups(n, 4) && ReserveGroups(n * std::max<std::size_t>(m, 4) - 3 * n, 2) &&
                   ReserveGroups(n * m, 4);
    } else if (onePlane_) {
        // Rounds of two single blocks a path.
        for (std::size_t round = 0; round < m && reserved; ++round)
            for (int path = 0; path < paths() && reserved; ++path)
                for (int i = 0; i < 2 && reserved; ++i) {
                    auto block = paths_->TakeNext(path);
                    reserved = block.has_value();
                    if (reserved)
                        wct_.freeList[reserved_++] = static_cast<WORD>(*block);
                    else
                        platform::DebugPrintf(" @@ Cannot reserve blocks at Chip=0x%X", unsigned{paths_->at(path).chip});
                }
    } else {
        reserved = ReserveGroups(n * p_.logBlocks, groupSize_) && ReserveGroups(n * m, groupSize_);
    }
    if (!reserved)
        return false;
    freeWords_ = reserved_;
    if ((p_.flags & UFDFlashFlags::kDumps) != 0) {
        DumpCursors(port_.dumps, "MapPtr_WCT.txt", paths_->cursors(), map_.blocks());
        LftImage list = EmptyLft();
        std::copy_n(wct_.freeList.begin(), reserved_, list.begin());
        DumpBytes(port_.dumps, "LFT_INFO_WCT.txt", WordsHostForm(list));
    }
    return true;
}

// The blocks of one table on `path`: a pair of single blocks, or a group (its start and
// the block after it).
bool LftBuild::TableBlocks(int& path, bool moveOn)
{
    if (onePlane_ && !eD3_)
        return SearchTablePair(port_, p_, *paths_, path, moveOn);
    return SearchTableGroup(port_, p_, *paths_, path, tableGroupSize(), moveOn);
}

bool LftBuild::TakeFixedTables()
{
    // The WCT's place is recorded without a chip address: it stays on path 0.
    int path = 0;
    if (!TableBlocks(path, false)) {
        OutputDebugStringA(" @@ No WCT blocks on path 0");
        return false;
    }
    wct_blocks_ = paths_->cursor(0).pair;
    int extPath = 0;
    if (!TableBlocks(extPath, true))
        return false;
    const auto& ext = paths_->cursor(extPath).pair;
    const BYTE extChip = paths_->at(extPath).chip;
    wct_.tatA[0x22] = {extChip, 0, static_cast<WORD>(ext[0])};
    wct_.tatA[0x23] = {extChip, 0, static_cast<WORD>(ext[1])};
    platform::DebugPrintf(" @@ Special Modify TAT_A[0x22] For ExtWCTBlock=0x%lx", ext[0]);
    platform::DebugPrintf(" @@ Special Modify TAT_A[0x23] For ExtWCTBlock2=0x%lx", ext[1]);

    int tatPath = IsThirdPageType(p_.flashType) ? 0 : PatchBadColumn(paths_->Choose(), p_.flashType);
    if (tatPath == kNoPath || !TableBlocks(tatPath, true)) {
        OutputDebugStringA(" @@ No path left for the TAT");
        return false;
    }
    const auto& tatBlocks = paths_->cursor(tatPath).pair;
    const BYTE tatChip = paths_->at(tatPath).chip;
    wct_.tatA[0] = {tatChip, kTatMark, static_cast<WORD>(tatBlocks[0])};
    wct_.tatA[1] = {tatChip, kPartnerMark, static_cast<WORD>(tatBlocks[1])};
    wct_.tatA[0x20] = {p_.eraseCount3, p_.eraseCount2,
                       static_cast<WORD>(p_.mlcEccLimit | WORD{p_.tlcEccLimit} << 8)};
    platform::DebugPrintf(" @@ Special Modify TAT_A[0x20] For EraseCount=0x%x", unsigned{EraseCountOf(p_)});
    wct_.tatA[0x21] = {static_cast<BYTE>(wct_blocks_[0] >> 8), static_cast<BYTE>(wct_blocks_[0]),
                       static_cast<WORD>(wct_blocks_[1])};
    return true;
}

// The TAT entries of the LFT page at `index`: its block (and in the one-plane form its
// partner) on the path with the fewest bad blocks.
bool LftBuild::BuildTat(int index)
{
    platform::DebugPrintf(onePlane_ ? "BuildTAT_1P(%d)" : "BuildTAT(%d)", port_.index);
    const std::size_t last = static_cast<std::size_t>(index) + (onePlane_ ? 1 : 0);
    int path = PatchBadColumn(paths_->Choose(), p_.flashType);
    if (last >= tat_.entries.size() || path == kNoPath) {
        OutputDebugStringA(" @@ No room for a TAT entry");
        return false;
    }
    bool found = false;
    if (onePlane_) {
        found = TableBlocks(path, true);
    } else {
        const bool quads = p_.planes == 4 || (IsType5030(p_.flashType) && p_.planes == 2);
        found = SearchTableGroup(port_, p_, *paths_, path, quads ? 4 : 2);
    }
    if (!found)
        return false;
    const auto& blocks = paths_->cursor(path).pair;
    const BYTE chip = paths_->at(path).chip;
    tat_.entries[static_cast<std::size_t>(index)] = {chip, kTatMark, static_cast<WORD>(blocks[0])};
    if (onePlane_)
        tat_.entries[last] = {chip, kPartnerMark, static_cast<WORD>(blocks[1])};
    return true;
}

bool LftBuild::PredictPages()
{
    if (!IsThirdPageType(p_.flashType))
        return true;
    const long blocks = long{p_.dies} * (long{p_.basicBlocks} + p_.extendedBlocks);
    const long m = long{p_.logBlocks} + p_.freeBlocks;
    const long used = onePlane_ ? m * 2 + 10 : long{p_.planes} * (m + 5);
    const long spare = std::max(0L, blocks - used);
    if (onePlane_)
        predicted_ = static_cast<int>((spare * paths() >> (paths_->dieSplit() ? 12 : 11)) + 1);
    else
        predicted_ = static_cast<int>(spare * paths() / (long{p_.planes} * (paths_->dieSplit() ? 2048 : 1024)) + 1);
    platform::DebugPrintf(" @@ 1 Chip Block Num = 0x%lX", blocks);
    platform::DebugPrintf(" @@ 1 Chip Used Block = 0x%lX", used);
    platform::DebugPrintf(" @@ Predict LFT Number = %d", predicted_);
    const int step = onePlane_ ? 2 : 1;
    if (static_cast<std::size_t>(predicted_ * step) > tat_.entries.size()) {
        OutputDebugStringA(" @@ More LFT pages predicted than two TAT pages hold");
        return false;
    }
    for (int page = 0; page < predicted_; ++page)
        if (!BuildTat(page * step))
            return false;
    return true;
}

// Free VB words go to the WCT's free list, then to the extended WCT; false once both are full.
bool LftBuild::AddFree(const std::vector<WORD>& words)
{
    if (freeWords_ + words.size() <= kFreeListWords) {
        std::copy(words.begin(), words.end(), wct_.freeList.begin() + static_cast<long>(freeWords_));
        freeWords_ += words.size();
        return true;
    }
    if (extWords_ + words.size() <= kLftWords) {
        std::copy(words.begin(), words.end(), ext_.begin() + static_cast<long>(extWords_));
        extWords_ += words.size();
        return true;
    }
    return false;
}

// One block of a VB: in the one-plane form the next single block, else the path's next group.
std::optional<long> LftBuild::TakeVbBlock(int path)
{
    return onePlane_ ? paths_->TakeNext(path) : paths_->TakeGroup(path, groupSize_);
}

bool LftBuild::NewTatPage(int page)
{
    if (static_cast<std::size_t>(page) >= kTatPages) {
        OutputDebugStringA(" @@ Two TAT pages are full");
        return false;
    }
    int path = PatchBadColumn(paths_->Choose(), p_.flashType);
    if (path == kNoPath || !TableBlocks(path, true))
        return false;
    const auto& blocks = paths_->cursor(path).pair;
    const BYTE chip = paths_->at(path).chip;
    wct_.tatA[static_cast<std::size_t>(2 * page)] = {chip, kTatMark, static_cast<WORD>(blocks[0])};
    wct_.tatA[static_cast<std::size_t>(2 * page + 1)] = {chip, kPartnerMark, static_cast<WORD>(blocks[1])};
    return true;
}

bool LftBuild::Loop()
{
    const std::size_t perVb = wordsPerVb();
    const std::size_t vbsPerPage = kLftWords / perVb; // whole VBs only: none crosses the page
    const int tatStep = onePlane_ ? 2 : 1;
    const long capacity = static_cast<long>(part2_.capacity());
    bool limitPassed = false;
    bool stop = false;
    while (!stop) {
        const bool lftPage = !limitPassed;
        if (lftPage) {
            if (predicted_ != 0 && lftPages_ >= predicted_ && !onePlane_) {
                OutputDebugStringA("@@ === Predict LFT Number Error ! ===");
                return false;
            }
            if (static_cast<std::size_t>(tatIndex_) >= tat_.entries.size() ||
                (tat_.entries[static_cast<std::size_t>(tatIndex_)].block == kNoBlock && !BuildTat(tatIndex_)))
                break; // no block for the page's entries: the tables end with the pages written
        }
        lft_ = EmptyLft();
        std::size_t position = 0;
        for (std::size_t v = 0; v < vbsPerPage && !stop; ++v) {
            std::vector<WORD> words;
            for (int path = 0; path < paths() && !stop; ++path)
                for (int i = 0; i < (onePlane_ ? 2 : 1) && !stop; ++i) {
                    auto block = TakeVbBlock(path);
                    if (block)
                        words.push_back(static_cast<WORD>(*block));
                    else
                        stop = true;
                }
            if (stop) {
                OutputDebugStringA(" STOP_LOOP_1"); // a path has no blocks left: this VB is not whole
                break;
            }
            ++vbs_;
            if (capacity != 0 && vbs_ > vbLimit_) {
                limitPassed = true;
                if (!AddFree(words)) {
                    stop = true;
                    break;
                }
                ++freeVbs_;
            } else {
                std::copy(words.begin(), words.end(), lft_.begin() + static_cast<long>(position));
                position += perVb;
            }
            for (int path = 0; path < paths(); ++path)
                if (paths_->NearEnd(path)) {
                    OutputDebugStringA(paths_->dieSplit() && path < paths() / 2 ? " STOP_LOOP_3" : " STOP_LOOP_1");
                    stop = true;
                    break;
                }
        }
        if (!lftPage || position == 0)
            continue;
        const bool written = ecc_.Run([&] {
            return WriteLftPage(port_, p_, *paths_, {lft_, tat_, tatIndex_, parameter_, form_, groupSize_});
        });
        if (!written)
            return false;
        ++lftPages_;
        lftWords_ += position;
        lastPageWords_ = position;
        part2_.SetLftPages(static_cast<WORD>(lftPages_));
        tatIndex_ += tatStep;
        if (tatIndex_ % static_cast<int>(kTatEntriesPerPage) == 0 && !stop && !limitPassed &&
            !NewTatPage(tatIndex_ / static_cast<int>(kTatEntriesPerPage)))
            break;
    }
    // Entries built ahead for pages that were never written point nowhere.
    for (std::size_t i = static_cast<std::size_t>(tatIndex_); i < tat_.entries.size(); ++i)
        tat_.entries[i] = TatEntry{};
    return true;
}

// The rest of the free list from the cursors: rounds of one path's share each, none for a
// path with no blocks left, until every path is used up or the list is full.
bool LftBuild::FillFreeList()
{
    const std::size_t perPath = onePlane_ ? 2 : 1;
    bool any = true;
    while (freeWords_ + perPath <= kFreeListWords && any) {
        any = false;
        for (int path = 0; path < paths() && freeWords_ + perPath <= kFreeListWords; ++path)
            for (std::size_t i = 0; i < perPath; ++i) {
                auto block = TakeVbBlock(path);
                any = any || block.has_value();
                wct_.freeList[freeWords_++] = block ? static_cast<WORD>(*block) : kNoBlock;
            }
    }
    return true;
}

bool LftBuild::Finish()
{
    const long lftVbs = vbs_ - freeVbs_;
    const long sectors = part2_.sectorsPerPage();
    const long pages = onePlane_ ? part2_.countedPagesPerBlock() : part2_.pagesPerBlock();
    const long chips = long{paths_->ceCount()} * map_.channelCount();
    const long usable = lftVbs < 9 ? kCapacityWithoutVbs
                                   : sectors * pages * (lftVbs - kSpareVbs) * chips * (onePlane_ ? 2 : p_.planes);
    part2_.SetCapacity(static_cast<DWORD>(usable));
    if (lftVbs < vbLimit_) {
        platform::DebugPrintf(" @@ VBCount = 0x%lX, SettingVB = 0x%lX", lftVbs, vbLimit_);
        OutputDebugStringA(" @@ Real VB is Not Enough");
        return false;
    }
    const std::size_t tatPages = std::min<std::size_t>(static_cast<std::size_t>(tatIndex_) / kTatEntriesPerPage + 1,
                                                       kTatPages);
    for (std::size_t page = 0; page < tatPages; ++page) {
        if (!ecc_.Run([&] { return WriteTatInfo(port_, p_, tat_, wct_.tatA, page, parameter_, form_); }))
            return false;
        part2_.SetTatPages(static_cast<BYTE>(page + 1));
    }
    const std::size_t logEntries = onePlane_ && !eD3_ ? 0 : std::size_t{p_.logBlocks} * paths();
    if (onePlane_) {
        if (!ClearReserved(port_, p_, *paths_, wct_.freeList, 0, reserved_, PlaneForm::One, " ClearLogBlock_1P Fail"))
            return false;
    } else if (!ClearReserved(port_, p_, *paths_, wct_.freeList, 0, logEntries, form_, " ClearLogBlock Fail") ||
               !ClearReserved(port_, p_, *paths_, wct_.freeList, logEntries, reserved_ - logEntries, form_,
                              " ClearFreeBlock Fail")) {
        return false;
    }
    FillFreeList();
    if (extWords_ != 0) {
        const TatEntry& first = wct_.tatA[0x22];
        if (!WriteExtWctInfo(port_, p_, ext_, paths_->cursors(), map_.blocks(), first.chip, first.block, kExtNumber,
                             parameter_, form_))
            return false;
    } else {
        wct_.tatA[0x22] = wct_.tatA[0x23] = TatEntry{}; // no extended WCT
    }
    const auto writeWct = [&] {
        return WriteWctInfo(port_, p_, wct_, paths_->at(0).chip, wct_blocks_[0], parameter_, form_);
    };
    bool wctWritten = false;
    if (sectors > 12) {
        wctWritten = ecc_.Run(writeWct);
    } else {
        wctWritten = writeWct();
        wctWritten = ecc_.Restore() && wctWritten; // the register goes back whatever the write did
    }
    if (!wctWritten)
        return false;
    const long words = static_cast<long>(lftWords_);
    const long factor = onePlane_ ? 2 : long{p_.planes};
    part2_.SetTableSectors(static_cast<INT>(words * sectors * port_.geometry.pagesPerBlock * factor));
    part2_.SetLastPageWords(static_cast<WORD>(lastPageWords_ / static_cast<std::size_t>(paths())));
    return true;
}

} // namespace

INT BuildSystemTable(const NandPort& port, UFDPortBlockMap* record, UFDFlashParams* params, BYTE* cisPart2)
{
    auto map = PortMap::Of(record);
    if (!map || params == nullptr || cisPart2 == nullptr || port.geometry.pagesPerBlock == 0) {
        OutputDebugStringA(" @@ BuildUFDSystemTable: no map, parameters, CIS part 2 or scan");
        return 0;
    }
    if (port.index == 0) {
        platform::DebugPrintf(" @@ Plane Number = %d", params->planes);
        platform::DebugPrintf(" @@ InternalChip = 0x%04X", unsigned{params->dies});
        platform::DebugPrintf(" @@ Basic Block  = 0x%04X", unsigned{params->basicBlocks});
        platform::DebugPrintf(" @@ ExtendedBlock= 0x%04X", unsigned{params->extendedBlocks});
        platform::DebugPrintf(" @@ Actual Page  = %d", params->actualPages);
        platform::DebugPrintf(" @@ Address Page = %d", params->addressPages);
        platform::DebugPrintf(" @@ Flash Type   = 0x%04X", unsigned{params->flashType});
    }
    return LftBuild(port, *map, *params, CisPart2(cisPart2)).Run() ? 1 : 0;
}

} // namespace nand
