// Table pages: their flash form, and the verified writers with their plane companions,
// their failure path and their dumps.
#include "server/nand/table_writers.h"
#include "tests/nand/nand_bench.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace nandtest;
using sim::nand::FaultEffect;
using sim::nand::FaultRule;
using sim::nand::NandOp;

TEST(TableImages, FlashFormsPutEveryBlockNumberBigEndian)
{
    nand::LftImage lft = nand::EmptyLft();
    lft[0] = 0x1234;
    lft[1023] = 0x00AB;
    const auto lftFlash = nand::WordsFlashForm(lft);
    ASSERT_EQ(lftFlash.size(), 2048u);
    EXPECT_EQ(lftFlash[0], 0x12);
    EXPECT_EQ(lftFlash[1], 0x34);
    EXPECT_EQ(lftFlash[2], 0xFF);
    EXPECT_EQ(lftFlash[2046], 0x00);
    EXPECT_EQ(lftFlash[2047], 0xAB);

    nand::TatImage tat;
    tat.entries[512] = {0x21, 255, 0x0345};
    const auto page1 = nand::TatPageFlashForm(tat, 1);
    ASSERT_EQ(page1.size(), 2048u);
    EXPECT_EQ(std::vector<BYTE>(page1.begin(), page1.begin() + 4), (std::vector<BYTE>{0x21, 0xFF, 0x03, 0x45}));
    EXPECT_EQ(nand::EntriesHostForm(std::span(tat.entries).subspan(512, 1)), (std::vector<BYTE>{0x21, 0xFF, 0x45, 0x03}));

    nand::WctImage wct;
    wct.tatA[0x21] = {0x00, 0x10, 0x0BCD};
    wct.freeList[0] = 0x0102;
    const auto wctFlash = nand::WctFlashForm(wct);
    ASSERT_EQ(wctFlash.size(), 6144u);
    EXPECT_EQ(std::vector<BYTE>(wctFlash.begin() + 0x84, wctFlash.begin() + 0x88),
              (std::vector<BYTE>{0x00, 0x10, 0x0B, 0xCD}));
    EXPECT_EQ(wctFlash[256], 0x01);
    EXPECT_EQ(wctFlash[257], 0x02);
    EXPECT_EQ(wctFlash[258], 0xFF);
    EXPECT_EQ(wctFlash[2048], 0xFF);
}

class TablePages : public NandBench {
protected:
    void SetUp() override
    {
        sim::nand::NandConfig config = SmallFlash(1, 2);
        config.geometry.pageBytes = 8192;
        Build(config);
        port.emplace(nand::NandPort{handles[kPort], kPort, vendor, standard, FlashGeometry{64, 8192}, {}});
        params.planes = 2;
        params.sectorsPerPage = 16;
        params.actualPages = 64;
        params.eccLimit = 4;
        params.flashType = 0x1024;
        tatA[0] = {0x01, 0, 40};
        tat.entries[3] = {0x01, 0, 0x0102};
    }

    bool WriteTat(nand::PlaneForm form) { return nand::WriteTatInfo(*port, params, tat, tatA, 0, 0, form); }
    FaultRule ReadErrors(unsigned path, unsigned block, unsigned bits)
    {
        FaultRule rule;
        rule.op = NandOp::Read;
        rule.channel = path;
        rule.firstBlock = rule.lastBlock = block;
        rule.effect = FaultEffect::BitErrors;
        rule.value = bits;
        return rule;
    }

    std::optional<nand::NandPort> port;
    UFDFlashParams params{};
    std::array<nand::TatEntry, nand::kTatAEntries> tatA{};
    nand::TatImage tat;
};

TEST_F(TablePages, TwoPlaneWritersEraseThePlaneCompanions)
{
    struct Case {
        const char* name;
        BYTE planes;
        DWORD type;
        std::vector<unsigned> erased, kept;
    };
    const Case cases[] = {
        {"two planes", 2, 0x1024, {41}, {42, 43}},
        {"four planes", 4, 0x1024, {41, 42, 43}, {}},
        {"four planes of 0x5034", 4, 0x5034, {42}, {41, 43}},
        {"four planes of 0x5032", 4, 0x5032, {42, 43}, {41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        params.planes = c.planes;
        params.flashType = c.type;
        ASSERT_TRUE(WriteTat(nand::PlaneForm::Two));
        EXPECT_EQ(nand().PageTag(1, 40, 0), "TATSYS");
        for (unsigned block : c.erased)
            EXPECT_EQ(nand().Erases(1, block), 1u) << block;
        for (unsigned block : c.kept)
            EXPECT_EQ(nand().Erases(1, block), 0u) << block;
        TearDown();
    }
}

TEST_F(TablePages, OnePlaneWritersEraseTheBlockAloneAndWriteTheFlashForm)
{
    ASSERT_TRUE(WriteTat(nand::PlaneForm::One));
    EXPECT_EQ(nand().Erases(1, 41), 0u);
    const auto page = nand().PageData(1, 40, 0);
    const auto expected = nand::TatPageFlashForm(tat, 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), page.begin()));
    EXPECT_EQ(page[2048], 0xFF) << "one 2 KiB table page";
}

TEST_F(TablePages, AFailingPageIsTriedThreeTimesThenMarkedAndStillFails)
{
    struct Case {
        const char* name;
        unsigned bitErrors;
        BYTE flags;
        bool written, marked;
    };
    const Case cases[] = {
        {"errors within the limit", 4, 0, true, false},
        {"errors past the limit", 5, 0, false, false},
        {"past the limit, marking on", 5, UFDFlashFlags::kMarkBad, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        params.flags = c.flags;
        nand().AddFault(ReadErrors(1, 40, c.bitErrors));
        Lines lines;
        EXPECT_EQ(WriteTat(nand::PlaneForm::Two), c.written);
        EXPECT_EQ(lines.Has("MessageBox [Error]: Write TAT Error"), !c.written);
        EXPECT_EQ(nand().Counts()[NandOp::Program], c.written ? 1u : 3u);
        EXPECT_EQ(nand().MarkedBad(1, 40), c.marked);
        TearDown();
    }
}

TEST_F(TablePages, TheWctTakesAtMostOnePage)
{
    nand::WctImage wct;
    wct.freeList.fill(0x0707);
    struct Case {
        BYTE flags, sectors;
        std::size_t written;
    };
    const Case cases[] = {{0, 16, 2048}, {UFDFlashFlags::kMultiPageWct, 16, 6144}, {UFDFlashFlags::kMultiPageWct, 8, 4096}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        SetUp();
        params.flags = c.flags;
        params.sectorsPerPage = c.sectors;
        Lines lines;
        ASSERT_TRUE(nand::WriteWctInfo(*port, params, wct, 0x01, 50, 0, nand::PlaneForm::Two));
        EXPECT_TRUE(lines.Has("WriteWCT_INFO(3, addr=1000c80)"));
        const auto page = nand().PageData(1, 50, 0);
        const auto flash = nand::WctFlashForm(wct);
        EXPECT_TRUE(std::equal(flash.begin(), flash.begin() + c.written, page.begin()));
        EXPECT_EQ(page[c.written], 0xFF);
        TearDown();
    }
    SetUp();
    params.sectorsPerPage = 0;
    EXPECT_FALSE(nand::WriteWctInfo(*port, params, wct, 0x01, 50, 0, nand::PlaneForm::Two));
}

std::vector<BYTE> FileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), {});
}

TEST_F(TablePages, DumpsShowThePlainAndTheFlashForm)
{
    const auto folder = std::filesystem::temp_directory_path() / "nand_table_dumps";
    std::filesystem::remove_all(folder);
    params.flags = UFDFlashFlags::kDumps;
    ASSERT_TRUE(WriteTat(nand::PlaneForm::Two));
    EXPECT_FALSE(std::filesystem::exists(folder)) << "no dump folder, no files";

    std::filesystem::create_directories(folder);
    port->dumps = nand::DumpFolder::ForPort(folder.string(), kPort);
    ASSERT_TRUE(WriteTat(nand::PlaneForm::Two));
    const auto plain = FileBytes(folder / "Port03" / "TAT_000.txt");
    const auto flash = FileBytes(folder / "Port03" / "FW" / "TAT_000.txt");
    ASSERT_EQ(plain.size(), 2048u);
    ASSERT_EQ(flash.size(), 2048u);
    EXPECT_EQ(std::vector<BYTE>(plain.begin() + 12, plain.begin() + 16), (std::vector<BYTE>{0x01, 0, 0x02, 0x01}));
    EXPECT_EQ(std::vector<BYTE>(flash.begin() + 12, flash.begin() + 16), (std::vector<BYTE>{0x01, 0, 0x01, 0x02}));
    std::filesystem::remove_all(folder);
}

} // namespace
