// The private-profile functions: reading and writing one key of an INI file.
//
// Windows semantics the station relies on:
// - a missing file, section or key gives the default (NULL = ""); a key present with
//   nothing after its '=' gives the empty string;
// - the result is the count of characters copied without the NUL; a value that does not
//   fit is cut to size-1 characters and NUL-terminated, and size-1 is returned;
// - section and key names match without regard to letter case and surrounding blanks;
//   the first matching section, and in it the first matching key, win;
// - a value loses its surrounding blanks and one pair of enclosing quotes ('' or "");
// - a new key goes after the last key of its section, a new section at the end of the
//   file; the file is created when absent, its folder is not;
// - files that start with the UTF-16LE byte-order mark are read and written as UTF-16LE,
//   all others in the ANSI code page (a UTF-8 byte-order mark is kept);
// - a default loses its trailing blanks; a line's trailing CRs are no part of its value.
//
// Every call is serialised process-wide and every write replaces the file atomically
// (within a write batch: once, at the batch's end).
// Only the forms the station calls are supported: enumeration (NULL section or key),
// deletion (NULL key or value) and the cache flush (NULL section) fail with ERROR_NOT_SUPPORTED.
#pragma once

#include "platform/base/wintypes.h"

#include <memory>

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue, LPWSTR returnedString,
                               DWORD size, LPCWSTR fileName);

// FALSE when the file cannot be read or replaced (the last error tells why), and
// (ERROR_INVALID_PARAMETER) for names and values that would not read back as written:
// a line break anywhere, '=' in a key or a key that starts with '[' or ';', ']' in a section,
// a character the file's encoding cannot hold (half a surrogate pair in an ANSI file). So
// text from an operator or a device never adds a line, a key or a section. The one write
// that is no key: a separator line, a key of nothing but '=' with a value of '=' and line
// feeds (each ends a line), written as it stands (IniDocument::Set).
BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName);

namespace platform {

namespace profile {
struct HeldFiles;
}

// A scoped object that gathers the writes of the thread that opens it (and must end on
// that thread), so that each file they change is replaced once (temporary file, flush,
// rename) at the batch's end instead of at every write: a save of many keys costs one
// flush per file. Until then the edits live in the process's parsed copy, so every thread
// of the process reads them at once; other processes see the file as it was, then the new
// file whole.
//
// The batch owns the files it has edited until its end: a change another process makes to
// such a file meanwhile is replaced by the batch's file. A write of another thread (outside
// a batch) to a held file replaces it at once, with the batch's edits in it. A batch opened
// inside another on the same thread writes its own files at its end; an outer batch whose
// edits were lost to a failed replace reports that failure at its end too.
class ProfileWriteBatch {
public:
    ProfileWriteBatch();
    // Commits when Commit was not called (a write that threw, say); a failure then has
    // only its debug line.
    ~ProfileWriteBatch();
    ProfileWriteBatch(const ProfileWriteBatch&) = delete;
    ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;

    // Ends the batch and replaces every file it changed. FALSE when a file could not be
    // replaced (or the batch's edits to it were lost to another write's failed replace):
    // the last error tells why, a debug line names the file. Later writes are not batched.
    bool Commit();

private:
    std::unique_ptr<profile::HeldFiles> files_;
    bool open_ = true;
    bool committed_ = false;
};

} // namespace platform
