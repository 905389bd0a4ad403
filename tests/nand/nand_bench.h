// A flash drive with NAND behind its controller on the bench, its handle in a port's slot
// of a handle table, the server's NAND operations and a block map for the port.
#pragma once

#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "server/nand/block_map.h"
#include "server/nand/block_search.h"
#include "server/nand/nand_format.h"
#include "sim/core/testbed.h"
#include "sim/nand/bench_nand_drive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace nandtest {

struct MapDeleter {
    void operator()(UFDBlockMap* map) const { nand::DeleteBlockMap(map); }
};
using MapHandle = std::unique_ptr<UFDBlockMap, MapDeleter>;

// A small flash: one CE, one channel, 1024 blocks of 64 pages of 2 KiB.
inline sim::nand::NandConfig SmallFlash(unsigned ce = 1, unsigned channels = 1)
{
    sim::nand::NandConfig config;
    config.geometry.ceCount = ce;
    config.geometry.channelCount = channels;
    return config;
}

// The debug lines written while it lives, from any thread.
class Lines {
public:
    Lines()
    {
        previous_ = platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard guard(lock_);
            lines_.emplace_back(line);
        });
    }
    ~Lines() { platform::SetDebugSink(std::move(previous_)); }
    Lines(const Lines&) = delete;
    Lines& operator=(const Lines&) = delete;

    bool Has(const std::string& line) const
    {
        std::lock_guard guard(lock_);
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    unsigned Count(const std::string& line) const
    {
        std::lock_guard guard(lock_);
        return static_cast<unsigned>(std::count(lines_.begin(), lines_.end(), line));
    }
    std::vector<std::string> All() const
    {
        std::lock_guard guard(lock_);
        return lines_;
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    platform::DebugSink previous_;
};

constexpr BYTE kPort = 3;

// Faults of the commands the controller answers itself (registers, CPU reset, LUN
// configuration, cache clear, test commands) go by their CDB bytes; those of the flash by
// what they do on it.
inline sim::CommandPattern RegisterRead(WORD reg)
{
    return sim::CommandPattern::Vendor(0x01, 0x04).Address16(reg);
}
inline sim::CommandPattern RegisterWrite(WORD reg)
{
    return sim::CommandPattern::Vendor(0x01, 0x05).Address16(reg);
}
// Every matching command from the first-th on (count 0), or `count` of them.
inline sim::FaultRule ControllerFault(sim::CommandPattern pattern, sim::FaultKind kind = sim::FaultKind::CheckCondition,
                                      unsigned first = 1, unsigned count = 0, std::vector<std::uint8_t> reply = {})
{
    return sim::FaultRule{std::move(pattern), kind, first, count, std::move(reply)};
}
using Fault = std::variant<sim::nand::FaultRule, sim::FaultRule>;

class NandBench : public ::testing::Test {
protected:
    // Puts a drive with this flash on the bench, opens it into the port's slot and makes a
    // map for it (16 ports, as the program does) with `extended` in the size's high half.
    void Build(const sim::nand::NandConfig& config, unsigned extended = 0)
    {
        map.reset();
        testbed.reset();
        drive.reset();
        drive = std::make_unique<sim::nand::BenchNandDrive>(config);
        testbed = std::make_unique<sim::Testbed>();
        drive->Publish(*testbed);
        std::fill(std::begin(handles), std::end(handles), INVALID_HANDLE_VALUE);
        handles[kPort] = CreateFileA(drive->DevNode().c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handles[kPort], INVALID_HANDLE_VALUE);
        const auto& g = config.geometry;
        map.reset(nand::CreateBlockMap(16, static_cast<BYTE>(g.ceCount), static_cast<BYTE>(g.channelCount),
                                       static_cast<INT>(g.blocks / 8 | extended << 16)));
        ASSERT_NE(map, nullptr);
    }

    void TearDown() override
    {
        if (handles[kPort] != INVALID_HANDLE_VALUE)
            CloseHandle(handles[kPort]);
        handles[kPort] = INVALID_HANDLE_VALUE;
    }

    UFDPortBlockMap* record() { return map->ports[kPort]; }
    bool Taken(unsigned path, unsigned block)
    {
        auto view = nand::PortMap::Of(record());
        return view->Taken(static_cast<int>(path), block);
    }
    INT Scan(BYTE config, WORD pagesPerBlock = 64, WORD pageDataSize = 2048)
    {
        return format.ScanFlashBlock(handles, kPort, record(), pagesPerBlock, pageDataSize, config);
    }
    sim::nand::NandController& nand() { return drive->nand(); }
    void Plan(const Fault& fault)
    {
        if (const auto* flash = std::get_if<sim::nand::FaultRule>(&fault))
            nand().AddFault(*flash);
        else
            drive->disk().AddFaultRule(std::get<sim::FaultRule>(fault));
    }

    platform::ScopedVirtualClock clock; // the routines' pauses and waits pass in no time
    std::unique_ptr<sim::nand::BenchNandDrive> drive;
    std::unique_ptr<sim::Testbed> testbed; // after the drive: its nodes must outlive the testbed
    HANDLE handles[32] = {};
    CVCommCMDControl vendor;
    CSTDCMDControl standard;
    nand::NandFormat format{vendor, standard};
    MapHandle map;
};

// A bench with the port's NAND context, a view of its map, flash parameters and a found-block
// list with room for four entries, for the routines below the interface.
class SearchBench : public NandBench {
protected:
    // Builds the drive and points the port at it with this geometry; the parameters start
    // zeroed and the list empty.
    void MakePort(const sim::nand::NandConfig& config, WORD pagesPerBlock)
    {
        Build(config);
        port.emplace(nand::NandPort{handles[kPort], kPort, vendor, standard,
                                    FlashGeometry{pagesPerBlock, static_cast<WORD>(config.geometry.pageBytes)}, {}});
        params = UFDFlashParams{};
        params.searchPaths = 1;
        params.pageLimit = 0x20000;
        params.pairsWanted = 2;
        params.planes = 2;
        params.sectorsPerPage = static_cast<BYTE>(config.geometry.pageBytes / 512);
        params.actualPages = pagesPerBlock;
        params.eccLimit = 4;
        found = MapPtr{0, entries};
        view.emplace(*nand::PortMap::Of(record()));
    }
    nand::SearchTarget Target() { return nand::SearchTarget{*port, *view, params, found}; }
    std::vector<long> Blocks() const
    {
        std::vector<long> blocks;
        for (int i = 0; i < found.count; ++i)
            blocks.push_back(nand::FoundBlock(entries[i]));
        return blocks;
    }

    std::optional<nand::NandPort> port;
    std::optional<nand::PortMap> view;
    UFDFlashParams params{};
    MapPtrEntry entries[kFoundBlockCapacity] = {};
    MapPtr found{};
};

// A big-endian 32-bit word of flash bytes.
inline DWORD Be32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return DWORD{bytes[at]} << 24 | DWORD{bytes[at + 1]} << 16 | DWORD{bytes[at + 2]} << 8 | bytes[at + 3];
}

} // namespace nandtest
