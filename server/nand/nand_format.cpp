#include "server/nand/nand_format.h"

#include "platform/debug/debug.h"
#include "server/disk/disk_index.h"
#include "server/scsi/device_lock.h"
#include "server/nand/controller_ops.h"
#include "server/nand/find_isp_cis.h"
#include "server/nand/flash_scan.h"
#include "server/nand/lft_build.h"

namespace nand {
namespace {

// The flash type the caller's parameters give; when they give 0, the one the port's scan
// classified, written into them, so that the caller and every later step steer by the
// same type. False when neither is known: no table is built for a flash of unknown kind.
bool SettleFlashType(const NandPort& port, UFDFlashParams* params, const char* operation)
{
    if (params == nullptr)
        return true; // the operation refuses it
    const WORD scanned = port.geometry.flashType;
    const DWORD given = params->flashType;
    if (given != 0) {
        if (scanned != 0 && given != scanned)
            platform::DebugPrintf(" @@ %s(%d): flash type 0x%04X given, the scan found 0x%04X", operation, port.index,
                                  static_cast<unsigned>(given), unsigned{scanned});
        return true;
    }
    if (scanned == 0) {
        platform::DebugPrintf(" @@ %s(%d): no flash type given and no scan of the port classified its flash",
                              operation, port.index);
        return false;
    }
    params->flashType = scanned;
    platform::DebugPrintf(" @@ %s(%d): flash type 0x%04X from the port's scan", operation, port.index,
                          unsigned{scanned});
    return true;
}

} // namespace

void NandFormat::SetDumpFolder(std::string folder)
{
    std::lock_guard guard(folderLock_);
    dumpFolder_ = std::move(folder);
}

std::optional<NandPort> NandFormat::PortOf(HANDLE* handles, BYTE index)
{
    if (!PortDeviceGiven(handles, index))
        return std::nullopt;
    std::string folder;
    {
        std::lock_guard guard(folderLock_);
        folder = dumpFolder_;
    }
    return NandPort{handles[index], index, vendor_, standard_, geometry_.Get(index), DumpFolder::ForPort(folder, index)};
}

template <class Routine>
INT NandFormat::OnPort(HANDLE* handles, BYTE index, Routine routine)
{
    auto port = PortOf(handles, index);
    if (!port)
        return 0;
    scsi::DeviceLock lock(port->device);
    return routine(*port);
}

INT NandFormat::ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock,
                               WORD pageDataSize, BYTE config)
{
    // The type of the flash the port held before is forgotten until this scan classifies its own.
    if (!geometry_.Set(index, FlashGeometry{pagesPerBlock, pageDataSize}))
        return 0;
    return OnPort(handles, index, [&](const NandPort& port) {
        WORD type = 0;
        const INT result = nand::ScanFlashBlock(port, map, config, type);
        if (type != 0)
            geometry_.Set(index, FlashGeometry{pagesPerBlock, pageDataSize, type});
        return result;
    });
}

INT NandFormat::FindIspAndCisBlocks(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                                    UFDFlashParams* params)
{
    return OnPort(handles, index, [&](const NandPort& port) {
        if (!SettleFlashType(port, params, "FindISPAndCISUseBlock"))
            return 0;
        return nand::FindIspAndCisBlocks(port, map, found, params);
    });
}

INT NandFormat::BuildSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                                 BYTE* cisPart2)
{
    return OnPort(handles, index, [&](const NandPort& port) {
        if (!SettleFlashType(port, params, "BuildUFDSystemTable"))
            return 0;
        return nand::BuildSystemTable(port, map, params, cisPart2);
    });
}

INT NandFormat::ReadFlashID(HANDLE* handles, BYTE index, INT chip, BYTE* out64)
{
    return OnPort(handles, index, [&](const NandPort& port) { return ReadFlashId(port, chip, out64) ? 1 : 0; });
}

INT NandFormat::InitIsp(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data)
{
    return OnPort(handles, index,
                  [&](const NandPort& port) { return nand::InitIsp(port, loadParameter, length, data); });
}

INT NandFormat::CpuReset(HANDLE* handles, BYTE index)
{
    return OnPort(handles, index, [](const NandPort& port) { return nand::CpuReset(port); });
}

INT NandFormat::CacheClear(HANDLE* handles, BYTE index)
{
    return OnPort(handles, index, [](const NandPort& port) { return nand::CacheClear(port); });
}

INT NandFormat::MediumLoadUnload(HANDLE* handles, BYTE index, INT lun, INT control)
{
    return OnPort(handles, index, [&](const NandPort& port) { return nand::MediumLoadUnload(port, lun, control); });
}

INT NandFormat::ChipReset(HANDLE* handles, BYTE index)
{
    return OnPort(handles, index, [](const NandPort& port) { return nand::ChipReset(port); });
}

INT NandFormat::ChipResetEx(HANDLE* handles, BYTE index)
{
    return OnPort(handles, index, [](const NandPort& port) { return nand::ChipResetEx(port); });
}

} // namespace nand
