#include "engine/ufdworker/system_table.h"

#include "engine/datablocks/data_file.h"
#include "engine/ports/run_result.h"
#include "engine/ufdworker/flash_drive_bits.h"
#include "platform/debug/debug.h"
#include "portwarden/block_map.h"
#include "portwarden/sys_address_block.h"

#include <algorithm>
#include <climits>
#include <span>

namespace {

constexpr DWORD kIspCodeOffset = 0xC000;
constexpr DWORD kIspCodeBytes = 0x4000;
constexpr DWORD kSearchPageLimit = 0x20000;
constexpr BYTE kCisIspPairs = 2;
constexpr BYTE kFreeBlocksPerPath = 8;
constexpr BYTE kScanConfig = 2;
constexpr BYTE kScanConfigClearSystem = 3;
constexpr int kStepProgress = 100;
constexpr std::size_t kActualPagesPerBlock = 274; // in the image's part 2, from the flash-part database

// Bytes 384..399 of the image: CIS 1, CIS 2, ISP 1, ISP 2.
void StoreBlockAddress(CISImage& image, int which, DWORD rowAddress)
{
    image.SetDword(cis::kBlockAddresses + 4 * static_cast<std::size_t>(which), rowAddress);
}

// LunTypeBitMap bit 29 forces a first build; without bit 22 a device whose addresses are
// unknown is built anew too: both scan the pages with the flash's own page-data size.
WORD ScanSize(const UfdRun& run)
{
    const DWORD bits = run.settings().LunTypeBitMap;
    const bool firstBuild = (bits & ufd::kForceFirstBuild) != 0 ||
                            ((bits & ufd::kForceSecondBuild) == 0 && run.systemAddressFlag == 0);
    return firstBuild ? static_cast<WORD>(2048u << (run.image.bytes[cis::kScanSizeCode] & 3)) : WORD{1024};
}

// The capacity check after a build: the LUNs must fit the flash the build found. Summed in
// 64 bits, so capacities whose 32-bit sum wraps do not pass.
int CheckCapacities(const UfdRun& run, bool built)
{
    if (!built)
        return RunResult::BuildSystemTableFail;
    const ULONGLONG physical = run.image.Dword(cis::kPhysicalCapacity);
    ULONGLONG sum = 0;
    DWORD capacity[cis::kLunCount];
    for (std::size_t n = 0; n < cis::kLunCount; ++n) {
        capacity[n] = run.image.Dword(cis::kLunCapacity + 4 * n);
        sum += capacity[n];
    }
    if (physical >= sum)
        return RunResult::Success;
    const bool onlyLun0 = capacity[1] == 0 && capacity[2] == 0 && capacity[3] == 0;
    const ULONGLONG excess = capacity[0] - physical;
    platform::DebugPrintf("  Physical capacity 0x%llX below the LUNs' 0x%llX", static_cast<unsigned long long>(physical),
                          static_cast<unsigned long long>(sum));
    if (onlyLun0 && excess <= INT_MAX)
        return RunResult::CapacityBelowSetting; // LUN 0 then takes the physical capacity
    return RunResult::CapacityMismatch;
}

} // namespace

int ReadSysBlockAddress(UfdRun& run)
{
    if ((run.settings().LunTypeBitMap & ufd::kForceFirstBuild) != 0)
        return 0;
    SysAddressBlock block{};
    const PortDevice& d = run.device;
    if (d.ctrl2->ReadSYSAddress(d.handles, d.index, 1, reinterpret_cast<BYTE*>(&block)) != 1) {
        platform::DebugPrintf("Port %d: the system address block could not be read", run.param.port + 1);
        return 0;
    }
    if (!portwarden::SystemAreaBuilt(block))
        return 0;
    for (int which = 0; which < 4; ++which)
        StoreBlockAddress(run.image, which,
                          portwarden::SystemBlockAddress(block, static_cast<portwarden::SystemBlock>(which)));
    return 1;
}

UFDFlashParams FlashParamsOf(const UfdRun& run)
{
    const CISSetting& settings = run.settings();
    const CISImage& image = run.image;
    const UFDPortBlockMap* record = run.param.blockMapEntry;
    const BYTE channels = record != nullptr ? record->channelCount : 1;
    const BYTE chipEnables = record != nullptr ? record->ceCount : 1;
    const BYTE dies = static_cast<BYTE>(1u << (image.bytes[cis::kFlashId + 2] & 3));
    const DWORD blocks = record != nullptr ? static_cast<DWORD>(record->bitmapBytes & 0xFFFF) * 8 : 0;

    UFDFlashParams params{};
    params.searchPaths = 1;
    params.pageLimit = kSearchPageLimit;
    params.pairsWanted = kCisIspPairs;
    params.tablePaths = static_cast<BYTE>(channels * chipEnables);
    params.logBlocks = channels; // the port record's first byte, as the station has always passed it
    params.freeBlocks = kFreeBlocksPerPath;
    params.planes = 2;
    params.dies = dies;
    params.basicBlocks = static_cast<WORD>(blocks / dies);
    params.addressPages = image.Word(cis::kPagesPerBlock);
    params.actualPages = image.Word(kActualPagesPerBlock);
    params.sectorsPerPage = image.bytes[cis::kSystemBuildValue];
    params.eccLimit = ufd::AcceptedBitErrors(settings.LunTypeBitMap);
    params.writeParameter = image.bytes[cis::kBlockAccessFlags] & 0x0F;
    params.flags = static_cast<BYTE>(((settings.LunTypeBitMap & ufd::kClearSystemBlock) != 0 ? UFDFlashFlags::kEraseReserved : 0) |
                                     ((settings.LunTypeBitMap & ufd::kDumpMemory) != 0 ? UFDFlashFlags::kDumps : 0));
    params.buildMode = kBuildModeOnePlane;
    // Left 0: the flash type (the server takes the one its scan of the port classified and
    // writes it back here, so the table build gets the same); the grading limits and the
    // erase count (only the sorting grades, and this build mode never sorts; a new format's
    // erase count is 0); the extended block count (besides the sorting only the advance TAT
    // entries of 0x1030 and 0x5030 flash count it, and the build adds entries page by page
    // where those fall short).
    return params;
}

int BuildSystemTable(UfdRun& run)
{
    const CISSetting& settings = run.settings();
    const PortDevice& d = run.device;
    const auto done = [&run](int result) {
        run.Advance(kStepProgress);
        return result;
    };

    const DataFile firmware = ReadDataFile(settings.FilePathOfFW.str(), kIspCodeOffset + kIspCodeBytes, kWholeFile);
    if (firmware.status == DataFile::CannotOpen)
        return RunResult::OpenFirmwareFileFail;
    if (firmware.status != DataFile::Read)
        return RunResult::ReadFirmwareFileFail; // no ISP code at its place: nothing half-read is loaded
    const std::span<const BYTE> ispCode(firmware.bytes.data() + kIspCodeOffset, kIspCodeBytes);
    if (d.ctrl->INITISP_UFD(d.handles, d.index, static_cast<INT>(kIspCodeOffset), static_cast<INT>(kIspCodeBytes),
                            ispCode.data()) != 1)
        return done(RunResult::InitIspFail);

    UFDPortBlockMap* record = run.param.blockMapEntry;
    if (record == nullptr) {
        platform::DebugPrintf("Port %d: no block map for the scan", run.param.port + 1);
        return done(RunResult::ScanBlockFail);
    }
    const BYTE config = (settings.LunTypeBitMap & ufd::kClearSystemBlock) != 0 ? kScanConfigClearSystem : kScanConfig;
    const INT scanned = d.ctrl->ScanFlashBlock(d.handles, d.index, record, run.image.Word(cis::kPagesPerBlock),
                                               ScanSize(run), config);
    run.Advance(kStepProgress);
    if (scanned != 1)
        return done(RunResult::ScanBlockFail);
    if ((settings.LunTypeBitMap & ufd::kScanBlocksOnly) != 0)
        return RunResult::ScanBlockOnly;

    UFDFlashParams params = FlashParamsOf(run);
    MapPtrEntry entries[kFoundBlockCapacity] = {};
    MapPtr found{0, entries};
    const INT searched = d.ctrl->FindISPAndCISUseBlock(d.handles, d.index, record, &found, &params);
    run.Advance(kStepProgress);
    if (searched != 1 || found.count < kFoundBlockCapacity) {
        platform::DebugPrintf("Port %d: CIS and ISP blocks not found (%d of %d)", run.param.port + 1, found.count,
                              kFoundBlockCapacity);
        return done(RunResult::CisAddressNotFound);
    }
    const DWORD pagesPerBlock = run.image.Word(cis::kPagesPerBlock);
    constexpr int kAddressOf[kFoundBlockCapacity] = {0, 2, 1, 3}; // entries 0, 2 hold CIS 1, 2; 1, 3 ISP 1, 2
    for (int k = 0; k < kFoundBlockCapacity; ++k) {
        const MapPtrEntry& entry = entries[k];
        const DWORD block = static_cast<DWORD>(entry.byteIndex) * 8 + entry.bit;
        const DWORD chip = static_cast<DWORD>(entry.channel | entry.ce << 4);
        StoreBlockAddress(run.image, kAddressOf[k], pagesPerBlock * block | chip << 24);
    }
    run.systemAddressFlag = 1;

    const INT built = d.ctrl->BuildUFDSystemTable(d.handles, d.index, record, &params, run.image.Part2().data());
    return done(CheckCapacities(run, built == 1));
}

bool FlashPartFound(const CISImage& image)
{
    return std::any_of(image.bytes + cis::kFlashId, image.bytes + cis::kFlashId + 5, [](BYTE b) { return b != 0; });
}
