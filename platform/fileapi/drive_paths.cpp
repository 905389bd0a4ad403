#include "platform/fileapi/drive_paths.h"

#include "platform/storage/drive_letters.h"
#include "platform/storage/mounts.h"

#include <cctype>

namespace platform {

bool IsDrivePath(std::string_view path)
{
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::optional<std::string> LinuxPathOf(std::string_view path)
{
    if (!IsDrivePath(path))
        return std::string(path);
    auto volume = storage::VolumeOfDriveLetter(path[0]);
    if (!volume)
        return std::nullopt;
    std::string mountPoint = storage::MountPointOfDevice(volume->dev);
    if (mountPoint.empty())
        return std::nullopt;
    std::string result = mountPoint;
    for (char c : path.substr(2)) {
        char separator = c == '\\' ? '/' : c;
        if (separator == '/' && !result.empty() && result.back() == '/')
            continue;
        result.push_back(separator);
    }
    return result;
}

} // namespace platform
