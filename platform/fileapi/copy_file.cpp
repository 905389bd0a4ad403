#include "platform/base/lasterror.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/fileapi.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
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
    SetLastError(error == EEXIST ? ERROR_FILE_EXISTS : platform::ErrorFromErrno(error));
    return FALSE;
}

BOOL Refuse(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// A new file of our own beside `destination` (same folder, so that it can take the
// destination's name); -1 with errno set.
int CreateCopyBeside(const std::string& destination, mode_t mode, std::string& path)
{
    std::size_t cut = destination.find_last_of('/');
    std::string folder = cut == std::string::npos ? "" : destination.substr(0, cut + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".copy-%08x", static_cast<unsigned>(random()));
        path = folder + name;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Gives the finished copy the destination's name; with `failIfExists` an existing name is
// never replaced.
bool Publish(const std::string& copy, const std::string& destination, bool failIfExists)
{
    if (!failIfExists)
        return ::rename(copy.c_str(), destination.c_str()) == 0;
    if (::renameat2(AT_FDCWD, copy.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: a hard link refuses an existing name too.
    if (::link(copy.c_str(), destination.c_str()) != 0)
        return false;
    ::unlink(copy.c_str());
    return true;
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
    struct stat target;
    if (::stat(to->c_str(), &target) == 0) {
        if (failIfExists)
            return Refuse(ERROR_FILE_EXISTS);
        // Only a file is ever replaced (never a device, pipe or folder of that name), and not
        // a read-only one.
        if (!S_ISREG(target.st_mode) || (target.st_mode & S_IWUSR) == 0)
            return Refuse(ERROR_ACCESS_DENIED);
    } else if (errno != ENOENT) {
        return Fail(errno);
    }
    // The contents go into a file of our own that takes the destination's name only when
    // complete: a copy that fails leaves the destination as it was and removes only that file.
    std::string copyPath;
    Descriptor copy(CreateCopyBeside(*to, info.st_mode & 0777, copyPath));
    if (copy.get() < 0)
        return Fail(errno);
    struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (!CopyContents(source.get(), copy.get()) || ::futimens(copy.get(), times) != 0 || !copy.Close() ||
        !Publish(copyPath, *to, failIfExists)) {
        int error = errno;
        ::unlink(copyPath.c_str());
        return Fail(error);
    }
    return TRUE;
}
