// The registry: a store of keys and values of our own, kept in one file per machine.
//
// Where it lives: $FABRUN_REGISTRY when set (tests point it at a temporary file);
// otherwise /var/lib/fabrun/registry for root (the station runs as root, like an
// administrator on the station PC), and $XDG_STATE_HOME/fabrun/registry (default
// ~/.local/state/fabrun/registry) for anyone else.
//
// Keys are compared without letter case and keep the case they were created with;
// subkeys enumerate in case-insensitive name order, values in the order they were first set.
// Every change loads the store as it stands under an exclusive lock (flock on "<store>.lock"),
// applies itself and replaces the file atomically (write "<store>.tmp", fsync, rename),
// so two processes (the station and regsvr32) never lose each other's writes; readers
// need no lock because the file is only ever replaced whole. A process keeps the store it
// read or wrote last, parsed, and every call uses it while the file is still the one it
// came from (same device, inode, size and modification time), so a run of calls parses the
// file once. A store file that cannot be parsed is never overwritten: every call then
// fails with ERROR_BADDB.
//
// An open key is a handle to a path: a key deleted behind an open handle answers
// ERROR_KEY_DELETED. Access rights given at open are enforced on values and subkeys.
// Only the ANSI calls exist; names and string data are the locale's narrow text (UTF-8).
#pragma once

#include "platform/base/lasterror.h"
#include "platform/base/wintypes.h"

#include <string>

struct HKEY__;
struct SECURITY_ATTRIBUTES;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr LSTATUS ERROR_BAD_PATHNAME = 161;
constexpr LSTATUS ERROR_BADDB = 1009;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;

// Longest key name (one path component), in characters.
constexpr std::size_t kMaxKeyNameLength = 255;
// Deepest key, in levels below its root key: no registry nests deeper, and a store file that
// does is refused as damaged (ERROR_BADDB).
constexpr std::size_t kMaxKeyDepth = 512;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;

// Creates the key and every missing key above it, or opens it when it exists. A null or
// empty subkey opens `key` itself again. ERROR_INVALID_PARAMETER for a key deeper than
// kMaxKeyDepth.
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        SECURITY_ATTRIBUTES* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
// A null or empty name is the key's default value.
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// Null data asks only for type and size; a too-small buffer gets ERROR_MORE_DATA and the size needed.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
// `nameLength`: in, the buffer's size in characters with the NUL; out, the name's length
// without it. Keys keep no class and no write time: a class buffer gets an empty text,
// the time is zero.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR keyClass,
                      LPDWORD classLength, PFILETIME lastWriteTime);
// Deletes one key that has no subkeys (ERROR_ACCESS_DENIED otherwise); the subkey must be named.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS RegCloseKey(HKEY key);

namespace platform {

// The store file this process uses now (see the top of this file).
std::string RegistryStorePath();

} // namespace platform
