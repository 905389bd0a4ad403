#include "fsbuild/core/validation.h"

#include "fsbuild/core/build_context.h"
#include "fsbuild/core/status.h"
#include "fsbuild/fs_build_params.h"

bool ValidateBuildParams(FsBuildParams& params)
{
    StoreProgress(params.u8Progress, 0);
    params.u8IoRetry = 5;
    if (params.u32PartStart == 0)
        params.u32PartStart = 32;
    if (params.u8BS_RsvSector == 0)
        params.u8BS_RsvSector = 32;
    else if (params.u8BS_RsvSector < 9)
        params.u8BS_RsvSector = 9;
    bool copy = (params.u8FsType & kFsTypeCopySourceBit) != 0;
    if (copy && (params.pszSourcePath == nullptr || params.pszSourcePath[0] == '\0')) {
        params.i32Status = kStatusInvalidRequest;
        return false;
    }
    if ((params.u8FsType & 0x0F) == kFsTypeIso9660 && !copy) {
        params.i32Status = kStatusInvalidRequest;
        return false;
    }
    return true;
}
