// The two interfaces of the device access server and its class and interface ids.
// Each interface is a struct of pure virtual functions in slot order (single inheritance
// from IUnknown, no virtual destructor), so its vtable is its slot table.
//
// Conventions of every slot: `handles` is the caller's table of 32 device handles and
// `index` selects its element by the low 8 bits; the result is 1 for success and 0 for
// failure unless a slot says otherwise. Where one slot serves a read and a write, `rd` = 1
// selects the read.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/com/unknown.h"

// Records the server fills or reads; the program owns them.
struct DiskEntry;
struct PortRecord;
struct HubRecord;
struct FsBuildParams;
// The server's flash block map, one record per port, and the NAND search structures.
struct UFDBlockMap;
struct UFDPortBlockMap;
struct MapPtr;
struct UFDFlashParams;

using DEVINST = DWORD;

// {C01DBC00-2BB4-4B8C-BE35-F57F1622CB5A}
constexpr CLSID CLSID_PortwardenComponent = {0xC01DBC00, 0x2BB4, 0x4B8C, {0xBE, 0x35, 0xF5, 0x7F, 0x16, 0x22, 0xCB, 0x5A}};
// {C61FB2D3-F63B-4136-84BC-DF4D4CAD5A3E}
constexpr IID IID_IPortwardenCtrl = {0xC61FB2D3, 0xF63B, 0x4136, {0x84, 0xBC, 0xDF, 0x4D, 0x4C, 0xAD, 0x5A, 0x3E}};
// {C9C8CE29-BF7D-42BF-878F-C1746E0E3C43}
constexpr IID IID_IPortwardenCtrl2 = {0xC9C8CE29, 0xBF7D, 0x42BF, {0x87, 0x8F, 0xC1, 0x74, 0x6E, 0x0E, 0x3C, 0x43}};

// Device access: disks, USB topology, file systems, bridge drives, NAND format, registry
// clean-up. Slots 0-2 are IUnknown's.
struct IPortwardenCtrl : IUnknown {
    virtual INT ScanDiskPath(DiskEntry* entries24) = 0;                                                      // 3
    virtual INT OpenDiskPath(HANDLE* handles, INT letterIndex) = 0;                                          // 4
    virtual INT CloseDiskPath(HANDLE* handles, BYTE index) = 0;                                              // 5
    virtual INT ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer) = 0;         // 6
    virtual INT WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer) = 0;  // 7
    virtual INT ScanDiskPathBySymbolicName(DiskEntry* entries32) = 0;                                        // 8
    virtual INT OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path) = 0;               // 9
    virtual INT EnumerateScanUSBPort(PortRecord* records32) = 0;                                             // 10
    virtual INT PollingSingleUSBPort(PortRecord* record) = 0;                                                // 11
    virtual INT CreateFileSystemImage(FsBuildParams* params) = 0;                                            // 12
    virtual INT CreateFileSystemImageW(FsBuildParams* params) = 0;                                           // 13
    virtual INT BuildDriveFileSystem(FsBuildParams* params, INT driveLetter) = 0;                            // 14
    virtual INT BuildDriveFileSystemW(FsBuildParams* params, INT driveLetter) = 0;                           // 15
    virtual INT BuildPhyDiskFileSystem(HANDLE* handles, BYTE index, FsBuildParams* params) = 0;              // 16
    virtual INT BuildPhyDiskFileSystemW(HANDLE* handles, BYTE index, FsBuildParams* params) = 0;             // 17
    virtual INT Disk_Lock(HANDLE* handles, BYTE index, HANDLE* volume) = 0;                                  // 18
    virtual INT Disk_Unlock(HANDLE* handles, BYTE index, HANDLE volume) = 0;                                 // 19
    // Read or write (WriteButton_USD).
    virtual INT ReadButton_USD(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* buffer) = 0;           // 20
    virtual INT ReadEEPROM_USD(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                               BYTE* buffer) = 0;                                                            // 21
    virtual INT ReadFW_USD(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length,
                           BYTE* buffer) = 0;                                                                // 22
    virtual INT GetPMInfo_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) = 0;                    // 23
    // enable = 1 switches suspend on, anything else off (DisableSuspned_USD).
    virtual INT EnableSuspned_USD(HANDLE* handles, BYTE index, INT enable) = 0;                              // 24
    virtual INT SetTimer_USD(HANDLE* handles, BYTE index, INT value) = 0;                                    // 25
    virtual INT ScanFlashBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, WORD pagesPerBlock,
                               WORD pageDataSize, BYTE config) = 0;                                          // 26
    virtual INT FindISPAndCISUseBlock(HANDLE* handles, BYTE index, UFDPortBlockMap* map, MapPtr* found,
                                      UFDFlashParams* params) = 0;                                           // 27
    virtual INT BuildUFDSystemTable(HANDLE* handles, BYTE index, UFDPortBlockMap* map, UFDFlashParams* params,
                                    BYTE* cisPart2) = 0;                                                     // 28
    virtual INT ReadFlashID_UFD(HANDLE* handles, BYTE index, INT chip, BYTE* out64) = 0;                     // 29
    virtual UFDBlockMap* CreateUFDBlockMap(BYTE portCount, BYTE ceCount, BYTE channelCount, INT bitmapBytes) = 0; // 30
    virtual INT DeleteUFDBlockMap(UFDBlockMap* map) = 0;                                                     // 31
    virtual INT SetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit, INT value) = 0; // 32
    // The bit (0 or 1), or 255 for a bit number above 7.
    virtual BYTE GetUFDBlockMap(UFDPortBlockMap* map, BYTE ce, BYTE channel, INT byteIndex, BYTE bit) = 0;   // 33
    virtual INT DisableProductFilter() = 0;                                                                  // 34
    virtual INT LinkTest(BYTE* probe) = 0;                                                                   // 35
    virtual INT SetDebugDmpFilePathSS(LPCWSTR folder) = 0;                                                   // 36
    virtual INT ForceInUSB30() = 0;                                                                          // 37
    virtual INT ReadCapacity(HANDLE* handles, BYTE index, DWORD* lastLba, DWORD* blockLength) = 0;           // 38
    virtual INT ScanHub(HubRecord* records32) = 0;                                                           // 39
    virtual INT PollingHubPort(HubRecord* record) = 0;                                                       // 40
    virtual INT INITISP_UFD(HANDLE* handles, BYTE index, INT loadParameter, INT length, const BYTE* data) = 0; // 41
    virtual INT CPUReset_UFD(HANDLE* handles, BYTE index) = 0;                                               // 42
    virtual INT SetHDCapLED_USD(HANDLE* handles, BYTE index, INT value) = 0;                                 // 43
    virtual INT ReadCapacityEx(HANDLE* handles, BYTE index, BYTE lun, DWORD* lastLba, DWORD* blockLength) = 0; // 44
    virtual INT ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer,
                           DWORD* ticks) = 0;                                                                // 45
    virtual INT WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer,
                            DWORD* ticks) = 0;                                                               // 46
    virtual INT ATAIdentify_USD(HANDLE* handles, BYTE index, INT length, BYTE* buffer) = 0;                  // 47
    // 1, or the configuration manager's code.
    virtual INT DeviceSafeRemoval(DEVINST disk) = 0;                                                         // 48
    virtual INT UFDCacheClear_UFD(HANDLE* handles, BYTE index) = 0;                                          // 49
    virtual INT MediumLoadUnload_UFD(HANDLE* handles, BYTE index, INT first, INT second) = 0;                // 50
    virtual INT ReadInquery(HANDLE* handles, BYTE index, BYTE* out128) = 0;                                  // 51
    virtual INT ChipReset(HANDLE* handles, BYTE index) = 0;                                                  // 52
    virtual INT DeleteDevRegistryRecord(WORD vendorId, WORD productId) = 0;                                  // 53
    virtual INT ActiveFilterDriver(INT mode) = 0;                                                            // 54
    virtual INT DeleteDevRegistryRecordEx(WORD vendorId, WORD productId, LPCWSTR vendor, LPCWSTR product,
                                          LPCWSTR revision) = 0;                                             // 55
    virtual INT SetIgnoredRegistry(WORD vendorId, WORD productId) = 0;                                       // 56
    virtual INT BuildPhyDiskFileSystemExW(HANDLE* handles, BYTE index, FsBuildParams* params, INT options) = 0; // 57
    virtual INT GetFAT32RootSectorAddr(FsBuildParams* params, DWORD* sector) = 0;                            // 58
    virtual INT PollingSingleUSBPortEx(PortRecord* record, BYTE config, BYTE index) = 0;                     // 59
    virtual INT ChipResetEx(HANDLE* handles, BYTE index) = 0;                                                // 60
    // flags bit 0 set reads, clear writes (WriteSPI_USD).
    virtual INT ReadSPI_USD(HANDLE* handles, BYTE index, BYTE flags, DWORD spiAddress, DWORD dw1, INT e, INT f,
                            INT length, BYTE* buffer) = 0;                                                   // 61

protected:
    ~IPortwardenCtrl() = default;
};

// The six tag characters of a block transfer as the slot takes them: by value in 8 bytes
// (characters 1-4, then 5-6 and two unused bytes).
struct PackedBlockTag {
    char characters[8];
};
static_assert(sizeof(PackedBlockTag) == 8, "PackedBlockTag travels as two 32-bit words");

// The maker's vendor commands one by one. Slots 0-2 are IUnknown's. Read/write pairs are
// named after their read.
struct IPortwardenCtrl2 : IUnknown {
    virtual INT ReadCode(HANDLE* handles, BYTE index, WORD address, INT length, BYTE* out) = 0;               // 3
    virtual INT ReadData(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) = 0;   // 4
    virtual INT ReadWriteXdata(HANDLE* handles, BYTE index, BYTE rd, INT reg, INT length, BYTE* buffer) = 0; // 5
    virtual INT CPUReset(HANDLE* handles, BYTE index) = 0;                                                   // 6
    virtual INT ReadDeivceID(HANDLE* handles, BYTE index, BYTE* out16) = 0;                                  // 7
    virtual INT ReadLUNCONFIG(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer48) = 0;                     // 8
    virtual INT ReadLUNDATA(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) = 0; // 9
    virtual INT DeviceChange(HANDLE* handles, BYTE index) = 0;                                               // 10
    virtual INT MediaChange(HANDLE* handles, BYTE index) = 0;                                                // 11
    virtual INT WriteProtect(HANDLE* handles, BYTE index, INT on) = 0;                                       // 12
    virtual INT ReadLunType(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) = 0;                 // 13
    virtual INT ReadLunNo(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) = 0;                   // 14
    virtual INT ReadLunID(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) = 0;                   // 15
    virtual INT LogLunIndex(HANDLE* handles, BYTE index, BYTE* out) = 0;                                     // 16
    virtual INT HidLunIndex(HANDLE* handles, BYTE index, BYTE* out) = 0;                                     // 17
    virtual INT GetFWKey(HANDLE* handles, BYTE index, INT param, BYTE* out) = 0;                             // 18
    virtual INT InitPassWord(HANDLE* handles, BYTE index, const BYTE* in511) = 0;                            // 19
    virtual INT GetPassWord(HANDLE* handles, BYTE index, BYTE* out511) = 0;                                  // 20
    virtual INT VerifyPassWord(HANDLE* handles, BYTE index, const BYTE* in511) = 0;                          // 21
    virtual INT CheckSecurity(HANDLE* handles, BYTE index, INT param, BYTE* out) = 0;                        // 22
    virtual INT ClearCache(HANDLE* handles, BYTE index) = 0;                                                 // 23
    virtual INT ReadEEPROM(HANDLE* handles, BYTE index, BYTE rd, INT p1, INT p2, INT address, INT length,
                           BYTE* buffer) = 0;                                                                // 24
    virtual INT ReadFW(HANDLE* handles, BYTE index, BYTE rd, INT flashType, INT address, INT length,
                       BYTE* buffer) = 0;                                                                    // 25
    virtual INT BIST(HANDLE* handles, BYTE index, BYTE* out) = 0;                                            // 26
    virtual INT DeviceConnect(HANDLE* handles, BYTE index, INT value) = 0;                                   // 27
    virtual INT Erase(HANDLE* handles, BYTE index) = 0;                                                      // 28
    virtual INT ReadPartition(HANDLE* handles, BYTE index, BYTE rd, INT address, INT length, BYTE* buffer) = 0; // 29
    virtual INT ReadButton(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) = 0;                  // 30
    virtual INT EndSgmt(HANDLE* handles, BYTE index) = 0;                                                    // 31
    virtual INT InitSgmt(HANDLE* handles, BYTE index, INT b, INT c, INT d, INT length, const BYTE* in) = 0;  // 32
    virtual INT ReadFlashID(HANDLE* handles, BYTE index, INT param, BYTE* out64) = 0;                        // 33
    virtual INT ReadSYSReady(HANDLE* handles, BYTE index, BYTE rd, INT value, BYTE* out) = 0;                // 34
    virtual INT ReadSYSAddress(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64) = 0;                    // 35
    virtual INT ReadFlashMethod(HANDLE* handles, BYTE index, BYTE rd, BYTE* buffer64) = 0;                   // 36
    virtual INT ReadSpare(HANDLE* handles, BYTE index, BYTE rd, INT c9, INT c10, INT address, INT length,
                          BYTE* buffer) = 0;                                                                 // 37
    virtual INT ReadWriteBlock(HANDLE* handles, BYTE index, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block,
                               INT length, BYTE* buffer) = 0;                                                // 38
    virtual INT EraseBlock(HANDLE* handles, BYTE index, INT block, BYTE* out1) = 0;                          // 39
    virtual INT ReadSts(HANDLE* handles, BYTE index, INT block, BYTE* out1) = 0;                             // 40
    virtual INT MarkBad(HANDLE* handles, BYTE index, INT block, INT c8, INT c11, INT c12) = 0;               // 41
    virtual INT CheckBad(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                         BYTE* out) = 0;                                                                     // 42
    virtual INT EraseSys(HANDLE* handles, BYTE index, INT address, INT c9, INT c10, INT c11, INT c12, INT length,
                         BYTE* out) = 0;                                                                     // 43
    virtual INT ReadTestCmd(HANDLE* handles, BYTE index, BYTE rd, DWORD dw0, DWORD dw1, DWORD dw2, DWORD dw3,
                            DWORD dw4, BYTE* buffer) = 0;                                                    // 44

protected:
    ~IPortwardenCtrl2() = default;
};
