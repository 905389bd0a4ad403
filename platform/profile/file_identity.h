// What tells one version of a file from another without reading it. The parsed copies of
// the INI files and of the registry store are reused only while their file's identity is
// the one they were read from.
#pragma once

#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

inline FileIdentity IdentityOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

} // namespace platform
