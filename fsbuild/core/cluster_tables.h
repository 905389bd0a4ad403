// The cluster-size tables: rows of a sector limit and a sectors-per-cluster value; a row
// applies when the volume's sector count is below its limit. A value of 0 means the file
// system cannot be used at that size.
#pragma once

#include <array>
#include <cstdint>

struct ClusterRow {
    std::uint64_t sectorsBelow;
    std::uint8_t sectorsPerCluster;
};

using ClusterTable = std::array<ClusterRow, 8>;

extern const ClusterTable kFat16ClusterTable;
extern const ClusterTable kFat32ClusterTable;
extern const std::array<ClusterRow, 6> kNtfsClusterTable;

// The value of the first row whose limit lies above `sectors` (0 when none does).
template <std::size_t N>
std::uint8_t ClusterSizeFor(const std::array<ClusterRow, N>& table, std::uint64_t sectors)
{
    for (const ClusterRow& row : table)
        if (sectors < row.sectorsBelow)
            return row.sectorsPerCluster;
    return 0;
}
