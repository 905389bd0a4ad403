#include "platform/storage/mounts.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace platform::storage {
namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as three octal digits.
std::string Unescape(const std::string& field)
{
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            text.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        text.push_back(field[i]);
    }
    return text;
}

bool SourceIsDevice(const std::string& source, dev_t dev)
{
    struct stat info;
    return !source.empty() && source[0] == '/' && ::stat(source.c_str(), &info) == 0 && S_ISBLK(info.st_mode) &&
           info.st_rdev == dev;
}

} // namespace

std::vector<Mount> MountsOfDevice(dev_t dev)
{
    std::vector<Mount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - fstype source super-options
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mountPoint, options, field;
        fields >> id >> parent >> numbers >> root >> mountPoint >> options;
        while (fields >> field && field != "-") {
        }
        std::string fsType, source;
        fields >> fsType >> source;
        unsigned major = 0, minor = 0;
        if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2)
            continue;
        Mount mount{Unescape(mountPoint), Unescape(root), fsType, Unescape(source)};
        if (makedev(major, minor) == dev || SourceIsDevice(mount.source, dev))
            mounts.push_back(mount);
    }
    return mounts;
}

bool DeviceIsMounted(dev_t dev)
{
    return !MountsOfDevice(dev).empty();
}

std::string MountPointOfDevice(dev_t dev)
{
    for (const Mount& mount : MountsOfDevice(dev))
        if (mount.root == "/")
            return mount.mountPoint;
    return "";
}

} // namespace platform::storage
