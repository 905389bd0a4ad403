#include "fsbuild/ntfs/ntfs_sizes.h"

namespace ntfs {
namespace {

struct Row {
    std::uint64_t below;
    std::uint32_t sectorsPerCluster;
};

constexpr Row kClusterTable[] = {
    {14336, 0}, {1050624, 1}, {2097152, 2}, {4194304, 4}, {std::uint64_t{1} << 32, 8}, {(std::uint64_t{1} << 63) - 1, 0},
};

} // namespace

std::uint32_t NtfsSectorsPerCluster(std::uint64_t sectors)
{
    for (const Row& row : kClusterTable)
        if (sectors < row.below)
            return row.sectorsPerCluster;
    return 0;
}

} // namespace ntfs
