#include "platform/registry/store.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/registry/registry.h"
#include "platform/registry/store_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// The account's home folder from the password database; getpwuid_r, as another thread
// may look up an account at the same time.
std::string AccountHome()
{
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return "/";
    return found->pw_dir;
}

} // namespace

std::string RegistryStorePath()
{
    if (const char* chosen = std::getenv("FABRUN_REGISTRY"); chosen != nullptr && *chosen != '\0')
        return chosen;
    if (geteuid() == 0)
        return "/var/lib/fabrun/registry";
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0')
        return std::string(state) + "/fabrun/registry";
    const char* home = std::getenv("HOME");
    return (home != nullptr && *home != '\0' ? std::string(home) : AccountHome()) + "/.local/state/fabrun/registry";
}

namespace registry {
namespace {

LONG Failure(const char* what, const std::string& path, int error)
{
    DebugPrintf("registry: %s %s failed: %s", what, path.c_str(), std::strerror(error));
    return static_cast<LONG>(ErrorFromErrno(error));
}

// Closes the descriptor when it goes out of scope.
struct Descriptor {
    int fd;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

LONG ReadWhole(const std::string& path, std::string& text)
{
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return errno == ENOENT ? ERROR_SUCCESS : Failure("open", path, errno);
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failure("read", path, errno);
        if (got == 0)
            return ERROR_SUCCESS;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

LONG WriteWhole(int fd, const std::string& path, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return Failure("write", path, errno);
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd) != 0)
        return Failure("fsync", path, errno);
    return ERROR_SUCCESS;
}

// The new content goes to a temporary file beside the store, reaches the disk, and then
// replaces the store in one rename: a reader sees the old store or the new one, never a mix.
LONG ReplaceStore(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".tmp";
    LONG result;
    {
        Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (file.fd < 0)
            return Failure("create", temporary, errno);
        result = WriteWhole(file.fd, temporary, text);
    }
    if (result == ERROR_SUCCESS && ::rename(temporary.c_str(), path.c_str()) != 0)
        result = Failure("rename", temporary, errno);
    if (result != ERROR_SUCCESS) {
        ::unlink(temporary.c_str());
        return result;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    Descriptor directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.fd < 0 || ::fsync(directory.fd) != 0)
        return Failure("fsync", folder, errno);
    return ERROR_SUCCESS;
}

LONG LoadFrom(const std::string& path, Key& top)
{
    std::string text;
    if (LONG result = ReadWhole(path, text); result != ERROR_SUCCESS)
        return result;
    if (!text.empty() && !ParseStore(text, top)) {
        DebugPrintf("registry: %s is not a registry store; it is left untouched", path.c_str());
        return ERROR_BADDB;
    }
    return ERROR_SUCCESS;
}

} // namespace

LONG LoadStore(Key& top)
{
    return LoadFrom(RegistryStorePath(), top);
}

LONG ChangeStore(const std::function<LONG(Key& top, bool& changed)>& change)
{
    std::string path = RegistryStorePath();
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error)
        return Failure("create folder", folder.string(), error.value());
    std::string lockPath = path + ".lock";
    Descriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.fd < 0)
        return Failure("open", lockPath, errno);
    while (::flock(lock.fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return Failure("lock", lockPath, errno);
    }
    Key top;
    if (LONG result = LoadFrom(path, top); result != ERROR_SUCCESS)
        return result;
    bool changed = false;
    LONG result = change(top, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    return ReplaceStore(path, SerializeStore(top));
}

} // namespace registry
} // namespace platform
