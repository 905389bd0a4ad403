// The disk scan: every USB disk of the system into the disk list, with its parent's
// hardware id, drive letters, INQUIRY data, capacity and the maker flag; then the CD-ROM
// volumes, whose letters join their device's disk or which become entries of their own.
#include "server/topology/usb_topology.h"

#include "platform/base/lasterror.h"
#include "platform/cfgmgr/cfgmgr.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/text/text.h"
#include "server/topology/cdrom_volumes.h"
#include "server/topology/disk_letters.h"
#include "server/topology/interface_paths.h"

#include <cstring>

namespace {

// The USB device whose first child is the disk; its first hardware id.
std::string ParentHardwareId(DEVINST disk, const std::vector<InterfacePath>& usbDevices)
{
    for (const auto& device : usbDevices) {
        DEVINST child = 0;
        if (CM_Get_Child(&child, device.devInst, 0) != CR_SUCCESS || child != disk)
            continue;
        char ids[1024] = {};
        ULONG length = sizeof ids;
        ULONG type = 0;
        if (CM_Get_DevNode_Registry_PropertyA(device.devInst, CM_DRP_HARDWAREID, &type, ids, &length, 0) != CR_SUCCESS) {
            platform::DebugPrintf("get hardware id fail");
            return {};
        }
        return std::string(ids, platform::FieldLength(ids, sizeof ids));
    }
    return {};
}

// Letters left from an earlier scan may belong to another disk by now.
void ClearLetters(DiskEntry& entry)
{
    entry.driveLetterCount = 0;
    std::memset(entry.driveLetters, 0, sizeof entry.driveLetters);
}

bool IsDiskPath(const std::string& path)
{
    return path.rfind("\\\\?\\usbstor", 0) == 0 || path.rfind("\\\\?\\scsi", 0) == 0;
}

} // namespace

void UsbTopology::FillDiskEntry(DiskEntry& entry, const std::string& path, DWORD devInst, bool cdrom)
{
    platform::CopyToField(entry.devicePath, sizeof entry.devicePath, path);
    entry.devInst = devInst;
    // The caller's entries are not zeroed first: flags left from an earlier scan must not
    // make a disk that no longer answers look valid.
    entry.valid = 0;
    entry.ready = 0;
    entry.makerDevice = 0;
    // Capacity bytes are zero unless READ CAPACITY was read into them by this scan.
    std::memset(entry.capacity, 0, sizeof entry.capacity);
    HANDLE disk = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("open disk fail=%x", GetLastError());
        return;
    }
    if (standard_.SendInquiry(disk, 0, 0, entry.inquiry) == 1) {
        entry.valid = 1;
        UCHAR status = 0xFF;
        if (standard_.SendTestUnitReady(disk, 0, 0, 0, &status) == 1 && status == 0) {
            if (standard_.SendReadCapacity(disk, 0, entry.capacity) != 1)
                std::memset(entry.capacity, 0, sizeof entry.capacity);
            entry.ready = 1;
        }
        if (switches_.productFilterDisabled || std::memcmp(entry.inquiry + 36, "KQ8N", 4) == 0)
            entry.makerDevice = 1;
        // A CD-ROM unit need not carry the mark; the maker's firmware memory answers.
        BYTE memory[1024];
        if (cdrom && !entry.makerDevice && vendor_.VendorAccessRead(disk, 0x81, 0, 0, 0, 0, sizeof memory, memory, 0, 0) == 1)
            entry.makerDevice = 1;
    }
    CloseHandle(disk);
}

void UsbTopology::ScanCdroms(DiskEntry* entries32, std::size_t& next, std::size_t diskCount, INT& answered)
{
    for (const auto& volume : EnumInterfacePaths(GUID_DEVINTERFACE_VOLUME)) {
        if (volume.path.rfind("\\\\?\\usbstor#cdrom", 0) != 0)
            continue;
        // The letters are looked up aside: a CD-ROM joined to its disk leaves no trace in the list.
        DiskEntry letters{};
        GetVolumLetterEx(volume.path, letters);
        std::size_t disk = 0;
        while (disk < diskCount && !SameDiskInstance(std::string(RecordText(entries32[disk].devicePath)), volume.path))
            ++disk;
        if (disk < diskCount) {
            DiskEntry& owner = entries32[disk];
            if (letters.driveLetterCount > 0 && owner.driveLetterCount < sizeof owner.driveLetters)
                owner.driveLetters[owner.driveLetterCount++] = letters.driveLetters[0];
            if (owner.driveLetterCount > 1)
                OutputDebugStringA("  1.VolumCount > 1");
            continue;
        }
        if (next == kPortCount) {
            platform::DebugPrintf("disk list full, %s left out", volume.path.c_str());
            continue;
        }
        DiskEntry& entry = entries32[next];
        std::memset(entry.hardwareId, 0, sizeof entry.hardwareId);
        entry.driveLetterCount = letters.driveLetterCount;
        std::memcpy(entry.driveLetters, letters.driveLetters, sizeof entry.driveLetters);
        FillDiskEntry(entry, volume.path, volume.devInst, true);
        ++next;
        if (entry.valid)
            answered = 1;
    }
}

INT UsbTopology::ScanDisks(DiskEntry* entries32)
{
    const auto disks = EnumInterfacePaths(GUID_DEVINTERFACE_DISK);
    const auto usbDevices = EnumInterfacePaths(GUID_DEVINTERFACE_USB_DEVICE);
    const auto letteredVolumes = ReadLetteredVolumeDisks();
    std::size_t next = 0;
    INT answered = 0;
    for (const auto& disk : disks) {
        if (!IsDiskPath(disk.path))
            continue;
        if (next == kPortCount) {
            platform::DebugPrintf("disk list full, %s left out", disk.path.c_str());
            break;
        }
        DiskEntry& entry = entries32[next++];
        OutputDebugStringA(" @@ Parse_USB_Device_Information");
        platform::CopyToField(entry.hardwareId, sizeof entry.hardwareId, ParentHardwareId(disk.devInst, usbDevices));
        ClearLetters(entry);
        GetDriveLetterForGPTFormat(disk.path, letteredVolumes, entry);
        FillDiskEntry(entry, disk.path, disk.devInst, false);
        if (entry.valid)
            answered = 1;
    }
    ScanCdroms(entries32, next, next, answered);
    return answered;
}
