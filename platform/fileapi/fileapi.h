// Windows file-level calls on Linux files. Attributes: directory, read-only (no write
// permission for the owner) and archive (every regular file, as new Windows files carry
// it); Linux has no hidden or system flag, so those bits are neither reported nor kept.
// There are no short 8.3 names: cAlternateFileName is always empty.
#pragma once

#include "platform/base/wintypes.h"

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};

struct SECURITY_ATTRIBUTES;

// The pattern's last part may use * and ?; "*.*" matches every name, with or without a dot.
// A folder lists "." and ".." as well. Entries that are neither files nor folders (pipes,
// sockets, device nodes) are not listed: nothing could copy them.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

DWORD GetFileAttributesA(LPCSTR path);
// Only the read-only bit has a Linux meaning (the write permissions); the others are accepted.
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security);
// Copies the contents, permissions and times. The destination is replaced only by a whole
// copy (one that fails leaves it as it was and no partial file), and only when it is a
// writable file: a device, pipe or folder of that name, or a read-only file, is refused
// with ERROR_ACCESS_DENIED.
BOOL CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists);
// Sets the length of an open file to its current file-pointer position.
BOOL SetEndOfFile(HANDLE file);

namespace platform {
// 100 ns units since 1601 as one number.
inline ULONGLONG FileTimeValue(const FILETIME& time)
{
    return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
} // namespace platform
