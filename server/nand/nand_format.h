// The NAND operations of IPortwardenCtrl for all ports: the flash scan, the CIS/ISP block
// search, the system-table build and the controller operations around them. What one
// port's scan stores (pages per block, page data size, the flash type it classified) is
// kept per port, and each port dumps into its own folder, so workers of several ports
// never change each other's values. The search and the build steer by the flash type of
// the caller's parameters; where those give 0 they take the port's scanned type (and write
// it into them), and without one they fail.
// Each operation holds its device's lock (server/scsi/device_lock.h) from its first command
// to its last: another caller's commands to the same device (a protected block transfer
// that switches encryption off, a register poll) never fall inside a scan, a search, a
// table build or a reset sequence.
#pragma once

#include "portwarden/block_map.h"
#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

#include <mutex>
#include <optional>
#include <string>

namespace nand {

class NandFormat {
public:
    NandFormat(CVCommCMDControl& vendor, CSTDCMDControl& standard) : vendor_(vendor), standard_(standard) {}

    void SetDumpFolder(std::string folder);

    INT ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock, WORD pageDataSize,
                       BYTE config);
    INT FindIspAndCisBlocks(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found, UFDFlashParams* params);
    INT BuildSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params, BYTE* cisPart2);
    INT ReadFlashID(HANDLE* handles, BYTE index, INT chip, BYTE* out64);
    INT InitIsp(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data);
    INT CpuReset(HANDLE* handles, BYTE index);
    INT CacheClear(HANDLE* handles, BYTE index);
    INT MediumLoadUnload(HANDLE* handles, BYTE index, INT lun, INT control);
    INT ChipReset(HANDLE* handles, BYTE index);
    INT ChipResetEx(HANDLE* handles, BYTE index);

private:
    // Nothing for an index outside the handle table or no table.
    std::optional<NandPort> PortOf(HANDLE* handles, BYTE index);
    // routine(port) on the port's device under its lock; 0 when the port is refused.
    template <class Routine>
    INT OnPort(HANDLE* handles, BYTE index, Routine routine);

    CVCommCMDControl& vendor_;
    CSTDCMDControl& standard_;
    PortFlashGeometry geometry_;
    std::mutex folderLock_;
    std::string dumpFolder_;
};

} // namespace nand
