#include "fsbuild/core/needed_bytes.h"

#include <array>

namespace {

std::uint64_t RoundUpTo(std::uint64_t value, std::uint64_t multiple)
{
    return multiple == 0 ? value : (value + multiple - 1) / multiple * multiple;
}

} // namespace

std::uint64_t FatMetadataBytes(const FsBuildContext& ctx)
{
    std::uint64_t B = ctx.u32BytesPerSector, R = ctx.u8RsvSector, S = ctx.u8SecPerClus, P = ctx.u64PartSector;
    std::uint64_t M = ctx.bWriteMBR ? std::uint64_t{ctx.u32PartStart} * B : 0;
    if (ctx.u32FsType == kFsTypeFat16) {
        std::uint64_t D = P - 16384 / B;
        std::uint64_t F = (D + 256 * S) / (256 * S + 2);
        if (ctx.bRoundFatToCluster)
            F = RoundUpTo(F, S);
        return M + R * B + 2 * B * (F + 16);
    }
    std::uint64_t D = P - R - S;
    std::uint64_t F = (D + 128 * S) / (128 * S + 1);
    if (ctx.bRoundFatToCluster)
        F = RoundUpTo(F, S);
    return M + R * B + S * B + 2 * B * F;
}

std::uint64_t NtfsMetadataBytes(std::uint64_t volumeSectors)
{
    struct Row {
        std::uint64_t upTo;
        std::uint64_t bytes;
    };
    static constexpr std::array<Row, 7> rows{{
        {409600, 2601984},
        {524288, 1852416},
        {1048576, 3212288},
        {2097152, 5927936},
        {4194304, 11363328},
        {8388608, 22230016},
        {16777216, 43967488},
    }};
    for (const Row& row : rows)
        if (volumeSectors <= row.upTo)
            return row.bytes;
    return 67159552;
}
