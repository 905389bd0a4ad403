#include "server/nand/nand_format.h"

#include "platform/debug/debug.h"
#include "server/disk/disk_index.h"
#include "server/scsi/device_lock.h"
#include "server/nand/controller_ops.h"
#include "server/nand/find_isp_cis.h"
#include "server/nand/flash_scan.h"
#include "server/nand/lft_build.h"

namespace nand {

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
    if (!geometry_.Set(index, FlashGeometry{pagesPerBlock, pageDataSize}))
        return 0;
    return OnPort(handles, index, [&](const NandPort& port) { return nand::ScanFlashBlock(port, map, config); });
}

INT NandFormat::FindIspAndCisBlocks(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                                    UFDFlashParams* params)
{
    return OnPort(handles, index,
                  [&](const NandPort& port) { return nand::FindIspAndCisBlocks(port, map, found, params); });
}

INT NandFormat::BuildSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                                 BYTE* cisPart2)
{
    return OnPort(handles, index,
                  [&](const NandPort& port) { return nand::BuildSystemTable(port, map, params, cisPart2); });
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
