#include "fsbuild/iso9660/iso_limits.h"

#include "platform/text/text.h"

#include <cstdint>
#include <unordered_set>

namespace iso9660 {
namespace {

constexpr std::uint64_t kLargestExtent = 0xFFFFFFFFu;
constexpr std::size_t kMostDirectories = 0xFFFF;

std::string CheckEntries(const IsoNode& directory, const std::string& path, std::size_t& directories)
{
    std::unordered_set<std::u16string> names;
    for (const IsoNode& child : directory.children) {
        std::string childPath = path + "/" + platform::WideToAnsi(child.jolietName);
        if (!names.insert(child.jolietName).second)
            return "ISO names cut to 64 characters collide: " + childPath;
        if (!child.isDirectory && child.size > kLargestExtent)
            return "ISO file of 4 GiB or more: " + childPath;
        if (child.isDirectory) {
            if (++directories > kMostDirectories)
                return "ISO tree has more than 65535 folders at " + childPath;
            std::string problem = CheckEntries(child, childPath, directories);
            if (!problem.empty())
                return problem;
        }
    }
    return {};
}

} // namespace

std::string CheckTreeLimits(const IsoNode& root)
{
    std::size_t directories = 1;
    return CheckEntries(root, "", directories);
}

} // namespace iso9660
