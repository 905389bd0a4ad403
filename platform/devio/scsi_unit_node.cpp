#include "platform/devio/scsi_unit_node.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <memory>

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
    std::string node = RealPath(diskPath);
    std::string sysDisk = RealPath("/sys/class/block/" + LastPart(node.empty() ? diskPath : node));
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
