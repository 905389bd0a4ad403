#include "fsbuild/core/file_pointer.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"

BOOL FilePointerExOnSetFilePointer(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method)
{
    LONG high = distance.u.HighPart;
    DWORD low = SetFilePointer(file, static_cast<LONG>(distance.u.LowPart), &high, method);
    bool failed = low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS;
    if (newPosition != nullptr) {
        newPosition->u.LowPart = failed ? 0xFFFFFFFF : low;
        newPosition->u.HighPart = failed ? -1 : high;
    }
    return failed ? FALSE : TRUE;
}
