#include "platform/devio/scsi_unit_node.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <unistd.h>

namespace platform {
namespace {

std::string RealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string Parent(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string LastPart(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A SCSI device folder is named "host:channel:target:lun".
bool ParseUnitAddress(const std::string& name, std::array<unsigned, 4>& address)
{
    char tail = 0;
    return std::sscanf(name.c_str(), "%u:%u:%u:%u%c", &address[0], &address[1], &address[2], &address[3], &tail) == 4;
}

// The disk's folder under /sys/devices, as the block class links to it
// ("/sys/class/block/sdb" -> "../../devices/.../6:0:0:0/block/sdb"); empty when there is none.
std::string SysfsDiskPath(const std::string& name)
{
    std::string link = "/sys/class/block/" + name;
    char target[PATH_MAX];
    ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0)
        return RealPath(link);
    std::string path(target, static_cast<std::size_t>(length));
    return path.front() == '/' ? path : "/sys/class/block/" + path;
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

std::optional<std::string> FirstDiskIn(const std::string& blockFolder)
{
    std::unique_ptr<DIR, FolderCloser> folder(::opendir(blockFolder.c_str()));
    if (!folder)
        return std::nullopt;
    while (dirent* entry = ::readdir(folder.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            return name;
    }
    return std::nullopt;
}

} // namespace

std::optional<UnitNode> FindUnitNode(const std::string& diskPath, unsigned lun)
{
    // Disk nodes sit directly in /dev; anything else (a link such as /dev/disk/by-id/...)
    // is resolved first. This runs for every command, so it stays at one readlink.
    bool directNode = diskPath.rfind("/dev/", 0) == 0 && diskPath.find('/', 5) == std::string::npos;
    std::string node = directNode ? diskPath : RealPath(diskPath);
    std::string sysDisk = SysfsDiskPath(LastPart(node.empty() ? diskPath : node));
    std::string unitFolder = Parent(Parent(sysDisk));
    std::array<unsigned, 4> address{};
    if (sysDisk.empty() || !ParseUnitAddress(LastPart(unitFolder), address)) {
        if (lun == 0)
            return UnitNode{true, {}};
        return std::nullopt;
    }
    if (address[3] == lun)
        return UnitNode{true, {}};
    std::string sibling = Parent(unitFolder) + "/" + std::to_string(address[0]) + ":" + std::to_string(address[1]) + ":" +
                          std::to_string(address[2]) + ":" + std::to_string(lun) + "/block";
    auto disk = FirstDiskIn(sibling);
    if (!disk)
        return std::nullopt;
    return UnitNode{false, "/dev/" + *disk};
}

} // namespace platform
