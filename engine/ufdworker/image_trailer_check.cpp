#include "engine/ufdworker/image_trailer_check.h"

#include "engine/lunimage/image_trailer.h"
#include "platform/debug/debug.h"

BYTE CheckFormatImageTrailer(std::u16string_view path, const PortDevice& device, BYTE lunType)
{
    const std::optional<ImageTrailer> trailer = ReadImageTrailer(path);
    if (!trailer)
        return 0;
    BYTE flags = (trailer->fsType & 0x0F) == (lunType & 0x0F) ? trailer_flags::kTypeMatches : trailer_flags::kTypeDiffers;
    DWORD lastLba = 0;
    DWORD blockLength = 0;
    if (device.ctrl->ReadCapacity(device.handles, device.index, &lastLba, &blockLength) != 1) {
        platform::DebugPrintf("  Image trailer check: READ CAPACITY failed");
        flags |= trailer_flags::kNoCapacity;
    } else if (ULONGLONG{lastLba} + 1 < trailer->totalSectors) { // 64 bits: a last LBA of 0xFFFFFFFF does not wrap
        platform::DebugPrintf("  Image built for 0x%X sectors, the device has 0x%llX", trailer->totalSectors,
                              static_cast<unsigned long long>(lastLba) + 1);
        flags |= trailer_flags::kTooLarge;
    }
    if ((trailer->fsType & 0x80) != 0)
        flags |= trailer_flags::kMbr;
    return flags;
}
