#include "server/nand/nand_format.h"

#include "platform/debug/debug.h"
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
    if (handles == nullptr || index >= PortFlashGeometry::kPorts) {
        platform::DebugPrintf("port index %u refused", unsigned{index});
        return std::nullopt;
    }
    std::string folder;
    {
        std::lock_guard guard(folderLock_);
        folder = dumpFolder_;
    }
    return NandPort{handles[index], index, vendor_, standard_, geometry_.Get(index), DumpFolder::ForPort(folder, index)};
}

INT NandFormat::ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock,
                               WORD pageDataSize, BYTE config)
{
    if (!geometry_.Set(index, FlashGeometry{pagesPerBlock, pageDataSize}))
        return 0;
    auto port = PortOf(handles, index);
    return port ? nand::ScanFlashBlock(*port, map, config) : 0;
}

INT NandFormat::FindIspAndCisBlocks(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                                    UFDFlashParams* params)
{
    auto port = PortOf(handles, index);
    return port ? nand::FindIspAndCisBlocks(*port, map, found, params) : 0;
}

INT NandFormat::BuildSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                                 BYTE* cisPart2)
{
    auto port = PortOf(handles, index);
    return port ? nand::BuildSystemTable(*port, map, params, cisPart2) : 0;
}

INT NandFormat::ReadFlashID(HANDLE* handles, BYTE index, INT chip, BYTE* out64)
{
    auto port = PortOf(handles, index);
    return port && ReadFlashId(*port, chip, out64) ? 1 : 0;
}

INT NandFormat::InitIsp(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data)
{
    auto port = PortOf(handles, index);
    return port ? nand::InitIsp(*port, loadParameter, length, data) : 0;
}

INT NandFormat::CpuReset(HANDLE* handles, BYTE index)
{
    auto port = PortOf(handles, index);
    return port ? nand::CpuReset(*port) : 0;
}

INT NandFormat::CacheClear(HANDLE* handles, BYTE index)
{
    auto port = PortOf(handles, index);
    return port ? nand::CacheClear(*port) : 0;
}

INT NandFormat::MediumLoadUnload(HANDLE* handles, BYTE index, INT lun, INT control)
{
    auto port = PortOf(handles, index);
    return port ? nand::MediumLoadUnload(*port, lun, control) : 0;
}

INT NandFormat::ChipReset(HANDLE* handles, BYTE index)
{
    auto port = PortOf(handles, index);
    return port ? nand::ChipReset(*port) : 0;
}

INT NandFormat::ChipResetEx(HANDLE* handles, BYTE index)
{
    auto port = PortOf(handles, index);
    return port ? nand::ChipResetEx(*port) : 0;
}

} // namespace nand
