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
//   all others in the ANSI code page (a UTF-8 byte-order mark is kept).
//
// Every call is serialised process-wide and every write replaces the file atomically.
// Only the forms the station calls are supported: enumeration (NULL section or key),
// deletion (NULL key or value) and the cache flush (NULL section) fail with ERROR_NOT_SUPPORTED.
#pragma once

#include "platform/base/wintypes.h"

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue, LPWSTR returnedString,
                               DWORD size, LPCWSTR fileName);

// FALSE when the file cannot be read or replaced (the last error tells why), and
// (ERROR_INVALID_PARAMETER) for names and values that would not read back as written:
// a line break anywhere, '=' in a key or a key that starts with '[' or ';', ']' in a section.
BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName);
