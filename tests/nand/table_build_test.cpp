// The TAT and LFT table builds on a simulated flash, scanned and searched first as the
// worker does, each result read back by the table checker.
#include "server/nand/flash_scan.h"
#include "tests/nand/flash_kinds.h"
#include "tests/nand/nand_bench.h"
#include "tests/nand/table_checker.h"

#include <array>
#include <cstring>
#include <functional>

namespace {

using namespace nandtest;
using sim::nand::BlockProfile;
using sim::nand::FaultEffect;
using sim::nand::FaultRule;
using sim::nand::NandOp;

constexpr WORD kPages = 64;
constexpr BYTE kSectors = 4;

struct Flash {
    unsigned ce = 1, channels = 2, blocks = 1024;
    std::array<std::uint8_t, 5> id{0xEC, 0xDA, 0x10, 0x95, 0x44}; // type 0x1024
};

class TableBuild : public NandBench {
protected:
    // Scans the flash and takes the CIS and ISP blocks, as the worker does before a build.
    void Make(const Flash& flash, DWORD buildMode, BYTE planes, std::uint32_t vbs)
    {
        sim::nand::NandConfig config = SmallFlash(flash.ce, flash.channels);
        config.geometry.blocks = flash.blocks;
        config.geometry.id = flash.id;
        Build(config);
        if (beforeScan)
            beforeScan(nand());
        ASSERT_EQ(Scan(nand::scan::kCollectBbi), 1);
        params = Params(flash, buildMode, planes);
        found = MapPtr{0, entries};
        ASSERT_EQ(format.FindIspAndCisBlocks(handles, kPort, record(), &found, &params), 1);
        part2.fill(0);
        part2[0] = flash.id[0];
        part2[2] = flash.id[2];
        part2[11] = 0x03;
        part2[20] = kPages; // host order
        part2[22] = kSectors;
        const std::uint32_t capacity = onePlane() ? vbs * kSectors * kPages * paths() * 2
                                                  : vbs * kSectors * kPages * paths() * planes;
        part2[26] = static_cast<BYTE>(capacity >> 24);
        part2[27] = static_cast<BYTE>(capacity >> 16);
        part2[28] = static_cast<BYTE>(capacity >> 8);
        part2[29] = static_cast<BYTE>(capacity);
    }
    UFDFlashParams Params(const Flash& flash, DWORD buildMode, BYTE planes) const
    {
        UFDFlashParams p{};
        p.searchPaths = 1;
        p.pageLimit = 0x20000;
        p.pairsWanted = 2;
        p.logBlocks = 7;
        p.freeBlocks = 8;
        p.planes = planes;
        p.dies = 1;
        p.basicBlocks = static_cast<WORD>(flash.blocks);
        p.actualPages = kPages;
        p.sectorsPerPage = kSectors;
        p.eccLimit = 4;
        p.flashType = givenType;
        p.buildMode = buildMode;
        p.mlcEccLimit = 0x78;
        p.tlcEccLimit = 0x56;
        p.eraseCount2 = 0x34;
        p.eraseCount3 = 0x12;
        return p;
    }
    bool onePlane() const { return params.buildMode == kBuildModeOnePlane; }
    std::uint32_t paths() const { return record()->ceCount * record()->channelCount; }
    UFDPortBlockMap* record() const { return map->ports[kPort]; }
    INT BuildTables() { return format.BuildSystemTable(handles, kPort, record(), &params, part2.data()); }
    TableFacts Check()
    {
        return CheckTables(nand(), part2.data(), {onePlane(), params.planes, {0x78, 0x56, 0x34, 0x12}});
    }
    std::uint32_t Capacity() const
    {
        return std::uint32_t{part2[26]} << 24 | std::uint32_t{part2[27]} << 16 | std::uint32_t{part2[28]} << 8 |
               part2[29];
    }
    std::uint16_t Part2Word(std::size_t at) const { return static_cast<std::uint16_t>(part2[at] | part2[at + 1] << 8); }
    FaultRule Failing(NandOp op, const char* tag)
    {
        FaultRule rule;
        rule.op = op;
        rule.tag = tag;
        rule.effect = FaultEffect::OperationFails;
        return rule;
    }

public:
    DWORD givenType = 0x1024; // the parameters' flash type
    std::function<void(sim::nand::NandController&)> beforeScan; // the flash before it is scanned
    UFDFlashParams params{};
    MapPtrEntry entries[kFoundBlockCapacity] = {};
    MapPtr found{};
    std::array<BYTE, 768> part2{};
};

void ExpectClean(const TableFacts& facts)
{
    for (const std::string& problem : facts.problems)
        ADD_FAILURE() << problem;
}

TEST_F(TableBuild, OnePlaneTablesReadBackAsLaidDown)
{
    Make({}, kBuildModeOnePlane, 2, 200);
    Lines lines;
    ASSERT_EQ(BuildTables(), 1);
    EXPECT_TRUE(lines.Has("BuildTheLFT_1P()"));
    EXPECT_TRUE(lines.Has(" @@ VB Limit =0xD0"));
    const TableFacts facts = Check();
    ExpectClean(facts);
    EXPECT_EQ(facts.lftPages, 1u);
    EXPECT_EQ(facts.lftBlocks, 208u * 4);
    EXPECT_TRUE(facts.extended) << "the free VBs overflow into the extended WCT";
    EXPECT_EQ(part2[32], 1);
    EXPECT_EQ(part2[33], 2);
    EXPECT_EQ(part2[34], 1);
    EXPECT_EQ(part2[48], 2);
    EXPECT_EQ(part2[49], 2);
    EXPECT_EQ(part2[50], 7);
    EXPECT_EQ(part2[53], 1);
    EXPECT_EQ(Part2Word(54), 1);
    EXPECT_EQ(Part2Word(56), 512);
    EXPECT_EQ(Part2Word(58), 208 * 4 / 2);
    EXPECT_EQ(Capacity(), 200u * kSectors * kPages * 2 * 2);
    INT tableSectors;
    std::memcpy(&tableSectors, &part2[60], 4);
    EXPECT_EQ(tableSectors, 208 * 4 * kSectors * kPages * 2);
    EXPECT_EQ(params.status & UFDFlashStatus::kFewFreeBlocks, 0u);
    EXPECT_EQ(nand().Register(0x2608), 0x05) << "the ECC setting is left as found";
}

// What a build that destroyed a table or mapped a bad block would leave, the checker reports.
TEST_F(TableBuild, TheCheckerSeesBrokenTables)
{
    Make({}, kBuildModeOnePlane, 2, 200);
    ASSERT_EQ(BuildTables(), 1);
    const TableFacts good = Check();
    ExpectClean(good);
    ASSERT_FALSE(good.lft.empty());
    nand().MarkFactoryBad(0, good.lft[0]);
    const TableFacts badBlock = Check();
    ASSERT_EQ(badBlock.problems.size(), 1u);
    EXPECT_EQ(badBlock.problems[0], "LFT block " + std::to_string(good.lft[0]) + " of path 0 is bad");
    const auto& tat = good.tatA[0];
    const DWORD tatRow = DWORD{tat[0]} << 24 | DWORD(tat[2] << 8 | tat[3]) * kPages;
    BYTE status = 0;
    ASSERT_EQ(vendor.BlockAccessErase(handles[kPort], 0x8E, 0, 0, tatRow, 1, &status), 1);
    const TableFacts erased = Check();
    ASSERT_FALSE(erased.problems.empty());
    EXPECT_EQ(erased.problems[0], "block 30 of chip 1 is not tagged TATSYS but ''");
}

TEST_F(TableBuild, TwoAndFourPlaneTablesReadBackAsLaidDown)
{
    for (BYTE planes : {BYTE{2}, BYTE{4}}) {
        SCOPED_TRACE(int{planes});
        Make({}, 0, planes, 100);
        Lines lines;
        ASSERT_EQ(BuildTables(), 1);
        EXPECT_TRUE(lines.Has("BuildTheLFT()"));
        const TableFacts facts = Check();
        ExpectClean(facts);
        EXPECT_EQ(facts.lftBlocks, 108u * 2);
        EXPECT_EQ(Capacity(), 100u * kSectors * kPages * 2 * planes);
        TearDown();
    }
}

// The clean-up of the one-plane build erases the reserved blocks alone: the TAT page that
// lies right after the last reserved block of path 1 stays.
TEST_F(TableBuild, TheReservedClean_upLeavesEveryTableWritten)
{
    Make({}, kBuildModeOnePlane, 2, 200);
    params.flags = UFDFlashFlags::kEraseReserved;
    ASSERT_EQ(BuildTables(), 1);
    const TableFacts facts = Check();
    ExpectClean(facts);
    EXPECT_EQ(facts.tatA[0][0], 0x01) << "the TAT is on path 1";
    EXPECT_EQ(facts.tatA[0][3], 30) << "right after path 1's thirty reserved blocks";
    EXPECT_GT(nand().Erases(1, 29), 0u) << "the reserved blocks were erased";
    // The first VB was erased before the first LFT page: words 2p and 2p + 1 on path p.
    ASSERT_GE(facts.lft.size(), 4u);
    for (unsigned word = 0; word < 4; ++word)
        EXPECT_EQ(nand().Erases(word / 2, facts.lft[word]), 1u) << "word " << word;
}

TEST_F(TableBuild, TheTwoHundredFiftySeventhLftPageTakesANewTatBlock)
{
    Flash flash;
    flash.ce = 4;
    flash.channels = 4;
    flash.blocks = 16640;
    Make(flash, kBuildModeOnePlane, 2, 257 * 32 - 8);
    ASSERT_EQ(BuildTables(), 1);
    const TableFacts facts = Check();
    ExpectClean(facts);
    EXPECT_EQ(facts.lftPages, 257u);
    EXPECT_EQ(facts.tatPages, 2u);
    EXPECT_EQ(facts.tatA[2][1], 0) << "TAT page 1's block";
    EXPECT_EQ(facts.tatA[3][1], 255);
}

TEST_F(TableBuild, VbCountsDecideCapacityAndFreeBlocks)
{
    // Capacity 0: every VB goes into the LFT and none is free.
    Make({}, kBuildModeOnePlane, 2, 0);
    Lines lines;
    EXPECT_EQ(BuildTables(), 0);
    EXPECT_TRUE(lines.Has(" @@ Free VB Count = 0x0"));
    EXPECT_NE(params.status & UFDFlashStatus::kFewFreeBlocks, 0u);
    ExpectClean(Check());

    // Too few blocks for eight VBs.
    Flash tiny;
    tiny.channels = 1;
    tiny.blocks = 64;
    Make(tiny, kBuildModeOnePlane, 2, 0);
    for (unsigned block = 50; block < 55; ++block)
        nand::SetBlockBit(record(), 0, 0, static_cast<INT>(block / 8), static_cast<BYTE>(block % 8), 1);
    Lines again;
    EXPECT_EQ(BuildTables(), 0);
    EXPECT_TRUE(again.Has(" @@ Real VB is Not Enough"));
    EXPECT_EQ(Capacity(), 123u);
}

// With three paths a one-plane VB takes six words: a page holds 170 whole VBs and no VB
// crosses into the next page.
TEST_F(TableBuild, NoVbCrossesTheEndOfAnLftPage)
{
    Flash flash;
    flash.channels = 3;
    flash.blocks = 2048;
    Make(flash, kBuildModeOnePlane, 2, 300);
    ASSERT_EQ(BuildTables(), 1);
    const TableFacts facts = Check();
    ExpectClean(facts);
    ASSERT_EQ(facts.lftPages, 2u);
    for (std::size_t word = 1020; word < 1024; ++word)
        EXPECT_EQ(facts.lft[word], 0xFFFF) << word;
    EXPECT_NE(facts.lft[1024], 0xFFFF) << "VB 171 opens the second page";
    EXPECT_EQ(facts.lftBlocks, 308u * 6);
}

TEST_F(TableBuild, ParametersThatWouldDivideByZeroOrOverrunAreRefused)
{
    struct Case {
        const char* name;
        std::function<void(TableBuild&)> spoil;
    };
    const Case cases[] = {
        {"no sectors per page", [](TableBuild& t) { t.part2[22] = 0; }},
        {"no pages per block", [](TableBuild& t) { t.part2[20] = 0; }},
        {"no planes", [](TableBuild& t) { t.params.planes = 0; }},
        {"reserved blocks past the free list", [](TableBuild& t) { t.params.logBlocks = 250; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make({}, kBuildModeOnePlane, 2, 200);
        c.spoil(*this);
        Lines lines;
        EXPECT_EQ(BuildTables(), 0);
        const auto all = lines.All();
        EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                                [](const std::string& l) { return l.rfind(" @@ Table build refused", 0) == 0; }));
        TearDown();
    }
    Make({}, kBuildModeOnePlane, 2, 200);
    Plan(ControllerFault(RegisterRead(0x2608), sim::FaultKind::FailedCall));
    Lines lines;
    EXPECT_EQ(BuildTables(), 0);
    EXPECT_EQ(lines.Count(" Retry Read ECC Setting Register"), 10u) << "the ECC setting read gives up";
}

TEST_F(TableBuild, TwoDiesABuiltAsTwiceTheCes)
{
    Flash flash;
    flash.id = {0xEC, 0xDA, 0x11, 0x95, 0x44};
    Make(flash, kBuildModeOnePlane, 2, 100);
    Lines lines;
    ASSERT_EQ(BuildTables(), 1);
    EXPECT_TRUE(lines.Has(" === Change 2 Die to 2 CE ==="));
    EXPECT_TRUE(lines.Has(" === Return CE Number to BlockMap ==="));
    EXPECT_EQ(part2[32], 2) << "the tables count the dies as CEs";
    EXPECT_EQ(part2[48], 4);
    EXPECT_EQ(record()->ceCount, 1) << "the port's map keeps its CE count";
}

TEST_F(TableBuild, EachFailingTableWriteFailsTheBuild)
{
    struct Case {
        const char* name;
        DWORD mode;
        Fault fault;
        INT result;
        const char* line;
    };
    // The first restore after the first table write.
    const sim::FaultRule restore = ControllerFault(RegisterWrite(0x2608), sim::FaultKind::CheckCondition, 2, 1);
    FaultRule firstLft = Failing(NandOp::Program, "LFTSYS");
    firstLft.nth = 1;
    firstLft.times = 3;
    const Case cases[] = {
        {"one-plane LFT page", kBuildModeOnePlane, Failing(NandOp::Program, "LFTSYS"), 0,
         "MessageBox [Error]: Write LFT Error"},
        {"two-plane LFT page moves on", 0, firstLft, 1, "MessageBox [Error]: Write LFT Error"},
        {"TAT page", kBuildModeOnePlane, Failing(NandOp::Program, "TATSYS"), 0, "MessageBox [Error]: Write TAT Error"},
        {"WCT page", 0, Failing(NandOp::Program, "WCTSYS"), 0, "MessageBox [Error]: Write WCT Error"},
        {"extended WCT page", kBuildModeOnePlane, Failing(NandOp::Program, "EXTSYS"), 0,
         "MessageBox [Error]: Write ExtWCT Error"},
        {"ECC setting not restored", kBuildModeOnePlane, restore, 0, "WriteLFT_INFO_1P(3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make({}, c.mode, 2, 200);
        params.flags = UFDFlashFlags::kMarkBad;
        Plan(c.fault);
        Lines lines;
        EXPECT_EQ(BuildTables(), c.result);
        EXPECT_TRUE(lines.Has(c.line));
        if (c.result == 1)
            ExpectClean(Check());
        TearDown();
    }
}

// A parameter block whose flash type is 0 is built for the type the port's scan classified,
// written back into the block; one that gives a type keeps it. The flash here uses a third
// of each block (its stress tests stay there), and path 0 has the most bad blocks, so only
// the type's own rules put the TAT on path 0 and keep 0x5030 tables off the odd path.
TEST_F(TableBuild, TheScannedFlashTypeStandsInForNone)
{
    struct Case {
        const char* name;
        FlashId id;
        DWORD given, used;
        bool thirdOfEachBlock, evenPathsOnly;
    };
    const Case cases[] = {
        {"0x5030 flash, no type given", kToshiba5030Id, 0, 0x5032, true, true},
        {"TLC flash, no type given", kSamsungTlcId, 0, 0x1032, true, false},
        {"MLC flash given as 0x5030", kSamsungMlcId, 0x5032, 0x5032, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        givenType = c.given;
        beforeScan = [&c](sim::nand::NandController& flash) {
            for (unsigned block = 500; block < 520; ++block)
                flash.MarkFactoryBad(0, block);
            if (c.thirdOfEachBlock)
                for (const FaultRule& rule : ProgramsPastAThirdFail(kPages))
                    flash.AddFault(rule);
        };
        Flash flash;
        flash.id = c.id;
        Lines lines;
        ASSERT_NO_FATAL_FAILURE(Make(flash, kBuildModeOnePlane, 2, 200));
        EXPECT_EQ(DWORD{params.flashType}, c.used) << "the block carries the type the search used";
        char line[96];
        if (c.given == 0)
            std::snprintf(line, sizeof line, " @@ FindISPAndCISUseBlock(%d): flash type 0x%04X from the port's scan",
                          int{kPort}, unsigned(c.used));
        else
            std::snprintf(line, sizeof line,
                          " @@ FindISPAndCISUseBlock(%d): flash type 0x%04X given, the scan found 0x1024", int{kPort},
                          unsigned(c.given));
        EXPECT_TRUE(lines.Has(line)) << line;
        ASSERT_EQ(BuildTables(), 1);
        const bool groups = c.id[0] == 0x98; // its reserved blocks are four-block groups
        const unsigned reservedWords = paths() * (params.logBlocks + params.freeBlocks);
        const TableFacts facts =
            CheckTables(nand(), part2.data(), {true, 2, {0x78, 0x56, 0x34, 0x12}, groups ? reservedWords : 0});
        ExpectClean(facts);
        EXPECT_EQ(facts.tatA[0][0], 0x00) << "the TAT of third-page flash lies on path 0";
        for (BYTE chip : facts.tableChips)
            EXPECT_TRUE(!c.evenPathsOnly || (chip & 0x0F) == 0) << "a table on odd channel " << (chip & 0x0F);
        TearDown();
    }
}

// The block search steers by the scanned type too: the sorting grades MLC flash as MLC and
// TLC flash as TLC, and the pair search hands out only the even blocks of 0x5030 flash.
TEST_F(TableBuild, TheSearchSteersByTheScannedFlashType)
{
    struct Case {
        const char* name;
        FlashId id;
        DWORD mode;
        const char* line;
    };
    const Case cases[] = {
        {"MLC sorting", kSamsungMlcId, kBuildModeSorting, "Do MLC Flash Sorting => 3"},
        {"TLC sorting", kSamsungTlcId, kBuildModeSorting, "Do TLC Flash Sorting => 3"},
        {"0x5030 pairs", kToshiba5030Id, 0, "FPBFT=>4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        givenType = 0;
        Flash flash;
        flash.id = c.id;
        flash.blocks = 256;
        Lines lines;
        ASSERT_NO_FATAL_FAILURE(Make(flash, c.mode, 2, 100));
        EXPECT_TRUE(lines.Has(c.line));
        for (int i = 0; i < found.count && c.mode == 0; ++i)
            EXPECT_EQ(nand::FoundBlock(entries[i]) % 2, 0) << "entry " << i;
        TearDown();
    }
}

// Without a type of its own, the block is refused on a port whose flash no scan classified:
// never scanned, or whose last scan could not read the flash id (the type of the flash it
// held before is not taken for the one it holds now).
TEST_F(TableBuild, NoTableIsBuiltForAFlashOfUnknownType)
{
    struct Case {
        const char* name;
        int scans; // the last one cannot read the flash id
    };
    for (const Case& c : {Case{"never scanned", 0}, Case{"flash id unreadable", 1}, Case{"rescan without an id", 2}}) {
        SCOPED_TRACE(c.name);
        Flash flash;
        flash.id = kSamsungTlcId;
        sim::nand::NandConfig config = SmallFlash(flash.ce, flash.channels);
        config.geometry.id = flash.id;
        Build(config);
        for (int scan = 1; scan <= c.scans; ++scan) {
            if (scan == c.scans) {
                FaultRule unreadable;
                unreadable.op = NandOp::FlashId;
                unreadable.effect = FaultEffect::CallFails;
                Plan(unreadable);
            }
            EXPECT_EQ(Scan(0), scan == c.scans ? 0 : 1);
        }
        givenType = 0;
        params = Params(flash, kBuildModeOnePlane, 2);
        found = MapPtr{0, entries};
        Lines lines;
        EXPECT_EQ(format.FindIspAndCisBlocks(handles, kPort, record(), &found, &params), 0);
        EXPECT_EQ(format.BuildSystemTable(handles, kPort, record(), &params, part2.data()), 0);
        EXPECT_EQ(DWORD{params.flashType}, 0u);
        EXPECT_EQ(INT{found.count}, 0);
        EXPECT_TRUE(lines.Has(" @@ FindISPAndCISUseBlock(3): no flash type given and no scan of the port classified "
                              "its flash"));
        EXPECT_TRUE(
            lines.Has(" @@ BuildUFDSystemTable(3): no flash type given and no scan of the port classified its flash"));
        TearDown();
    }
}

} // namespace
