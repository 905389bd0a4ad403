// The bad-block scan on a simulated flash: how blocks are sorted into the map, the
// bad-block information pages on the flash, the encryption register around the scan, and
// what each failure does.
#include "server/nand/flash_scan.h"
#include "tests/nand/nand_bench.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace nandtest;
using sim::nand::FaultEffect;
using sim::nand::FaultRule;
using sim::nand::NandOp;

constexpr unsigned kPages = 64;

std::vector<std::uint8_t> Data(std::uint8_t seed)
{
    std::vector<std::uint8_t> data(2048);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return data;
}

class FlashScan : public NandBench {
protected:
    // Both flash pages of a BBI page written on 2 KiB pages.
    std::vector<std::uint8_t> BbiPage(unsigned path, unsigned block, unsigned number)
    {
        auto first = nand().PageData(path, block, 2 * number);
        auto second = nand().PageData(path, block, 2 * number + 1);
        first.insert(first.end(), second.begin(), second.end());
        return first;
    }

    void ExpectBbi(const std::vector<std::uint8_t>& page, const std::vector<DWORD>& rows)
    {
        const std::uint8_t marker[] = {'B', 'a', 'd', 'B', 'l', 'o', 'c', 'k', 'C', 'n', 't', '='};
        EXPECT_TRUE(std::equal(std::begin(marker), std::end(marker), page.begin()));
        ASSERT_EQ(Be32(page, 12), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(Be32(page, 16 + 4 * i), rows[i]) << "row " << i;
        if (rows.size() < 1020) {
            EXPECT_EQ(page[16 + 4 * rows.size()], 0xFF) << "the unused rest stays erased";
        }
    }
};

TEST_F(FlashScan, SortsFactoryBadSystemAndWrongEncryptionBlocks)
{
    Build(SmallFlash(1, 2));
    nand().MarkFactoryBad(0, 5);
    nand().MarkFactoryBad(1, 700);
    nand().Program(0, 10, 0, Data(1), "CISSYS", true);   // a system block of the current setting
    nand().Program(0, 11, 0, Data(2), "ISPSYS", false);  // one written with encryption off
    nand().Program(0, 12, 0, Data(3), "RWTest", false);  // data readable only with encryption off
    nand().Program(0, 13, 0, Data(4), "RWTest", true);   // data of the current setting
    const auto folder = std::filesystem::temp_directory_path() / "nand_scan_dumps";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    format.SetDumpFolder(folder.string());

    ASSERT_EQ(Scan(nand::scan::kEraseSystem | nand::scan::kEraseWrongEncryption | nand::scan::kCollectBbi |
                   nand::scan::kTextLog),
              1);

    EXPECT_TRUE(Taken(0, 5));
    EXPECT_TRUE(Taken(1, 700));
    EXPECT_EQ(INT{record()->badBlockCount[0]}, 1);
    EXPECT_EQ(INT{record()->badBlockCount[1]}, 1);
    for (unsigned block : {10u, 11u}) {
        EXPECT_FALSE(Taken(0, block)) << "a system block is good";
        EXPECT_FALSE(nand().PageProgrammed(0, block, 0)) << "and erased with bit 0x01";
    }
    EXPECT_FALSE(nand().PageProgrammed(0, 12, 0)) << "good only under the other setting: erased";
    EXPECT_FALSE(Taken(0, 12));
    EXPECT_TRUE(nand().PageProgrammed(0, 13, 0)) << "readable as it is: kept";
    EXPECT_FALSE(Taken(0, 13));

    EXPECT_TRUE(Taken(0, 0)) << "the first good block holds the bad-block information";
    EXPECT_EQ(nand().PageTag(0, 0, 0), "BBISYS");
    ExpectBbi(BbiPage(0, 0, 0), {5 * kPages, 0x01000000u | 700 * kPages});

    EXPECT_EQ(nand().Register(0x2809), 0x01) << "the encryption is left as it was found";
    EXPECT_EQ(nand().RegisterWrites(0x2809).back(), 0x01);
    EXPECT_EQ(nand().Register(0x2600) & 3, 0) << "64 pages per block";
    EXPECT_EQ(INT{record()->bitmapBytes}, 128);

    std::ifstream log(folder / "Port03" / "BadBlockRec.txt");
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_EQ(text.str(), "Bad Block RowAddress: 0x00000140\n"
                          "System Block RowAddress: 0x00000280\n"
                          "System Block RowAddress: 0x000002c0\n"
                          "ChipAddress: 0x00000000, Bad Block Count: 1\n"
                          "Bad Block RowAddress: 0x0100af00\n"
                          "ChipAddress: 0x01000000, Bad Block Count: 1\n"
                          "CE: 1, CH: 2, Entry: 128\n");
    std::filesystem::remove_all(folder);
}

TEST_F(FlashScan, TheBadBlockPastTheFirstPageStartsASecondPage)
{
    sim::nand::NandConfig config = SmallFlash();
    config.geometry.blocks = 2048;
    Build(config);
    std::vector<DWORD> rows;
    for (unsigned block = 1; block <= 1025; ++block) {
        nand().MarkFactoryBad(0, block);
        rows.push_back(block * kPages);
    }
    ASSERT_EQ(Scan(nand::scan::kCollectBbi), 1);
    EXPECT_EQ(INT{record()->badBlockCount[0]}, 1025);
    ExpectBbi(BbiPage(0, 0, 0), std::vector<DWORD>(rows.begin(), rows.begin() + 1020));
    ExpectBbi(BbiPage(0, 0, 1), std::vector<DWORD>(rows.begin() + 1020, rows.end()));
    EXPECT_EQ(nand().PageTag(0, 0, 3), "BBISYS");
}

// With bit 0x10 the other paths would keep no record of their bad blocks while the tables
// use them: every path is scanned.
TEST_F(FlashScan, EveryPathIsScannedAlsoWhenOneIsAskedFor)
{
    Build(SmallFlash(2, 2));
    nand().MarkFactoryBad(3, 77);
    ASSERT_EQ(Scan(nand::scan::kOnePath), 1);
    EXPECT_TRUE(Taken(3, 77));
    EXPECT_EQ(INT{record()->badBlockCount[3]}, 1);
}

TEST_F(FlashScan, WhatAnEarlierScanLeftInTheMapIsCleared)
{
    Build(SmallFlash());
    nand::SetBlockBit(record(), 0, 0, 4, 2, 1);
    record()->badBlockCount[0] = 9;
    ASSERT_EQ(Scan(0), 1);
    EXPECT_FALSE(Taken(0, 34)) << "a good block is free again";
    EXPECT_EQ(INT{record()->badBlockCount[0]}, 0);
}

TEST_F(FlashScan, ScanOnlyLeavesTheEncryptionAloneAndSendsTheTestCommands)
{
    sim::nand::NandConfig config = SmallFlash();
    config.geometry.id = {0xEC, 0xD7, 0x08, 0x00, 0x04}; // type 0x1032
    Build(config);
    nand().Program(0, 20, 0, Data(5), "ISPSYS", true);
    nand().Program(0, 21, 0, Data(6), "RWTest", false);
    nand().Program(0, 22, 0, Data(7), "RWTest", true);
    Lines lines;
    ASSERT_EQ(Scan(nand::scan::kScanOnly | nand::scan::kEraseSystem | nand::scan::kEraseWrongEncryption), 1);
    EXPECT_TRUE(nand().RegisterWrites(0x2809).empty());
    EXPECT_TRUE(lines.Has("Chip_87, REG_2809=(1), NO Change Encryption"));
    EXPECT_TRUE(lines.Has(" Scan_Only 0_0_01"));
    EXPECT_FALSE(nand().PageProgrammed(0, 20, 0)) << "system blocks are still erased";
    EXPECT_TRUE(nand().PageProgrammed(0, 21, 0)) << "no encryption-mismatch erase";
    EXPECT_TRUE(Taken(0, 21)) << "read with the current setting only, it is bad";
    EXPECT_TRUE(nand().PageProgrammed(0, 22, 0));
    EXPECT_EQ(drive->disk().CommandCount({0xEE, 0xF2, 0x00}), 2u) << "EE F2 01 before, EE F2 00 after";
    EXPECT_TRUE(lines.Has("@@ EE, F2, 01"));
    EXPECT_TRUE(lines.Has("@@ EE, F2, 00"));
}

// Two dies with an extended block count: the blocks between a die's end and the next die
// do not exist. They are taken in the map but not counted, and groups wholly inside such a
// gap are not read at all.
TEST_F(FlashScan, DieGapsAreHolesNotBadBlocks)
{
    sim::nand::NandConfig config = SmallFlash();
    config.geometry.blocks = 4096;
    config.geometry.dies = 2;
    config.geometry.basicBlocks = 1024;
    config.geometry.extendedBlocks = 0x40;
    config.geometry.id = {0xEC, 0xDA, 0x11, 0x95, 0x44};
    Build(config, 0x40);
    nand().MarkFactoryBad(0, 2100);
    Lines lines;
    ASSERT_EQ(Scan(0), 1);
    EXPECT_TRUE(lines.Has(" InternalChip is 2, BasicBlock = 0x0400, ExtendedBlock = 0x40"));
    EXPECT_EQ(INT{record()->badBlockCount[0]}, 1) << "only the real bad block counts";
    EXPECT_FALSE(Taken(0, 1087));
    EXPECT_TRUE(Taken(0, 1088));
    EXPECT_TRUE(Taken(0, 2047));
    EXPECT_FALSE(Taken(0, 2048));
    EXPECT_TRUE(Taken(0, 2100));
    EXPECT_TRUE(Taken(0, 3136));
    EXPECT_EQ(nand().Counts()[NandOp::CheckStatus], 6u * 4) << "groups 3 and 7 lie in the gaps";
}

// A bitmap of 125 bytes ends inside a group of 512 blocks; a scan page past the block's
// last page is read at its last page.
TEST_F(FlashScan, AShortLastGroupAndALongScanPageStayInside)
{
    sim::nand::NandConfig config = SmallFlash();
    config.geometry.blocks = 1000;
    config.geometry.id = {0x98, 0xD7, 0x08, 0x00, 0x00}; // type 0x5032: scan page 86 of 64
    Build(config);
    nand().MarkFactoryBad(0, 999);
    Lines lines;
    ASSERT_EQ(Scan(0), 1);
    EXPECT_TRUE(lines.Has("  Flash is 0x5032, Scan Page = 0x40"));
    EXPECT_TRUE(Taken(0, 999));
    EXPECT_EQ(INT{record()->badBlockCount[0]}, 1);
}

TEST_F(FlashScan, EachFailureEndsTheScanWithTheEncryptionRestored)
{
    struct Case {
        const char* name;
        Fault fault;
        INT result;
        const char* line;
    };
    auto rule = [](NandOp op, FaultEffect effect, unsigned nth = 0, unsigned times = 1) {
        FaultRule r;
        r.op = op;
        r.effect = effect;
        r.nth = nth;
        r.times = times;
        return r;
    };
    FaultRule systemErase = rule(NandOp::Erase, FaultEffect::OperationFails);
    systemErase.firstBlock = systemErase.lastBlock = 30;
    FaultRule bbiWrite = rule(NandOp::Program, FaultEffect::OperationFails);
    bbiWrite.firstBlock = bbiWrite.lastBlock = 0;
    // On, off, on, then the restore.
    const sim::FaultRule restore = ControllerFault(RegisterWrite(0x2809), sim::FaultKind::CheckCondition, 4, 10);
    const Case cases[] = {
        {"system block never erases", systemErase, 0, " Erase System Block Error"},
        {"status never read", rule(NandOp::CheckStatus, FaultEffect::CallFails), 0, " Scan Block_00_Off_Error"},
        {"status read on the tenth try", rule(NandOp::CheckStatus, FaultEffect::NotCompleted, 1, 9), 1,
         " Scan Block_00_Off_Error"},
        {"last bad-block page not written", bbiWrite, 0, "WriteBB_INFO (3) Error At Page 0"},
        {"encryption not restored", restore, 0, " Retry Write Original Encryption Value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(SmallFlash());
        nand().SetRegister(0x2809, 0x00); // found off: the scan ends with it on and must write it back
        nand().Program(0, 30, 0, Data(8), "CISSYS", true);
        Plan(c.fault);
        Lines lines;
        EXPECT_EQ(Scan(nand::scan::kEraseSystem | nand::scan::kCollectBbi), c.result);
        EXPECT_TRUE(lines.Has(c.line));
        if (std::holds_alternative<FaultRule>(c.fault)) {
            EXPECT_EQ(nand().Register(0x2809), 0x00);
        }
        TearDown();
    }
}

TEST_F(FlashScan, AnEncryptionRegisterThatNeverReadsEndsTheScanUntouched)
{
    Build(SmallFlash());
    Plan(ControllerFault(RegisterRead(0x2809), sim::FaultKind::Reply, 1, 0, {0xFF}));
    Lines lines;
    EXPECT_EQ(Scan(nand::scan::kCollectBbi), 0);
    EXPECT_EQ(lines.Count(" Retry Read Encryption Register"), 10u);
    EXPECT_TRUE(nand().RegisterWrites(0x2809).empty());
    EXPECT_EQ(nand().Counts()[NandOp::CheckStatus], 0u);
}

TEST_F(FlashScan, ScanOnlyFailsWhenItsLastTestCommandFails)
{
    sim::nand::NandConfig config = SmallFlash();
    config.geometry.id = {0xEC, 0xD7, 0x08, 0x00, 0x04};
    Build(config);
    Plan(ControllerFault(sim::CommandPattern::Vendor(0xF2), sim::FaultKind::CheckCondition, 2, 1));
    EXPECT_EQ(Scan(nand::scan::kScanOnly), 0);
}

} // namespace
