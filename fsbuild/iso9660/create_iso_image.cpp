#include "fsbuild/iso9660/create_iso_image.h"

#include "fsbuild/core/build_target.h"
#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/iso9660/iso_block_stream.h"
#include "fsbuild/iso9660/iso_directory_records.h"
#include "fsbuild/iso9660/iso_file_data.h"
#include "fsbuild/iso9660/iso_limits.h"
#include "fsbuild/iso9660/iso_path_table.h"
#include "fsbuild/iso9660/iso_source_tree.h"
#include "fsbuild/iso9660/iso_volume_descriptors.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/text/text.h"

#include <new>

namespace iso9660 {
namespace {

struct VolumeWrite {
    IsoBlockStream& out;
    IsoImagePlan& plan;
    std::u16string label;
    IsoDate buildDate;
};

int WriteVolumeDescriptors(VolumeWrite& volume)
{
    VolumeContents contents{volume.label, volume.buildDate, volume.plan.layout, volume.plan.root};
    int result = volume.out.PutZeros(std::uint64_t{kSystemAreaBlocks} * kBlockSize);
    for (IsoTreeKind tree : {IsoTreeKind::Primary, IsoTreeKind::Joliet})
        if (result == FS_STATUS_SUCCESS) {
            DescriptorBlock block = EncodeVolumeDescriptor(tree, contents);
            result = volume.out.Put(block.data(), block.size());
        }
    if (result == FS_STATUS_SUCCESS) {
        DescriptorBlock terminator = EncodeTerminator();
        result = volume.out.Put(terminator.data(), terminator.size());
    }
    return result;
}

int WritePathTable(VolumeWrite& volume, IsoTreeKind tree)
{
    try {
        std::vector<std::uint8_t> table = BuildPathTable(volume.plan.layout.DirectoriesIn(tree), tree);
        int result = volume.out.Put(table.data(), table.size());
        return result != FS_STATUS_SUCCESS ? result : volume.out.PadToBlock();
    } catch (const std::bad_alloc&) {
        OutputDebugStringA("\r\npTable->pBuf  Error No Memory\r\n");
        return FS_STATUS_NO_MEMORY;
    }
}

// Every directory of one tree, in path-table order, which is also their block order.
int Create_Directory(VolumeWrite& volume, IsoTreeKind tree)
{
    const std::vector<IsoNode*>& directories = volume.plan.layout.DirectoriesIn(tree);
    try {
        for (const IsoNode* directory : directories) {
            const IsoNode& parent = *directories[directory->NumbersIn(tree).parent - 1];
            std::vector<std::uint8_t> extent = BuildDirectoryExtent(*directory, parent, tree, volume.buildDate);
            int result = volume.out.Put(extent.data(), extent.size());
            if (result != FS_STATUS_SUCCESS)
                return result;
        }
        return FS_STATUS_SUCCESS;
    } catch (const std::bad_alloc&) {
        OutputDebugStringA("\r\nCreate_Directory Error No Memory\r\n");
        return FS_STATUS_NO_MEMORY;
    }
}

int WriteVolume(VolumeWrite& volume)
{
    int result = WriteVolumeDescriptors(volume);
    for (IsoTreeKind tree : {IsoTreeKind::Primary, IsoTreeKind::Joliet})
        if (result == FS_STATUS_SUCCESS)
            result = WritePathTable(volume, tree);
    for (IsoTreeKind tree : {IsoTreeKind::Primary, IsoTreeKind::Joliet})
        if (result == FS_STATUS_SUCCESS)
            result = Create_Directory(volume, tree);
    for (const IsoNode* file : volume.plan.layout.files)
        if (result == FS_STATUS_SUCCESS)
            result = WriteIsoFileData(volume.out, *file);
    return result == FS_STATUS_SUCCESS ? volume.out.Flush() : result;
}

// The image file keeps the volume's own length (a FAT target is extended to its full
// size; an ISO file ends with its last block), so only the flush is shared.
int FlushTarget(FsBuildContext& ctx)
{
    if (FlushFileBuffers(ctx.hTarget))
        return FS_STATUS_SUCCESS;
    platform::DebugPrintf("CreateISOImage: the target cannot be flushed, error %u", GetLastError());
    return FS_STATUS_WRITE_FAIL;
}

} // namespace

bool PlanIsoImage(const FsBuildContext& ctx, const SourceEntry* tree, IsoImagePlan& plan)
{
    BuildIsoTree(tree, plan.root);
    std::string problem = CheckTreeLimits(plan.root);
    if (!problem.empty()) {
        platform::DebugPrintf("%s", problem.c_str());
        return false;
    }
    plan.layout = LayOutImage(plan.root);
    std::uint64_t volumeBytes = plan.layout.totalBlocks * kBlockSize;
    std::uint64_t targetBytes = ctx.u64TotalSector * ctx.u32TargetSectorBytes;
    if (volumeBytes > targetBytes) {
        platform::DebugPrintf("ISO volume of %llu bytes does not fit in the target of %llu bytes",
                              static_cast<unsigned long long>(volumeBytes), static_cast<unsigned long long>(targetBytes));
        return false;
    }
    return true;
}

int CreateISOImage(FsBuildContext& ctx, IsoImagePlan& plan)
{
    // Blocks are 2048 bytes; the target's size and device start stay counted in the
    // caller's 512-byte sectors (as reset), so a LUN ends where it should.
    ctx.u32BytesPerSector = kBlockSize;
    ctx.u8SecPerClus = 1;
    ctx.u32ClusterBytes = kBlockSize;
    // A disk is written whole: no volume of it is locked (mode 2).
    int result = OpenBuildTarget(ctx, false);
    if (result == FS_STATUS_SUCCESS && SeekBuild(ctx, 0) < 0)
        result = FS_STATUS_SEEK_FAIL;
    if (result == FS_STATUS_SUCCESS) {
        try {
            IsoBlockStream out(ctx);
            VolumeWrite volume{out, plan, platform::AnsiToWide(ctx.strLabel), IsoDateFromFileTime(FileTimeNow())};
            result = WriteVolume(volume);
            if (result == FS_STATUS_SUCCESS)
                result = FlushTarget(ctx);
        } catch (const std::bad_alloc&) {
            OutputDebugStringA("CreateISOImage: no memory for the write buffer");
            result = FS_STATUS_NO_MEMORY;
        }
    }
    if (result != FS_STATUS_SUCCESS)
        platform::DebugPrintf("CreateISOImage, %s", FsStatusName(result));
    return result;
}

} // namespace iso9660
