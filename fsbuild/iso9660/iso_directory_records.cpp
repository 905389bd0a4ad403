#include "fsbuild/iso9660/iso_directory_records.h"

#include "fsbuild/iso9660/iso_fields.h"

#include <algorithm>
#include <cstring>

namespace iso9660 {
namespace {

// The two 34-byte records "." and ".." open every extent.
constexpr std::uint32_t kDotRecordsSize = 68;

// Places each child record after "." and ".." in ascending order of identifiers; a record
// that does not fit in the rest of its block starts at the next block. Returns the extent
// size in whole blocks.
template <typename Visit>
std::uint32_t PlaceChildRecords(const IsoNode& directory, IsoTreeKind tree, Visit visit)
{
    std::uint64_t used = kDotRecordsSize;
    for (std::size_t index : directory.RecordOrderIn(tree)) {
        const IsoNode& child = directory.children[index];
        std::string identifier = child.IdentifierIn(tree);
        std::uint32_t length = DirectoryRecordLength(identifier.size());
        if (used % kBlockSize + length > kBlockSize)
            used = RoundUpToBlock(used);
        visit(static_cast<std::uint32_t>(used), child, identifier);
        used += length;
    }
    return RoundUpToBlock(used);
}

} // namespace

std::uint32_t DirectoryRecordLength(std::size_t identifierLength)
{
    return static_cast<std::uint32_t>(33 + identifierLength + (identifierLength % 2 == 0 ? 1 : 0));
}

void EncodeDirectoryRecord(std::uint8_t* at, const DirectoryRecord& record)
{
    std::uint32_t length = DirectoryRecordLength(record.identifier.size());
    std::memset(at, 0, length);
    at[0] = static_cast<std::uint8_t>(length);
    at[1] = 0; // no extended attribute record
    PutBoth32(at + 2, record.extent.block);
    PutBoth32(at + 10, record.extent.size);
    auto date = EncodeRecordDate(record.date);
    std::copy(date.begin(), date.end(), at + 18);
    at[25] = record.isDirectory ? 2 : 0;
    at[26] = 0; // file unit size
    at[27] = 0; // interleave gap
    PutBoth16(at + 28, 1);
    at[32] = static_cast<std::uint8_t>(record.identifier.size());
    std::memcpy(at + 33, record.identifier.data(), record.identifier.size());
}

std::uint32_t DirectoryExtentSize(const IsoNode& directory, IsoTreeKind tree)
{
    return PlaceChildRecords(directory, tree, [](std::uint32_t, const IsoNode&, const std::string&) {});
}

std::vector<std::uint8_t> BuildDirectoryExtent(const IsoNode& directory, const IsoNode& parent, IsoTreeKind tree,
                                               const IsoDate& buildDate)
{
    std::vector<std::uint8_t> extent(directory.ExtentIn(tree).size, 0);
    EncodeDirectoryRecord(extent.data(), {directory.ExtentIn(tree), buildDate, true, std::string(1, '\0')});
    EncodeDirectoryRecord(extent.data() + 34, {parent.ExtentIn(tree), buildDate, true, std::string(1, '\1')});
    PlaceChildRecords(directory, tree, [&](std::uint32_t offset, const IsoNode& child, const std::string& identifier) {
        IsoExtent childExtent = child.isDirectory ? child.ExtentIn(tree) : child.data;
        EncodeDirectoryRecord(extent.data() + offset, {childExtent, child.date, child.isDirectory, identifier});
    });
    return extent;
}

} // namespace iso9660
