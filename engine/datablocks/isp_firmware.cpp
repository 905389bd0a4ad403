// WriteIspFirmware: the ISP firmware file written page by page into both ISP blocks, read
// back and compared.
#include "engine/datablocks/block_compare.h"
#include "engine/datablocks/block_step_common.h"
#include "engine/datablocks/block_steps.h"
#include "engine/datablocks/data_file.h"
#include "engine/ports/run_result.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <span>
#include <vector>

namespace {

using namespace blocksteps;

constexpr INT kIspKind = 4;
constexpr std::size_t kPageSize = 2048;
constexpr std::size_t kCompareStretch = 1024;
// Without the flash's pages per block nothing bounds the file but memory.
constexpr ULONGLONG kLargestUnboundedFile = 64u << 20;

// Every page of `pages` written, then read back into `readBack`. 1, or 0 at the first
// transfer that fails: no later page can hide it.
int TransferPages(const PortThreadParam& param, const PortDevice& device, DWORD block, INT flags,
                  std::vector<BYTE>& pages, std::vector<BYTE>& readBack)
{
    const PackedBlockTag tag = BlockTag("ISPSYS");
    for (int pass = 0; pass < 2; ++pass) {
        const BYTE rd = pass == 0 ? 0 : 1;
        BYTE* data = pass == 0 ? pages.data() : readBack.data();
        for (std::size_t page = 0; page * kPageSize < pages.size(); ++page) {
            const INT address = static_cast<INT>(block + page);
            if (!device.ctrl2->ReadWriteBlock(device.handles, device.index, rd, kIspKind, flags, tag, address,
                                              static_cast<INT>(kPageSize), data + page * kPageSize)) {
                platform::DebugPrintf("Port %d: ISP page 0x%08X not %s", param.port, static_cast<DWORD>(address),
                                      rd == 1 ? "read back" : "written");
                return 0;
            }
        }
    }
    return 1;
}

} // namespace

int WriteIspFirmware(PortThreadParam& param, PortReporter& progress, const PortDevice& device, const CISImage& runImage,
                     int systemAddressFlag)
{
    const CISSetting& settings = Settings(param);
    const std::size_t threshold = ReadBackThreshold(settings.LunTypeBitMap);
    const DWORD isp1 = runImage.Dword(cis::kBlockAddresses + 8);
    const DWORD isp2 = runImage.Dword(cis::kBlockAddresses + 12);
    if (((settings.LunTypeBitMap & kForceFirstBuild) != 0 && isp1 == isp2) || systemAddressFlag == 0)
        return RunResult::IspAddressNotFound;

    // Pages beyond the block's own would land in the blocks that follow it.
    const ULONGLONG pagesPerBlock = runImage.Word(cis::kPagesPerBlock);
    const ULONGLONG largest = pagesPerBlock != 0 ? pagesPerBlock * kPageSize : kLargestUnboundedFile;
    DataFile file = ReadDataFile(settings.FilePathOfFW, kWholeFile, largest);
    if (file.status == DataFile::CannotOpen)
        return RunResult::OpenFirmwareFileFail;
    if (file.status != DataFile::Read || file.bytes.empty()) {
        platform::DebugPrintf("Port %d: no ISP firmware to write", param.port);
        return RunResult::ReadFirmwareFileFail;
    }
    Advance(progress, 10);

    // Whole pages: the last one is padded with zeros.
    std::vector<BYTE> pages((file.bytes.size() + kPageSize - 1) / kPageSize * kPageSize, 0);
    std::copy(file.bytes.begin(), file.bytes.end(), pages.begin());
    const INT flags = runImage.bytes[cis::kBlockAccessFlags] & 0x0F;
    for (DWORD block : {isp1, isp2}) {
        Advance(progress, 45);
        BYTE status = 0;
        if (!device.ctrl2->EraseBlock(device.handles, device.index, static_cast<INT>(block), &status))
            platform::DebugPrintf("Port %d: ISP block 0x%08X not erased; the read-back tells", param.port, block);
        std::vector<BYTE> readBack(pages.size(), 0);
        if (!TransferPages(param, device, block, flags, pages, readBack))
            return 0;
        for (std::size_t at = 0; at < pages.size(); at += kCompareStretch) {
            const std::size_t errors = CountDifferingBits(std::span(pages).subspan(at, kCompareStretch),
                                                          std::span(readBack).subspan(at, kCompareStretch));
            if (errors > threshold) {
                platform::DebugPrintf("Port %d: ISP block 0x%08X read back with %zu bit errors at 0x%zX", param.port,
                                      block, errors, at);
                return RunResult::FirmwareCompareFail;
            }
        }
    }
    return RunResult::Success;
}
