// 32-byte directory entries: short entries, long-name entries, ".", ".." and the label.
#pragma once

#include "fsbuild/core/source_tree.h"
#include "fsbuild/fat/short_names.h"

#include <cstddef>
#include <cstdint>

constexpr std::size_t kDirEntryBytes = 32;
constexpr std::uint8_t kAttributeVolumeLabel = 0x08;
constexpr std::uint8_t kAttributeDirectory = 0x10;

struct FatTimestamp {
    std::uint16_t date;
    std::uint16_t time;
    std::uint8_t tenths; // tenths of seconds beyond the two-second step
};

// A file time (100 ns since 1601, UTC) as a FAT date and time; times before 1980 become
// 1980-01-01 00:00:00 and times after 2107 become 2107-12-31 23:59:58.
FatTimestamp FatTimeOf(std::uint64_t fileTime);
FatTimestamp FatTimeNow();

// Long-name entries a name needs (13 UTF-16 units each).
std::size_t LongNameSlots(const std::u16string& name);
std::uint8_t ShortNameChecksum(const ShortName& name);

// The long-name entries and the short entry of a source entry, in the order they stand
// in the directory; `slots` has room for LongNameSlots(wideName) + 1 entries.
void BuildDirEntry(std::uint8_t* slots, const SourceEntry& entry, const ShortName& shortName);

// "." (this folder's cluster) and ".." (the parent's; 0 for the root).
void BuildDotEntries(std::uint8_t* slots, std::uint32_t ownCluster, std::uint32_t parentCluster);

void BuildLabelEntry(std::uint8_t* slot, const ShortName& label);
