#include "fsbuild/fat/fat_tree_writer.h"

#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/fat/dir_entries.h"
#include "fsbuild/fat/fat_table.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <unistd.h>

namespace {

constexpr std::uint64_t kFat16RootBytes = 16384;
constexpr std::uint64_t kFat16RootSlots = 512;

std::int64_t SectorBytes(const FsBuildContext& ctx, std::uint64_t sector)
{
    return static_cast<std::int64_t>(sector * ctx.u32BytesPerSector);
}

// Links `more` further clusters after `first`, each taken from the allocator. False when
// the FAT is full.
bool ExtendChain(FsBuildContext& ctx, std::uint32_t first, std::uint64_t more)
{
    for (std::uint32_t previous = first; more > 0; --more) {
        std::uint32_t next = AllocateCluster(ctx);
        if (next == 0)
            return false;
        SetFatEntry(ctx, previous, next);
        previous = next;
    }
    return true;
}

// Takes `count` clusters as one chain; the first is returned (0 when the FAT is full).
std::uint32_t AllocateChain(FsBuildContext& ctx, std::uint64_t count)
{
    std::uint32_t first = AllocateCluster(ctx);
    return first != 0 && ExtendChain(ctx, first, count - 1) ? first : 0;
}

class SourceFile {
public:
    explicit SourceFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), error_(errno) {}
    ~SourceFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    bool IsOpen() const { return fd_ >= 0; }
    int OpenError() const { return error_; }
    // Reads exactly `count` bytes; false on an error or an early end of file.
    bool ReadExactly(std::uint8_t* buffer, std::size_t count)
    {
        for (std::size_t done = 0; done < count;) {
            ssize_t got = ::read(fd_, buffer + done, count - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    int error_;
};

// The operator decides: Retry opens the file again (it may have been put back or
// unlocked meanwhile), Cancel gives the build up.
bool RetryUnopenable(const SourceEntry& entry, int error)
{
    // "Open %s failed with error %d\r\n%s", built whole: a path may be longer than a fixed line.
    const std::string text = "Open " + entry.sourcePath + " failed with error " +
                             std::to_string(platform::ErrorFromErrno(error)) + "\r\n" + std::strerror(error);
    return MessageBoxA(nullptr, text.c_str(), "Error", MB_RETRYCANCEL) == IDRETRY;
}

int CopyFileData(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry& entry, SourceFile& file)
{
    if (data.empty()) {
        platform::DebugPrintf("ERROR no memory\r\n");
        return FS_STATUS_NO_MEMORY;
    }
    if (entry.size == 0)
        return FS_STATUS_SUCCESS;
    entry.firstCluster = AllocateChain(ctx, (entry.size + ctx.u32ClusterBytes - 1) / ctx.u32ClusterBytes);
    if (entry.firstCluster == 0) {
        platform::DebugPrintf("no free cluster left for %s", entry.sourcePath.c_str());
        return FS_STATUS_WRITE_FAIL;
    }
    if (SeekBuild(ctx, SectorBytes(ctx, ClusterToSector(ctx, entry.firstCluster))) < 0)
        return FS_STATUS_SEEK_FAIL;
    // The clusters are one run: the FAT was fresh when the first file was placed, and the
    // allocator only moves forward.
    for (std::uint64_t left = entry.size; left > 0;) {
        std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, data.size()));
        if (!file.ReadExactly(data.data(), piece)) {
            platform::DebugPrintf("%s cannot be read to its end (%llu bytes listed)", entry.sourcePath.c_str(),
                                  static_cast<unsigned long long>(entry.size));
            return FS_STATUS_READ_FAIL;
        }
        std::size_t padded = (piece + ctx.u32BytesPerSector - 1) / ctx.u32BytesPerSector * ctx.u32BytesPerSector;
        std::fill(data.begin() + static_cast<std::ptrdiff_t>(piece), data.begin() + static_cast<std::ptrdiff_t>(padded), 0);
        if (WriteSequential(ctx, data.data(), padded) != static_cast<std::int64_t>(padded))
            return FS_STATUS_WRITE_FAIL;
        left -= piece;
    }
    return FS_STATUS_SUCCESS;
}

int WriteFileData(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry& entry)
{
    for (;;) {
        SourceFile file(entry.sourcePath);
        if (file.IsOpen())
            return CopyFileData(ctx, data, entry, file);
        if (!RetryUnopenable(entry, file.OpenError()))
            return FS_STATUS_READ_FAIL;
    }
}

int BuildDirectory(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry* list, SourceEntry* self,
                   std::uint32_t parentCluster);

// The root's buffer starts with the label entry the format step wrote.
int ReadLabelEntry(FsBuildContext& ctx, std::uint64_t rootSector, std::uint8_t* buffer)
{
    if (SeekBuild(ctx, SectorBytes(ctx, rootSector)) < 0)
        return FS_STATUS_SEEK_FAIL;
    std::vector<std::uint8_t> sector(ctx.u32BytesPerSector);
    if (ReadSequential(ctx, sector.data(), ctx.u32BytesPerSector) != static_cast<std::int64_t>(sector.size()))
        return FS_STATUS_WRITE_FAIL;
    std::memcpy(buffer, sector.data(), kDirEntryBytes);
    return FS_STATUS_SUCCESS;
}

// Writes the entries of a listing (building subfolders and file data first) from `slot` on.
int WriteEntries(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry* list, std::uint32_t childrensParent,
                 std::uint8_t* slot)
{
    ShortNameSet names;
    for (SourceEntry* entry = list; entry != nullptr; entry = entry->next) {
        if (entry->name.empty())
            continue;
        int result = entry->isDirectory ? BuildDirectory(ctx, data, entry->child, entry, childrensParent)
                                        : WriteFileData(ctx, data, *entry);
        if (result != FS_STATUS_SUCCESS)
            return result;
        BuildDirEntry(slot, *entry, names.Assign(entry->wideName));
        slot += (LongNameSlots(entry->wideName) + 1) * kDirEntryBytes;
    }
    return FS_STATUS_SUCCESS;
}

// A folder (self set) or the root (self null): depth first, its own clusters written after
// everything below it.
int BuildDirectory(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry* list, SourceEntry* self,
                   std::uint32_t parentCluster)
{
    bool isRoot = self == nullptr;
    bool labelled = isRoot && !ctx.strLabel.empty();
    std::uint64_t slots = DirectorySlots(list) + (isRoot ? (labelled ? 1 : 0) : 2);
    std::uint64_t perCluster = ctx.u32ClusterBytes / kDirEntryBytes;
    bool fixedRoot = isRoot && IsFat16(ctx);
    if (fixedRoot && slots > kFat16RootSlots) {
        platform::DebugPrintf("the root directory needs %llu entries, FAT16 holds 512", static_cast<unsigned long long>(slots));
        return FS_STATUS_TYPE_ERROR;
    }
    std::uint64_t clusters = std::max<std::uint64_t>(1, (slots + perCluster - 1) / perCluster);
    std::vector<std::uint8_t> buffer(fixedRoot ? kFat16RootBytes : clusters * ctx.u32ClusterBytes);
    std::uint8_t* slot = buffer.data();
    std::uint32_t first = isRoot ? (IsFat16(ctx) ? 0 : 2) : AllocateCluster(ctx);
    if (!isRoot) {
        if (first == 0) {
            platform::DebugPrintf("no free cluster left for %s", self->sourcePath.c_str());
            return FS_STATUS_WRITE_FAIL;
        }
        self->firstCluster = first;
        BuildDotEntries(slot, first, parentCluster);
        slot += 2 * kDirEntryBytes;
    }
    std::uint64_t position = fixedRoot ? ctx.u32FirstDataSector : ClusterToSector(ctx, first);
    if (labelled) {
        if (int result = ReadLabelEntry(ctx, position, slot); result != FS_STATUS_SUCCESS)
            return result;
        slot += kDirEntryBytes;
    }
    // Taken before anything below this folder, so the folder's clusters are one run.
    if (!fixedRoot && !ExtendChain(ctx, first, clusters - 1)) {
        platform::DebugPrintf("no free cluster left for a directory");
        return FS_STATUS_WRITE_FAIL;
    }
    if (int result = WriteEntries(ctx, data, list, isRoot ? 0 : first, slot); result != FS_STATUS_SUCCESS)
        return result;
    if (SeekBuild(ctx, SectorBytes(ctx, position)) < 0)
        return FS_STATUS_SEEK_FAIL;
    if (WriteSequential(ctx, buffer.data(), buffer.size()) != static_cast<std::int64_t>(buffer.size()))
        return FS_STATUS_WRITE_FAIL;
    return FS_STATUS_SUCCESS;
}

} // namespace

std::uint64_t DirectorySlots(const SourceEntry* list)
{
    std::uint64_t slots = 0;
    for (const SourceEntry* entry = list; entry != nullptr; entry = entry->next)
        if (!entry->name.empty())
            slots += LongNameSlots(entry->wideName) + 1;
    return slots;
}

int WriteImage(FsBuildContext& ctx, std::vector<std::uint8_t>& data, SourceEntry* tree)
{
    try {
        ctx.fat.assign(std::size_t{ctx.u32FatSize} * ctx.u32BytesPerSector, 0);
    } catch (const std::bad_alloc&) {
        platform::DebugPrintf(" FS_STATUS_WRITE_FAIL  1 ");
        return FS_STATUS_WRITE_FAIL;
    }
    if (IsFat16(ctx)) {
        SetFatEntry(ctx, 0, 0xFFF8);
        SetFatEntry(ctx, 1, 0xFFFF);
    } else {
        SetFatEntry(ctx, 0, 0xFFFFFFF8);
        SetFatEntry(ctx, 1, 0xFFFFFFFF);
        SetFatEntry(ctx, 2, 0xFFFFFFFF);
    }
    if (int result = BuildDirectory(ctx, data, tree, nullptr, 0); result != FS_STATUS_SUCCESS) {
        platform::DebugPrintf(" BuildDirectory, BuildDirectory_ERROR %s", FsStatusName(result));
        return result;
    }
    if (SeekBuild(ctx, SectorBytes(ctx, ctx.u32FatStart)) < 0)
        return FS_STATUS_SEEK_FAIL;
    for (int copy = 0; copy < 2; ++copy) {
        if (WriteSequential(ctx, ctx.fat.data(), ctx.fat.size()) != static_cast<std::int64_t>(ctx.fat.size())) {
            platform::DebugPrintf(" WriteImage_HandleWrite_FAIL ");
            return FS_STATUS_WRITE_FAIL;
        }
    }
    return FS_STATUS_SUCCESS;
}
