#include "platform/profile/profile_cache.h"

namespace platform::profile {
namespace {

// Files whose modification time is closer than this to the moment we read them may still
// change without a new time stamp (coarse kernel ticks; FAT keeps 2 s steps).
constexpr std::int64_t kTimestampMarginNs = 2'000'000'000;

// The station uses a handful of INI files at a time, but the per-serial-number result
// files are many: keep only the recently used ones.
constexpr std::size_t kMaxEntries = 32;

} // namespace

bool ProfileCache::MayHideAChange(const Entry& entry) const
{
    return entry.identity.modifiedNs + kTimestampMarginNs >= entry.checkedAtNs;
}

void ProfileCache::EvictOldest()
{
    auto oldest = entries_.begin();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->second.lastUse < oldest->second.lastUse)
            oldest = it;
    entries_.erase(oldest);
}

ProfileCache::Entry& ProfileCache::Touch(const std::string& path)
{
    auto found = entries_.find(path);
    if (found == entries_.end()) {
        if (entries_.size() >= kMaxEntries)
            EvictOldest();
        found = entries_.emplace(path, Entry{}).first;
    }
    found->second.lastUse = ++useCounter_;
    return found->second;
}

IniDocument* ProfileCache::Current(const std::string& path)
{
    FileIdentity identity;
    ReadStatus status = StatFile(path, identity);
    if (status == ReadStatus::Read) {
        Entry& entry = Touch(path);
        if (entry.exists && entry.identity == identity && !MayHideAChange(entry))
            return &entry.document;
        std::int64_t checkedAt = WallClockNs();
        std::string bytes;
        status = ReadWholeFile(path, bytes, identity);
        if (status == ReadStatus::Read) {
            if (!entry.exists || bytes != entry.bytes)
                entry.document = IniDocument::Parse(bytes);
            entry.bytes = std::move(bytes);
            entry.identity = identity;
            entry.checkedAtNs = checkedAt;
            entry.exists = true;
            return &entry.document;
        }
    }
    if (status == ReadStatus::Failed) {
        entries_.erase(path);
        return nullptr;
    }
    Entry& entry = Touch(path);
    std::uint64_t lastUse = entry.lastUse;
    entry = Entry();
    entry.lastUse = lastUse;
    return &entry.document;
}

bool ProfileCache::Store(const std::string& path, IniDocument& document)
{
    Entry& entry = Touch(path);
    std::string bytes = document.Serialise();
    // Same bytes as the file holds: nothing to write.
    if (entry.exists && bytes == entry.bytes)
        return true;
    std::int64_t checkedAt = WallClockNs();
    FileIdentity identity;
    if (!ReplaceFile(path, bytes, identity)) {
        entries_.erase(path);
        return false;
    }
    if (&entry.document != &document)
        entry.document = document;
    entry.bytes = std::move(bytes);
    entry.identity = identity;
    entry.checkedAtNs = checkedAt;
    entry.exists = true;
    return true;
}

} // namespace platform::profile
