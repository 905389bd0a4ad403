#include "fsbuild/ntfs/index.h"

#include "fsbuild/ntfs/mft_record.h"
#include "fsbuild/ntfs/on_disk.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace ntfs {
namespace {

constexpr std::uint16_t kIndexBlockUsaOffset = sizeof(IndexBlockHeader);

Bytes EntryBytes(std::uint32_t keyLength, std::uint16_t flags, std::uint32_t trailing)
{
    Bytes entry(AlignUp8(sizeof(IndexEntryHeader) + keyLength) + trailing, 0);
    auto& header = *reinterpret_cast<IndexEntryHeader*>(entry.data());
    header.length = static_cast<std::uint16_t>(entry.size());
    header.keyLength = static_cast<std::uint16_t>(keyLength);
    header.flags = flags;
    return entry;
}

std::uint32_t TotalSize(const std::vector<Bytes>& entries)
{
    std::uint32_t total = 0;
    for (const Bytes& entry : entries)
        total += static_cast<std::uint32_t>(entry.size());
    return total;
}

// Writes the index header and the entries followed by `end`; returns the index length.
std::uint32_t LayIndex(std::uint8_t* headerAt, std::uint32_t entriesOffset, const std::vector<Bytes>& entries,
                       const Bytes& end)
{
    auto& header = *reinterpret_cast<IndexHeader*>(headerAt);
    std::uint8_t* at = headerAt + entriesOffset;
    for (const Bytes& entry : entries) {
        std::memcpy(at, entry.data(), entry.size());
        at += entry.size();
    }
    std::memcpy(at, end.data(), end.size());
    header.entriesOffset = entriesOffset;
    header.indexLength = entriesOffset + TotalSize(entries) + static_cast<std::uint32_t>(end.size());
    return header.indexLength;
}

Bytes RootValue(const IndexShape& shape, const std::vector<Bytes>& entries, const Bytes& end, std::uint8_t flags)
{
    Bytes value(sizeof(IndexRoot) + TotalSize(entries) + end.size(), 0);
    auto& root = *reinterpret_cast<IndexRoot*>(value.data());
    root.indexedType = shape.indexedType;
    root.collationRule = shape.collationRule;
    root.indexBlockSize = shape.blockSize;
    root.clustersPerIndexBlock = shape.clustersPerBlock;
    std::uint32_t length = LayIndex(value.data() + offsetof(IndexRoot, index), sizeof(IndexHeader), entries, end);
    root.index.allocatedSize = length;
    root.index.flags = flags;
    return value;
}

} // namespace

Bytes FileNameIndexEntry(std::uint64_t fileReference, std::span<const std::uint8_t> fileName)
{
    Bytes entry = EntryBytes(static_cast<std::uint32_t>(fileName.size()), 0, 0);
    reinterpret_cast<IndexEntryHeader*>(entry.data())->fileReference = fileReference;
    std::memcpy(entry.data() + sizeof(IndexEntryHeader), fileName.data(), fileName.size());
    return entry;
}

Bytes ViewIndexEntry(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data)
{
    auto keyLength = static_cast<std::uint32_t>(key.size());
    Bytes entry = EntryBytes(keyLength + static_cast<std::uint32_t>(data.size()), 0, 0);
    auto& header = *reinterpret_cast<IndexEntryHeader*>(entry.data());
    header.keyLength = static_cast<std::uint16_t>(keyLength);
    header.view.dataOffset = static_cast<std::uint16_t>(sizeof(IndexEntryHeader) + keyLength);
    header.view.dataLength = static_cast<std::uint16_t>(data.size());
    std::memcpy(entry.data() + sizeof(IndexEntryHeader), key.data(), key.size());
    std::memcpy(entry.data() + header.view.dataOffset, data.data(), data.size());
    return entry;
}

Bytes SmallIndexRoot(const IndexShape& shape, const std::vector<Bytes>& entries)
{
    return RootValue(shape, entries, EntryBytes(0, kIndexEntryEnd, 0), 0);
}

Bytes LargeIndexRoot(const IndexShape& shape)
{
    Bytes end = EntryBytes(0, kIndexEntryEnd | kIndexEntryNode, sizeof(std::int64_t));
    std::int64_t childVcn = 0;
    std::memcpy(end.data() + end.size() - sizeof childVcn, &childVcn, sizeof childVcn);
    return RootValue(shape, {}, end, kLargeIndex);
}

Bytes IndexBlock(const IndexShape& shape, std::int64_t vcn, const std::vector<Bytes>& entries)
{
    Bytes block(shape.blockSize, 0);
    auto& header = *reinterpret_cast<IndexBlockHeader*>(block.data());
    std::uint16_t first = FirstAfterUpdateSequence(kIndexBlockUsaOffset, shape.blockSize);
    Bytes end = EntryBytes(0, kIndexEntryEnd, 0);
    if (first + TotalSize(entries) + end.size() > shape.blockSize)
        return {};
    std::memcpy(header.magic, "INDX", 4);
    header.usaOffset = kIndexBlockUsaOffset;
    header.usaCount = UpdateSequenceCount(shape.blockSize);
    header.indexBlockVcn = vcn;
    constexpr std::uint32_t kHeaderAt = offsetof(IndexBlockHeader, index);
    LayIndex(block.data() + kHeaderAt, first - kHeaderAt, entries, end);
    header.index.allocatedSize = shape.blockSize - kHeaderAt;
    std::uint16_t usn = 1;
    std::memcpy(block.data() + kIndexBlockUsaOffset, &usn, sizeof usn);
    return block;
}

bool FileNameLess(std::u16string_view a, std::u16string_view b, const std::vector<char16_t>& upcase)
{
    auto upper = [&](char16_t unit) { return upcase[unit]; };
    std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
        if (upper(a[i]) != upper(b[i]))
            return upper(a[i]) < upper(b[i]);
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace ntfs
