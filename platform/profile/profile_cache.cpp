#include "platform/profile/profile_cache.h"

#include <cerrno>

namespace platform::profile {
namespace {

// Files whose modification time is closer than this to the moment we read them may still
// change without a new time stamp (coarse kernel ticks; FAT keeps 2 s steps).
constexpr std::int64_t kTimestampMarginNs = 2'000'000'000;

// The station uses a handful of INI files at a time, but the per-serial-number result
// files are many: keep only the recently used ones.
constexpr std::size_t kMaxEntries = 32;

} // namespace

bool ProfileCache::MayHideAChange(const Copy& copy) const
{
    return copy.identity.modifiedNs + kTimestampMarginNs >= copy.checkedAtNs;
}

void ProfileCache::EvictOldest()
{
    // Held files keep their copy: it may be the only place their edits exist.
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->second.holders == 0 && (oldest == entries_.end() || it->second.lastUse < oldest->second.lastUse))
            oldest = it;
    if (oldest != entries_.end())
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

void ProfileCache::Drop(const std::string& path, bool editsLost)
{
    auto found = entries_.find(path);
    if (found == entries_.end())
        return;
    Entry& entry = found->second;
    if (entry.holders == 0) {
        entries_.erase(found);
        return;
    }
    // The batches holding the file learn at their end that their edits did not reach it.
    if (editsLost) {
        ++entry.lost;
        entry.lostErrno = errno;
    }
    entry.copy = Copy();
}

IniDocument* ProfileCache::Current(const std::string& path)
{
    auto held = entries_.find(path);
    if (held != entries_.end() && held->second.copy.unwritten) {
        held->second.lastUse = ++useCounter_;
        return &held->second.copy.document;
    }
    FileIdentity identity;
    ReadStatus status = StatFile(path, identity);
    if (status == ReadStatus::Read) {
        Copy& copy = Touch(path).copy;
        if (copy.exists && copy.identity == identity && !MayHideAChange(copy))
            return &copy.document;
        std::int64_t checkedAt = WallClockNs();
        std::string bytes;
        status = ReadWholeFile(path, bytes, identity);
        if (status == ReadStatus::Read) {
            if (!copy.exists || bytes != copy.bytes)
                copy.document = IniDocument::Parse(bytes);
            copy.bytes = std::move(bytes);
            copy.identity = identity;
            copy.checkedAtNs = checkedAt;
            copy.exists = true;
            return &copy.document;
        }
    }
    if (status == ReadStatus::Failed) {
        Drop(path, false);
        return nullptr;
    }
    Copy& copy = Touch(path).copy;
    copy = Copy();
    return &copy.document;
}

bool ProfileCache::Store(const std::string& path)
{
    Copy& copy = Touch(path).copy;
    std::string bytes = copy.document.Serialise();
    // Same bytes as the file holds: nothing to write.
    if (copy.exists && bytes == copy.bytes) {
        copy.unwritten = false;
        return true;
    }
    std::int64_t checkedAt = WallClockNs();
    FileIdentity identity;
    if (!ReplaceFile(path, bytes, identity)) {
        Drop(path, copy.unwritten);
        return false;
    }
    copy.bytes = std::move(bytes);
    copy.identity = identity;
    copy.checkedAtNs = checkedAt;
    copy.exists = true;
    copy.unwritten = false;
    return true;
}

std::uint64_t ProfileCache::Hold(const std::string& path)
{
    Entry& entry = Touch(path);
    ++entry.holders;
    return entry.lost;
}

void ProfileCache::Defer(const std::string& path)
{
    Touch(path).copy.unwritten = true;
}

bool ProfileCache::Release(const std::string& path, std::uint64_t lostAtHold)
{
    Entry& entry = Touch(path); // held entries are never evicted, so this is the held one
    if (entry.copy.unwritten)
        Store(path);
    --entry.holders;
    if (entry.lost == lostAtHold)
        return true;
    errno = entry.lostErrno;
    return false;
}

} // namespace platform::profile
