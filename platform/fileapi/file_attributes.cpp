#include "platform/base/lasterror.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/file_status.h"

#include <cerrno>
#include <sys/stat.h>

DWORD GetFileAttributesA(LPCSTR path)
{
    auto linuxPath = path != nullptr ? platform::LinuxPathOf(path) : std::nullopt;
    if (!linuxPath) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    platform::FileStatus status;
    if (!platform::ReadFileStatus(*linuxPath, status))
        return INVALID_FILE_ATTRIBUTES;
    return status.attributes;
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes)
{
    auto linuxPath = path != nullptr ? platform::LinuxPathOf(path) : std::nullopt;
    if (!linuxPath) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    struct stat info;
    if (::stat(linuxPath->c_str(), &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    mode_t mode = info.st_mode & 07777;
    mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? mode & ~mode_t{0222} : mode | S_IWUSR;
    if (wanted != mode && ::chmod(linuxPath->c_str(), wanted) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
