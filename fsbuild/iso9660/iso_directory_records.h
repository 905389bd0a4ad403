// Directory records and the directory extents made of them.
#pragma once

#include "fsbuild/iso9660/iso_tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace iso9660 {

constexpr std::uint32_t kBlockSize = 2048;

constexpr std::uint32_t RoundUpToBlock(std::uint64_t bytes)
{
    return static_cast<std::uint32_t>((bytes + kBlockSize - 1) / kBlockSize * kBlockSize);
}

constexpr std::uint32_t BlocksFor(std::uint64_t bytes)
{
    return static_cast<std::uint32_t>((bytes + kBlockSize - 1) / kBlockSize);
}

struct DirectoryRecord {
    IsoExtent extent;
    IsoDate date;
    bool isDirectory;
    std::string identifier; // "\0" for ".", "\1" for ".."
};

// 33 bytes and the identifier, plus a pad byte when the identifier's length is even.
std::uint32_t DirectoryRecordLength(std::size_t identifierLength);

// Writes the record at `at`, which has room for DirectoryRecordLength bytes.
void EncodeDirectoryRecord(std::uint8_t* at, const DirectoryRecord& record);

// Size of the directory's extent in the given tree: "." and "..", then one record per
// child by ascending identifier, no record crossing a block boundary; whole blocks.
std::uint32_t DirectoryExtentSize(const IsoNode& directory, IsoTreeKind tree);

// The extent's bytes, laid out as DirectoryExtentSize counts them. Child extents come
// from the layout; "." and ".." carry the build date.
std::vector<std::uint8_t> BuildDirectoryExtent(const IsoNode& directory, const IsoNode& parent, IsoTreeKind tree,
                                               const IsoDate& buildDate);

} // namespace iso9660
