#include "platform/base/lasterror.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/fileapi.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failure of the final write-back is seen.
    bool Close()
    {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool CopyContents(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = ENOSPC;
                return false;
            }
            done += put;
        }
    }
}

BOOL Fail(int error)
{
    SetLastError(platform::ErrorFromErrno(error));
    return FALSE;
}

} // namespace

BOOL CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists)
{
    auto from = existing != nullptr ? platform::LinuxPathOf(existing) : std::nullopt;
    auto to = destination != nullptr ? platform::LinuxPathOf(destination) : std::nullopt;
    if (!from || !to) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    Descriptor source(::open(from->c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (source.get() < 0 || ::fstat(source.get(), &info) != 0)
        return Fail(errno);
    if (S_ISDIR(info.st_mode))
        return Fail(EISDIR);
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    Descriptor target(::open(to->c_str(), flags, info.st_mode & 0777));
    if (target.get() < 0) {
        if (errno == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        return Fail(errno);
    }
    struct stat targetInfo;
    bool regular = ::fstat(target.get(), &targetInfo) == 0 && S_ISREG(targetInfo.st_mode);
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (!CopyContents(source.get(), target.get()) || (regular && ::futimens(target.get(), times) != 0) ||
        !target.Close()) {
        int error = errno;
        if (regular) // a device or pipe written to is not a partial copy to remove
            ::unlink(to->c_str());
        return Fail(error);
    }
    return TRUE;
}
