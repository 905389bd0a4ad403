// WriteCis: the device's CIS image completed, checksummed and written to both CIS blocks,
// each read back and compared.
#include "engine/datablocks/block_compare.h"
#include "engine/datablocks/block_step_common.h"
#include "engine/datablocks/block_steps.h"
#include "engine/ports/run_result.h"
#include "engine/serial/serial_field.h"
#include "engine/serial/serial_number.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"

#include <cstring>

namespace {

using namespace blocksteps;

// A message box from the worker thread, OK button.
void TellOperator(const char16_t* text)
{
    MessageBoxW(nullptr, text, u"Fabrun", MB_OK);
}

constexpr INT kCisKind = 2;
constexpr BYTE kWriteMarker = 0x32;
constexpr char kRevision[] = "0.00";
constexpr char kSignature[] = "KQ8N";
constexpr char kIdentifier[] = "RZ87XUFD0001";
static_assert(sizeof kIdentifier - 1 == 12);

// The fields every CIS write sets, whatever the settings hold.
void SetWriteFields(CISImage& image)
{
    image.bytes[cis::kWriteMarker] = kWriteMarker;
    std::memcpy(image.bytes + cis::kRevision, kRevision, 4);
    std::memcpy(image.bytes + cis::kSignature, kSignature, 4);
    std::memcpy(image.bytes + cis::kIdentifier, kIdentifier, 12);
}

void StoreBigEndian(BYTE* field, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<BYTE>(value >> (24 - 8 * i));
}

// One CIS block: erase, write, read back, compare.
int WriteCisBlock(PortReporter& progress, const PortThreadParam& param, const PortDevice& device, DWORD block,
                  INT flags, CISImage& outgoing, std::size_t threshold)
{
    Advance(progress, 45);
    BYTE status = 0;
    if (!device.ctrl2->EraseBlock(device.handles, device.index, static_cast<INT>(block), &status)) {
        platform::DebugPrintf("Port %d: CIS block 0x%08X not erased", param.port, block);
        TellOperator(u"Cis erase fail");
        return RunResult::EepromEraseFail;
    }
    if (!device.ctrl2->ReadWriteBlock(device.handles, device.index, 0, kCisKind, flags, BlockTag("CISSYS"),
                                      static_cast<INT>(block), cis::kImageSize, outgoing.bytes)) {
        platform::DebugPrintf("Port %d: CIS block 0x%08X not written", param.port, block);
        TellOperator(u"Cis write fail");
        return RunResult::EepromDownloadFail;
    }
    if (StopRequested(param, progress))
        return kStopped;
    BYTE readBack[cis::kImageSize] = {};
    if (!device.ctrl2->ReadWriteBlock(device.handles, device.index, 1, kCisKind, flags, BlockTag("CISSYS"),
                                      static_cast<INT>(block), cis::kImageSize, readBack)) {
        platform::DebugPrintf("Port %d: CIS block 0x%08X not read back", param.port, block);
        TellOperator(u"Cis read fail");
        return RunResult::EepromUploadFail;
    }
    if (StopRequested(param, progress))
        return kStopped;
    const std::size_t errors = CountDifferingBits(outgoing.bytes, readBack);
    if (errors > threshold) {
        platform::DebugPrintf("Port %d: CIS block 0x%08X read back with %zu bit errors", param.port, block, errors);
        return RunResult::EepromCompareFail;
    }
    return RunResult::Success;
}

} // namespace

int WriteCis(PortReporter& progress, PortThreadParam& param, const PortDevice& device, CISImage& runImage,
             int systemAddressFlag, int rememberedCode)
{
    const CISSetting& settings = Settings(param);
    const std::size_t threshold = ReadBackThreshold(settings.LunTypeBitMap);
    const DWORD cis1 = runImage.Dword(cis::kBlockAddresses);
    const DWORD cis2 = runImage.Dword(cis::kBlockAddresses + 4);
    if (((settings.LunTypeBitMap & kForceFirstBuild) != 0 && cis1 == cis2) || systemAddressFlag == 0)
        return RunResult::CisAddressNotFound;

    if ((param.mainFrame->FabrunMode & kFabrunModeTypedSerial) == 0) {
        int serial = GenerateNextSerialNumber(param, device);
        if (serial != RunResult::Success)
            return serial; // never a blank, stale or repeated number on a device
    }

    SetWriteFields(runImage);
    CISImage outgoing = runImage;
    Advance(progress, 1);
    FormatSerialNumberField(param, runImage, outgoing);
    if (rememberedCode == RunResult::CapacityBelowSetting)
        StoreBigEndian(outgoing.bytes + cis::kLunCapacity, runImage.Dword(cis::kPhysicalCapacity));

    Advance(progress, 1);
    outgoing.bytes[cis::kChecksum] = 0;
    outgoing.bytes[cis::kChecksum + 1] = 0;
    StoreCisChecksum(outgoing.Part1());

    Advance(progress, 8);
    CisPart2ToBigEndian(outgoing.Part2());
    if ((settings.LunTypeBitMap & kDumpMemory) != 0)
        DumpCisToFile(param, outgoing);

    const INT flags = runImage.bytes[cis::kBlockAccessFlags] & 0x0F;
    for (DWORD block : {cis1, cis2}) {
        int result = WriteCisBlock(progress, param, device, block, flags, outgoing, threshold);
        if (result != RunResult::Success)
            return result;
    }
    return RunResult::Success;
}
