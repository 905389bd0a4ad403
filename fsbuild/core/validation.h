// Checks and normalises a caller's block before a build.
#pragma once

struct FsBuildParams;

// Progress 0 and 5 retries; partition start 0 -> 32; reserved sectors 0 -> 32 and 1..8 -> 9.
// Fails (status 35) for a copy request without a source folder and for ISO9660 without
// the copy bit.
bool ValidateBuildParams(FsBuildParams& params);
