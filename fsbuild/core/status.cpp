#include "fsbuild/core/status.h"

const char* FsStatusName(int result)
{
    switch (result) {
    case FS_STATUS_SUCCESS: return "FS_STATUS_SUCCESS";
    case FS_STATUS_CLUSTER_SIZE_ERROR: return "FS_STATUS_CLUSTER_SIZE_ERROR";
    case FS_STATUS_TYPE_ERROR: return "FS_STATUS_TYPE_ERROR";
    case FS_STATUS_WRITE_FAIL: return "FS_STATUS_WRITE_FAIL";
    case FS_STATUS_READ_FAIL: return "FS_STATUS_READ_FAIL";
    case FS_STATUS_SEEK_FAIL: return "FS_STATUS_SEEK_FAIL";
    case FS_STATUS_NO_MEMORY: return "FS_STATUS_NO_MEMORY";
    case FS_STATUS_IMAGEPATH_ERROR: return "FS_STATUS_IMAGEPATH_ERROR";
    default: return "FS_STATUS_UNKNOWN";
    }
}
