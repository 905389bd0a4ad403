#include "platform/profile/profile_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::profile {
namespace {

ReadStatus StatusFromErrno()
{
    return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
}

// Closes a descriptor but keeps the errno of the failure that made us give up.
void CloseKeepingErrno(int fd)
{
    int saved = errno;
    close(fd);
    errno = saved;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string ResolveLink(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// A name in the target's folder that no other writer uses: pid and a process-wide counter.
std::string TemporaryNameFor(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    auto slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
}

} // namespace

ReadStatus StatFile(const std::string& path, FileIdentity& identity)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return StatusFromErrno();
    identity = IdentityOf(info);
    return ReadStatus::Read;
}

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, FileIdentity& identity)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return StatusFromErrno();
    struct stat info;
    if (fstat(fd, &info) != 0) {
        CloseKeepingErrno(fd);
        return ReadStatus::Failed;
    }
    identity = IdentityOf(info);
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            CloseKeepingErrno(fd);
            return ReadStatus::Failed;
        }
        if (got == 0)
            break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return ReadStatus::Read;
}

bool ReplaceFile(const std::string& path, std::string_view bytes, FileIdentity& identity)
{
    std::string target = ResolveLink(path);
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    std::string temporary;
    int fd;
    do {
        temporary = TemporaryNameFor(target);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EEXIST);
    if (fd < 0)
        return false;
    struct stat written;
    bool ok = (!exists || fchmod(fd, existing.st_mode & 07777) == 0) && WriteAll(fd, bytes) && fdatasync(fd) == 0 &&
              fstat(fd, &written) == 0;
    if (!ok) {
        CloseKeepingErrno(fd);
    } else {
        ok = close(fd) == 0;
    }
    if (ok)
        ok = rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        int saved = errno;
        unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    identity = IdentityOf(written);
    return true;
}

std::int64_t WallClockNs()
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace platform::profile
