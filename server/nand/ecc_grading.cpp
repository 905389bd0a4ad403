#include "server/nand/ecc_grading.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "server/nand/block_map.h"
#include "server/nand/flash_type.h"
#include "server/nand/page_writer.h"
#include "server/nand/random_pattern.h"
#include "server/nand/registers.h"
#include "server/nand/stress_test.h"
#include "server/nand/table_writers.h"

#include <array>

namespace nand {
namespace {

constexpr BYTE kErrorCountSub = 0x80;
constexpr DWORD kRetryPauseMs = 20;
constexpr int kMarkRounds = 10;
constexpr DWORD kSpareBytes = 6;

// The messages of the two forms.
struct Lines {
    const char* countFailed;
    const char* marking;
    const char* evenBlock;
    const char* spare1;
    const char* spare2;
    const char* withoutMark;
};

constexpr Lines kCheckOnly = {"BlockAddr 0x%x Check ECC Fail", "MarkBad(%d), Addr=0x%08X, ECC=0x%02X",
                              "MarkBad Even Block = 0x%08x", " Retry Read Spare Area 1", " Retry Read Spare Area 2",
                              "ECC Bad w/o Mark (%d), Addr=0x%08x, ECC=0x%02X"};
constexpr Lines kEraseWriteCheck = {"BlockAddr %x Check ECC Fail", "MarkBad(%d), Addr=0x%X, ECC=%d",
                                    "MarkBad Even Block 0x%08x", "Retry Read Spare Area 1", "Retry Read Spare Area 2",
                                    "ECC Bad w/o Mark (%d), Addr=0x%x, ECC=%d"};

class Grading {
public:
    Grading(const NandPort& port, const UFDFlashParams& params, int ce, int channel, long block, GradeForm form)
        : port_(port), params_(params), ce_(ce), channel_(channel), block_(block),
          lines_(form == GradeForm::CheckOnly ? kCheckOnly : kEraseWriteCheck)
    {
    }

    std::optional<DWORD> Row(long block) const
    {
        return RowAddress(PortMap::ChipAddress(ce_, channel_), block, 0, port_.geometry.pagesPerBlock);
    }
    bool Fill(DWORD row);
    Grade MarkBad(DWORD row, BYTE count);

private:
    bool ReadSpare(DWORD row, std::array<BYTE, kSpareBytes>& spare, const char* retryLine)
    {
        return Retry(kDeviceAttempts, retryLine, [&] {
            return port_.vendor.SpareAccessRead(port_.device, kSpareRead, 0, 0, 0, 0, row, kSpareBytes, spare.data()) ==
                   1;
        });
    }
    bool MarkRound(DWORD row);

    const NandPort& port_;
    const UFDFlashParams& params_;
    int ce_, channel_;
    long block_;
    const Lines& lines_;
};

bool Grading::Fill(DWORD row)
{
    if (!RetryPaced(kRetryPauseMs, "BET_E Fail", [&] { return EraseBlockAt(port_, row); }))
        return false;
    const auto plan = PlanChunks(port_, params_);
    if (!plan)
        return false;
    const std::vector<BYTE> pattern = RandomPattern(static_cast<std::size_t>(plan->pages) * plan->pageBytes);
    for (long first = 0; plan->Covers(first); first += plan->chunkPages) {
        const std::size_t size = static_cast<std::size_t>(plan->CountFrom(first)) * plan->pageBytes;
        if (!WriteChunk(port_, params_, row + static_cast<DWORD>(first),
                        std::span(pattern).subspan(static_cast<std::size_t>(first) * plan->pageBytes, size),
                        "BET_W Fail"))
            return false;
    }
    return true;
}

// One round: the mark, then the spare read back; with the other encryption setting when
// the first read is neither marked nor erased.
bool Grading::MarkRound(DWORD row)
{
    MarkBlockBad(port_, params_, row);
    if (IsType5030(params_.flashType) && block_ % 2 != 0)
        if (auto even = Row(block_ - 1)) {
            platform::DebugPrintf(lines_.evenBlock, unsigned{*even});
            MarkBlockBad(port_, params_, *even);
        }
    std::array<BYTE, kSpareBytes> spare{};
    if (!ReadSpare(row, spare, lines_.spare1))
        return false;
    if (spare[4] == 0 && spare[5] == 0) {
        platform::DebugPrintf("Mark Bad OK = %08x", unsigned{row});
        return true;
    }
    if (spare[4] == 0xFF || spare[5] == 0xFF) {
        platform::DebugPrintf("Mark Bad Fail = %08x", unsigned{row});
        return false;
    }
    BYTE encryption = 0;
    if (!ReadEncryption(port_, encryption, nullptr) || !WriteEncryption(port_, encryption ^ 1, nullptr))
        return false;
    bool marked = ReadSpare(row, spare, lines_.spare2) && spare[4] == 0 && spare[5] == 0;
    platform::DebugPrintf(marked ? "Change Encryption, Mark Bad OK= %08x" : "Change Encryption, Mark Bad Fail = %08x",
                          unsigned{row});
    if (!WriteEncryption(port_, encryption, nullptr))
        marked = false;
    return marked;
}

Grade Grading::MarkBad(DWORD row, BYTE count)
{
    for (int round = 0; round < kMarkRounds; ++round) {
        if (MarkRound(row))
            return {false, count};
        Sleep(kRetryPauseMs);
        OutputDebugStringA("Mark Bad fail");
    }
    return {false, kGradeNotMarked};
}

} // namespace

Grade GradeBlock(const NandPort& port, const UFDFlashParams& params, int ce, int channel, GradeLimit limit, long block,
                 GradeForm form)
{
    Grading grading(port, params, ce, channel, block, form);
    const auto row = grading.Row(block);
    if (!row)
        return {false, kGradeUnreadable};
    if (form == GradeForm::EraseWriteCheck && !grading.Fill(*row))
        return {false, kGradeUnreadable};
    const Lines& lines = form == GradeForm::CheckOnly ? kCheckOnly : kEraseWriteCheck;
    BYTE count = 0;
    const BYTE chip = PortMap::ChipAddress(ce, channel);
    if (block > 0xFFFF || !RetryPaced(kRetryPauseMs, nullptr, [&] {
            return port.vendor.VBCommandRead(port.device, kErrorCountSub, static_cast<BYTE>(chip >> 4),
                                             static_cast<BYTE>(chip & 0x0F), static_cast<WORD>(block),
                                             static_cast<BYTE>(limit), 1, &count) == 1;
        })) {
        platform::DebugPrintf(lines.countFailed, unsigned{*row});
        return {false, kGradeUnreadable};
    }
    const BYTE most = limit == GradeLimit::Tlc ? params.tlcEccLimit : params.mlcEccLimit;
    if (count > most) {
        EraseBlockAt(port, *row);
        if ((params.flags & UFDFlashFlags::kMarkBad) == 0) {
            platform::DebugPrintf(lines.withoutMark, port.index, unsigned{*row}, unsigned{count});
            return {false, count};
        }
        platform::DebugPrintf(lines.marking, port.index, unsigned{*row}, unsigned{count});
        return grading.MarkBad(*row, count);
    }
    if (!IsType5030(params.flashType) &&
        !Retry(kDeviceAttempts, nullptr, [&] { return EraseBlockAt(port, *row); })) {
        platform::DebugPrintf("Erase Block 0x%08x Fail", unsigned{*row});
        return {false, count};
    }
    return {true, count};
}

} // namespace nand
