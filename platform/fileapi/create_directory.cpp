#include "platform/base/lasterror.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/fileapi.h"

#include <cerrno>
#include <sys/stat.h>

BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*)
{
    auto linuxPath = path != nullptr ? platform::LinuxPathOf(path) : std::nullopt;
    if (!linuxPath) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (::mkdir(linuxPath->c_str(), 0777) != 0) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
