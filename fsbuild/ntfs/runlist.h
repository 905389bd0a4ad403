// Cluster runs of a non-resident attribute and their mapping-pairs encoding.
#pragma once

#include <cstdint>
#include <vector>

namespace ntfs {

constexpr std::int64_t kSparseLcn = -1;

struct Run {
    std::int64_t lcn;    // kSparseLcn for a hole
    std::int64_t length; // clusters
};
using RunList = std::vector<Run>;

std::int64_t ClusterCount(const RunList& runs);

// Each run as a header byte (byte counts of the length and of the signed LCN delta), the
// length, the delta (none for a hole); the list ends with a 0 byte.
std::vector<std::uint8_t> EncodeMappingPairs(const RunList& runs);

} // namespace ntfs
