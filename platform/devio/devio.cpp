#include "platform/devio/devio.h"

#include "platform/base/lasterror.h"
#include "platform/text/text.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

struct Tables {
    std::mutex lock;
    std::vector<DeviceNamespace> namespaces;
    std::unordered_map<DWORD, IoctlHandler> handlers;
};

Tables& Registry()
{
    static Tables* tables = new Tables;
    return *tables;
}

bool IsDeviceName(const std::string& name)
{
    return name.rfind("\\\\.\\", 0) == 0 || name.rfind("\\\\?\\", 0) == 0;
}

int OpenFlags(DWORD access, DWORD disposition)
{
    int flags = O_CLOEXEC;
    bool read = (access & GENERIC_READ) != 0, write = (access & GENERIC_WRITE) != 0;
    flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: break;
    }
    return flags;
}

// Empties an opened regular file. A descriptor opened for reading only cannot be truncated:
// the same file (not the path, which may have changed since) is reopened for writing.
bool Empty(int fd, int flags)
{
    if ((flags & O_ACCMODE) != O_RDONLY)
        return ::ftruncate(fd, 0) == 0;
    int writer = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    return writer >= 0 && ::close(writer) == 0;
}

// A plain path opened as a file. CREATE_ALWAYS and TRUNCATE_EXISTING replace a file's
// contents; on Linux such a path may also name a device, a pipe or a socket, which is refused
// untouched rather than written as if it were the new file. -1 with the last error set.
int OpenPlainFile(const std::string& path, DWORD access, DWORD disposition)
{
    bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    int flags = OpenFlags(access, disposition);
    if (replaces)
        flags = (flags & ~O_TRUNC) | O_NONBLOCK; // a pipe must not block the open
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return -1;
    }
    struct stat info;
    DWORD refusal = ERROR_SUCCESS;
    if (::fstat(fd, &info) != 0)
        refusal = ErrorFromErrno(errno);
    else if (S_ISDIR(info.st_mode) || (replaces && !S_ISREG(info.st_mode)))
        refusal = ERROR_ACCESS_DENIED;
    else if (replaces && (!Empty(fd, flags) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0))
        refusal = ErrorFromErrno(errno);
    if (refusal != ERROR_SUCCESS) {
        ::close(fd);
        SetLastError(refusal);
        return -1;
    }
    SetLastError(ERROR_SUCCESS);
    return fd;
}

std::shared_ptr<FileObject> FileOf(HANDLE handle)
{
    return HandleAs<FileObject>(handle);
}

} // namespace

FileObject::~FileObject()
{
    for (auto& unit : units_)
        if (unit.second.openedBeside)
            ::close(unit.second.fd);
    if (fd_ >= 0)
        ::close(fd_);
}

void RegisterDeviceNamespace(DeviceNamespace resolver)
{
    auto& tables = Registry();
    std::lock_guard guard(tables.lock);
    tables.namespaces.push_back(resolver);
}

void RegisterIoctlHandler(DWORD code, IoctlHandler handler)
{
    auto& tables = Registry();
    std::lock_guard guard(tables.lock);
    tables.handlers[code] = handler;
}

} // namespace platform

using namespace platform;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD flags, HANDLE)
{
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string windowsName = name;
    int fd = -1;
    std::string linuxPath;
    if (IsDeviceName(windowsName)) {
        std::vector<DeviceNamespace> namespaces;
        {
            auto& tables = Registry();
            std::lock_guard guard(tables.lock);
            namespaces = tables.namespaces;
        }
        bool claimed = false;
        for (DeviceNamespace resolver : namespaces)
            if ((claimed = resolver(windowsName, access, share, flags, fd, linuxPath)))
                break;
        if (!claimed) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (fd < 0 && fd != kNoDescriptor)
            return INVALID_HANDLE_VALUE; // the namespace set the last error
    } else {
        linuxPath = windowsName;
        fd = OpenPlainFile(linuxPath, access, disposition);
        if (fd < 0)
            return INVALID_HANDLE_VALUE;
    }
    return IssueHandle(std::make_shared<FileObject>(fd, windowsName, linuxPath, access));
}

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile)
{
    if (name == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string narrow = WideToAnsi(name);
    return CreateFileA(narrow.c_str(), access, share, security, disposition, flags, templateFile);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED)
{
    auto object = FileOf(file);
    if (read != nullptr)
        *read = 0;
    if (object == nullptr)
        return FALSE;
    DWORD done = 0;
    while (done < toRead) {
        ssize_t n = ::read(object->fd(), static_cast<char*>(buffer) + done, toRead - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetLastError(ErrorFromErrno(errno));
            if (read != nullptr)
                *read = done;
            return FALSE;
        }
        if (n == 0)
            break; // end of file: success with fewer bytes, as on Windows
        done += static_cast<DWORD>(n);
    }
    if (read != nullptr)
        *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED)
{
    auto object = FileOf(file);
    if (written != nullptr)
        *written = 0;
    if (object == nullptr)
        return FALSE;
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t n = ::write(object->fd(), static_cast<const char*>(buffer) + done, toWrite - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            SetLastError(n < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL);
            if (written != nullptr)
                *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written != nullptr)
        *written = done;
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method)
{
    auto object = FileOf(file);
    if (object == nullptr)
        return FALSE;
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    off_t position = ::lseek(object->fd(), static_cast<off_t>(distance.QuadPart), whence);
    if (position < 0) {
        SetLastError(errno == EINVAL ? ERROR_INVALID_PARAMETER : ErrorFromErrno(errno));
        return FALSE;
    }
    if (newPosition != nullptr)
        newPosition->QuadPart = position;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD method)
{
    LARGE_INTEGER distance;
    if (distanceHigh != nullptr) {
        distance.u.LowPart = static_cast<DWORD>(distanceLow);
        distance.u.HighPart = *distanceHigh;
    } else {
        distance.QuadPart = distanceLow; // without a high part the distance is a signed 32-bit value
    }
    LARGE_INTEGER position;
    if (!SetFilePointerEx(file, distance, &position, method))
        return INVALID_SET_FILE_POINTER;
    if (distanceHigh != nullptr)
        *distanceHigh = position.u.HighPart;
    SetLastError(ERROR_SUCCESS);
    return position.u.LowPart;
}

BOOL FlushFileBuffers(HANDLE file)
{
    auto object = FileOf(file);
    if (object == nullptr)
        return FALSE;
    if (::fsync(object->fd()) != 0 && errno != EINVAL) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size)
{
    auto object = FileOf(file);
    if (object == nullptr)
        return FALSE;
    struct stat info;
    if (::fstat(object->fd(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    size->QuadPart = info.st_size;
    return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                     LPOVERLAPPED)
{
    auto object = FileOf(device);
    if (returned != nullptr)
        *returned = 0;
    if (object == nullptr)
        return FALSE;
    IoctlHandler handler = nullptr;
    {
        auto& tables = Registry();
        std::lock_guard guard(tables.lock);
        auto found = tables.handlers.find(code);
        if (found != tables.handlers.end())
            handler = found->second;
    }
    if (handler == nullptr) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    return handler(*object, code, in, inSize, out, outSize, returned);
}
