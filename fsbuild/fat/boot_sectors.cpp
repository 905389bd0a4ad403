#include "fsbuild/fat/boot_sectors.h"

#include "fsbuild/core/le_fields.h"
#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/fat/dir_entries.h"
#include "fsbuild/fat/fat_table.h"

#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr std::uint32_t kFat16RootSectors = 32;

// The fields both types share (offsets 0 to 35 and the signature).
void BuildCommonFields(const FsBuildContext& ctx, std::uint8_t* sector)
{
    std::memset(sector, 0, 512);
    sector[0] = 0xEB;
    sector[1] = 0x58;
    sector[2] = 0x90;
    std::memcpy(sector + 3, "MSWIN4.1", 8);
    PutLe16(sector + 11, ctx.u32BytesPerSector);
    sector[13] = ctx.u8SecPerClus;
    PutLe16(sector + 14, ctx.u8RsvSector);
    sector[16] = 2;
    sector[21] = 0xF8;
    PutLe16(sector + 24, 63);
    PutLe16(sector + 26, 255);
    PutLe32(sector + 28, ctx.u32HiddenSector);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

std::uint32_t PartitionSectors(const FsBuildContext& ctx)
{
    return static_cast<std::uint32_t>(ctx.u64PartSector);
}

bool BootSectorFits(const FsBuildContext& ctx)
{
    return std::uint64_t{ctx.u32HiddenSector} < ctx.u64TotalSector;
}

// One 512-byte structure at the start of a zero-filled sector of the build's size.
int WriteStructureSector(FsBuildContext& ctx, const std::uint8_t* structure)
{
    std::vector<std::uint8_t> sector(ctx.u32BytesPerSector);
    if (structure != nullptr)
        std::memcpy(sector.data(), structure, 512);
    return WriteSequential(ctx, sector.data(), sector.size()) < 0 ? FS_STATUS_WRITE_FAIL : FS_STATUS_SUCCESS;
}

// The first FAT sector with the given leading entries, written at FAT 1 and at FAT 2.
int WriteFirstFatSectors(FsBuildContext& ctx, const std::uint32_t* entries, std::size_t count)
{
    std::vector<std::uint8_t> sector(ctx.u32BytesPerSector);
    std::size_t width = IsFat16(ctx) ? 2 : 4;
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t b = 0; b < width; ++b)
            sector[i * width + b] = static_cast<std::uint8_t>(entries[i] >> (8 * b));
    for (std::uint32_t start : {ctx.u32FatStart, ctx.u32Fat2Start}) {
        if (SeekBuild(ctx, std::int64_t{start} * ctx.u32BytesPerSector) < 0)
            return FS_STATUS_SEEK_FAIL;
        if (WriteSequential(ctx, sector.data(), sector.size()) < 0)
            return FS_STATUS_WRITE_FAIL;
    }
    return FS_STATUS_SUCCESS;
}

// `sectors` of directory with the label entry first.
int WriteLabelledDirectory(FsBuildContext& ctx, std::uint64_t sectors)
{
    std::vector<std::uint8_t> directory(sectors * ctx.u32BytesPerSector);
    BuildLabelEntry(directory.data(), LabelField(ctx.strLabel));
    return WriteSequential(ctx, directory.data(), directory.size()) < 0 ? FS_STATUS_WRITE_FAIL : FS_STATUS_SUCCESS;
}

// The label in the boot sector matches the root's label entry; without one, "NO NAME".
void PutBootLabel(const FsBuildContext& ctx, std::uint8_t* field)
{
    if (ctx.strLabel.empty()) {
        std::memcpy(field, "NO NAME    ", 11);
        return;
    }
    ShortName label = LabelField(ctx.strLabel);
    std::memcpy(field, label.data(), label.size());
}

int FormatFatRegion(FsBuildContext& ctx, std::uint64_t rootSectors, const std::uint32_t* firstEntries,
                    std::size_t entryCount)
{
    if (SeekBuild(ctx, std::int64_t{ctx.u32FatStart} * ctx.u32BytesPerSector) < 0)
        return FS_STATUS_SEEK_FAIL;
    bool labelled = !ctx.strLabel.empty();
    std::uint64_t zeroSectors = 2ull * ctx.u32FatSize + (labelled ? 0 : rootSectors);
    if (WriteZeroSectors(ctx, zeroSectors) < 0)
        return FS_STATUS_WRITE_FAIL;
    if (labelled) {
        int result = WriteLabelledDirectory(ctx, rootSectors);
        if (result != FS_STATUS_SUCCESS)
            return result;
    }
    return WriteFirstFatSectors(ctx, firstEntries, entryCount);
}

} // namespace

void BuildFat16BootSector(const FsBuildContext& ctx, std::uint8_t* sector)
{
    BuildCommonFields(ctx, sector);
    std::uint32_t partition = PartitionSectors(ctx);
    PutLe16(sector + 17, 512);
    PutLe16(sector + 19, partition <= 0xFFFF ? partition : 0);
    PutLe16(sector + 22, ctx.u32FatSize);
    PutLe32(sector + 32, partition > 0xFFFF ? partition : 0);
    sector[36] = 0x80;
    sector[38] = 0x29;
    PutBootLabel(ctx, sector + 43);
    std::memcpy(sector + 54, "FAT16   ", 8);
}

void BuildFat32BootSector(const FsBuildContext& ctx, std::uint8_t* sector)
{
    BuildCommonFields(ctx, sector);
    PutLe32(sector + 32, PartitionSectors(ctx));
    PutLe32(sector + 36, ctx.u32FatSize);
    PutLe32(sector + 44, 2);
    PutLe16(sector + 48, 1);
    PutLe16(sector + 50, 6);
    sector[64] = 0x80;
    sector[66] = 0x29;
    PutLe32(sector + 67, static_cast<std::uint32_t>(std::time(nullptr)));
    PutBootLabel(ctx, sector + 71);
    std::memcpy(sector + 82, "FAT32   ", 8);
}

void BuildFsInfo(std::uint8_t* sector, std::uint32_t freeClusters, std::uint32_t nextFree)
{
    std::memset(sector, 0, 512);
    PutLe32(sector, 0x41615252);
    PutLe32(sector + 484, 0x61417272);
    PutLe32(sector + 488, freeClusters);
    PutLe32(sector + 492, nextFree);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

int WriteBSFAT16(FsBuildContext& ctx)
{
    std::uint8_t boot[512];
    BuildFat16BootSector(ctx, boot);
    if (!BootSectorFits(ctx) || SeekBuild(ctx, std::int64_t{ctx.u32HiddenSector} * ctx.u32BytesPerSector) < 0)
        return FS_STATUS_SEEK_FAIL;
    if (int result = WriteStructureSector(ctx, boot); result != FS_STATUS_SUCCESS)
        return result;
    ctx.u32NextFreeCluster = 2;
    const std::uint32_t entries[] = {0xFFF8, 0xFFFF};
    return FormatFatRegion(ctx, kFat16RootSectors, entries, 2);
}

int WriteBSFAT32(FsBuildContext& ctx)
{
    std::uint8_t boot[512], fsInfo[512];
    BuildFat32BootSector(ctx, boot);
    // The count is kept exact (the root directory's cluster is taken), so that no checker
    // has to rebuild it.
    BuildFsInfo(fsInfo, ctx.u32ClusterCount - 1, ctx.strLabel.empty() ? 2 : 3);
    if (!BootSectorFits(ctx) || SeekBuild(ctx, std::int64_t{ctx.u32HiddenSector} * ctx.u32BytesPerSector) < 0)
        return FS_STATUS_SEEK_FAIL;
    const std::uint8_t* region[] = {boot, fsInfo, nullptr, nullptr, nullptr, nullptr, boot, fsInfo};
    for (const std::uint8_t* structure : region)
        if (int result = WriteStructureSector(ctx, structure); result != FS_STATUS_SUCCESS)
            return result;
    ctx.u32NextFreeCluster = 3;
    const std::uint32_t entries[] = {0x0FFFFFF8, 0x0FFFFFFF, 0x0FFFFFFF};
    return FormatFatRegion(ctx, ctx.u8SecPerClus, entries, 3);
}

int UpdateFsInfo(FsBuildContext& ctx)
{
    std::uint32_t used = 0;
    for (std::uint32_t cluster = 2; cluster < ctx.u32ClusterCount + 2; ++cluster)
        used += GetFatEntry(ctx, cluster) != 0 ? 1 : 0;
    std::uint32_t next = ctx.u32NextFreeCluster + 1 < ctx.u32ClusterCount + 2 ? ctx.u32NextFreeCluster + 1 : 0xFFFFFFFF;
    std::uint8_t fsInfo[512];
    BuildFsInfo(fsInfo, ctx.u32ClusterCount - used, next);
    for (std::uint32_t sector : {ctx.u32HiddenSector + 1, ctx.u32HiddenSector + 7}) {
        if (SeekBuild(ctx, std::int64_t{sector} * ctx.u32BytesPerSector) < 0)
            return FS_STATUS_SEEK_FAIL;
        if (int result = WriteStructureSector(ctx, fsInfo); result != FS_STATUS_SUCCESS)
            return result;
    }
    return FS_STATUS_SUCCESS;
}
