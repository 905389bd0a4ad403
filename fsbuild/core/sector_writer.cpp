#include "fsbuild/core/sector_writer.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint64_t kMaxPiece = 48ull << 20;
constexpr std::uint64_t kMaxZeroRunSectors = 128;

std::uint64_t TargetBytes(const FsBuildContext& ctx)
{
    return ctx.u64TotalSector * ctx.u32TargetSectorBytes;
}

bool TransferOnce(FsBuildContext& ctx, std::uint64_t position, std::uint32_t count, void* buffer, bool write, DWORD& moved)
{
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(ctx.hTarget, distance, nullptr, FILE_BEGIN))
        return false;
    moved = 0;
    BOOL done = write ? WriteFile(ctx.hTarget, buffer, count, &moved, nullptr)
                      : ReadFile(ctx.hTarget, buffer, count, &moved, nullptr);
    return done && moved == count;
}

} // namespace

std::int64_t ReadWriteSectors(FsBuildContext& ctx, std::uint64_t position, std::uint32_t count, void* buffer, bool write)
{
    if (position >= TargetBytes(ctx) || count > TargetBytes(ctx) - position) {
        platform::DebugPrintf("ReadWriteSectors: %u bytes at %llu lie beyond the target (%llu bytes)", count,
                              static_cast<unsigned long long>(position), static_cast<unsigned long long>(TargetBytes(ctx)));
        return -1;
    }
    if (ctx.bDevice)
        position += std::uint64_t{ctx.u32DevStartSector} * ctx.u32DevStartSectorBytes;
    int attempts = 1 + ctx.u8IoRetry;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        DWORD moved = 0;
        if (TransferOnce(ctx, position, count, buffer, write, moved))
            return moved;
        platform::DebugPrintf("ReadWriteSectors: %s of %u bytes at %llu failed (moved %u, error %u), attempt %d of %d",
                              write ? "write" : "read", count, static_cast<unsigned long long>(position), moved,
                              GetLastError(), attempt, attempts);
    }
    return -1;
}

int SeekBuild(FsBuildContext& ctx, std::int64_t position)
{
    if (position < 0 || static_cast<std::uint64_t>(position) > TargetBytes(ctx))
        return -1;
    ctx.u64Position = static_cast<std::uint64_t>(position);
    return 0;
}

std::int64_t WriteSequential(FsBuildContext& ctx, const void* buffer, std::uint64_t count)
{
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::uint64_t written = 0;
    while (written < count) {
        auto piece = static_cast<std::uint32_t>(std::min(count - written, kMaxPiece));
        // The transfer does not change a buffer it writes from.
        std::int64_t moved = ReadWriteSectors(ctx, ctx.u64Position, piece, const_cast<std::uint8_t*>(bytes + written), true);
        if (moved < 0)
            return -1;
        ctx.u64Position += static_cast<std::uint64_t>(moved);
        written += static_cast<std::uint64_t>(moved);
        AddProgress(ctx, static_cast<std::uint64_t>(moved));
    }
    return static_cast<std::int64_t>(written);
}

std::int64_t ReadSequential(FsBuildContext& ctx, void* buffer, std::uint32_t count)
{
    std::int64_t moved = ReadWriteSectors(ctx, ctx.u64Position, count, buffer, false);
    if (moved > 0)
        ctx.u64Position += static_cast<std::uint64_t>(moved);
    return moved;
}

void AddProgress(FsBuildContext& ctx, std::uint64_t bytes)
{
    ctx.u64DoneBytes += bytes;
    if (ctx.u64NeededBytes == 0 || ctx.pu8Progress == nullptr)
        return;
    auto value = static_cast<std::uint8_t>(std::min<std::uint64_t>(ctx.u64DoneBytes * 100 / ctx.u64NeededBytes, 95));
    if (value > LoadProgress(*ctx.pu8Progress))
        StoreProgress(*ctx.pu8Progress, value);
}

int WriteZeroSectors(FsBuildContext& ctx, std::uint64_t sectors)
{
    std::vector<std::uint8_t> zeros(std::min(sectors, kMaxZeroRunSectors) * ctx.u32BytesPerSector);
    while (sectors > 0) {
        std::uint64_t run = std::min(sectors, kMaxZeroRunSectors);
        if (WriteSequential(ctx, zeros.data(), run * ctx.u32BytesPerSector) < 0)
            return -1;
        sectors -= run;
    }
    return 0;
}
