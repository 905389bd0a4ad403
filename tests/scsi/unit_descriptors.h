// Descriptors this process holds open on the bench's logical units.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace scsitest {

// Descriptors of this process open on the bench's units: a drive's node leads to its
// unit's store, so each descriptor of a node shows as one more of the store's file.
inline unsigned UnitDescriptors()
{
    const std::string store = "/memfd:lun";
    unsigned count = 0;
    DIR* listing = ::opendir("/proc/self/fd");
    if (listing == nullptr)
        return UINT_MAX;
    while (dirent* entry = ::readdir(listing)) {
        char target[PATH_MAX];
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
        if (length > 0 && std::string(target, static_cast<std::size_t>(length)).rfind(store, 0) == 0)
            ++count;
    }
    ::closedir(listing);
    return count;
}

} // namespace scsitest
