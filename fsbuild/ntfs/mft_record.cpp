#include "fsbuild/ntfs/mft_record.h"

#include "fsbuild/ntfs/on_disk.h"

#include <cstring>
#include <vector>

namespace ntfs {
namespace {

constexpr std::uint16_t kRecordUsaOffset = 48;
constexpr std::uint16_t kInitialUpdateSequenceNumber = 1;
constexpr std::uint32_t kEndMarkerSize = 8;

MftRecordHeader& HeaderOf(std::span<std::uint8_t> record)
{
    return *reinterpret_cast<MftRecordHeader*>(record.data());
}

// Reserves `length` bytes for a new attribute in front of the end marker; nullptr when full.
std::uint8_t* AppendAttribute(std::span<std::uint8_t> record, std::uint32_t length)
{
    MftRecordHeader& header = HeaderOf(record);
    std::uint32_t at = header.bytesInUse - kEndMarkerSize;
    if (at + length + kEndMarkerSize > header.bytesAllocated)
        return nullptr;
    std::uint8_t* attribute = record.data() + at;
    std::memset(attribute, 0, length);
    std::uint32_t end = kAttributeEnd;
    std::memcpy(attribute + length, &end, sizeof end);
    std::memset(attribute + length + sizeof end, 0, kEndMarkerSize - sizeof end);
    header.bytesInUse += length;
    return attribute;
}

void FillCommonHeader(AttributeHeader& attribute, std::span<std::uint8_t> record, std::uint32_t type,
                      std::uint32_t length, std::u16string_view name, std::uint16_t nameOffset)
{
    MftRecordHeader& header = HeaderOf(record);
    attribute.type = type;
    attribute.length = length;
    attribute.nameLength = static_cast<std::uint8_t>(name.size());
    attribute.nameOffset = nameOffset;
    attribute.instance = header.nextAttributeInstance++;
    if (!name.empty())
        std::memcpy(reinterpret_cast<std::uint8_t*>(&attribute) + nameOffset, name.data(), name.size() * 2);
}

} // namespace

std::uint16_t UpdateSequenceCount(std::uint32_t size)
{
    return static_cast<std::uint16_t>(size >= kBlockSize ? size / kBlockSize + 1 : 1);
}

std::uint16_t FirstAfterUpdateSequence(std::uint16_t usaOffset, std::uint32_t size)
{
    return static_cast<std::uint16_t>(AlignUp8(usaOffset + 2u * UpdateSequenceCount(size)));
}

void FormatMftRecord(std::span<std::uint8_t> record, std::uint32_t recordNumber, std::uint16_t sequence)
{
    std::memset(record.data(), 0, record.size());
    MftRecordHeader& header = HeaderOf(record);
    auto size = static_cast<std::uint32_t>(record.size());
    std::memcpy(header.magic, "FILE", 4);
    header.usaOffset = kRecordUsaOffset;
    header.usaCount = UpdateSequenceCount(size);
    header.sequenceNumber = sequence;
    header.attributesOffset = FirstAfterUpdateSequence(kRecordUsaOffset, size);
    header.bytesInUse = header.attributesOffset + kEndMarkerSize;
    header.bytesAllocated = size;
    header.recordNumber = recordNumber;
    std::memcpy(record.data() + kRecordUsaOffset, &kInitialUpdateSequenceNumber, 2);
    std::uint32_t end = kAttributeEnd;
    std::memcpy(record.data() + header.attributesOffset, &end, sizeof end);
}

bool AddResidentAttribute(std::span<std::uint8_t> record, std::uint32_t type, std::u16string_view name,
                          std::span<const std::uint8_t> value, std::uint8_t residentFlags)
{
    auto valueOffset = static_cast<std::uint16_t>(AlignUp8(sizeof(ResidentAttribute) + 2 * name.size()));
    std::uint32_t length = AlignUp8(valueOffset + static_cast<std::uint32_t>(value.size()));
    std::uint8_t* bytes = AppendAttribute(record, length);
    if (bytes == nullptr)
        return false;
    auto& attribute = *reinterpret_cast<ResidentAttribute*>(bytes);
    FillCommonHeader(attribute.header, record, type, length, name, sizeof(ResidentAttribute));
    attribute.valueLength = static_cast<std::uint32_t>(value.size());
    attribute.valueOffset = valueOffset;
    attribute.residentFlags = residentFlags;
    if (!value.empty())
        std::memcpy(bytes + valueOffset, value.data(), value.size());
    return true;
}

bool AddNonResidentAttribute(std::span<std::uint8_t> record, std::uint32_t type, std::u16string_view name,
                             const RunList& runs, std::uint32_t clusterSize, StreamSizes sizes, std::uint16_t flags)
{
    bool sparse = (flags & kAttributeSparse) != 0;
    std::uint32_t headerSize = sparse ? kSparseAttributeHeaderSize : sizeof(NonResidentAttribute);
    auto pairsOffset = static_cast<std::uint16_t>(AlignUp8(headerSize + 2 * static_cast<std::uint32_t>(name.size())));
    std::vector<std::uint8_t> pairs = EncodeMappingPairs(runs);
    std::uint32_t length = AlignUp8(pairsOffset + static_cast<std::uint32_t>(pairs.size()));
    std::uint8_t* bytes = AppendAttribute(record, length);
    if (bytes == nullptr)
        return false;
    auto& attribute = *reinterpret_cast<NonResidentAttribute*>(bytes);
    FillCommonHeader(attribute.header, record, type, length, name, static_cast<std::uint16_t>(headerSize));
    attribute.header.nonResident = 1;
    attribute.header.flags = flags;
    std::int64_t clusters = ClusterCount(runs);
    attribute.lowestVcn = 0;
    attribute.highestVcn = clusters - 1;
    attribute.mappingPairsOffset = pairsOffset;
    attribute.allocatedSize = clusters * clusterSize;
    attribute.dataSize = sizes.dataSize;
    attribute.initializedSize = sizes.initializedSize;
    if (sparse) {
        std::int64_t allocatedClusters = 0; // a hole holds no clusters
        for (const Run& run : runs)
            if (run.lcn != kSparseLcn)
                allocatedClusters += run.length;
        std::int64_t compressedSize = allocatedClusters * clusterSize;
        std::memcpy(bytes + sizeof(NonResidentAttribute), &compressedSize, sizeof compressedSize);
    }
    std::memcpy(bytes + pairsOffset, pairs.data(), pairs.size());
    return true;
}

void ApplyUpdateSequence(std::span<std::uint8_t> block)
{
    std::uint16_t usaOffset;
    std::memcpy(&usaOffset, block.data() + 4, 2);
    std::uint8_t* usa = block.data() + usaOffset;
    std::size_t blocks = block.size() / kBlockSize;
    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint8_t* tail = block.data() + (i + 1) * kBlockSize - 2;
        std::memcpy(usa + 2 * (i + 1), tail, 2);
        std::memcpy(tail, usa, 2);
    }
}

} // namespace ntfs
