// Parsed copies of the INI files the process uses, so that a run of calls on one file
// parses it once. A copy is reused only while the file's identity, size and modification
// time are unchanged; when the modification time is so recent that a change within the
// same timestamp tick could hide behind it, the bytes are read again and compared.
#pragma once

#include "platform/profile/ini_document.h"
#include "platform/profile/profile_file.h"

#include <cstdint>
#include <map>
#include <string>

namespace platform::profile {

class ProfileCache {
public:
    // The document of the file as it is now: empty for a missing file. Null when the file
    // exists but cannot be read (errno set).
    IniDocument* Current(const std::string& path);

    // Writes the (edited) document of `path` back atomically. On failure the cached copy
    // is dropped, so the next call reads the file as it really is.
    bool Store(const std::string& path, IniDocument& document);

private:
    struct Entry {
        FileIdentity identity;
        std::string bytes;
        IniDocument document;
        std::int64_t checkedAtNs = 0; // wall-clock time before the bytes were last read
        bool exists = false;
        std::uint64_t lastUse = 0;
    };

    bool MayHideAChange(const Entry& entry) const;
    Entry& Touch(const std::string& path);
    void EvictOldest();

    std::map<std::string, Entry> entries_;
    std::uint64_t useCounter_ = 0;
};

} // namespace platform::profile
