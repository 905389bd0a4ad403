// The block stress test and the searches for the CIS and ISP blocks on a simulated flash.
#include "server/nand/block_search.h"
#include "server/nand/find_isp_cis.h"
#include "server/nand/stress_test.h"
#include "tests/nand/nand_bench.h"

#include <filesystem>

namespace {

using namespace nandtest;
using sim::nand::BlockProfile;
using sim::nand::FaultEffect;
using sim::nand::FaultRule;
using sim::nand::NandOp;

class BlockSearch : public SearchBench {
protected:
    void Make(sim::nand::NandConfig config = SmallFlash()) { MakePort(config, 64); params.flashType = 0x1024; }
    void Bad(unsigned path, unsigned first, unsigned last)
    {
        BlockProfile profile;
        profile.readBitErrorsPerKiB = 9;
        nand().SetProfile(path, first, last, profile);
    }
};

TEST_F(BlockSearch, StressTestPassesAGoodBlockAndLeavesItErased)
{
    Make();
    ASSERT_TRUE(nand::StressTest(*port, params, 0, 0, 7));
    EXPECT_EQ(nand().Erases(0, 7), 2u);
    EXPECT_FALSE(nand().PageProgrammed(0, 7, 0));
    EXPECT_EQ(nand().Counts()[NandOp::Program], 8u) << "64 pages in chunks of 8";
}

TEST_F(BlockSearch, StressTestChunksNeverPassOneRequestOrTheBlock)
{
    struct Case {
        unsigned pageBytes;
        DWORD type;
        WORD actualPages;
        unsigned writes;
        const char* line;
    };
    const Case cases[] = {
        {16384, 0x1024, 64, 16, "@@ 16KPage!!"},  // 4 pages of 16 KiB a chunk
        {12288, 0x1024, 64, 13, nullptr},         // 5 pages of 12 KiB fill a request; the last chunk is 4
        {2048, 0x1032, 192, 8, nullptr},          // a third of 192 pages
        {2048, 0x1024, 60, 8, nullptr},           // the page limit ends the last chunk early
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pageBytes);
        sim::nand::NandConfig config = SmallFlash();
        config.geometry.pageBytes = c.pageBytes;
        Make(config);
        params.flashType = c.type;
        params.actualPages = c.actualPages;
        Lines lines;
        EXPECT_TRUE(nand::StressTest(*port, params, 0, 0, 3));
        EXPECT_EQ(nand().Counts()[NandOp::Program], c.writes);
        if (c.line != nullptr) {
            EXPECT_TRUE(lines.Has(c.line));
        }
        TearDown();
    }
}

TEST_F(BlockSearch, StressTestFailuresAndTheirLines)
{
    struct Case {
        const char* name;
        BYTE flags;
        bool fallback;
        std::function<void(sim::nand::NandController&)> arrange;
        const char* line;
        bool marked;
    };
    const auto errors = [](sim::nand::NandController& flash) {
        BlockProfile profile;
        profile.readBitErrorsPerKiB = 9;
        flash.SetProfile(0, 9, 9, profile);
    };
    const Case cases[] = {
        {"errors past the limit", 0, false, errors, "RWFail(3), Addr=240, Err=9, Byte=0x", false},
        {"errors past the limit, marking", UFDFlashFlags::kMarkBad, false, errors, "MarkBad(3), Addr=240, Err=9, Byte=0x",
         true},
        {"erase never done", 0, false,
         [](sim::nand::NandController& flash) {
             FaultRule rule;
             rule.op = NandOp::Erase;
             rule.effect = FaultEffect::OperationFails;
             flash.AddFault(rule);
         },
         "BST_E Fail", false},
        {"bad-block information", 0, true, [](sim::nand::NandController& flash) { flash.Program(0, 9, 0, {1, 2}, "BBISYS", true); },
         "This Block is Bad Block Info BBISYS: 0x00000240", false},
        {"spare not as written", 0, true,
         [](sim::nand::NandController& flash) {
             FaultRule rule;
             rule.op = NandOp::SpareRead;
             rule.page = 0;
             rule.nth = 2;
             rule.effect = FaultEffect::SpareOverride;
             rule.spare = {'R', 'W', 'T', 'e', 's', 'x'};
             flash.AddFault(rule);
         },
         "BST of Bad Block Mark Bad (3), Addr=240", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make();
        params.flags = c.flags;
        if (c.fallback)
            params.status |= UFDFlashStatus::kFallbackSearch;
        c.arrange(nand());
        Lines lines;
        EXPECT_FALSE(nand::StressTest(*port, params, 0, 0, 9));
        const auto all = lines.All();
        EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const std::string& l) { return l.rfind(c.line, 0) == 0; }))
            << c.line;
        EXPECT_TRUE(lines.Has(" @@ ECC Setting [0x2608] = 0x05")) << "a failed test reports the registers";
        EXPECT_EQ(nand().MarkedBad(0, 9), c.marked);
        TearDown();
    }
}

TEST_F(BlockSearch, AMarkedFailureKeepsBothPatternsInTheDumpFolder)
{
    Make();
    const auto folder = std::filesystem::temp_directory_path() / "nand_stress_dumps";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    port->dumps = nand::DumpFolder::ForPort(folder.string(), kPort);
    params.flags = UFDFlashFlags::kMarkBad;
    Bad(0, 9, 9);
    EXPECT_FALSE(nand::StressTest(*port, params, 0, 0, 9));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "Port03" / "Debug")) {
        EXPECT_EQ(entry.file_size(), 8u * 2048);
        ++files;
    }
    EXPECT_EQ(files, 2);
    std::filesystem::remove_all(folder);
}

TEST_F(BlockSearch, SingleBlocksSkipFailuresAndTakeEveryTestedBlock)
{
    Make();
    view->Set(0, 0, true);
    Bad(0, 1, 1);
    auto target = Target();
    ASSERT_TRUE(nand::SearchSingleBlocks(target, 2));
    EXPECT_EQ(Blocks(), (std::vector<long>{2, 3}));
    for (long block : {1, 2, 3})
        EXPECT_TRUE(view->Taken(0, block));
    EXPECT_EQ(view->Counter(0), 3) << "every tested block counts";
}

// The page limit bounds the search until the list holds 2 entries.
TEST_F(BlockSearch, SingleBlocksPassThePageLimitOnceTwoAreFound)
{
    Make();
    params.pageLimit = 8 * 64; // one bitmap byte
    for (long block = 0; block < 6; ++block)
        view->Set(0, block, true);
    auto target = Target();
    ASSERT_TRUE(nand::SearchSingleBlocks(target, 4));
    EXPECT_EQ(Blocks(), (std::vector<long>{6, 7, 8, 9}));

    Make();
    params.pageLimit = 8 * 64;
    for (long block = 0; block < 7; ++block)
        view->Set(0, block, true);
    Lines lines;
    auto again = Target();
    EXPECT_FALSE(nand::SearchSingleBlocks(again, 4));
    EXPECT_TRUE(lines.Has("Block Limit = 1 Entry"));
    EXPECT_TRUE(lines.Has(" @@ Find Good Block Fail"));
    EXPECT_NE(params.status & UFDFlashStatus::kSearchFailed, 0u);
}

TEST_F(BlockSearch, TheEleventhFailedTestEndsTheSearch)
{
    Make();
    Bad(0, 0, 10);
    Lines lines;
    auto target = Target();
    EXPECT_FALSE(nand::SearchSingleBlocks(target, 2));
    EXPECT_TRUE(lines.Has(" @@ Stress Test Fail 10 Blocks"));
    EXPECT_FALSE(view->Taken(0, 11)) << "candidates were left";
}

TEST_F(BlockSearch, TheFallbackSearchNeverHandsOutTheBadBlockInformation)
{
    Make();
    view->Set(0, 4, true);
    view->Set(0, 5, true);
    view->Set(0, 6, true);
    nand().Program(0, 4, 0, {1}, "BBISYS", true);
    params.status |= UFDFlashStatus::kFallbackSearch;
    auto target = Target();
    ASSERT_TRUE(nand::SearchMarkedBlocks(target, 2));
    EXPECT_EQ(Blocks(), (std::vector<long>{5, 6}));
    EXPECT_TRUE(nand().PageProgrammed(0, 4, 0)) << "left as it is";
}

TEST_F(BlockSearch, PairsAndQuadsAreTestedInTheirOrder)
{
    Make();
    view->Set(0, 1, true); // pair 0 is not free
    Lines lines;
    auto pairs = Target();
    ASSERT_TRUE(nand::SearchPairs(pairs, 4));
    EXPECT_EQ(Blocks(), (std::vector<long>{2, 3, 4, 5}));
    EXPECT_TRUE(lines.Has("FpB1(Path3, CE0, CH0, 0, 3)=>BLK1"));

    Make();
    params.planes = 4;
    view->Set(0, 3, true); // quad 0 is not free
    auto quads = Target();
    ASSERT_TRUE(nand::SearchQuads(quads, 4));
    EXPECT_EQ(Blocks(), (std::vector<long>{4, 6, 5, 7}));
}

TEST_F(BlockSearch, On5030FlashOnlyEvenBlocksAreHandedOut)
{
    Make();
    params.flashType = 0x5032;
    auto target = Target();
    ASSERT_TRUE(nand::SearchPairs(target, 4));
    EXPECT_EQ(Blocks(), (std::vector<long>{0, 2, 4, 6}));
    EXPECT_EQ(nand().Erases(0, 1), 0u);
}

TEST_F(BlockSearch, TlcPairsComeFromOneChannel)
{
    Make(SmallFlash(1, 2));
    params.searchPaths = 2;
    params.pageLimit = 8 * 64;
    for (long block = 0; block < 7; ++block)
        view->Set(0, block, true); // channel 0 holds one free block below the limit
    auto target = Target();
    ASSERT_TRUE(nand::SearchTlcPairs(target, 2));
    ASSERT_EQ(INT{found.count}, 2);
    EXPECT_EQ(entries[0].channel, 1);
    EXPECT_EQ(entries[1].channel, 1);
}

TEST_F(BlockSearch, OnePlaneModeSwapsTheFallbackBlockIntoIspOne)
{
    Make();
    params.buildMode = kBuildModeOnePlane;
    params.pageLimit = 8 * 64;
    for (long block = 0; block < 8; ++block)
        view->Set(0, block, true); // nothing free below the limit: two marked blocks are used
    ASSERT_EQ(nand::FindIspAndCisBlocks(*port, record(), &found, &params), 1);
    EXPECT_EQ(Blocks(), (std::vector<long>{0, 8, 1, 9}));
    EXPECT_EQ(params.status & UFDFlashStatus::kFallbackSearch, 0u);
}

TEST_F(BlockSearch, TheListNeverTakesMoreThanItsRoom)
{
    Make();
    params.pairsWanted = 3;
    Lines lines;
    EXPECT_EQ(nand::FindIspAndCisBlocks(*port, record(), &found, &params), 0);
    EXPECT_TRUE(lines.Has(" @@ 6 CIS/ISP blocks asked, the list holds 4"));
    EXPECT_EQ(INT{found.count}, 0);

    params.pairsWanted = 0; // one pair for TLC
    ASSERT_EQ(nand::FindIspAndCisBlocks(*port, record(), &found, &params), 1);
    EXPECT_EQ(INT{found.count}, 2);
    EXPECT_EQ(params.pairsWanted, 1);
}

} // namespace
