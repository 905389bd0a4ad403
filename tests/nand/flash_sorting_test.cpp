// MLC and TLC sorting on a simulated flash with per-block error profiles: what gets marked,
// what is never touched, the VB list, and how each sorting ends.
#include "server/nand/block_search.h"
#include "server/nand/find_isp_cis.h"
#include "tests/nand/nand_bench.h"

namespace {

using namespace nandtest;
using sim::nand::BlockProfile;
using sim::nand::FaultEffect;
using sim::nand::FaultRule;
using sim::nand::NandOp;

constexpr WORD kPages = 16;

class FlashSorting : public SearchBench {
protected:
    void Make(DWORD type, BYTE dies = 1, WORD basic = 256, WORD extended = 0)
    {
        sim::nand::NandConfig config = SmallFlash(1, 2);
        config.geometry.blocks = 256;
        config.geometry.pagesPerBlock = kPages;
        MakePort(config, kPages);
        params.logBlocks = 7;
        params.freeBlocks = 8;
        params.dies = dies;
        params.basicBlocks = basic;
        params.extendedBlocks = extended;
        params.flashType = type;
        params.buildMode = kBuildModeSorting;
        params.mlcEccLimit = 0x10;
        params.tlcEccLimit = 0x20;
    }
    void Errors(unsigned path, unsigned first, unsigned last, std::uint8_t slc, std::uint8_t tlc = 0)
    {
        BlockProfile profile;
        profile.slcErrors = slc;
        profile.tlcErrors = tlc;
        nand().SetProfile(path, first, last, profile);
    }
    INT Sort() { return nand::FindIspAndCisBlocks(*port, record(), &found, &params); }
};

TEST_F(FlashSorting, MlcMarksFailingBlocksAndLeavesBadAndSystemBlocksAlone)
{
    Make(0x1024);
    nand().MarkFactoryBad(0, 5);
    view->Set(0, 5, true);
    nand().Program(0, 0, 0, {1, 2, 3}, "BBISYS", true);
    view->Set(0, 0, true);
    Errors(0, 10, 11, 0x30);
    Errors(1, 20, 20, 0x11);
    Errors(1, 21, 21, 0x10); // at the limit: passes
    Lines lines;
    ASSERT_EQ(Sort(), 1);
    EXPECT_TRUE(lines.Has("Do MLC Flash Sorting => 3"));
    for (auto [path, block] : {std::pair{0u, 10u}, {0u, 11u}, {1u, 20u}}) {
        EXPECT_TRUE(nand().MarkedBad(path, block)) << path << "/" << block;
        EXPECT_TRUE(view->Taken(static_cast<int>(path), block)) << "a failing block leaves the free blocks";
    }
    EXPECT_FALSE(nand().MarkedBad(1, 21));
    EXPECT_FALSE(view->Taken(1, 21));
    EXPECT_EQ(nand().Erases(0, 5), 0u) << "a factory-bad block is never erased";
    EXPECT_EQ(nand().PageTag(0, 0, 0), "BBISYS") << "the bad-block information is kept";
    EXPECT_EQ(view->Counter(0), 3) << "the mark count";
    EXPECT_TRUE(lines.Has("@@ Total Mark Bad Count = 3"));
    EXPECT_NE(params.flags & UFDFlashFlags::kMarkBad, 0);
    ASSERT_EQ(INT{found.count}, 4) << "the CIS and ISP blocks come from the good ones";
    const long expected[] = {1, 2, 3, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nand::FoundBlock(entries[i]), expected[i]);
        EXPECT_TRUE(view->Taken(0, expected[i]));
    }
    EXPECT_EQ(nand().Counts()[NandOp::VbEngine], 1u + 128u) << "one FIFO fill, one write per VB of two planes";
}

TEST_F(FlashSorting, ABlockThatCannotBeMarkedGetsTheGradeCc)
{
    Make(0x1024);
    Errors(0, 10, 10, 0x30);
    FaultRule stuck;
    stuck.op = NandOp::MarkBad;
    stuck.firstBlock = stuck.lastBlock = 10;
    stuck.effect = FaultEffect::OperationFails;
    nand().AddFault(stuck);
    Lines lines;
    ASSERT_EQ(Sort(), 1);
    EXPECT_EQ(lines.Count("Mark Bad fail"), 10u);
    EXPECT_TRUE(lines.Has(" SetUFDBlockMap at Entry 0, 0, 1, 2"));
    EXPECT_TRUE(view->Taken(0, 10));
}

TEST_F(FlashSorting, TwoDiesLeaveTheGapBetweenThemUntouched)
{
    Make(0x1024, 2, 64, 8); // LUN 0: 0..71, LUN 1: 128..199
    Lines lines;
    ASSERT_EQ(Sort(), 1);
    EXPECT_TRUE(lines.Has("**Lun_Offset=0x00000080"));
    for (unsigned block : {72u, 100u, 127u, 200u}) {
        EXPECT_EQ(nand().Erases(0, block), 0u) << block;
        EXPECT_EQ(nand().Erases(1, block), 0u) << block;
    }
    EXPECT_GT(nand().Erases(1, 150), 0u);
    EXPECT_EQ(nand().Counts()[NandOp::VbErrorRead], 2u * (72 + 72));
}

TEST_F(FlashSorting, TooManyUnreadableGradesEndTheSortingWithItsCount)
{
    Make(0x1024);
    FaultRule unreadable;
    unreadable.op = NandOp::VbErrorRead;
    unreadable.effect = FaultEffect::CallFails;
    nand().AddFault(unreadable);
    Lines lines;
    EXPECT_EQ(Sort(), 0);
    EXPECT_TRUE(lines.Has("@@ Total Mark Bad Count = 11"));
    EXPECT_EQ(view->Counter(0), 11);
}

TEST_F(FlashSorting, TlcWritesTheVbListAndCopiesFromTheSmallestStop)
{
    Make(0x1034);
    Errors(0, 0, 255, 0, 0x21); // every TLC grade of path 0 fails
    Lines lines;
    ASSERT_EQ(Sort(), 1);
    EXPECT_TRUE(lines.Has("Do TLC Flash Sorting => 3"));
    EXPECT_TRUE(lines.Has("ItemCount0=105, ItemCount=99"));
    // Path 0 stops at its 105th group (block 208), path 1 at its 99th (196).
    EXPECT_TRUE(lines.Has("SLC End at CE0, CH0, Lun 0, Block 0x000000D0"));
    EXPECT_TRUE(lines.Has("Minmun SLC End at CE0, CH1, Block 0x000000C4"));
    EXPECT_EQ(nand().RegisterWrites(0x6900), std::vector<std::uint8_t>{0x00});
    EXPECT_EQ(nand().RegisterWrites(0x6905), std::vector<std::uint8_t>{0x02}) << "entry 2: path 0's second group";
    EXPECT_EQ(nand().RegisterWrites(0x690B), std::vector<std::uint8_t>{0x04}) << "entry 5: path 1's third group";
    EXPECT_TRUE(lines.Has("Copy SLC to TLC: BlockAddr=0x000000C6"));
    EXPECT_FALSE(lines.Has("Copy SLC to TLC: BlockAddr=0x000000C4"));
    for (long block : {0, 1, 2, 3, 4, 5})
        EXPECT_TRUE(view->Taken(1, block)) << "the controller's SLC blocks stay out of the tables";
    EXPECT_TRUE(nand().MarkedBad(0, 210)) << "path 0's TLC blocks all fail";
    EXPECT_FALSE(nand().MarkedBad(0, 200)) << "but its own SLC blocks are not graded as TLC";
    EXPECT_EQ(INT{found.count}, 4);
}

TEST_F(FlashSorting, ATlcPathWithTooFewSlcGroupsFailsBeforeAnyCopy)
{
    Make(0x1034);
    Errors(1, 4, 255, 0x30); // path 1 passes two groups
    Lines lines;
    EXPECT_EQ(Sort(), 0);
    EXPECT_TRUE(lines.Has("FAIL, Only Get 5 SLC Good Block"));
    const auto all = lines.All();
    EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const std::string& l) { return l.rfind("Copy SLC", 0) == 0; }));
    EXPECT_TRUE(nand().RegisterWrites(0x6900).empty());
}

} // namespace
