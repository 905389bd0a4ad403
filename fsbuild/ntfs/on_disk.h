// NTFS 3.1 on-disk records, little-endian and packed as they stand on the volume.
#pragma once

#include <cstdint>

namespace ntfs {

constexpr std::uint32_t kBlockSize = 512; // the update-sequence stride, whatever the sector size

enum AttributeType : std::uint32_t {
    kStandardInformation = 0x10,
    kFileName = 0x30,
    kVolumeName = 0x60,
    kVolumeInformation = 0x70,
    kData = 0x80,
    kIndexRoot = 0x90,
    kIndexAllocation = 0xA0,
    kBitmap = 0xB0,
    kAttributeEnd = 0xFFFFFFFF,
};

enum CollationRule : std::uint32_t {
    kCollationFileName = 0x01,
    kCollationUlong = 0x10,
    kCollationSid = 0x11,
    kCollationSecurityHash = 0x12,
    kCollationUlongs = 0x13,
};

constexpr std::uint16_t kRecordInUse = 0x0001;
constexpr std::uint16_t kRecordIsDirectory = 0x0002;
constexpr std::uint16_t kRecordIsViewIndex = 0x0008;

constexpr std::uint16_t kAttributeSparse = 0x8000;
constexpr std::uint8_t kResidentIndexed = 0x01;

constexpr std::uint32_t kFileAttributeDirectoryIndex = 0x10000000; // the file has an "$I30" index

constexpr std::uint16_t kIndexEntryNode = 0x0001;
constexpr std::uint16_t kIndexEntryEnd = 0x0002;
constexpr std::uint8_t kLargeIndex = 0x01;

constexpr std::uint8_t kFileNameWin32AndDos = 3;

#pragma pack(push, 1)
struct MftRecordHeader {
    char magic[4];                    // "FILE"
    std::uint16_t usaOffset;
    std::uint16_t usaCount;
    std::uint64_t lsn;
    std::uint16_t sequenceNumber;
    std::uint16_t linkCount;
    std::uint16_t attributesOffset;
    std::uint16_t flags;
    std::uint32_t bytesInUse;
    std::uint32_t bytesAllocated;
    std::uint64_t baseRecord;
    std::uint16_t nextAttributeInstance;
    std::uint16_t reserved;
    std::uint32_t recordNumber;
};
static_assert(sizeof(MftRecordHeader) == 48);

struct AttributeHeader {
    std::uint32_t type;
    std::uint32_t length;
    std::uint8_t nonResident;
    std::uint8_t nameLength;          // UTF-16 units
    std::uint16_t nameOffset;
    std::uint16_t flags;
    std::uint16_t instance;
};
static_assert(sizeof(AttributeHeader) == 16);

struct ResidentAttribute {
    AttributeHeader header;
    std::uint32_t valueLength;
    std::uint16_t valueOffset;
    std::uint8_t residentFlags;
    std::uint8_t reserved;
};
static_assert(sizeof(ResidentAttribute) == 24);

struct NonResidentAttribute {
    AttributeHeader header;
    std::int64_t lowestVcn;
    std::int64_t highestVcn;
    std::uint16_t mappingPairsOffset;
    std::uint8_t compressionUnit;
    std::uint8_t reserved[5];
    std::int64_t allocatedSize;
    std::int64_t dataSize;
    std::int64_t initializedSize;
};
static_assert(sizeof(NonResidentAttribute) == 64);
constexpr std::uint32_t kSparseAttributeHeaderSize = 72; // followed by the compressed size

struct StandardInformation {
    std::int64_t creationTime;
    std::int64_t dataChangeTime;
    std::int64_t mftChangeTime;
    std::int64_t accessTime;
    std::uint32_t fileAttributes;
    std::uint32_t maximumVersions;
    std::uint32_t versionNumber;
    std::uint32_t classId;
    std::uint32_t ownerId;
    std::uint32_t securityId;
    std::uint64_t quotaCharged;
    std::uint64_t usn;
};
static_assert(sizeof(StandardInformation) == 72);

struct FileNameAttribute {
    std::uint64_t parentReference;
    std::int64_t creationTime;
    std::int64_t dataChangeTime;
    std::int64_t mftChangeTime;
    std::int64_t accessTime;
    std::int64_t allocatedSize;
    std::int64_t dataSize;
    std::uint32_t fileAttributes;
    std::uint32_t reparseTag;
    std::uint8_t nameLength;
    std::uint8_t nameType;
    // followed by the name in UTF-16
};
static_assert(sizeof(FileNameAttribute) == 66);

struct VolumeInformation {
    std::uint64_t reserved;
    std::uint8_t majorVersion;
    std::uint8_t minorVersion;
    std::uint16_t flags;
};
static_assert(sizeof(VolumeInformation) == 12);

struct IndexHeader {
    std::uint32_t entriesOffset;      // from the start of this header
    std::uint32_t indexLength;
    std::uint32_t allocatedSize;
    std::uint8_t flags;
    std::uint8_t reserved[3];
};
static_assert(sizeof(IndexHeader) == 16);

struct IndexRoot {
    std::uint32_t indexedType;        // 0x30 for a file-name index, 0 for a view index
    std::uint32_t collationRule;
    std::uint32_t indexBlockSize;
    std::int8_t clustersPerIndexBlock;
    std::uint8_t reserved[3];
    IndexHeader index;
};
static_assert(sizeof(IndexRoot) == 32);

struct IndexBlockHeader {
    char magic[4];                    // "INDX"
    std::uint16_t usaOffset;
    std::uint16_t usaCount;
    std::uint64_t lsn;
    std::int64_t indexBlockVcn;
    IndexHeader index;
};
static_assert(sizeof(IndexBlockHeader) == 40);

struct IndexEntryHeader {
    union {
        std::uint64_t fileReference;  // file-name index
        struct {
            std::uint16_t dataOffset; // view index
            std::uint16_t dataLength;
            std::uint32_t reserved;
        } view;
    };
    std::uint16_t length;
    std::uint16_t keyLength;
    std::uint16_t flags;
    std::uint16_t reserved;
};
static_assert(sizeof(IndexEntryHeader) == 16);

struct AttrDefEntry {
    char16_t name[64];
    std::uint32_t type;
    std::uint32_t displayRule;
    std::uint32_t collationRule;
    std::uint32_t flags;
    std::int64_t minimumSize;
    std::int64_t maximumSize;
};
static_assert(sizeof(AttrDefEntry) == 160);

struct SecurityDescriptorHeader {
    std::uint32_t hash;
    std::uint32_t securityId;
    std::uint64_t offset;             // of this entry in "$SDS"
    std::uint32_t length;             // this header and the descriptor
};
static_assert(sizeof(SecurityDescriptorHeader) == 20);

struct BootSector {
    std::uint8_t jump[3];
    char oemName[8];
    std::uint16_t bytesPerSector;
    std::uint8_t sectorsPerCluster;
    std::uint16_t reservedSectors;
    std::uint8_t fats;
    std::uint16_t rootEntries;
    std::uint16_t sectors16;
    std::uint8_t media;
    std::uint16_t sectorsPerFat;
    std::uint16_t sectorsPerTrack;
    std::uint16_t heads;
    std::uint32_t hiddenSectors;
    std::uint32_t sectors32;
    std::uint8_t driveNumber;         // byte 36
    std::uint8_t reserved1;
    std::uint8_t extendedSignature;   // byte 38
    std::uint8_t reserved2;
    std::uint64_t totalSectors;
    std::uint64_t mftLcn;
    std::uint64_t mftMirrLcn;
    std::int8_t clustersPerMftRecord;
    std::uint8_t reserved3[3];
    std::int8_t clustersPerIndexRecord;
    std::uint8_t reserved4[3];
    std::uint64_t serialNumber;
    std::uint32_t checksum;
    std::uint8_t bootCode[426];
    std::uint16_t endMarker;
};
static_assert(sizeof(BootSector) == 512);
#pragma pack(pop)

// A file reference: the record number in the low 48 bits, its sequence number above.
constexpr std::uint64_t FileReference(std::uint64_t record, std::uint16_t sequence)
{
    return record | (static_cast<std::uint64_t>(sequence) << 48);
}

constexpr std::uint32_t AlignUp8(std::uint32_t value)
{
    return (value + 7u) & ~7u;
}

} // namespace ntfs
