#include "platform/shell/copy_file.h"

#include "platform/base/lasterror.h"
#include "platform/text/text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now so that a failing close (a full disk on write-back) is seen.
    bool Close()
    {
        int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

bool CopyContents(int from, int to)
{
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
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

BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists)
{
    if (existingFile == nullptr || newFile == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string source = platform::WideToAnsi(existingFile), target = platform::WideToAnsi(newFile);
    Descriptor from(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (from.get() < 0 || fstat(from.get(), &info) != 0)
        return Fail(errno);
    if (!S_ISREG(info.st_mode))
        return Fail(EINVAL);
    std::string temporary = target + ".copy-" + std::to_string(getpid());
    Descriptor to(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, info.st_mode & 07777));
    if (to.get() < 0)
        return Fail(errno);
    bool written = CopyContents(from.get(), to.get()) && fchmod(to.get(), info.st_mode & 07777) == 0 &&
                   fsync(to.get()) == 0;
    int error = errno;
    if (!to.Close() && written) {
        written = false;
        error = errno;
    }
    // Without overwrite, link() puts the copy in place only when no target exists yet.
    if (written && (failIfExists ? link(temporary.c_str(), target.c_str()) : rename(temporary.c_str(), target.c_str())) != 0) {
        written = false;
        error = errno;
    }
    if (!written || failIfExists)
        unlink(temporary.c_str());
    if (written)
        return TRUE;
    if (failIfExists && error == EEXIST) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    return Fail(error);
}
