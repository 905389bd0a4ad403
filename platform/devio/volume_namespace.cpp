// Volumes by drive letter ("\\.\E:") or by volume name ("\\?\Volume{...}"): the partition,
// or the whole disk of an unpartitioned medium. Volumes are opened shared; locking is a
// control code of its own.
#include "platform/base/lasterror.h"
#include "platform/devio/block_handle.h"
#include "platform/storage/drive_letters.h"

#include <cctype>
#include <strings.h>

namespace platform {
namespace {

std::optional<storage::BlockDevice> VolumeOfName(const std::string& name, bool& claimed)
{
    claimed = false;
    if (name.size() == 6 && name.rfind("\\\\.\\", 0) == 0 && name[5] == ':' &&
        std::isalpha(static_cast<unsigned char>(name[4]))) {
        claimed = true;
        return storage::VolumeOfDriveLetter(name[4]);
    }
    // Object names are compared without case.
    constexpr char kVolumePrefix[] = "\\\\?\\Volume{";
    if (::strncasecmp(name.c_str(), kVolumePrefix, sizeof kVolumePrefix - 1) == 0 && name.back() == '}') {
        claimed = true;
        return storage::VolumeDeviceOfGuidName(name);
    }
    return std::nullopt;
}

bool OpenVolume(const std::string& name, DWORD access, DWORD, DWORD, int& fd, std::string& linuxPath)
{
    bool claimed = false;
    auto volume = VolumeOfName(name, claimed);
    if (!claimed)
        return false;
    fd = -1;
    if (!volume) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return true;
    }
    linuxPath = volume->node;
    fd = OpenDeviceNode(linuxPath, access, 0);
    return true;
}

Registration registration{[] { RegisterDeviceNamespace(OpenVolume); }};

} // namespace
} // namespace platform
