// Storage control codes: the physical-drive number of a disk or of the disk a partition
// lies on (platform/storage numbering), and the partition's number.
#include "platform/base/lasterror.h"
#include "platform/devio/block_handle.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/disk_numbers.h"

namespace platform {
namespace {

BOOL GetDeviceNumber(FileObject& device, DWORD, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    auto dev = BlockDeviceOfHandle(device);
    if (!dev)
        return FALSE;
    auto found = storage::FindDevice(*dev, device.linuxPath());
    if (!found) {
        SetLastError(ERROR_INVALID_FUNCTION); // not a disk of the numbering (an optical drive, a RAM disk)
        return FALSE;
    }
    STORAGE_DEVICE_NUMBER record{};
    record.DeviceType = FILE_DEVICE_DISK;
    record.DeviceNumber = static_cast<DWORD>(storage::NumberOfDisk(found->disk));
    record.PartitionNumber = static_cast<DWORD>(found->device.partitionNumber);
    return CopyRecordOut(&record, sizeof record, out, outSize, returned);
}

Registration registration{[] { RegisterIoctlHandler(IOCTL_STORAGE_GET_DEVICE_NUMBER, GetDeviceNumber); }};

} // namespace
} // namespace platform
