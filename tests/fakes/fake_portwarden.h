// Do-nothing servers for unit tests of the engine steps: every slot fails (returns 0)
// until a test overrides the slots its step calls.
#pragma once

#include "portwarden/interfaces.h"

class FakePortwardenUnknown {
protected:
    static HRESULT NoInterface(void** object)
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
};

class FakePortwardenCtrl : public IPortwardenCtrl, protected FakePortwardenUnknown {
public:
    virtual ~FakePortwardenCtrl() = default;
    HRESULT QueryInterface(REFIID, void** object) override { return NoInterface(object); }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    INT ScanDiskPath(DiskEntry*) override { return 0; }
    INT OpenDiskPath(HANDLE*, INT) override { return 0; }
    INT CloseDiskPath(HANDLE*, BYTE) override { return 0; }
    INT ReadDisk(HANDLE*, BYTE, DWORD, DWORD, BYTE*) override { return 0; }
    INT WriteDisk(HANDLE*, BYTE, DWORD, DWORD, const BYTE*) override { return 0; }
    INT ScanDiskPathBySymbolicName(DiskEntry*) override { return 0; }
    INT OpenDiskPathBySymbolicName(HANDLE*, BYTE, const char*) override { return 0; }
    INT EnumerateScanUSBPort(PortRecord*) override { return 0; }
    INT PollingSingleUSBPort(PortRecord*) override { return 0; }
    INT CreateFileSystemImage(FsBuildParams*) override { return 0; }
    INT CreateFileSystemImageW(FsBuildParams*) override { return 0; }
    INT BuildDriveFileSystem(FsBuildParams*, INT) override { return 0; }
    INT BuildDriveFileSystemW(FsBuildParams*, INT) override { return 0; }
    INT BuildPhyDiskFileSystem(HANDLE*, BYTE, FsBuildParams*) override { return 0; }
    INT BuildPhyDiskFileSystemW(HANDLE*, BYTE, FsBuildParams*) override { return 0; }
    INT Disk_Lock(HANDLE*, BYTE, HANDLE*) override { return 0; }
    INT Disk_Unlock(HANDLE*, BYTE, HANDLE) override { return 0; }
    INT ReadButton_USD(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT ReadEEPROM_USD(HANDLE*, BYTE, BYTE, INT, INT, INT, INT, BYTE*) override { return 0; }
    INT ReadFW_USD(HANDLE*, BYTE, BYTE, INT, INT, INT, BYTE*) override { return 0; }
    INT GetPMInfo_USD(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT EnableSuspned_USD(HANDLE*, BYTE, INT) override { return 0; }
    INT SetTimer_USD(HANDLE*, BYTE, INT) override { return 0; }
    INT ScanFlashBlock(HANDLE*, BYTE, UFDPortBlockMap*, WORD, WORD, BYTE) override { return 0; }
    INT FindISPAndCISUseBlock(HANDLE*, BYTE, UFDPortBlockMap*, MapPtr*, UFDFlashParams*) override { return 0; }
    INT BuildUFDSystemTable(HANDLE*, BYTE, UFDPortBlockMap*, UFDFlashParams*, BYTE*) override { return 0; }
    INT ReadFlashID_UFD(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    UFDBlockMap* CreateUFDBlockMap(BYTE, BYTE, BYTE, INT) override { return nullptr; }
    INT DeleteUFDBlockMap(UFDBlockMap*) override { return 0; }
    INT SetUFDBlockMap(UFDPortBlockMap*, BYTE, BYTE, INT, BYTE, INT) override { return 0; }
    BYTE GetUFDBlockMap(UFDPortBlockMap*, BYTE, BYTE, INT, BYTE) override { return 0; }
    INT DisableProductFilter() override { return 0; }
    INT LinkTest(BYTE*) override { return 0; }
    INT SetDebugDmpFilePathSS(LPCWSTR) override { return 0; }
    INT ForceInUSB30() override { return 0; }
    INT ReadCapacity(HANDLE*, BYTE, DWORD*, DWORD*) override { return 0; }
    INT ScanHub(HubRecord*) override { return 0; }
    INT PollingHubPort(HubRecord*) override { return 0; }
    INT INITISP_UFD(HANDLE*, BYTE, INT, INT, const BYTE*) override { return 0; }
    INT CPUReset_UFD(HANDLE*, BYTE) override { return 0; }
    INT SetHDCapLED_USD(HANDLE*, BYTE, INT) override { return 0; }
    INT ReadCapacityEx(HANDLE*, BYTE, BYTE, DWORD*, DWORD*) override { return 0; }
    INT ReadDiskEx(HANDLE*, BYTE, BYTE, DWORD, DWORD, BYTE*, DWORD*) override { return 0; }
    INT WriteDiskEx(HANDLE*, BYTE, BYTE, DWORD, DWORD, const BYTE*, DWORD*) override { return 0; }
    INT ATAIdentify_USD(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT DeviceSafeRemoval(DEVINST) override { return 0; }
    INT UFDCacheClear_UFD(HANDLE*, BYTE) override { return 0; }
    INT MediumLoadUnload_UFD(HANDLE*, BYTE, INT, INT) override { return 0; }
    INT ReadInquery(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT ChipReset(HANDLE*, BYTE) override { return 0; }
    INT DeleteDevRegistryRecord(WORD, WORD) override { return 0; }
    INT ActiveFilterDriver(INT) override { return 0; }
    INT DeleteDevRegistryRecordEx(WORD, WORD, LPCWSTR, LPCWSTR, LPCWSTR) override { return 0; }
    INT SetIgnoredRegistry(WORD, WORD) override { return 0; }
    INT BuildPhyDiskFileSystemExW(HANDLE*, BYTE, FsBuildParams*, INT) override { return 0; }
    INT GetFAT32RootSectorAddr(FsBuildParams*, DWORD*) override { return 0; }
    INT PollingSingleUSBPortEx(PortRecord*, BYTE, BYTE) override { return 0; }
    INT ChipResetEx(HANDLE*, BYTE) override { return 0; }
    INT ReadSPI_USD(HANDLE*, BYTE, BYTE, DWORD, DWORD, INT, INT, INT, BYTE*) override { return 0; }
};

class FakePortwardenCtrl2 : public IPortwardenCtrl2, protected FakePortwardenUnknown {
public:
    virtual ~FakePortwardenCtrl2() = default;
    HRESULT QueryInterface(REFIID, void** object) override { return NoInterface(object); }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    INT ReadCode(HANDLE*, BYTE, WORD, INT, BYTE*) override { return 0; }
    INT ReadData(HANDLE*, BYTE, BYTE, INT, INT, BYTE*) override { return 0; }
    INT ReadWriteXdata(HANDLE*, BYTE, BYTE, INT, INT, BYTE*) override { return 0; }
    INT CPUReset(HANDLE*, BYTE) override { return 0; }
    INT ReadDeivceID(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT ReadLUNCONFIG(HANDLE*, BYTE, BYTE, BYTE*) override { return 0; }
    INT ReadLUNDATA(HANDLE*, BYTE, BYTE, INT, INT, BYTE*) override { return 0; }
    INT DeviceChange(HANDLE*, BYTE) override { return 0; }
    INT MediaChange(HANDLE*, BYTE) override { return 0; }
    INT WriteProtect(HANDLE*, BYTE, INT) override { return 0; }
    INT ReadLunType(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT ReadLunNo(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT ReadLunID(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT LogLunIndex(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT HidLunIndex(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT GetFWKey(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT InitPassWord(HANDLE*, BYTE, const BYTE*) override { return 0; }
    INT GetPassWord(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT VerifyPassWord(HANDLE*, BYTE, const BYTE*) override { return 0; }
    INT CheckSecurity(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT ClearCache(HANDLE*, BYTE) override { return 0; }
    INT ReadEEPROM(HANDLE*, BYTE, BYTE, INT, INT, INT, INT, BYTE*) override { return 0; }
    INT ReadFW(HANDLE*, BYTE, BYTE, INT, INT, INT, BYTE*) override { return 0; }
    INT BIST(HANDLE*, BYTE, BYTE*) override { return 0; }
    INT DeviceConnect(HANDLE*, BYTE, INT) override { return 0; }
    INT Erase(HANDLE*, BYTE) override { return 0; }
    INT ReadPartition(HANDLE*, BYTE, BYTE, INT, INT, BYTE*) override { return 0; }
    INT ReadButton(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT EndSgmt(HANDLE*, BYTE) override { return 0; }
    INT InitSgmt(HANDLE*, BYTE, INT, INT, INT, INT, const BYTE*) override { return 0; }
    INT ReadFlashID(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT ReadSYSReady(HANDLE*, BYTE, BYTE, INT, BYTE*) override { return 0; }
    INT ReadSYSAddress(HANDLE*, BYTE, BYTE, BYTE*) override { return 0; }
    INT ReadFlashMethod(HANDLE*, BYTE, BYTE, BYTE*) override { return 0; }
    INT ReadSpare(HANDLE*, BYTE, BYTE, INT, INT, INT, INT, BYTE*) override { return 0; }
    INT ReadWriteBlock(HANDLE*, BYTE, BYTE, INT, INT, PackedBlockTag, INT, INT, BYTE*) override { return 0; }
    INT EraseBlock(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT ReadSts(HANDLE*, BYTE, INT, BYTE*) override { return 0; }
    INT MarkBad(HANDLE*, BYTE, INT, INT, INT, INT) override { return 0; }
    INT CheckBad(HANDLE*, BYTE, INT, INT, INT, INT, INT, INT, BYTE*) override { return 0; }
    INT EraseSys(HANDLE*, BYTE, INT, INT, INT, INT, INT, INT, BYTE*) override { return 0; }
    INT ReadTestCmd(HANDLE*, BYTE, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD, BYTE*) override { return 0; }
};
