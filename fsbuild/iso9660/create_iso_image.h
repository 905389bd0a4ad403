// The ISO9660 + Joliet build: plan the whole image, then write it in one sequential pass.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"
#include "fsbuild/iso9660/iso_layout.h"

namespace iso9660 {

// The laid-out tree; the layout points into it, so it stays where it was planned.
struct IsoImagePlan {
    IsoImagePlan() = default;
    IsoImagePlan(const IsoImagePlan&) = delete;
    IsoImagePlan& operator=(const IsoImagePlan&) = delete;

    IsoNode root;
    IsoLayout layout;
};

// Lays out the listed tree and checks it before anything is opened: every field must hold
// its value and the whole volume must fit in the target. False, with a debug line, when
// the tree cannot be built there.
bool PlanIsoImage(const FsBuildContext& ctx, const SourceEntry* tree, IsoImagePlan& plan);

// Opens the target and writes the planned volume. Result: 0, FS_STATUS_WRITE_FAIL,
// FS_STATUS_READ_FAIL (a source file cannot be read), FS_STATUS_SEEK_FAIL,
// FS_STATUS_NO_MEMORY or FS_STATUS_IMAGEPATH_ERROR.
int CreateISOImage(FsBuildContext& ctx, IsoImagePlan& plan);

} // namespace iso9660
