// Facts read from a sysfs entry, kept for as long as the entry is the same one. A device
// that leaves and comes back brings new entries: on sysfs an entry's inode number is never
// given out again, and elsewhere (a test tree on a disk file system, which may hand a freed
// inode number out at once) its change time tells a re-created entry apart. What an entry
// stands for cannot change while the entry exists, so facts fixed for its life (ids, device
// numbers) need not be read again; anything that can change under one entry must not be kept.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace platform {

template <class Facts>
class EntryMemo {
public:
    // The facts of the entry at `path` (not followed when a link), read by `read` only when
    // the entry is new; nothing when there is no such entry or `read` found nothing (which
    // is not kept: it is asked again next time). Facts that `settled` says may still change
    // (a device its driver has not finished with) are not kept either.
    template <class Read, class Settled = bool (*)(const Facts&)>
    std::optional<Facts> Get(const std::string& path, Read read, Settled settled = [](const Facts&) { return true; })
    {
        struct stat entry;
        if (::lstat(path.c_str(), &entry) != 0)
            return std::nullopt;
        const Stamp stamp{entry.st_ino, static_cast<std::int64_t>(entry.st_ctim.tv_sec) * 1'000'000'000 + entry.st_ctim.tv_nsec};
        {
            std::lock_guard guard(lock_);
            auto known = known_.find(path);
            if (known != known_.end() && known->second.stamp == stamp)
                return known->second.facts;
        }
        std::optional<Facts> facts = read();
        if (facts && settled(*facts)) {
            std::lock_guard guard(lock_);
            known_[path] = {stamp, *facts};
        }
        return facts;
    }

private:
    struct Stamp {
        ino_t inode;
        std::int64_t changedNs;
        bool operator==(const Stamp&) const = default;
    };
    struct Known {
        Stamp stamp;
        Facts facts;
    };
    std::mutex lock_;
    std::map<std::string, Known> known_;
};

} // namespace platform
