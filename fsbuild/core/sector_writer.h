// The build's sector writer: positioned, retried, chunked transfers on the build target,
// driving the progress byte. Positions are bytes from sector 0 of the target: the image
// file, or the device area that starts u32DevStartSector sectors into a drive or disk.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>

// One positioned transfer of `count` bytes, tried 1 + u8IoRetry times. Refused (-1) when
// any byte of it would lie beyond the target (u64TotalSector sectors). Result: the bytes
// moved, or -1.
std::int64_t ReadWriteSectors(FsBuildContext& ctx, std::uint64_t position, std::uint32_t count, void* buffer, bool write);

// Sets the sequential position; -1 when it lies beyond the target, else 0.
int SeekBuild(FsBuildContext& ctx, std::int64_t position);

// Writes at the sequential position in pieces of at most 48 MiB, advancing the position and
// the progress. Result: the bytes written, or -1.
std::int64_t WriteSequential(FsBuildContext& ctx, const void* buffer, std::uint64_t count);

// One read at the sequential position, advancing it. Result: the bytes read, or -1.
std::int64_t ReadSequential(FsBuildContext& ctx, void* buffer, std::uint32_t count);

// Adds to the done bytes and raises the caller's progress byte to done * 100 / needed,
// capped at 95 (never lowering it).
void AddProgress(FsBuildContext& ctx, std::uint64_t bytes);

// Writes `sectors` zero sectors of the build's sector size at the sequential position, in
// writes of at most 128 sectors. Result: 0, or -1.
int WriteZeroSectors(FsBuildContext& ctx, std::uint64_t sectors);
