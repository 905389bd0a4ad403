// Parsed copies of the INI files the process uses, so that a run of calls on one file
// parses it once. A copy is reused only while the file's identity, size and modification
// time are unchanged; when the modification time is so recent that a change within the
// same timestamp tick could hide behind it, the bytes are read again and compared.
//
// A write batch holds the files it writes: their edits stay in the copy, which every call
// of the process reads, until the batch releases the file and the edits are written. While
// a copy holds unwritten edits it is not compared with the file: the batch owns the file,
// and a change another process makes meanwhile is replaced when the edits are written.
#pragma once

#include "platform/profile/ini_document.h"
#include "platform/profile/profile_file.h"

#include <cstdint>
#include <map>
#include <string>

namespace platform::profile {

class ProfileCache {
public:
    // The document of the file as it is now (with a batch's unwritten edits): empty for a
    // missing file. Null when the file exists but cannot be read (errno set).
    IniDocument* Current(const std::string& path);

    // Writes the document of `path`, as edited through Current, back atomically. On failure
    // the copy is dropped, so the next call reads the file as it really is.
    bool Store(const std::string& path);

    // A batch edited the document of `path`: the first edit of each batch holds the file.
    // Returns the file's count of lost edits, for Release to compare.
    std::uint64_t Hold(const std::string& path);
    void Defer(const std::string& path);
    // Ends one hold: writes the edits still unwritten. False (errno set) when they, or any
    // edits made since Hold, were lost to a failed replace.
    bool Release(const std::string& path, std::uint64_t lostAtHold);

private:
    struct Copy {
        FileIdentity identity;
        std::string bytes;
        IniDocument document;
        std::int64_t checkedAtNs = 0; // wall-clock time before the bytes were last read
        bool exists = false;
        bool unwritten = false; // the document holds a batch's edits the file lacks
    };
    struct Entry {
        Copy copy;
        unsigned holders = 0;    // open batches that edited the file
        std::uint64_t lost = 0;  // replaces that failed with edits of a batch in them
        int lostErrno = 0;
        std::uint64_t lastUse = 0;
    };

    bool MayHideAChange(const Copy& copy) const;
    Entry& Touch(const std::string& path);
    void Drop(const std::string& path, bool editsLost);
    void EvictOldest();

    std::map<std::string, Entry> entries_;
    std::uint64_t useCounter_ = 0;
};

} // namespace platform::profile
