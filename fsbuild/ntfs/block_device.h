// The block-device layer the NTFS formatter writes through: one open target (an image
// file or a physical drive), positioned byte-wise inside the partition, with whole-sector
// transfers underneath (a bounce buffer takes the unaligned ones).
// Results: 0 or a byte count, −1 with errno set on failure.
#pragma once

#include "fsbuild/ntfs/ntfs_options.h"
#include "platform/base/wintypes.h"

#include <cstdint>
#include <string>

namespace ntfs {

enum NtfsDeviceFlags : unsigned {
    kDeviceOpen = 0x1,
    kDeviceReadOnly = 0x2,
    kDeviceDirty = 0x4,
};

enum NtfsDeviceAccess : int {
    kAccessRead = 0,
    kAccessWrite = 1,
    kAccessReadWrite = 2,
};

enum class NtfsDeviceType { BlockDevice, CharacterDevice, Fifo };

struct NtfsDeviceStat {
    NtfsDeviceType type;
    std::int64_t size;    // the partition's bytes
    std::int64_t blocks;  // of 512 bytes
};

struct Win32DeviceState {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::int64_t position = 0;        // inside the partition
    std::int64_t partitionOffset = 0; // bytes from the start of the device area
    std::int64_t partitionLength = 0;
    std::int64_t partitionSectors = 0; // of 512 bytes
    bool isPartitionOfDisk = false;   // a physical drive: its partition table is re-read on close
};

struct NtfsDeviceOps;

struct NtfsDevice {
    std::string name;
    unsigned flags = 0;
    Win32DeviceState* state = nullptr;
    const NtfsDeviceOps* ops = nullptr;
    const NtfsOptions* options = nullptr; // partition placement and the build's I/O settings
};

struct NtfsDeviceOps {
    int (*open)(NtfsDevice& device, int access);
    int (*close)(NtfsDevice& device);
    std::int64_t (*seek)(NtfsDevice& device, std::int64_t offset, int whence);
    std::int64_t (*read)(NtfsDevice& device, void* buffer, std::int64_t count);
    std::int64_t (*write)(NtfsDevice& device, const void* buffer, std::int64_t count);
    int (*sync)(NtfsDevice& device);
    int (*stat)(NtfsDevice& device, NtfsDeviceStat& status);
    int (*ioctl)(NtfsDevice& device, unsigned long request, void* argument);
};

extern const NtfsDeviceOps Win32DeviceOps;

// Whether a device area ending at byte `end` lies on the disk `drive` (named `name` in the
// debug line that tells why not): nothing is written to a disk too small for the build.
bool AreaFitsTheDisk(HANDLE drive, std::int64_t end, const std::string& name);

int Win32DeviceOpen(NtfsDevice& device, int access);
int Win32DeviceClose(NtfsDevice& device);
std::int64_t Win32DeviceSeek(NtfsDevice& device, std::int64_t offset, int whence);
std::int64_t Win32DeviceRead(NtfsDevice& device, void* buffer, std::int64_t count);
std::int64_t Win32DeviceWrite(NtfsDevice& device, const void* buffer, std::int64_t count);
int Win32DeviceSync(NtfsDevice& device);
int Win32DeviceStat(NtfsDevice& device, NtfsDeviceStat& status);
int Win32DeviceIoctl(NtfsDevice& device, unsigned long request, void* argument);

} // namespace ntfs
