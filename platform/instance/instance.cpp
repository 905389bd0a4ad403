#include "platform/instance/instance.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/text/text.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class NamedMutex final : public platform::HandleObject {
public:
    explicit NamedMutex(int fd) : fd_(fd) {}
    ~NamedMutex() override { close(fd_); }

private:
    int fd_;
};

// The runtime folder of the user; created private when the fallback is used.
bool RuntimeFolder(std::string& folder)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        folder = runtime;
        return true;
    }
    folder = "/tmp/fabrun-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    // Someone else's folder of that name must not hold our lock.
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        errno = EACCES;
        return false;
    }
    return true;
}

// The lock file's name: the mutex name with path separators replaced.
std::string LockFileName(std::u16string_view name)
{
    std::string file = platform::WideToUtf8(name);
    for (char& c : file)
        if (c == '/' || c == '\\')
            c = '_';
    return file + ".lock";
}

} // namespace

HANDLE CreateNamedMutexW(SECURITY_ATTRIBUTES*, BOOL, LPCWSTR name)
{
    if (name == nullptr || *name == u'\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string folder;
    if (!RuntimeFolder(folder)) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    std::string path = folder + "/" + LockFileName(name);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    DWORD outcome = ERROR_SUCCESS;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK) {
            DWORD error = platform::ErrorFromErrno(errno);
            close(fd);
            SetLastError(error);
            return nullptr;
        }
        outcome = ERROR_ALREADY_EXISTS;
    }
    HANDLE handle = platform::IssueHandle(std::make_shared<NamedMutex>(fd));
    SetLastError(outcome);
    return handle;
}
