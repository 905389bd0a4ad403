// DownloadBootCode: the boot code written into the SPI part of the device in 4 KiB
// pieces, read back and compared.
#include "engine/datablocks/block_step_common.h"
#include "engine/datablocks/block_steps.h"
#include "engine/datablocks/data_file.h"
#include "engine/ports/run_result.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <vector>

namespace {

using namespace blocksteps;

constexpr std::size_t kBootCodeSize = 0x4000;
constexpr std::size_t kPieceSize = 4096;
constexpr int kShare = 45; // progress of each pass over the 16 KiB

// One pass over the 16 KiB, writing (rd 0) or reading (rd 1). 1, the failure code, or 2.
int Pass(PortReporter& progress, const PortThreadParam& param, const PortDevice& device, BYTE rd, int flashCode,
         BYTE* data, int failure)
{
    const std::int32_t start = progress.Position();
    for (std::size_t offset = 0; offset < kBootCodeSize; offset += kPieceSize) {
        if (StopRequested(param, progress))
            return kStopped;
        if (!device.ctrl->ReadFW_USD(device.handles, device.index, rd, flashCode, static_cast<INT>(offset),
                                     static_cast<INT>(kPieceSize), data + offset)) {
            platform::DebugPrintf("Port %d: boot code at 0x%04zX not %s", param.port, offset,
                                  rd == 1 ? "read back" : "written");
            return failure;
        }
        progress.PostProgress(start + static_cast<std::int32_t>((offset + kPieceSize) * kShare / kBootCodeSize));
    }
    return RunResult::Success;
}

} // namespace

int DownloadBootCode(PortReporter& progress, PortThreadParam& param, const PortDevice& device, int flashCode)
{
    DataFile file = ReadDataFile(Settings(param).FilePathOfBootCode, kBootCodeSize, kWholeFile);
    if (file.status == DataFile::CannotOpen)
        return RunResult::OpenBootCodeFileFail;
    if (file.status != DataFile::Read)
        return RunResult::ReadBootCodeFileFail;
    Advance(progress, 10);

    int result = Pass(progress, param, device, 0, flashCode, file.bytes.data(), RunResult::BootCodeDownloadFail);
    if (result != RunResult::Success)
        return result;
    std::vector<BYTE> readBack(kBootCodeSize, 0);
    result = Pass(progress, param, device, 1, flashCode, readBack.data(), RunResult::BootCodeUploadFail);
    if (result != RunResult::Success)
        return result;
    if (!std::equal(readBack.begin(), readBack.end(), file.bytes.begin())) {
        platform::DebugPrintf("Port %d: boot code read back differs", param.port);
        return RunResult::BootCodeCompareFail;
    }
    return RunResult::Success;
}
