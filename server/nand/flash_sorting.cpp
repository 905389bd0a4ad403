#include "server/nand/flash_sorting.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/nand/ecc_grading.h"
#include "server/nand/flash_type.h"
#include "server/nand/page_writer.h"
#include "server/nand/random_pattern.h"
#include "server/nand/registers.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace nand {
namespace {

constexpr DWORD kPauseMs = 20;
constexpr unsigned kMostUnreadable = 10;
constexpr DWORD kFifoBytes = 0x8000;
constexpr BYTE kFillMainFifo = 0x86;
constexpr BYTE kMlcVbWrite = 0x88;
constexpr BYTE kThreeSlcVb = 0x82;
constexpr BYTE kCopySlcToTlc = 0x84;
constexpr BYTE kRegisterWrite = 0x05;
constexpr int kSlcVbsPerPath = 3;
constexpr WORD kNoVb = 0xFFFF;

// The blocks of a path: LUN 0 from 0, and with two dies LUN 1 from its start to the end.
struct Layout {
    long lun0End = 0;
    long lun1Start = 0;
    long end = 0;
    bool twoLuns = false;
    long lunOffset() const { return twoLuns ? lun1Start : 0; }
};

std::optional<Layout> LayoutOf(const UFDFlashParams& params, const PortMap& map)
{
    const long basic = params.basicBlocks, extended = params.extendedBlocks;
    Layout layout;
    layout.lun0End = basic + extended;
    layout.end = layout.lun0End;
    if (params.dies == 2) {
        layout.twoLuns = true;
        layout.lun1Start = extended != 0 ? 2 * basic : basic; // no hole between the dies without extended blocks
        layout.end = extended != 0 ? 3 * basic + extended : 2 * basic;
    }
    if (basic == 0 || params.planes == 0 || layout.end > map.blocks() || layout.end > 0x10000) {
        platform::DebugPrintf(" @@ Sorting refused: %ld basic blocks, %u planes, %ld blocks past a bitmap of %ld", basic,
                              unsigned{params.planes}, layout.end, map.blocks());
        return std::nullopt;
    }
    return layout;
}

class Sorting {
public:
    Sorting(SearchTarget& target, Layout layout, bool tlc)
        : t_(target), layout_(layout), planes_(target.params.planes)
    {
        if ((t_.params.flags & UFDFlashFlags::kDumps) != 0)
            log_ = TextLog(t_.port.dumps, "SortingRec.txt");
        platform::DebugPrintf(tlc ? "Do TLC Flash Sorting => %d" : "Do MLC Flash Sorting => %d", t_.port.index);
        platform::DebugPrintf("ECC Limit,  MLC=0x%02X, TLC=0x%02X", unsigned{t_.params.mlcEccLimit},
                              unsigned{t_.params.tlcEccLimit});
        t_.params.flags |= UFDFlashFlags::kMarkBad;
    }

    bool Mlc();
    bool Tlc();
    // The end that always runs: the mark count goes into the port's first counter.
    void End()
    {
        platform::DebugPrintf("@@ Total Mark Bad Count = %u", marked_);
        t_.map.SetCounter(0, static_cast<INT>(marked_));
        log_.Printf("Total Bad Block Count = 0x%X\n", marked_);
    }

private:
    struct LunEnd {
        long stop = 0; // the group the path's SLC test ended at
        bool tested = false;
    };

    bool EraseAll();
    bool FillFifo();
    // Records one grade; false when too many grades were unreadable.
    bool Record(int path, long block, const Grade& grade, const char* passLine, const char* textLine);
    bool GradeChecked(const SearchPath& path, long first, long last, GradeLimit limit, const char* passLine,
                      const char* textLine);
    bool SlcTest(const SearchPath& path, int lun, long first, long end, int items, LunEnd& stop);
    bool WriteVbList();

    SearchTarget& t_;
    Layout layout_;
    long planes_;
    TextLog log_;
    unsigned marked_ = 0;
    unsigned unreadable_ = 0;
    std::vector<WORD> vbList_;
};

bool Sorting::EraseAll()
{
    for (int path = 0; path < t_.map.paths(); ++path) {
        OutputDebugStringA("**Erase Block");
        const BYTE chip = t_.map.ChipAddressOf(path);
        for (long block = 0; block < layout_.end; ++block) {
            // Bad blocks, holes and the bad-block information stay as they are.
            if ((block >= layout_.lun0End && block < layout_.lun1Start) || t_.map.Taken(path, block))
                continue;
            const DWORD row = *RowAddress(chip, block, 0, t_.port.geometry.pagesPerBlock);
            if (!RetryPaced(kPauseMs, "Erase Block Fail", [&] { return EraseBlockAt(t_.port, row); }))
                return false;
        }
    }
    return true;
}

bool Sorting::FillFifo()
{
    const std::vector<BYTE> fifo = RandomPattern(kFifoBytes);
    return RetryPaced(kPauseMs, "Fill Main FIFO Fail",
                 [&] { return t_.port.vendor.FillMainFIFO(t_.port.device, kFillMainFifo, kFifoBytes, fifo.data()) == 1; });
}

bool Sorting::Record(int path, long block, const Grade& grade, const char* passLine, const char* textLine)
{
    const BYTE chip = t_.map.ChipAddressOf(path);
    const DWORD row = *RowAddress(chip, block, 0, t_.port.geometry.pagesPerBlock);
    if (grade.passed) {
        platform::DebugPrintf(passLine, path, unsigned{row}, unsigned{grade.grade});
    } else {
        ++marked_;
        // Every failing block leaves the map's free blocks, not only one that could not be marked.
        t_.map.Set(path, block, true);
        platform::DebugPrintf(" SetUFDBlockMap at Entry %X, %X, %X, %X", unsigned{chip} >> 4, unsigned{chip} & 0x0F,
                              static_cast<unsigned>(block / 8), static_cast<unsigned>(block % 8));
        if (grade.grade == kGradeUnreadable && ++unreadable_ > kMostUnreadable)
            return false;
    }
    log_.Printf(textLine, path, unsigned{row}, unsigned{grade.grade});
    return true;
}

bool Sorting::GradeChecked(const SearchPath& path, long first, long last, GradeLimit limit, const char* passLine,
                           const char* textLine)
{
    for (long block = first; block < last; ++block) {
        if (t_.map.Taken(path.index, block))
            continue;
        const Grade grade = GradeBlock(t_.port, t_.params, path.ce, path.channel, limit, block, GradeForm::CheckOnly);
        if (!Record(path.index, block, grade, passLine, textLine))
            return false;
    }
    return true;
}

bool Sorting::Mlc()
{
    if (!EraseAll() || !FillFifo())
        return false;
    platform::DebugPrintf("**Lun_Offset=0x%08X", static_cast<unsigned>(layout_.lunOffset()));
    for (long vb = 0; vb < layout_.lun0End; vb += planes_)
        if (!RetryPaced(kPauseMs, "MLCVB Write Fail", [&] {
                return t_.port.vendor.MLCVBWrite(t_.port.device, kMlcVbWrite, static_cast<WORD>(vb),
                                                 static_cast<WORD>(layout_.lunOffset())) == 1;
            }))
            return false;
    for (const SearchPath& path : PathsSearched(t_.map, t_.map.paths())) {
        log_.Printf("SLC: CE %d, CH %d\n", path.ce, path.channel);
        const char* pass = "MLC, Path%d, Addr=0x%08X, ECC=0x%02X";
        const char* text = "MLC, Path%d, Addr=0x%08X, ECC=0x%02X\n";
        if (!GradeChecked(path, 0, layout_.lun0End, GradeLimit::Mlc, pass, text) ||
            (layout_.twoLuns && !GradeChecked(path, layout_.lun1Start, layout_.end, GradeLimit::Mlc, pass, text)))
            return false;
    }
    return true;
}

// One path's SLC test of one LUN: groups of P blocks graded after a fill; a group passes
// when all its blocks pass; the first three passing groups join the VB list.
bool Sorting::SlcTest(const SearchPath& path, int lun, long first, long end, int items, LunEnd& stop)
{
    const int paths = t_.map.paths();
    const int ordinal = lun * paths + path.index;
    const std::size_t stride = static_cast<std::size_t>(paths) * (layout_.twoLuns ? 2 : 1);
    int passed = 0;
    const BYTE chip = t_.map.ChipAddressOf(path.index);
    for (long group = first; group < end; group += planes_) {
        stop = {group, true};
        bool groupPassed = true;
        for (long block = group; block < std::min(group + planes_, end); ++block) {
            if (t_.map.Taken(path.index, block)) {
                groupPassed = false; // a bad block or the bad-block information is never filled
                continue;
            }
            const Grade grade = GradeBlock(t_.port, t_.params, path.ce, path.channel, GradeLimit::Mlc, block,
                                           GradeForm::EraseWriteCheck);
            if (!Record(path.index, block, grade, "SLC, Path%d, Addr=0x%08X, ECC=0x%02X",
                        "SLC, Path%d, Addr=0x%08X, ECC=0x%02X\n"))
                return false;
            groupPassed = groupPassed && grade.passed;
        }
        if (!groupPassed)
            continue;
        ++passed;
        platform::DebugPrintf(lun == 0 ? "Test SLC of Lun_0 OK, VB_Item=%d, Address=0x%08X"
                                       : "Test SLC of Lun_1 OK, VB_Item=%d, Address=0x%08X",
                              passed, unsigned{*RowAddress(chip, group, 0, t_.port.geometry.pagesPerBlock)});
        if (passed <= kSlcVbsPerPath) {
            const std::size_t at = ordinal + (passed - 1) * stride;
            vbList_[at] = static_cast<WORD>(group);
            platform::DebugPrintf("VB_LFT[%zu]=%04X", at, unsigned{vbList_[at]});
            // The controller keeps these groups as its SLC virtual blocks: no table may take them.
            for (long block = group; block < group + planes_; ++block)
                t_.map.Set(path.index, block, true);
        }
        if (passed >= items)
            break;
    }
    return true;
}

bool Sorting::WriteVbList()
{
    for (std::size_t k = 0; k < vbList_.size(); ++k) {
        const BYTE high = static_cast<BYTE>(vbList_[k] >> 8), low = static_cast<BYTE>(vbList_[k]);
        const auto address = static_cast<WORD>(reg::kVbList + 2 * k);
        if (t_.port.vendor.VendorWrite(t_.port.device, kRegisterWrite, 0, 0, address, 1, &high) != 1 ||
            t_.port.vendor.VendorWrite(t_.port.device, kRegisterWrite, 0, 0, address + 1, 1, &low) != 1)
            return false;
    }
    return t_.port.vendor.SetThreeSLCVB(t_.port.device, kThreeSlcVb) == 1;
}

bool Sorting::Tlc()
{
    const UFDFlashParams& p = t_.params;
    const int paths = t_.map.paths();
    const long dies = layout_.twoLuns ? 2 : 1;
    const long quotient = (dies * layout_.lun0End - planes_ * (long{p.freeBlocks} + p.logBlocks + 5)) * paths /
                          (planes_ * 1024);
    const bool twoPlane5030 = IsType5030(p.flashType) && planes_ == 2;
    const int itemCount0 = static_cast<int>(twoPlane5030 ? 2 * quotient + 113 : quotient + 105);
    const int itemCount = twoPlane5030 ? 104 : 99;
    platform::DebugPrintf("ItemCount0=%d, ItemCount=%d", itemCount0, itemCount);
    vbList_.assign(static_cast<std::size_t>(paths) * dies * kSlcVbsPerPath, kNoVb);

    std::vector<LunEnd> ends0(paths), ends1(paths);
    std::optional<long> smallest;
    bool firstPath = true;
    for (const SearchPath& path : PathsSearched(t_.map, paths)) {
        log_.Printf("SLC of Lun 0: CE %d, CH %d\n", path.ce, path.channel);
        LunEnd& end = ends0[path.index];
        if (!SlcTest(path, 0, 0, layout_.lun0End, firstPath ? itemCount0 : itemCount, end))
            return false;
        firstPath = false;
        platform::DebugPrintf("SLC End at CE%d, CH%d, Lun 0, Block 0x%08X", path.ce, path.channel,
                              static_cast<unsigned>(end.stop));
        smallest = std::min(smallest.value_or(end.stop), end.stop);
        platform::DebugPrintf("Minmun SLC End at CE%d, CH%d, Block 0x%08X", path.ce, path.channel,
                              static_cast<unsigned>(*smallest));
    }
    if (layout_.twoLuns)
        for (const SearchPath& path : PathsSearched(t_.map, paths)) {
            log_.Printf("SLC of Lun 1: CE %d, CH %d\n", path.ce, path.channel);
            LunEnd& end = ends1[path.index];
            if (!SlcTest(path, 1, layout_.lun1Start, layout_.end, itemCount, end))
                return false;
            platform::DebugPrintf("SLC End at CE%d, CH%d, Lun 1, Block 0x%08X", path.ce, path.channel,
                                  static_cast<unsigned>(end.stop));
            end.stop -= layout_.lun1Start;
            smallest = std::min(smallest.value_or(end.stop), end.stop);
        }
    const auto got = std::count_if(vbList_.begin(), vbList_.end(), [](WORD vb) { return vb != kNoVb; });
    if (static_cast<std::size_t>(got) < vbList_.size()) {
        platform::DebugPrintf("FAIL, Only Get %d SLC Good Block", static_cast<int>(got));
        return false;
    }
    if (!WriteVbList())
        return false;
    const long firstTlc = smallest.value_or(0) + planes_;
    platform::DebugPrintf("Lun_Offset=0x%08X", static_cast<unsigned>(layout_.lunOffset()));
    for (long vb = firstTlc; vb < layout_.lun0End; vb += planes_)
        if (!RetryPaced(kPauseMs, "Copy SLC to TLC Fail", [&] {
                return t_.port.vendor.CopySLCToTLC(t_.port.device, kCopySlcToTlc, static_cast<WORD>(vb), 0,
                                                   static_cast<WORD>(layout_.lunOffset())) == 1;
            }))
            return false;
    for (const SearchPath& path : PathsSearched(t_.map, paths)) {
        log_.Printf("TLC: CE %d, CH %d\n", path.ce, path.channel);
        const char* pass = "TLC OK, Path%d, Addr=0x%08X, ECC=0x%02X";
        const char* text = "TLC, Path%d, Addr=0x%08X, ECC=0x%02X\n";
        // Each path's own SLC blocks stay out, up to its stop group.
        const long first0 = std::max(firstTlc, ends0[path.index].stop + planes_);
        if (!GradeChecked(path, first0, layout_.lun0End, GradeLimit::Tlc, pass, text))
            return false;
        if (layout_.twoLuns) {
            const long first1 = layout_.lun1Start + std::max(firstTlc, ends1[path.index].stop + planes_);
            if (!GradeChecked(path, first1, layout_.end, GradeLimit::Tlc, pass, text))
                return false;
        }
    }
    return true;
}

// The blocks the CIS and ISP go to: the first good ones on the paths searched, taken in the map.
bool FillFoundList(SearchTarget& target, int wanted)
{
    target.found.count = 0;
    for (const SearchPath& path : PathsSearched(target.map, target.params.searchPaths))
        for (long block = 0; block < target.map.blocks() && target.found.count < wanted; ++block) {
            if (target.map.Taken(path.index, block))
                continue;
            AppendFound(target.found, path.ce, path.channel, block);
            target.map.Set(path.index, block, true);
        }
    if (target.found.count < wanted) {
        platform::DebugPrintf(" @@ Sorting left %d good blocks of %d for the CIS and ISP", target.found.count, wanted);
        return false;
    }
    return true;
}

} // namespace

bool SortFlash(SearchTarget& target, int wanted)
{
    auto layout = LayoutOf(target.params, target.map);
    if (!layout)
        return false;
    const bool tlc = (target.params.flashType & 0xF0) != 0x20;
    Sorting sorting(target, *layout, tlc);
    const bool sorted = tlc ? sorting.Tlc() : sorting.Mlc();
    sorting.End();
    return sorted && FillFoundList(target, wanted);
}

} // namespace nand
