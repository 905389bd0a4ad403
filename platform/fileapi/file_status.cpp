#include "platform/fileapi/file_status.h"

#include "platform/base/lasterror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {

constexpr long long kSecondsFrom1601To1970 = 11644473600LL;

FILETIME FileTimeOf(const statx_timestamp& time)
{
    long long units = (static_cast<long long>(time.tv_sec) + kSecondsFrom1601To1970) * 10'000'000LL + time.tv_nsec / 100;
    ULONGLONG value = units > 0 ? static_cast<ULONGLONG>(units) : 0;
    return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

} // namespace

bool ReadFileStatus(const std::string& path, FileStatus& status)
{
    struct statx info;
    unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, path.c_str(), 0, mask, &info) != 0 &&
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, mask, &info) != 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
        return false;
    }
    bool directory = S_ISDIR(info.stx_mode), regular = S_ISREG(info.stx_mode), link = S_ISLNK(info.stx_mode);
    status.listable = directory || regular || link;
    status.attributes = directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((info.stx_mode & S_IWUSR) == 0 && !link)
        status.attributes |= FILE_ATTRIBUTE_READONLY;
    status.size = regular ? info.stx_size : 0;
    status.lastAccess = FileTimeOf(info.stx_atime);
    status.lastWrite = FileTimeOf(info.stx_mtime);
    // File systems without a birth time give the last change of contents instead.
    status.creation = FileTimeOf((info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime : info.stx_mtime);
    return true;
}

} // namespace platform
