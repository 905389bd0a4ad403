#include "fsbuild/iso9660/iso_build.h"

#include "fsbuild/core/needed_bytes.h"
#include "fsbuild/core/status.h"
#include "fsbuild/iso9660/create_iso_image.h"

namespace {

constexpr std::size_t kLongestLabel = 32;

} // namespace

std::int32_t RunIsoBuild(FsBuildContext& ctx, const SourceEntry* tree)
{
    if (ctx.strLabel.size() > kLongestLabel)
        return kStatusLabelTooLong;
    ctx.u64NeededBytes += kIsoMetadataBytes;
    // The planned volume is checked against the target whole, so a tree that cannot be
    // built fails before the target is opened.
    iso9660::IsoImagePlan plan;
    if (!iso9660::PlanIsoImage(ctx, tree, plan))
        return kStatusInvalidRequest;
    if (iso9660::CreateISOImage(ctx, plan) != FS_STATUS_SUCCESS)
        return kStatusIsoFailed;
    StoreProgress(*ctx.pu8Progress, 100);
    return kStatusSuccess;
}
