// The station's server object with the USB topology slots (8, 10, 11, 59) and the disk
// open and close slots (9, 5) carried by the server's own topology walk and disk slots
// (portwarden_topology, portwarden_disk) on the bench; every other slot goes to the
// registered object. Installed as the program's PortwardenCtrl for its lifetime, so that
// a view's walks and polls reach the bench's hubs and drives while the COM shell answers
// those slots only with their entry lines.
#pragma once

#include "console/server_link.h"
#include "portwarden/interfaces.h"
#include "server/disk/disk_slots.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "server/topology/usb_topology.h"

namespace consoletest {

class TopologyServer final : public IPortwardenCtrl {
public:
    TopologyServer() : server_(*PortwardenCtrl) { PortwardenCtrl = this; }
    ~TopologyServer() { PortwardenCtrl = &server_; }
    TopologyServer(const TopologyServer&) = delete;
    TopologyServer& operator=(const TopologyServer&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override { return server_.QueryInterface(riid, object); }
    ULONG AddRef() override { return server_.AddRef(); }
    ULONG Release() override { return server_.Release(); }
    INT ScanDiskPath(DiskEntry* entries24) override { return server_.ScanDiskPath(entries24); }
    INT OpenDiskPath(HANDLE* handles, INT letterIndex) override { return server_.OpenDiskPath(handles, letterIndex); }
    INT CloseDiskPath(HANDLE* handles, BYTE index) override { return disks_.CloseDiskPath(handles, index); }
    INT ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer) override
    {
        return server_.ReadDisk(handles, index, lba, byteCount, buffer);
    }
    INT WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer) override
    {
        return server_.WriteDisk(handles, index, lba, byteCount, buffer);
    }
    INT ScanDiskPathBySymbolicName(DiskEntry* entries32) override
    {
        return topology_.ScanDiskPathBySymbolicName(entries32);
    }
    INT OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path) override
    {
        return disks_.OpenDiskPathBySymbolicName(handles, index, path);
    }
    INT EnumerateScanUSBPort(PortRecord* records32) override { return topology_.EnumerateScanUSBPort(records32); }
    INT PollingSingleUSBPort(PortRecord* record) override { return topology_.PollingSingleUSBPort(record); }
    INT CreateFileSystemImage(FsBuildParams* params) override { return server_.CreateFileSystemImage(params); }
    INT CreateFileSystemImageW(FsBuildParams* params) override { return server_.CreateFileSystemImageW(params); }
    INT BuildDriveFileSystem(FsBuildParams* params, INT driveLetter) override
    {
        return server_.BuildDriveFileSystem(params, driveLetter);
    }
    INT BuildDriveFileSystemW(FsBuildParams* params, INT driveLetter) override
    {
        return server_.BuildDriveFileSystemW(params, driveLetter);
    }
    INT BuildPhyDiskFileSystem(HANDLE* handles, BYTE index, FsBuildParams* params) override
    {
        return server_.BuildPhyDiskFileSystem(handles, index, params);
    }
    INT BuildPhyDiskFileSystemW(HANDLE* handles, BYTE index, FsBuildParams* params) override
    {
        return server_.BuildPhyDiskFileSystemW(handles, index, params);
    }
    INT Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume) override
    {
        return server_.Disk_Lock(handles, index, volume);
    }
    INT Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume) override
    {
        return server_.Disk_Unlock(handles, index, volume);
    }
    INT ReadButton_USD(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* buffer) override
    {
        return server_.ReadButton_USD(handles, index, rd, value, buffer);
    }
    INT ReadEEPROM_USD(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                       BYTE* buffer) override
    {
        return server_.ReadEEPROM_USD(handles, index, rd, p1, p2, address, length, buffer);
    }
    INT ReadFW_USD(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length, BYTE* buffer) override
    {
        return server_.ReadFW_USD(handles, index, rd, flashType, address, length, buffer);
    }
    INT GetPMInfo_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) override
    {
        return server_.GetPMInfo_USD(handles, index, length, buffer);
    }
    INT EnableSuspned_USD(HANDLE* handles, BYTE index, INT enable) override
    {
        return server_.EnableSuspned_USD(handles, index, enable);
    }
    INT SetTimer_USD(HANDLE* handles, BYTE index, INT value) override
    {
        return server_.SetTimer_USD(handles, index, value);
    }
    INT ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock, WORD pageDataSize,
                       BYTE config) override
    {
        return server_.ScanFlashBlock(handles, index, map, pagesPerBlock, pageDataSize, config);
    }
    INT FindISPAndCISUseBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                              UFDFlashParams* params) override
    {
        return server_.FindISPAndCISUseBlock(handles, index, map, found, params);
    }
    INT BuildUFDSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                            BYTE* cisPart2) override
    {
        return server_.BuildUFDSystemTable(handles, index, map, params, cisPart2);
    }
    INT ReadFlashID_UFD(HANDLE* handles, BYTE index, INT chip, BYTE* out64) override
    {
        return server_.ReadFlashID_UFD(handles, index, chip, out64);
    }
    UFDBlockMap* CreateUFDBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes) override
    {
        return server_.CreateUFDBlockMap(portCount, ceCount, channelCount, bitmapBytes);
    }
    INT DeleteUFDBlockMap(UFDBlockMap* map) override { return server_.DeleteUFDBlockMap(map); }
    INT SetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value) override
    {
        return server_.SetUFDBlockMap(map, ce, channel, byteIndex, bit, value);
    }
    BYTE GetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit) override
    {
        return server_.GetUFDBlockMap(map, ce, channel, byteIndex, bit);
    }
    INT DisableProductFilter() override { return server_.DisableProductFilter(); }
    INT LinkTest(BYTE* probe) override { return server_.LinkTest(probe); }
    INT SetDebugDmpFilePathSS(LPCWSTR folder) override { return server_.SetDebugDmpFilePathSS(folder); }
    INT ForceInUSB30() override { return server_.ForceInUSB30(); }
    INT ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength) override
    {
        return server_.ReadCapacity(handles, index, lastLba, blockLength);
    }
    INT ScanHub(HubRecord* records32) override { return server_.ScanHub(records32); }
    INT PollingHubPort(HubRecord* record) override { return server_.PollingHubPort(record); }
    INT INITISP_UFD(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data) override
    {
        return server_.INITISP_UFD(handles, index, loadParameter, length, data);
    }
    INT CPUReset_UFD(HANDLE* handles, BYTE index) override { return server_.CPUReset_UFD(handles, index); }
    INT SetHDCapLED_USD(HANDLE* handles, BYTE index, INT value) override
    {
        return server_.SetHDCapLED_USD(handles, index, value);
    }
    INT ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength) override
    {
        return server_.ReadCapacityEx(handles, index, lun, lastLba, blockLength);
    }
    INT ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer,
                   DWORD* ticks) override
    {
        return server_.ReadDiskEx(handles, index, lun, lba, byteCount, buffer, ticks);
    }
    INT WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer,
                    DWORD* ticks) override
    {
        return server_.WriteDiskEx(handles, index, lun, lba, byteCount, buffer, ticks);
    }
    INT ATAIdentify_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) override
    {
        return server_.ATAIdentify_USD(handles, index, length, buffer);
    }
    INT DeviceSafeRemoval(DEVINST disk) override { return server_.DeviceSafeRemoval(disk); }
    INT UFDCacheClear_UFD(HANDLE* handles, BYTE index) override { return server_.UFDCacheClear_UFD(handles, index); }
    INT MediumLoadUnload_UFD(HANDLE* handles, BYTE index, INT first, INT second) override
    {
        return server_.MediumLoadUnload_UFD(handles, index, first, second);
    }
    INT ReadInquery(HANDLE* handles, BYTE index, BYTE* out128) override
    {
        return server_.ReadInquery(handles, index, out128);
    }
    INT ChipReset(HANDLE* handles, BYTE index) override { return server_.ChipReset(handles, index); }
    INT DeleteDevRegistryRecord(WORD vendorId, WORD productId) override
    {
        return server_.DeleteDevRegistryRecord(vendorId, productId);
    }
    INT ActiveFilterDriver(INT mode) override { return server_.ActiveFilterDriver(mode); }
    INT DeleteDevRegistryRecordEx(WORD vendorId, WORD productId, LPCWSTR vendor, LPCWSTR product,
                                  LPCWSTR revision) override
    {
        return server_.DeleteDevRegistryRecordEx(vendorId, productId, vendor, product, revision);
    }
    INT SetIgnoredRegistry(WORD vendorId, WORD productId) override
    {
        return server_.SetIgnoredRegistry(vendorId, productId);
    }
    INT BuildPhyDiskFileSystemExW(HANDLE* handles, BYTE index, FsBuildParams* params, INT options) override
    {
        return server_.BuildPhyDiskFileSystemExW(handles, index, params, options);
    }
    INT GetFAT32RootSectorAddr(FsBuildParams* params, DWORD* sector) override
    {
        return server_.GetFAT32RootSectorAddr(params, sector);
    }
    INT PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index) override
    {
        return topology_.PollingSingleUSBPortEx(record, config, index);
    }
    INT ChipResetEx(HANDLE* handles, BYTE index) override { return server_.ChipResetEx(handles, index); }
    INT ReadSPI_USD(HANDLE* handles, BYTE index, BYTE flags, DWORD spiAddress, DWORD dw1, INT e, INT f, INT length,
                    BYTE* buffer) override
    {
        return server_.ReadSPI_USD(handles, index, flags, spiAddress, dw1, e, f, length, buffer);
    }

private:
    IPortwardenCtrl& server_;
    CSTDCMDControl standard_;
    CVCommCMDControl vendor_;
    TopologySwitches switches_;
    UsbTopology topology_{standard_, vendor_, switches_};
    DiskSlots disks_{standard_};
};

} // namespace consoletest
