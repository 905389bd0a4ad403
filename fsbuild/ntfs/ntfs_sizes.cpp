#include "fsbuild/ntfs/ntfs_sizes.h"

namespace ntfs {
namespace {

struct Row {
    std::uint64_t below;
    std::uint64_t value;
};

constexpr Row kClusterTable[] = {
    {14336, 0}, {1050624, 1}, {2097152, 2}, {4194304, 4}, {std::uint64_t{1} << 32, 8}, {(std::uint64_t{1} << 63) - 1, 0},
};

// Rows are inclusive here: "up to" the limit.
constexpr Row kMetadataTable[] = {
    {409600, 2601984},   {524288, 1852416},   {1048576, 3212288},  {2097152, 5927936},
    {4194304, 11363328}, {8388608, 22230016}, {16777216, 43967488},
};
constexpr std::uint64_t kLargestMetadata = 67159552;

} // namespace

std::uint32_t NtfsSectorsPerCluster(std::uint64_t sectors)
{
    for (const Row& row : kClusterTable)
        if (sectors < row.below)
            return static_cast<std::uint32_t>(row.value);
    return 0;
}

std::uint64_t NtfsMetadataBytes(std::uint64_t sectors)
{
    for (const Row& row : kMetadataTable)
        if (sectors <= row.below)
            return row.value;
    return kLargestMetadata;
}

} // namespace ntfs
