// Whether a source tree can be stored on the laid-out volume, decided before anything is
// written: every file and folder rounded up to whole clusters, files below 4 GiB, folders
// of at most 65536 entries, and the FAT16 root of at most 512.
#pragma once

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/source_tree.h"

enum class TreeFit {
    Fits,
    TooLarge,  // more clusters than the volume has, a file of 4 GiB or more, or a folder too long
    RootFull,  // the FAT16 root directory's 512 entries do not suffice
};

TreeFit CheckFatTreeFits(const FsBuildContext& ctx, const SourceEntry* tree);
