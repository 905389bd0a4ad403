// Puts laid-out streams on the open device, cluster run by cluster run, through an aligned
// staging buffer so that every transfer is whole sectors.
#pragma once

#include "fsbuild/ntfs/block_device.h"
#include "fsbuild/ntfs/pending_write.h"

#include <cstdint>
#include <memory>
#include <span>

namespace ntfs {

class VolumeWriter {
public:
    VolumeWriter(NtfsDevice& device, std::uint32_t clusterSize);
    ~VolumeWriter();
    VolumeWriter(const VolumeWriter&) = delete;
    VolumeWriter& operator=(const VolumeWriter&) = delete;

    // False when the staging buffer could not be allocated.
    bool Ready() const { return stage_ != nullptr; }
    bool Write(const PendingWrite& stream);
    // `bytes` at a sector-aligned byte position of the partition.
    bool WriteAt(std::int64_t position, std::span<const std::uint8_t> bytes);

private:
    bool WriteRuns(const RunList& runs, std::span<const std::uint8_t> data, const std::uint8_t* fill);
    bool Put(std::int64_t position, std::size_t size);

    NtfsDevice& device_;
    std::uint32_t clusterSize_;
    std::uint8_t* stage_;
};

} // namespace ntfs
