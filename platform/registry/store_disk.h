// The store file on disk: its lock, opening it with the identity of what was opened,
// reading it whole, and replacing it atomically (see registry.h for the rules).
#pragma once

#include "platform/base/wintypes.h"
#include "platform/profile/file_identity.h"
#include "platform/registry/key_tree.h"

#include <string>
#include <unistd.h>
#include <utility>

namespace platform::registry {

// An open file, closed when it goes out of scope.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    int get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// One version of the store: what it holds and the identity of the file it came from. The
// file stays open while the version lives. Every change renames a new file over the store
// and the file system hands the old file's inode number out again at once; held open, that
// number stays taken, so a store file with this identity is this very file.
struct StoreVersion {
    Descriptor file; // not open when there was no store file
    FileIdentity identity;
    Key top; // with the root keys
};

// Creates the store's folder when missing and takes the exclusive lock ("<store>.lock")
// every change holds. ERROR_SUCCESS or the error of the failed step.
LONG LockStore(const std::string& path, Descriptor& lock);

// Opens the store file for reading into `version.file` with its identity; a missing file
// leaves it closed. ERROR_SUCCESS or the error of the failed open.
LONG OpenStore(const std::string& path, StoreVersion& version);

// Reads the opened store file whole into `version.top` (an empty store when there is no
// file or it is empty) and adds the root keys. ERROR_BADDB for a file that is not a store,
// or the error of the failed read.
LONG ReadStore(const std::string& path, StoreVersion& version);

// Writes `version.top` to "<store>.tmp", flushes it to the disk and renames it over the
// store, so that a reader sees the old store or the new one, never a mix. On success
// `version.file` holds the new file open and `version.identity` is its identity.
LONG ReplaceStore(const std::string& path, StoreVersion& version);

} // namespace platform::registry
