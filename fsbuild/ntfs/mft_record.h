// Building one MFT record in memory: the header with its update sequence array, then
// attributes appended in the order the caller gives (type order, unnamed before named).
#pragma once

#include "fsbuild/ntfs/runlist.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace ntfs {

// Sizes of a non-resident attribute's value.
struct StreamSizes {
    std::int64_t dataSize;
    std::int64_t initializedSize;
};

// Lays out an unused record: "FILE", the update sequence array at 48, the end marker.
void FormatMftRecord(std::span<std::uint8_t> record, std::uint32_t recordNumber, std::uint16_t sequence);

// Adds a resident attribute; false when the record has no room for it.
bool AddResidentAttribute(std::span<std::uint8_t> record, std::uint32_t type, std::u16string_view name,
                          std::span<const std::uint8_t> value, std::uint8_t residentFlags = 0);

// Adds a non-resident attribute over `runs` of clusters of `clusterSize` bytes.
bool AddNonResidentAttribute(std::span<std::uint8_t> record, std::uint32_t type, std::u16string_view name,
                             const RunList& runs, std::uint32_t clusterSize, StreamSizes sizes,
                             std::uint16_t flags = 0);

// The multi-sector protection of "FILE" and "INDX" blocks: the last two bytes of every
// 512-byte block move into the array at `usaOffset` and the sequence number takes their place.
void ApplyUpdateSequence(std::span<std::uint8_t> block);

// The first attribute offset and array size for a block of `size` bytes.
std::uint16_t UpdateSequenceCount(std::uint32_t size);
std::uint16_t FirstAfterUpdateSequence(std::uint16_t usaOffset, std::uint32_t size);

} // namespace ntfs
