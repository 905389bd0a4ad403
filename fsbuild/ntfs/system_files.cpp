#include "fsbuild/ntfs/system_files.h"

#include "fsbuild/ntfs/boot_sector.h"
#include "fsbuild/ntfs/index.h"
#include "fsbuild/ntfs/mft_record.h"
#include "fsbuild/ntfs/security.h"
#include "platform/debug/debug.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ntfs {
namespace {

enum SystemRecord : std::uint32_t {
    kMft = 0,
    kMftMirr = 1,
    kLogFile = 2,
    kVolume = 3,
    kAttrDef = 4,
    kRoot = 5,
    kBitmapFile = 6,
    kBoot = 7,
    kBadClus = 8,
    kSecure = 9,
    kUpCase = 10,
    kExtend = 11,
    kFirstReserved = 12,
    kFirstFree = 16,
    kQuota = 24,
    kObjId = 25,
    kReparse = 26,
};

constexpr std::uint32_t kHiddenSystem = 0x06;
constexpr std::uint32_t kHiddenSystemArchive = 0x26;
constexpr std::uint32_t kViewIndexPresent = 0x20000000;
constexpr std::uint16_t kVolumeIsDirty = 0x0001;

struct SystemFile {
    std::uint32_t record;
    std::u16string_view name;
    std::uint32_t attributes;
};

template <class T>
std::span<const std::uint8_t> BytesOf(const T& value)
{
    return {reinterpret_cast<const std::uint8_t*>(&value), sizeof value};
}

class Builder {
public:
    Builder(NtfsVolume& volume, const FormatStamp& stamp, SystemStreams& streams)
        : volume_(volume), stamp_(stamp), streams_(streams)
    {
    }

    bool Build();

private:
    std::span<std::uint8_t> Record(std::uint32_t number)
    {
        return {volume_.mft.data() + std::size_t{number} * volume_.mftRecordSize, volume_.mftRecordSize};
    }
    static std::uint16_t Sequence(std::uint32_t number)
    {
        return (number == kMft || (number >= kQuota && number <= kReparse)) ? 1 : static_cast<std::uint16_t>(number);
    }
    static std::uint64_t Reference(std::uint32_t number) { return FileReference(number, Sequence(number)); }
    MftRecordHeader& Header(std::uint32_t number) { return *reinterpret_cast<MftRecordHeader*>(Record(number).data()); }

    bool Begin(std::uint32_t number, std::uint32_t attributes, std::uint16_t extraFlags = 0);
    bool AddFileName(const SystemFile& file, std::uint32_t parent, std::int64_t dataSize);
    bool AddResident(std::uint32_t number, std::uint32_t type, std::u16string_view name,
                     std::span<const std::uint8_t> value);
    bool AddStream(std::uint32_t number, std::uint32_t type, std::u16string_view name, std::vector<std::uint8_t> data,
                   RunList* runsOut = nullptr);
    bool AddRunStream(std::uint32_t number, std::uint32_t type, const RunList& runs, std::int64_t size);
    bool AddIndex(std::uint32_t number, std::u16string_view name, const IndexShape& shape, std::vector<Bytes> entries);
    IndexShape Shape(std::uint32_t indexedType, std::uint32_t collation) const;

    bool BuildMft();
    bool BuildPlainFiles();
    bool BuildVolumeFile();
    bool BuildBadClus();
    bool BuildSecure();
    bool BuildExtend();
    bool BuildRoot();

    NtfsVolume& volume_;
    const FormatStamp& stamp_;
    SystemStreams& streams_;
    std::vector<std::pair<std::u16string_view, Bytes>> rootEntries_, extendEntries_;
};

bool Builder::Begin(std::uint32_t number, std::uint32_t attributes, std::uint16_t extraFlags)
{
    MftRecordHeader& header = Header(number);
    header.flags = kRecordInUse | extraFlags;
    volume_.mftBitmap[number / 8] |= static_cast<std::uint8_t>(1u << (number % 8));
    StandardInformation info{};
    info.creationTime = info.dataChangeTime = info.mftChangeTime = info.accessTime = stamp_.ntfsTime;
    info.fileAttributes = attributes;
    info.securityId = number == kRoot ? kRootSecurityId : kSystemFileSecurityId;
    return AddResident(number, kStandardInformation, {}, BytesOf(info));
}

bool Builder::AddResident(std::uint32_t number, std::uint32_t type, std::u16string_view name,
                          std::span<const std::uint8_t> value)
{
    std::uint8_t flags = type == kFileName ? kResidentIndexed : 0;
    if (AddResidentAttribute(Record(number), type, name, value, flags))
        return true;
    platform::DebugPrintf("NTFS: record %u has no room for attribute 0x%X", number, type);
    return false;
}

bool Builder::AddFileName(const SystemFile& file, std::uint32_t parent, std::int64_t dataSize)
{
    Bytes value(sizeof(FileNameAttribute) + 2 * file.name.size(), 0);
    auto& name = *reinterpret_cast<FileNameAttribute*>(value.data());
    name.parentReference = Reference(parent);
    name.creationTime = name.dataChangeTime = name.mftChangeTime = name.accessTime = stamp_.ntfsTime;
    name.allocatedSize = volume_.ClustersFor(dataSize) * volume_.clusterSize;
    name.dataSize = dataSize;
    bool directory = (Header(file.record).flags & kRecordIsDirectory) != 0;
    name.fileAttributes = file.attributes | (directory ? kFileAttributeDirectoryIndex : 0);
    name.nameLength = static_cast<std::uint8_t>(file.name.size());
    name.nameType = kFileNameWin32AndDos;
    std::memcpy(value.data() + sizeof(FileNameAttribute), file.name.data(), 2 * file.name.size());
    if (!AddResident(file.record, kFileName, {}, value))
        return false;
    Header(file.record).linkCount = 1;
    auto& entries = parent == kExtend ? extendEntries_ : rootEntries_;
    entries.emplace_back(file.name, FileNameIndexEntry(Reference(file.record), value));
    return true;
}

bool Builder::AddRunStream(std::uint32_t number, std::uint32_t type, const RunList& runs, std::int64_t size)
{
    if (AddNonResidentAttribute(Record(number), type, {}, runs, volume_.clusterSize, {size, size}))
        return true;
    platform::DebugPrintf("NTFS: record %u has no room for its run list", number);
    return false;
}

bool Builder::AddStream(std::uint32_t number, std::uint32_t type, std::u16string_view name,
                        std::vector<std::uint8_t> data, RunList* runsOut)
{
    PendingWrite write;
    auto size = static_cast<std::int64_t>(data.size());
    if (!AllocateClusters(volume_, size, write.runs))
        return false;
    if (!AddNonResidentAttribute(Record(number), type, name, write.runs, volume_.clusterSize, {size, size})) {
        platform::DebugPrintf("NTFS: record %u has no room for its run list", number);
        return false;
    }
    if (runsOut != nullptr)
        *runsOut = write.runs;
    write.data = std::move(data);
    streams_.writes.push_back(std::move(write));
    return true;
}

IndexShape Builder::Shape(std::uint32_t indexedType, std::uint32_t collation) const
{
    std::uint32_t block = volume_.indexRecordSize;
    // Blocks smaller than a cluster are addressed in 512-byte units.
    auto perBlock = static_cast<std::int8_t>(block >= volume_.clusterSize ? block / volume_.clusterSize
                                                                          : block / kBlockSize);
    return {indexedType, collation, block, perBlock};
}

bool Builder::AddIndex(std::uint32_t number, std::u16string_view name, const IndexShape& shape,
                       std::vector<Bytes> entries)
{
    if (AddResidentAttribute(Record(number), kIndexRoot, name, SmallIndexRoot(shape, entries)))
        return true;
    // Too large for the record: the root points to one index block.
    Bytes block = IndexBlock(shape, 0, entries);
    if (block.empty()) {
        platform::DebugPrintf("NTFS: index of record %u exceeds one block", number);
        return false;
    }
    PendingWrite write;
    write.kind = PendingWrite::Kind::Protected;
    write.blockSize = shape.blockSize;
    if (!AllocateClusters(volume_, shape.blockSize, write.runs))
        return false;
    Bytes inUse(8, 0);
    inUse[0] = 1;
    auto blockSize = static_cast<std::int64_t>(shape.blockSize);
    if (!AddResident(number, kIndexRoot, name, LargeIndexRoot(shape)) ||
        !AddNonResidentAttribute(Record(number), kIndexAllocation, name, write.runs, volume_.clusterSize,
                                 {blockSize, blockSize}) ||
        !AddResident(number, kBitmap, name, inUse)) {
        platform::DebugPrintf("NTFS: record %u has no room for its index", number);
        return false;
    }
    write.data = std::move(block);
    streams_.writes.push_back(std::move(write));
    return true;
}

bool Builder::BuildMft()
{
    SystemFile mft{kMft, u"$MFT", kHiddenSystem};
    SystemFile mirror{kMftMirr, u"$MFTMirr", kHiddenSystem};
    SystemFile log{kLogFile, u"$LogFile", kHiddenSystem};
    std::int64_t mirrorSize = std::int64_t{volume_.mftMirrRecords} * volume_.mftRecordSize;
    if (!Begin(kMft, kHiddenSystem) || !AddFileName(mft, kRoot, volume_.mftSize) ||
        !AddRunStream(kMft, kData, volume_.mftRuns, volume_.mftSize) ||
        !AddRunStream(kMft, kBitmap, volume_.mftBitmapRuns, static_cast<std::int64_t>(volume_.mftBitmap.size())))
        return false;
    if (!Begin(kMftMirr, kHiddenSystem) || !AddFileName(mirror, kRoot, mirrorSize) ||
        !AddRunStream(kMftMirr, kData, volume_.mftMirrRuns, mirrorSize))
        return false;
    if (!Begin(kLogFile, kHiddenSystem) || !AddFileName(log, kRoot, volume_.logFileSize) ||
        !AddRunStream(kLogFile, kData, volume_.logFileRuns, volume_.logFileSize))
        return false;
    PendingWrite logData;
    logData.kind = PendingWrite::Kind::Fill;
    logData.runs = volume_.logFileRuns;
    logData.fill = 0xFF; // an empty log: no restart area yet
    streams_.writes.push_back(std::move(logData));
    return true;
}

bool Builder::BuildVolumeFile()
{
    VolumeInformation information{};
    information.majorVersion = volume_.majorVersion;
    information.minorVersion = volume_.minorVersion;
    information.flags = kVolumeIsDirty;
    std::span<const std::uint8_t> label{reinterpret_cast<const std::uint8_t*>(volume_.label.data()),
                                        volume_.label.size() * 2};
    return Begin(kVolume, kHiddenSystem) && AddFileName({kVolume, u"$Volume", kHiddenSystem}, kRoot, 0) &&
           AddResident(kVolume, kVolumeName, {}, label) &&
           AddResident(kVolume, kVolumeInformation, {}, BytesOf(information));
}

// $AttrDef, $Bitmap, $Boot and $UpCase: one unnamed data stream each.
bool Builder::BuildPlainFiles()
{
    auto bitmapSize = static_cast<std::int64_t>(volume_.clusterBitmap.size());
    if (!Begin(kAttrDef, kHiddenSystem) ||
        !AddFileName({kAttrDef, u"$AttrDef", kHiddenSystem}, kRoot, static_cast<std::int64_t>(volume_.attrdef.size())) ||
        !AddStream(kAttrDef, kData, {}, volume_.attrdef))
        return false;
    // $Bitmap's clusters are taken now; its contents are written once every cluster is taken.
    if (!Begin(kBitmapFile, kHiddenSystem) ||
        !AddFileName({kBitmapFile, u"$Bitmap", kHiddenSystem}, kRoot, bitmapSize) ||
        !AllocateClusters(volume_, bitmapSize, streams_.bitmapRuns) ||
        !AddRunStream(kBitmapFile, kData, streams_.bitmapRuns, bitmapSize))
        return false;
    streams_.bootSector = BuildBootSector(volume_, stamp_.hiddenSectors, stamp_.serialNumber);
    PendingWrite boot;
    boot.runs = volume_.bootRuns;
    boot.data.assign(kBootBytes, 0);
    std::memcpy(boot.data.data(), &streams_.bootSector, sizeof(BootSector));
    streams_.writes.push_back(std::move(boot));
    if (!Begin(kBoot, kHiddenSystem) || !AddFileName({kBoot, u"$Boot", kHiddenSystem}, kRoot, kBootBytes) ||
        !AddRunStream(kBoot, kData, volume_.bootRuns, kBootBytes))
        return false;
    std::vector<std::uint8_t> upcase(volume_.upcase.size() * 2);
    std::memcpy(upcase.data(), volume_.upcase.data(), upcase.size());
    auto upcaseSize = static_cast<std::int64_t>(upcase.size());
    return Begin(kUpCase, kHiddenSystem) && AddFileName({kUpCase, u"$UpCase", kHiddenSystem}, kRoot, upcaseSize) &&
           AddStream(kUpCase, kData, {}, std::move(upcase));
}

bool Builder::BuildBadClus()
{
    // "$Bad" spans the whole volume as one hole: no cluster is bad yet.
    RunList hole{{kSparseLcn, volume_.clusters}};
    std::int64_t size = volume_.clusters * volume_.clusterSize;
    if (!Begin(kBadClus, kHiddenSystem) || !AddFileName({kBadClus, u"$BadClus", kHiddenSystem}, kRoot, 0) ||
        !AddResident(kBadClus, kData, {}, {}))
        return false;
    if (AddNonResidentAttribute(Record(kBadClus), kData, u"$Bad", hole, volume_.clusterSize, {size, size},
                                kAttributeSparse))
        return true;
    platform::DebugPrintf("NTFS: $BadClus has no room for $Bad");
    return false;
}

bool Builder::BuildSecure()
{
    constexpr std::uint32_t kAttributes = kViewIndexPresent | kHiddenSystem;
    SecurityStore store = BuildDefaultSecurity();
    std::vector<Bytes> byId, byHash;
    std::vector<SecurityDescriptorHeader> sorted = store.headers;
    for (const SecurityDescriptorHeader& header : sorted)
        byId.push_back(ViewIndexEntry(BytesOf(header.securityId), BytesOf(header)));
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.securityId < b.securityId;
    });
    for (const SecurityDescriptorHeader& header : sorted) {
        const std::uint32_t key[] = {header.hash, header.securityId};
        byHash.push_back(ViewIndexEntry(BytesOf(key), BytesOf(header)));
    }
    return Begin(kSecure, kAttributes, kRecordIsViewIndex) &&
           AddFileName({kSecure, u"$Secure", kAttributes}, kRoot, 0) &&
           AddStream(kSecure, kData, u"$SDS", std::move(store.sds)) &&
           AddIndex(kSecure, u"$SDH", Shape(0, kCollationSecurityHash), std::move(byHash)) &&
           AddIndex(kSecure, u"$SII", Shape(0, kCollationUlong), std::move(byId));
}

bool Builder::BuildExtend()
{
    constexpr std::uint32_t kExtendAttributes = kFileAttributeDirectoryIndex | kHiddenSystem;
    constexpr std::uint32_t kViewAttributes = kViewIndexPresent | kHiddenSystemArchive;
    if (!Begin(kExtend, kExtendAttributes, kRecordIsDirectory) ||
        !AddFileName({kExtend, u"$Extend", kExtendAttributes}, kRoot, 0))
        return false;
    // Quota tracking is off and nothing has an object id or a reparse point: empty indexes.
    if (!Begin(kQuota, kViewAttributes, kRecordIsViewIndex) ||
        !AddFileName({kQuota, u"$Quota", kViewAttributes}, kExtend, 0) ||
        !AddIndex(kQuota, u"$O", Shape(0, kCollationSid), {}) || !AddIndex(kQuota, u"$Q", Shape(0, kCollationUlong), {}))
        return false;
    if (!Begin(kObjId, kViewAttributes, kRecordIsViewIndex) ||
        !AddFileName({kObjId, u"$ObjId", kViewAttributes}, kExtend, 0) ||
        !AddIndex(kObjId, u"$O", Shape(0, kCollationUlongs), {}))
        return false;
    if (!Begin(kReparse, kViewAttributes, kRecordIsViewIndex) ||
        !AddFileName({kReparse, u"$Reparse", kViewAttributes}, kExtend, 0) ||
        !AddIndex(kReparse, u"$R", Shape(0, kCollationUlongs), {}))
        return false;
    return true;
}

bool Builder::BuildRoot()
{
    auto collated = [this](std::vector<std::pair<std::u16string_view, Bytes>>& entries) {
        std::sort(entries.begin(), entries.end(),
                  [this](const auto& a, const auto& b) { return FileNameLess(a.first, b.first, volume_.upcase); });
        std::vector<Bytes> ordered;
        for (auto& entry : entries)
            ordered.push_back(std::move(entry.second));
        return ordered;
    };
    IndexShape names = Shape(kFileName, kCollationFileName);
    return AddIndex(kExtend, u"$I30", names, collated(extendEntries_)) &&
           AddIndex(kRoot, u"$I30", names, collated(rootEntries_));
}

bool Builder::Build()
{
    std::uint32_t records = static_cast<std::uint32_t>(volume_.mftSize / volume_.mftRecordSize);
    for (std::uint32_t number = 0; number < records; ++number)
        FormatMftRecord(Record(number), number, Sequence(number));
    // The root goes first among the directories so that every file name can point to it.
    if (!BuildMft() || !BuildVolumeFile() || !Begin(kRoot, kHiddenSystemArchive, kRecordIsDirectory) ||
        !AddFileName({kRoot, u".", kHiddenSystemArchive}, kRoot, 0) || !BuildPlainFiles() || !BuildBadClus() ||
        !BuildSecure() || !BuildExtend())
        return false;
    for (std::uint32_t number = kFirstReserved; number < kFirstFree; ++number)
        if (!Begin(number, kHiddenSystem))
            return false;
    return BuildRoot();
}

} // namespace

bool CreateNTFSRootStructures(NtfsVolume& volume, const FormatStamp& stamp, SystemStreams& streams)
{
    volume.mft.assign(static_cast<std::size_t>(volume.mftSize), 0);
    return Builder(volume, stamp, streams).Build();
}

} // namespace ntfs
