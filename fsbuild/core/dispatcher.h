// The build dispatcher: turns a validated FsBuildParams into a build context, lists the
// source tree, runs the builder of the requested type and ends the build.
#pragma once

struct FsBuildParams;

// Leaves the final status in params.i32Status.
void BuildFileSystem(FsBuildParams& params);
