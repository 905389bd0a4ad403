#include "server/scsi/device_lock.h"

#include "platform/devio/devio.h"

#include <map>
#include <sys/stat.h>
#include <utility>

namespace scsi {
namespace {

// A device node by its device number, any other file by its inode.
using DeviceKey = std::pair<std::uint64_t, std::uint64_t>;

std::shared_ptr<std::recursive_mutex> MutexOf(HANDLE device)
{
    auto file = platform::HandleAs<platform::FileObject>(device);
    struct stat status {};
    if (file == nullptr || ::fstat(file->fd(), &status) != 0)
        return nullptr;
    bool node = S_ISBLK(status.st_mode) || S_ISCHR(status.st_mode);
    DeviceKey key = node ? DeviceKey{0, status.st_rdev} : DeviceKey{status.st_dev + 1, status.st_ino};
    // Entries stay: one small mutex per device the process ever talked to.
    static std::mutex tableLock;
    static std::map<DeviceKey, std::shared_ptr<std::recursive_mutex>> table;
    std::lock_guard guard(tableLock);
    auto& entry = table[key];
    if (entry == nullptr)
        entry = std::make_shared<std::recursive_mutex>();
    return entry;
}

} // namespace

DeviceLock::DeviceLock(HANDLE device) : mutex_(MutexOf(device))
{
    if (mutex_ != nullptr)
        lock_ = std::unique_lock<std::recursive_mutex>(*mutex_);
}

} // namespace scsi
