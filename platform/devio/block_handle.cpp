#include "platform/devio/block_handle.h"

#include "platform/base/lasterror.h"

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int OpenDeviceNode(const std::string& node, DWORD access, int extraFlags)
{
    bool read = (access & GENERIC_READ) != 0, write = (access & GENERIC_WRITE) != 0;
    if (!read && !write) {
        struct stat info;
        if (::stat(node.c_str(), &info) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return -1;
        }
        if (!S_ISBLK(info.st_mode) && !S_ISCHR(info.st_mode)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return -1;
        }
        return kNoDescriptor;
    }
    int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY) | extraFlags;
    int fd = ::open(node.c_str(), flags);
    if (fd < 0)
        SetLastError(ErrorFromErrno(errno));
    return fd;
}

namespace {

std::optional<dev_t> FindBlockDevice(const FileObject& handle)
{
    struct stat info;
    if (handle.fd() < 0) {
        if (::stat(handle.linuxPath().c_str(), &info) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return std::nullopt;
        }
        if (S_ISBLK(info.st_mode))
            return info.st_rdev;
        SetLastError(ERROR_INVALID_FUNCTION);
        return std::nullopt;
    }
    if (::fstat(handle.fd(), &info) != 0) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return std::nullopt;
    }
    if (S_ISBLK(info.st_mode))
        return info.st_rdev;
    // Where the system describes a device node only by its path (a sandbox that stands
    // in for /dev), the path tells, as long as it still names the open file.
    struct stat byPath;
    if (::stat(handle.linuxPath().c_str(), &byPath) == 0 && S_ISBLK(byPath.st_mode) && byPath.st_ino == info.st_ino &&
        byPath.st_dev == info.st_dev)
        return byPath.st_rdev;
    SetLastError(ERROR_INVALID_FUNCTION);
    return std::nullopt;
}

} // namespace

std::optional<dev_t> BlockDeviceOfHandle(const FileObject& handle)
{
    if (const std::uint64_t known = handle.knownDevice(); known != 0)
        return static_cast<dev_t>(known);
    auto dev = FindBlockDevice(handle);
    if (dev && *dev != 0)
        handle.RememberDevice(*dev);
    return dev;
}

IoctlDescriptor::IoctlDescriptor(const FileObject& handle) : fd_(handle.fd()), owned_(false)
{
    if (handle.fd() >= 0)
        return;
    owned_ = true;
    fd_ = ::open(handle.linuxPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        SetLastError(ErrorFromErrno(errno));
}

IoctlDescriptor::~IoctlDescriptor()
{
    if (owned_ && fd_ >= 0)
        ::close(fd_);
}

BOOL CopyRecordOut(const void* record, DWORD size, LPVOID out, DWORD outSize, LPDWORD returned)
{
    if (out == nullptr || outSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(out, record, size);
    if (returned != nullptr)
        *returned = size;
    return TRUE;
}

bool IsVolumeHandle(const FileObject& handle)
{
    const std::string& name = handle.windowsName();
    return ::strncasecmp(name.c_str(), "\\\\?\\Volume{", 11) == 0 ||
           (name.size() == 6 && name.rfind("\\\\.\\", 0) == 0 && name[5] == ':');
}

} // namespace platform
