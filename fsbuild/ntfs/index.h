// Index entries, index roots and index blocks ("INDX") of file-name and view indexes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace ntfs {

using Bytes = std::vector<std::uint8_t>;

// An entry of a file-name index: the file's reference and its $FILE_NAME value as the key.
Bytes FileNameIndexEntry(std::uint64_t fileReference, std::span<const std::uint8_t> fileName);
// An entry of a view index: the key, then the data.
Bytes ViewIndexEntry(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);

struct IndexShape {
    std::uint32_t indexedType;     // 0x30 for "$I30", 0 for a view index
    std::uint32_t collationRule;
    std::uint32_t blockSize;
    std::int8_t clustersPerBlock;
};

// The $INDEX_ROOT value holding `entries` (already in collation order) and the end entry.
Bytes SmallIndexRoot(const IndexShape& shape, const std::vector<Bytes>& entries);
// The $INDEX_ROOT value whose only entry points to index block 0.
Bytes LargeIndexRoot(const IndexShape& shape);
// Index block `vcn` holding `entries` as a leaf; its update sequence is applied on writing.
// Empty when the entries do not fit one block.
Bytes IndexBlock(const IndexShape& shape, std::int64_t vcn, const std::vector<Bytes>& entries);

// File-name collation: upper-cased units first, then the units themselves.
bool FileNameLess(std::u16string_view a, std::u16string_view b, const std::vector<char16_t>& upcase);

} // namespace ntfs
