// Times a full system-table build (ISP load, bad-block scan, CIS/ISP block search, TAT and
// LFT tables) on a simulated flash of 4 CEs x 2 channels x 4096 blocks of 256 pages of
// 8 KiB, and prints the commands sent by kind (as the bench controller counted them), any
// command sent twice for the same purpose, and the station's own time: the wall time less the bench's SG_IO answers; the
// waits the station must make run on a virtual clock and are shown apart.
// Run it under umockdev-wrapper.
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "server/nand/block_map.h"
#include "server/nand/nand_format.h"
#include "sg_io_timing.h"
#include "sim/core/testbed.h"
#include "sim/nand/bench_nand_drive.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr unsigned kCe = 4, kChannels = 2, kBlocks = 4096;
constexpr WORD kPages = 256;
constexpr WORD kPageBytes = 8192;
constexpr BYTE kSectors = kPageBytes / 512;
constexpr std::uint32_t kVbs = 1900; // the capacity the LFT maps
constexpr BYTE kPort = 0;

// The kinds of command the build sends, in the order they are printed.
const char* const kKindNames[] = {"register read", "register write", "CPU reset", "LUN configuration", "flash id",
                                  "ISP load", "cache clear", "bad-block check", "system-area erase", "block erase",
                                  "block write", "block read", "spare read", "spare write", "mark bad",
                                  "block status", "VB error count", "VB engine", "test command", "TEST UNIT READY",
                                  "other"};

std::string NameOf(const sim::CommandKind& kind)
{
    if (kind.opcode == 0x00)
        return "TEST UNIT READY";
    if (kind.opcode != 0xEE)
        return "other";
    switch (kind.group) {
    case 0x01: return kind.sub == 0x04 ? "register read" : kind.sub == 0x05 ? "register write" : "other";
    case 0x02: return kind.sub == 0x01 ? "CPU reset" : kind.sub == 0x88 || kind.sub == 0x8A ? "LUN configuration" : "other";
    case 0x90: return kind.sub == 0x82 ? "flash id" : "other";
    case 0x9F: return "ISP load";
    case 0x6F: return "cache clear";
    case 0x51: return kind.sub == 0x00 ? "bad-block check" : "system-area erase";
    case 0x95:
        switch (kind.sub) {
        case 0x8E: return "block erase";
        case 0x8B:
        case 0x8C: return "block write";
        case 0x89:
        case 0x8D: return "block read";
        case 0x88: return "spare read";
        case 0x8A: return "spare write";
        default: return "other";
        }
    case 0x50: return kind.sub == 0x80 ? "mark bad" : "block status";
    case 0xF8: return kind.sub == 0x80 ? "VB error count" : "VB engine";
    case 0xF1:
    case 0xF2: return "test command";
    default: return "other";
    }
}

double Ms(std::chrono::nanoseconds time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

struct Step {
    const char* name;
    INT result;
};

} // namespace

int main()
{
    platform::SetDebugSink([](std::string_view) {});
    sim::nand::NandConfig config;
    config.geometry.ceCount = kCe;
    config.geometry.channelCount = kChannels;
    config.geometry.blocks = kBlocks;
    config.geometry.pagesPerBlock = kPages;
    config.geometry.pageBytes = kPageBytes;
    config.geometry.spareBytes = 448;
    sim::nand::BenchNandDrive drive(config);
    // About one block in a hundred bad from the factory, the same ones every run.
    std::mt19937 random(7);
    for (unsigned path = 0; path < kCe * kChannels; ++path)
        for (unsigned i = 0; i < kBlocks / 100; ++i)
            drive.nand().MarkFactoryBad(path, 40 + random() % (kBlocks - 40));
    sim::Testbed testbed;
    drive.Publish(testbed);
    HANDLE handles[32] = {};
    handles[kPort] = CreateFileA(drive.DevNode().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (handles[kPort] == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the bench drive (run under umockdev-wrapper)\n");
        return 1;
    }
    UFDBlockMap* map = nand::CreateBlockMap(16, kCe, kChannels, kBlocks / 8);
    UFDPortBlockMap* record = map->ports[kPort];
    CVCommCMDControl vendor;
    CSTDCMDControl standard;
    nand::NandFormat format(vendor, standard);

    std::vector<BYTE> isp(0x4000, 0x5A);
    UFDFlashParams params{};
    params.searchPaths = 1;
    params.pageLimit = 0x20000;
    params.pairsWanted = 2;
    params.logBlocks = 7;
    params.freeBlocks = 8;
    params.planes = 2;
    params.dies = 1;
    params.basicBlocks = kBlocks;
    params.actualPages = kPages;
    params.sectorsPerPage = kSectors;
    params.eccLimit = 8;
    params.flashType = 0x1024;
    MapPtrEntry entries[kFoundBlockCapacity] = {};
    MapPtr found{0, entries};
    std::array<BYTE, 768> part2{};
    part2[0] = 0xEC;
    part2[2] = 0x10;
    std::memcpy(&part2[20], &kPages, 2);
    part2[22] = kSectors;
    const std::uint32_t capacity = kVbs * kSectors * kPages * kCe * kChannels * params.planes;
    for (int i = 0; i < 4; ++i)
        part2[26 + i] = static_cast<BYTE>(capacity >> (24 - 8 * i));

    platform::VirtualClock waits;
    platform::SetClockSource(&waits);
    drive.disk().ClearCommands();
    TakeSgIoTotals();
    const auto start = Clock::now();
    const Step steps[] = {
        {"ISP load", format.InitIsp(handles, kPort, 0xC000, 0x4000, isp.data())},
        {"bad-block scan", format.ScanFlashBlock(handles, kPort, record, kPages, kPageBytes, 0x02)},
        {"CIS/ISP block search", format.FindIspAndCisBlocks(handles, kPort, record, &found, &params)},
        {"system-table build", format.BuildSystemTable(handles, kPort, record, &params, part2.data())},
    };
    const auto wall = Clock::now() - start;
    const SgIoTotals sgIo = TakeSgIoTotals();
    platform::SetClockSource(nullptr);
    std::map<std::string, unsigned> counts;
    for (const auto& [kind, count] : drive.disk().CommandCounts())
        counts[NameOf(kind)] += count;

    bool good = true;
    std::printf("Full system-table build: %u CEs x %u channels x %u blocks of %u pages of %u bytes, %u VBs mapped\n",
                kCe, kChannels, kBlocks, unsigned{kPages}, unsigned{kPageBytes}, kVbs);
    for (const Step& step : steps) {
        std::printf("  %-22s result %d\n", step.name, step.result);
        good = good && step.result == 1;
    }
    std::printf("Commands sent: %llu SG_IO requests\n", static_cast<unsigned long long>(sgIo.count));
    for (const char* name : kKindNames)
        if (counts.count(name) != 0)
            std::printf("  %-22s %7u\n", name, counts[name]);
    std::printf("Commands sent twice for the same purpose: %llu (goal: none)\n",
                static_cast<unsigned long long>(sgIo.repeats));
    for (const std::string& cdb : sgIo.firstRepeats)
        std::printf("  %s\n", cdb.c_str());
    const auto bench = std::chrono::duration_cast<std::chrono::nanoseconds>(sgIo.time);
    const auto own = std::chrono::duration_cast<std::chrono::nanoseconds>(wall) - bench;
    std::printf("Wall time:                    %9.1f ms\n", Ms(std::chrono::duration_cast<std::chrono::nanoseconds>(wall)));
    std::printf("  the bench's SG_IO answers:  %9.1f ms\n", Ms(bench));
    std::printf("  station's own time:         %9.1f ms (goal under 1000 ms)\n", Ms(own));
    std::printf("Waits the station must make (virtual clock): %.1f ms\n", waits.SleptTotal() / 1e4);
    CloseHandle(handles[kPort]);
    nand::DeleteBlockMap(map);
    return good && sgIo.repeats == 0 ? 0 : 1;
}
