#include "fsbuild/core/needed_bytes.h"

#include <array>

namespace {

std::uint64_t RoundUpTo(std::uint64_t value, std::uint64_t multiple)
{
    return multiple == 0 ? value : (value + multiple - 1) / multiple * multiple;
}

} // namespace

std::uint64_t FormulaFatSectors(const FsBuildContext& ctx, std::uint64_t S)
{
    std::uint64_t B = ctx.u32BytesPerSector, R = ctx.u8RsvSector, P = ctx.u64PartSector;
    std::uint64_t F = IsFat16(ctx) ? (P - 16384 / B + 256 * S) / (256 * S + 2) : (P - R - S + 128 * S) / (128 * S + 1);
    return ctx.bRoundFatToCluster ? RoundUpTo(F, S) : F;
}

std::uint64_t FatMetadataBytes(const FsBuildContext& ctx)
{
    std::uint64_t B = ctx.u32BytesPerSector, R = ctx.u8RsvSector, S = ctx.u8SecPerClus;
    std::uint64_t M = ctx.bWriteMBR ? std::uint64_t{ctx.u32PartStart} * B : 0;
    std::uint64_t F = FormulaFatSectors(ctx, S);
    if (IsFat16(ctx))
        return M + R * B + 2 * B * (F + 16);
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
