#include "server/nand/stress_test.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/nand/block_map.h"
#include "server/nand/flash_type.h"
#include "server/nand/page_writer.h"
#include "server/nand/random_pattern.h"
#include "server/nand/registers.h"
#include "server/nand/table_writers.h"
#include "server/scsi/scsi_request.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

namespace nand {
namespace {

constexpr unsigned kChunkPages = 8;
constexpr unsigned kLargePageChunkPages = 4;
constexpr BYTE kSixteenKiBPageSectors = 32;

constexpr DWORD kEraseRetryPauseMs = 20;
constexpr DWORD kSpareBytes = 6;

struct Mismatch {
    unsigned bits;
    std::size_t byte; // the first differing byte of the chunk
};

// The first KiB of the chunk whose differing bits pass the limit.
std::optional<Mismatch> FirstOverLimit(const BYTE* written, const BYTE* read, std::size_t size, unsigned limit)
{
    for (std::size_t start = 0; start < size; start += 1024) {
        unsigned bits = 0;
        std::size_t first = 0;
        for (std::size_t i = start; i < std::min(size, start + 1024); ++i) {
            const unsigned differing = static_cast<unsigned>(std::popcount(static_cast<unsigned>(written[i] ^ read[i])));
            if (differing != 0 && bits == 0)
                first = i;
            bits += differing;
        }
        if (bits > limit)
            return Mismatch{bits, first};
    }
    return std::nullopt;
}

class BlockTest {
public:
    BlockTest(const NandPort& port, const UFDFlashParams& params, DWORD row)
        : port_(port), params_(params), row_(row),
          fallback_((params.status & UFDFlashStatus::kFallbackSearch) != 0)
    {
    }

    bool Run()
    {
        const bool passed = Test();
        if (!passed)
            LogCoreRegisters(port_);
        return passed;
    }

private:
    bool ReadSpare(std::array<BYTE, kSpareBytes>& spare, const char* failLine)
    {
        return Retry(kDeviceAttempts, failLine, [&] {
            return port_.vendor.SpareAccessRead(port_.device, kSpareRead, 0, 0, 0, 0, row_, kSpareBytes, spare.data()) ==
                   1;
        });
    }

    bool Erase(const char* failLine)
    {
        return RetryPaced(kEraseRetryPauseMs, failLine, [&] { return EraseBlockAt(port_, row_); });
    }

    bool Test();
    bool FailInFallback();
    void ReportMismatch(const Mismatch& mismatch, const BYTE* written, const BYTE* read, std::size_t size);

    const NandPort& port_;
    const UFDFlashParams& params_;
    DWORD row_;
    bool fallback_;
};

bool BlockTest::Test()
{
    if (fallback_) {
        platform::DebugPrintf("BST of Bad Block(%d), Addr=%x", port_.index, unsigned{row_});
        std::array<BYTE, kSpareBytes> spare{};
        if (!ReadSpare(spare, "BST_BBI Fail"))
            return false;
        if (std::memcmp(spare.data(), "BBISYS", kSpareBytes) == 0) {
            platform::DebugPrintf("This Block is Bad Block Info BBISYS: 0x%08X", unsigned{row_});
            return false;
        }
    }
    if (!Erase("BST_E Fail"))
        return false;

    const auto plan = PlanChunks(port_, params_);
    if (!plan)
        return false;
    const std::vector<BYTE> pattern = RandomPattern(static_cast<std::size_t>(plan->pages) * plan->pageBytes);
    std::vector<BYTE> readBack(std::size_t{plan->chunkPages} * plan->pageBytes);
    for (long first = 0; plan->Covers(first); first += plan->chunkPages) {
        const long count = plan->CountFrom(first);
        const std::size_t size = static_cast<std::size_t>(count) * plan->pageBytes;
        const BYTE* written = pattern.data() + static_cast<std::size_t>(first) * plan->pageBytes;
        const DWORD row = row_ + static_cast<DWORD>(first);
        if (!WriteChunk(port_, params_, row, std::span(written, size), "BST_W Fail"))
            return false;
        if (fallback_) {
            std::array<BYTE, kSpareBytes> spare{};
            if (!ReadSpare(spare, "BST_S Fail"))
                return false;
            if (std::memcmp(spare.data(), "RWTest", kSpareBytes) != 0) {
                platform::DebugPrintf("Spare Area Check Fail : 0x%02X, %02X, %02X, %02X, %02X, %02X", spare[0],
                                      spare[1], spare[2], spare[3], spare[4], spare[5]);
                return FailInFallback();
            }
        }
        if (!Retry(kDeviceAttempts, "BST_R Fail", [&] {
                return port_.vendor.BlockAccessRead(port_.device, kBlockRead, params_.sectorsPerPage,
                                                    params_.writeParameter, 0, 0, row, static_cast<DWORD>(size),
                                                    readBack.data()) == 1;
            }))
            return false;
        if (auto mismatch = FirstOverLimit(written, readBack.data(), size, params_.eccLimit)) {
            Erase("BST_E Fail");
            ReportMismatch(*mismatch, written, readBack.data(), size);
            return fallback_ ? FailInFallback() : false;
        }
    }
    return Erase("BST_E Fail");
}

void BlockTest::ReportMismatch(const Mismatch& mismatch, const BYTE* written, const BYTE* read, std::size_t size)
{
    char message[128];
    const bool marking = (params_.flags & UFDFlashFlags::kMarkBad) != 0;
    std::snprintf(message, sizeof message, marking ? "MarkBad(%d), Addr=%x, Err=%d, Byte=0x%X" : "RWFail(%d), Addr=%x, Err=%d, Byte=0x%X",
                  port_.index, unsigned{row_}, mismatch.bits, static_cast<unsigned>(mismatch.byte));
    OutputDebugStringA(message);
    if (!marking)
        return;
    port_.dumps.Write(std::string("Debug/") + message + "_1", written, size);
    port_.dumps.Write(std::string("Debug/") + message + "_2", read, size);
    if (!fallback_ && !MarkBlockBad(port_, params_, row_)) // the fallback marks it once, below
        OutputDebugStringA("Mark Bad fail");
}

bool BlockTest::FailInFallback()
{
    Erase("BST_E Fail");
    if (!MarkBlockBad(port_, params_, row_))
        OutputDebugStringA("Mark Bad fail");
    platform::DebugPrintf("BST of Bad Block Mark Bad (%d), Addr=%x", port_.index, unsigned{row_});
    return false;
}

} // namespace

std::optional<ChunkPlan> PlanChunks(const NandPort& port, const UFDFlashParams& params)
{
    const WORD pagesPerBlock = port.geometry.pagesPerBlock;
    const BYTE sectors = params.sectorsPerPage;
    ChunkPlan plan;
    plan.pageBytes = std::size_t{sectors} * 512;
    if (sectors == 0 || plan.pageBytes > scsi::kMaxDataLength || pagesPerBlock == 0) {
        platform::DebugPrintf(" @@ Block pattern refused: %u sectors per page", unsigned{sectors});
        return std::nullopt;
    }
    plan.chunkPages = kChunkPages;
    if (sectors == kSixteenKiBPageSectors) {
        OutputDebugStringA("@@ 16KPage!!");
        plan.chunkPages = kLargePageChunkPages;
    }
    // One request carries at most 64 KiB and 255 sectors.
    plan.chunkPages = std::max<unsigned>(1, std::min<unsigned>(plan.chunkPages, scsi::kMaxDataLength / plan.pageBytes));
    plan.pages = std::min<long>(pagesPerBlock, params.actualPages != 0 ? params.actualPages : pagesPerBlock);
    if (IsThirdPageType(params.flashType))
        plan.stop = long{params.actualPages} / 3 - long{plan.chunkPages} + 1;
    return plan;
}

bool WriteChunk(const NandPort& port, const UFDFlashParams& params, DWORD row, std::span<const BYTE> data,
                const char* failLine)
{
    return Retry(kDeviceAttempts, failLine, [&] {
        return port.vendor.BlockAccessWrite(port.device, kBlockWrite, params.sectorsPerPage, params.writeParameter,
                                            Tag("RWTest"), 0, 0, row, static_cast<DWORD>(data.size()), data.data()) == 1;
    });
}

bool StressTest(const NandPort& port, const UFDFlashParams& params, int ce, int channel, long block)
{
    const auto row = RowAddress(PortMap::ChipAddress(ce, channel), block, 0, port.geometry.pagesPerBlock);
    if (!row || port.geometry.pagesPerBlock == 0) {
        platform::DebugPrintf(" @@ Stress test of block 0x%lX refused", block);
        return false;
    }
    return BlockTest(port, params, *row).Run();
}

} // namespace nand
