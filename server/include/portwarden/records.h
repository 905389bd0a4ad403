// The port, disk and hub records that the program owns and the server fills in place.
// Both sides are built against these layouts: field order, widths and packing are fixed.
// Text fields are ANSI, NUL-terminated within their size.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/text/text.h"

#include <cstddef>
#include <string_view>

// Ports of the station: port records, device handles, worker events.
constexpr int kPortCount = 32;

// A text field read up to its NUL, never beyond the field (a device may fill it completely).
template <std::size_t Size>
std::string_view RecordText(const char (&field)[Size])
{
    return std::string_view(field, platform::FieldLength(field, Size));
}

#pragma pack(push, 1)

struct DiskEntry {
    BYTE valid;              // 0    1 when the disk answered INQUIRY
    BYTE ready;              // 1    1 when TEST UNIT READY passed (capacity then read)
    BYTE makerDevice;        // 2    1 when the disk counts as the maker's device
    BYTE inquiry[128];       // 3    8..15 vendor, 16..31 product, 36..39 maker signature
    BYTE capacity[8];        // 131  READ CAPACITY reply as sent: big-endian last LBA, block length
    char devicePath[255];    // 139  interface path of the disk ("\\?\usbstor...")
    BYTE driveLetterCount;   // 394
    char driveLetters[25];   // 395  one character each
    DWORD devInst;           // 420  device node of the disk
    char hardwareId[260];    // 424  first hardware id of the parent USB device
};

struct PortRecord {
    BYTE diskIndex;          // 0    matched entry in the walk's disk list
    BYTE reserved1;          // 1
    WORD idVendor;           // 2
    WORD idProduct;          // 4
    BYTE speed;              // 6    0 low, 1 full, 2 high, 3 super
    char hubPath[257];       // 7    path of the parent hub
    DWORD hubPortCount;      // 264  (during a one-port poll: the port number)
    DWORD portNumber;        // 268  1-based port on the parent hub
    BYTE hubTier;            // 272  1 root hub; 0 = record not filled by the last walk
    BYTE tierChain[10];      // 273  two bytes per tier 1..5
    BYTE present;            // 283  1 while a mass-storage device is on the port
    BYTE changed;            // 284  set by the server, cleared only by the caller
    char symbolicName[255];  // 285
    char parentIdPrefix[260]; // 540
    char serialNumber[260];  // 800
    // Where a 32-bit build kept a pointer into this very record, the offset of the path
    // within the record is kept instead: a pointer would dangle in every copy of the record.
    DWORD devicePathOffset;  // 1060 0 until a disk is matched
    char driverKeyName[260]; // 1064
    char manufacturer[260];  // 1324
    char product[260];       // 1584
    DiskEntry disk;          // 1844 the matched disk

    // The matched disk's device path; empty while no disk is matched.
    std::string_view DevicePath() const;
    // Called on a match: the device path is the one of the embedded disk entry.
    void SetDevicePathFromDisk();
};

struct HubPortSlot {
    BYTE parentPortCount;
    BYTE portNumber;
    BYTE connectionStatus;
    BYTE speed;
    BYTE unused; // never written by the server
};

struct HubRecord {
    char parentHubPath[255]; // 0
    BYTE parentPortCount;    // 255
    BYTE portNumber;         // 256  this hub's port on the parent
    BYTE connectionStatus;   // 257  non-zero = connected
    BYTE speed;              // 258
    BYTE changed;            // 259  set by PollingHubPort
    char ownPath[255];       // 260  "\\.\" and the hub's name
    HubPortSlot downstream[4]; // 515 ports 1..4
    BYTE reserved535;        // 535
    WORD idVendor;           // 536
    WORD idProduct;          // 538
};

#pragma pack(pop)

static_assert(sizeof(DiskEntry) == 684, "DiskEntry keeps its packed layout");
static_assert(sizeof(PortRecord) == 2528, "PortRecord keeps its packed layout");
static_assert(sizeof(HubRecord) == 540, "HubRecord keeps its packed layout");

inline constexpr DWORD kPortRecordDevicePathOffset = offsetof(PortRecord, disk) + offsetof(DiskEntry, devicePath);

inline std::string_view PortRecord::DevicePath() const
{
    if (devicePathOffset != kPortRecordDevicePathOffset)
        return {};
    return RecordText(disk.devicePath);
}

inline void PortRecord::SetDevicePathFromDisk()
{
    devicePathOffset = kPortRecordDevicePathOffset;
}
