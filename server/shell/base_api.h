// CBaseAPI: the object behind IPortwardenCtrl. The slots of each family of operations
// live in a file of their own (base_api_<family>.cpp).
#pragma once

#include "portwarden/interfaces.h"
#include "server/disk/disk_slots.h"
#include "server/nand/nand_format.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "server/shell/com_object.h"
#include "server/topology/usb_topology.h"

#include <optional>
#include <string>

class CBaseAPI final : public portwarden::ComObject<IPortwardenCtrl, CBaseAPI> {
public:
    CBaseAPI();
    ~CBaseAPI();
    CBaseAPI(const CBaseAPI&) = delete;
    CBaseAPI& operator=(const CBaseAPI&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;

    // Disks and devices.
    INT ScanDiskPath(DiskEntry* entries24) override;
    INT OpenDiskPath(HANDLE* handles, INT letterIndex) override;
    INT CloseDiskPath(HANDLE* handles, BYTE index) override;
    INT ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer) override;
    INT WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer) override;
    INT OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path) override;
    INT Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume) override;
    INT Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume) override;
    INT DisableProductFilter() override;
    INT LinkTest(BYTE* probe) override;
    INT SetDebugDmpFilePathSS(LPCWSTR folder) override;
    INT ForceInUSB30() override;
    INT ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength) override;
    INT ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength) override;
    INT ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer,
                   DWORD* ticks) override;
    INT WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer,
                    DWORD* ticks) override;
    INT ReadInquery(HANDLE* handles, BYTE index, BYTE* out128) override;
    INT ActiveFilterDriver(INT mode) override;

    // USB topology.
    INT ScanDiskPathBySymbolicName(DiskEntry* entries32) override;
    INT EnumerateScanUSBPort(PortRecord* records32) override;
    INT PollingSingleUSBPort(PortRecord* record) override;
    INT ScanHub(HubRecord* records32) override;
    INT PollingHubPort(HubRecord* record) override;
    INT PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index) override;

    // File systems.
    INT CreateFileSystemImage(FsBuildParams* params) override;
    INT CreateFileSystemImageW(FsBuildParams* params) override;
    INT BuildDriveFileSystem(FsBuildParams* params, INT driveLetter) override;
    INT BuildDriveFileSystemW(FsBuildParams* params, INT driveLetter) override;
    INT BuildPhyDiskFileSystem(HANDLE* handles, BYTE index, FsBuildParams* params) override;
    INT BuildPhyDiskFileSystemW(HANDLE* handles, BYTE index, FsBuildParams* params) override;
    INT BuildPhyDiskFileSystemExW(HANDLE* handles, BYTE index, FsBuildParams* params, INT options) override;
    INT GetFAT32RootSectorAddr(FsBuildParams* params, DWORD* sector) override;

    // Bridge drives.
    INT ReadButton_USD(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* buffer) override;
    INT ReadEEPROM_USD(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                       BYTE* buffer) override;
    INT ReadFW_USD(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length,
                   BYTE* buffer) override;
    INT GetPMInfo_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) override;
    INT EnableSuspned_USD(HANDLE* handles, BYTE index, INT enable) override;
    INT SetTimer_USD(HANDLE* handles, BYTE index, INT value) override;
    INT SetHDCapLED_USD(HANDLE* handles, BYTE index, INT value) override;
    INT ATAIdentify_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) override;
    INT ReadSPI_USD(HANDLE* handles, BYTE index, BYTE flags, DWORD spiAddress, DWORD dw1, INT e, INT f, INT length,
                    BYTE* buffer) override;

    // NAND format and controller operations.
    INT ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock, WORD pageDataSize,
                       BYTE config) override;
    INT FindISPAndCISUseBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                              UFDFlashParams* params) override;
    INT BuildUFDSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                            BYTE* cisPart2) override;
    INT ReadFlashID_UFD(HANDLE* handles, BYTE index, INT chip, BYTE* out64) override;
    INT INITISP_UFD(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data) override;
    INT CPUReset_UFD(HANDLE* handles, BYTE index) override;
    INT UFDCacheClear_UFD(HANDLE* handles, BYTE index) override;
    INT MediumLoadUnload_UFD(HANDLE* handles, BYTE index, INT first, INT second) override;
    INT ChipReset(HANDLE* handles, BYTE index) override;
    INT ChipResetEx(HANDLE* handles, BYTE index) override;

    // Flash block map.
    UFDBlockMap* CreateUFDBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes) override;
    INT DeleteUFDBlockMap(UFDBlockMap* map) override;
    INT SetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value) override;
    BYTE GetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit) override;

    // Registry clean-up and device removal.
    INT DeviceSafeRemoval(DEVINST disk) override;
    INT DeleteDevRegistryRecord(WORD vendorId, WORD productId) override;
    INT DeleteDevRegistryRecordEx(WORD vendorId, WORD productId, LPCWSTR vendor, LPCWSTR product,
                                  LPCWSTR revision) override;
    INT SetIgnoredRegistry(WORD vendorId, WORD productId) override;

private:
    // The command senders hold no data; made in the constructor's body, after its entry line.
    std::optional<CSTDCMDControl> standard_;
    std::optional<CVCommCMDControl> vendor_;
    // The switches set once at start-up; they steer this object's walks only.
    TopologySwitches switches_;
    // Built on the senders, so made after them and dropped before them.
    std::optional<DiskSlots> disks_;
    std::optional<UsbTopology> topology_;
    // The NAND format; it keeps the dump folder, as ANSI text, empty until it is set.
    std::optional<nand::NandFormat> nand_;
};
