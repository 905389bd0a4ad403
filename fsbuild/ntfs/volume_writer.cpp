#include "fsbuild/ntfs/volume_writer.h"

#include "fsbuild/ntfs/mft_record.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ntfs {
namespace {

constexpr std::size_t kStageBytes = 1 << 20;
constexpr std::size_t kStageAlignment = 4096;

} // namespace

VolumeWriter::VolumeWriter(NtfsDevice& device, std::uint32_t clusterSize)
    : device_(device), clusterSize_(clusterSize),
      stage_(static_cast<std::uint8_t*>(std::aligned_alloc(kStageAlignment, kStageBytes)))
{
}

VolumeWriter::~VolumeWriter()
{
    std::free(stage_);
}

bool VolumeWriter::Put(std::int64_t position, std::size_t size)
{
    if (device_.ops->seek(device_, position, SEEK_SET) != position ||
        device_.ops->write(device_, stage_, static_cast<std::int64_t>(size)) != static_cast<std::int64_t>(size)) {
        platform::DebugPrintf("NTFS: writing %zu bytes at %lld failed, errno %d", size, static_cast<long long>(position),
                              errno);
        return false;
    }
    return true;
}

bool VolumeWriter::WriteRuns(const RunList& runs, std::span<const std::uint8_t> data, const std::uint8_t* fill)
{
    std::size_t consumed = 0;
    for (const Run& run : runs) {
        std::int64_t position = run.lcn * clusterSize_;
        std::int64_t remaining = run.length * clusterSize_;
        while (remaining > 0) {
            std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kStageBytes));
            if (fill != nullptr) {
                std::memset(stage_, *fill, chunk);
            } else {
                std::size_t copied = std::min(chunk, data.size() - std::min(consumed, data.size()));
                if (copied > 0)
                    std::memcpy(stage_, data.data() + consumed, copied);
                std::memset(stage_ + copied, 0, chunk - copied); // the rest of the last cluster
            }
            if (!Put(position, chunk))
                return false;
            consumed += chunk;
            position += static_cast<std::int64_t>(chunk);
            remaining -= static_cast<std::int64_t>(chunk);
        }
    }
    return true;
}

bool VolumeWriter::Write(const PendingWrite& stream)
{
    switch (stream.kind) {
    case PendingWrite::Kind::Fill: return WriteRuns(stream.runs, {}, &stream.fill);
    case PendingWrite::Kind::Data: return WriteRuns(stream.runs, stream.data, nullptr);
    case PendingWrite::Kind::Protected: {
        std::vector<std::uint8_t> fixed = stream.data;
        for (std::size_t at = 0; at + stream.blockSize <= fixed.size(); at += stream.blockSize)
            ApplyUpdateSequence({fixed.data() + at, stream.blockSize});
        return WriteRuns(stream.runs, fixed, nullptr);
    }
    }
    return false;
}

bool VolumeWriter::WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > kStageBytes)
        return false;
    std::memcpy(stage_, bytes.data(), bytes.size());
    return Put(position, bytes.size());
}

} // namespace ntfs
