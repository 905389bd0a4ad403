#include "fsbuild/core/cluster_tables.h"

namespace {
constexpr std::uint64_t kNoLimit = 0x7FFFFFFFFFFFFFFFull;
}

const ClusterTable kFat16ClusterTable{{
    {8400, 0},
    {32680, 2},
    {262144, 4},
    {524288, 8},
    {1048576, 16},
    {2097152, 32},
    {4194304, 64},
    {kNoLimit, 0},
}};

const ClusterTable kFat32ClusterTable{{
    {66600, 0},
    {132079, 1},
    {263133, 2},
    {525241, 4},
    {16777216, 8},
    {33554432, 16},
    {67108864, 32},
    {kNoLimit, 64},
}};

const std::array<ClusterRow, 6> kNtfsClusterTable{{
    {14336, 0},
    {1050624, 1},
    {2097152, 2},
    {4194304, 4},
    {0x100000000ull, 8},
    {kNoLimit, 0},
}};
