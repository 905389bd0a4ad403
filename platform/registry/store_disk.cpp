#include "platform/registry/store_disk.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/registry/root_keys.h"
#include "platform/registry/store_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>

namespace platform::registry {
namespace {

LONG Failure(const char* what, const std::string& path, int error)
{
    DebugPrintf("registry: %s %s failed: %s", what, path.c_str(), std::strerror(error));
    return static_cast<LONG>(ErrorFromErrno(error));
}

LONG ReadWhole(int fd, const std::string& path, std::string& text)
{
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
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

LONG IdentifyOpened(int fd, const std::string& path, FileIdentity& identity)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return Failure("stat", path, errno);
    identity = IdentityOf(info);
    return ERROR_SUCCESS;
}

} // namespace

LONG LockStore(const std::string& path, Descriptor& lock)
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::create_directories(folder, error) && error)
        return Failure("create folder", folder.string(), error.value());
    std::string lockPath = path + ".lock";
    lock = Descriptor(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lock.IsOpen())
        return Failure("open", lockPath, errno);
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return Failure("lock", lockPath, errno);
    }
    return ERROR_SUCCESS;
}

LONG OpenStore(const std::string& path, StoreVersion& version)
{
    version.file = Descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!version.file.IsOpen())
        return errno == ENOENT ? ERROR_SUCCESS : Failure("open", path, errno);
    return IdentifyOpened(version.file.get(), path, version.identity);
}

LONG ReadStore(const std::string& path, StoreVersion& version)
{
    std::string text;
    if (version.file.IsOpen()) {
        if (LONG result = ReadWhole(version.file.get(), path, text); result != ERROR_SUCCESS)
            return result;
    }
    if (!text.empty() && !ParseStore(text, version.top)) {
        DebugPrintf("registry: %s is not a registry store; it is left untouched", path.c_str());
        return ERROR_BADDB;
    }
    AddRootKeys(version.top);
    return ERROR_SUCCESS;
}

LONG ReplaceStore(const std::string& path, StoreVersion& version)
{
    std::string temporary = path + ".tmp";
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        return Failure("create", temporary, errno);
    FileIdentity identity;
    LONG result = WriteWhole(file.get(), temporary, SerializeStore(version.top));
    if (result == ERROR_SUCCESS)
        result = IdentifyOpened(file.get(), temporary, identity);
    if (result == ERROR_SUCCESS && ::rename(temporary.c_str(), path.c_str()) != 0)
        result = Failure("rename", temporary, errno);
    if (result != ERROR_SUCCESS) {
        ::unlink(temporary.c_str());
        return result;
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    Descriptor directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.IsOpen() || ::fsync(directory.get()) != 0)
        return Failure("fsync", folder, errno);
    version.file = std::move(file);
    version.identity = identity;
    return ERROR_SUCCESS;
}

} // namespace platform::registry
