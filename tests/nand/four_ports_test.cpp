// Four ports format their drives at once through one server object, as four workers do:
// each drive has a flash of its own (its own pages per block and bad blocks), and each
// port's map, dumps and geometry stay its own.
#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "platform/text/text.h"
#include "portwarden/block_map.h"
#include "portwarden/flash_params.h"
#include "sim/nand/bench_nand_drive.h"
#include "tests/nand/nand_bench.h"
#include "tests/nand/table_checker.h"
#include "tests/server_shell/registered_server.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace fabrun_test;

constexpr int kDrives = 4;
constexpr BYTE kPorts[kDrives] = {2, 5, 9, 14};
constexpr WORD kPagesPerBlock[kDrives] = {64, 128, 64, 128};
constexpr unsigned kBlocks = 1024;

class FourPorts : public RegisteredServer {
protected:
    void SetUp() override
    {
        RegisteredServer::SetUp();
        for (int n = 0; n < kDrives; ++n) {
            sim::nand::NandConfig config = nandtest::SmallFlash(1, 2);
            config.geometry.pagesPerBlock = kPagesPerBlock[n];
            config.seed = 11 + n;
            drives[n] = std::make_unique<sim::nand::BenchNandDrive>(config, sim::nand::NthDrivePlacement(n));
            drives[n]->nand().MarkFactoryBad(n % 2, 100 + n); // a bad block of its own
        }
        testbed = std::make_unique<sim::Testbed>();
        for (auto& drive : drives)
            drive->Publish(*testbed);
        std::fill(std::begin(handles), std::end(handles), INVALID_HANDLE_VALUE);
        for (int n = 0; n < kDrives; ++n) {
            handles[kPorts[n]] = CreateFileA(drives[n]->DevNode().c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(handles[kPorts[n]], INVALID_HANDLE_VALUE);
        }
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(ctrl, nullptr);
        dumps = std::filesystem::temp_directory_path() / "nand_four_ports";
        std::filesystem::remove_all(dumps);
        std::filesystem::create_directories(dumps);
    }

    void TearDown() override
    {
        if (ctrl != nullptr)
            ctrl->Release();
        for (HANDLE handle : handles)
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        std::filesystem::remove_all(dumps);
        RegisteredServer::TearDown();
    }

    // One worker's format of its port: scan, CIS/ISP search, table build.
    bool Format(int n, UFDPortBlockMap* record, std::array<BYTE, 768>& part2)
    {
        const BYTE port = kPorts[n];
        const WORD pages = kPagesPerBlock[n];
        if (ctrl->ScanFlashBlock(handles, port, record, pages, 2048, 0x20 | 0x80) != 1)
            return false;
        UFDFlashParams params{};
        params.searchPaths = 1;
        params.pageLimit = 0x20000;
        params.pairsWanted = 2;
        params.logBlocks = 7;
        params.freeBlocks = 8;
        params.planes = 2;
        params.dies = 1;
        params.basicBlocks = kBlocks;
        params.actualPages = pages;
        params.sectorsPerPage = 4;
        params.eccLimit = 4;
        params.flashType = 0x1024;
        params.buildMode = kBuildModeOnePlane;
        params.flags = UFDFlashFlags::kDumps;
        MapPtrEntry entries[kFoundBlockCapacity] = {};
        MapPtr found{0, entries};
        if (ctrl->FindISPAndCISUseBlock(handles, port, record, &found, &params) != 1)
            return false;
        part2.fill(0);
        part2[0] = 0xEC;
        part2[2] = 0x10;
        std::memcpy(&part2[20], &pages, 2);
        part2[22] = 4;
        const std::uint32_t capacity = 150u * 4 * pages * 2 * 2;
        for (int i = 0; i < 4; ++i)
            part2[26 + i] = static_cast<BYTE>(capacity >> (24 - 8 * i));
        return ctrl->BuildUFDSystemTable(handles, port, record, &params, part2.data()) == 1;
    }

    std::unique_ptr<sim::nand::BenchNandDrive> drives[kDrives];
    std::unique_ptr<sim::Testbed> testbed; // after the drives: their nodes outlive it
    platform::ScopedVirtualClock clock;
    HANDLE handles[32];
    IPortwardenCtrl* ctrl = nullptr;
    std::filesystem::path dumps;
};

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST_F(FourPorts, BuildTheirTablesAtOnceEachOnItsOwnFlash)
{
    UFDBlockMap* map = ctrl->CreateUFDBlockMap(16, 1, 2, kBlocks / 8);
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(ctrl->SetDebugDmpFilePathSS(platform::Utf8ToWide(dumps.string() + "/").c_str()), 1);
    std::array<std::array<BYTE, 768>, kDrives> part2{};
    bool formatted[kDrives] = {};
    std::vector<std::thread> workers;
    for (int n = 0; n < kDrives; ++n)
        workers.emplace_back([&, n] { formatted[n] = Format(n, PortBlockMap(*map, kPorts[n]), part2[n]); });
    for (auto& worker : workers)
        worker.join();

    for (int n = 0; n < kDrives; ++n) {
        SCOPED_TRACE("drive " + std::to_string(n));
        EXPECT_TRUE(formatted[n]);
        UFDPortBlockMap* record = PortBlockMap(*map, kPorts[n]);
        const BYTE byte = static_cast<BYTE>((100 + n) / 8), bit = static_cast<BYTE>((100 + n) % 8);
        EXPECT_EQ(ctrl->GetUFDBlockMap(record, 0, n % 2, byte, bit), 1) << "its own bad block";
        const nandtest::TableFacts facts =
            nandtest::CheckTables(drives[n]->nand(), part2[n].data(), {true, 2, {0, 0, 0, 0}});
        for (const std::string& problem : facts.problems)
            ADD_FAILURE() << problem;
        char folder[16];
        std::snprintf(folder, sizeof folder, "Port%02u", unsigned{kPorts[n]});
        char badLine[64];
        std::snprintf(badLine, sizeof badLine, "Bad Block RowAddress: 0x%08x\n",
                      unsigned((n % 2) << 24 | (100 + n) * kPagesPerBlock[n]));
        const std::string log = FileText(dumps / folder / "BadBlockRec.txt");
        EXPECT_NE(log.find(badLine), std::string::npos) << log;
        EXPECT_EQ(log.find("Bad Block RowAddress"), log.rfind("Bad Block RowAddress")) << "only its own bad block";
        EXPECT_TRUE(std::filesystem::exists(dumps / folder / "FW" / "LFT_INFO_000.txt"));
    }
    ctrl->DeleteUFDBlockMap(map);
}

// Through the interface, each NAND slot writes its name with the port index first.
TEST_F(FourPorts, EachNandSlotNamesItselfWithThePort)
{
    nandtest::Lines lines;
    BYTE id[64] = {};
    EXPECT_EQ(ctrl->ReadFlashID_UFD(handles, 5, 0, id), 1);
    EXPECT_EQ(id[0], 0xEC);
    EXPECT_EQ(ctrl->UFDCacheClear_UFD(handles, 9), 1);
    EXPECT_EQ(ctrl->ChipReset(handles, 14), 1);
    for (const char* line : {"ReadFlashID_UFD(5)", "UFDCacheClear_UFD(9)", "ChipReset(14)"})
        EXPECT_TRUE(lines.Has(line)) << line;
}

} // namespace
