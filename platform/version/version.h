// File version resources. Our programs and libraries carry their version as text in the
// ELF section ".fabrun_version", written at build time (fabrun_version_resource in
// CMake); a file without that section has no version resource.
#pragma once

#include "platform/base/wintypes.h"

constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// The size of the version block, or 0 (last error ERROR_FILE_NOT_FOUND, or
// ERROR_RESOURCE_TYPE_NOT_FOUND for a file without a version resource). `handle` is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
// Fills `data` with the block; fails when `length` is smaller than the block.
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
// "\VarFileInfo\Translation" gives the language / code-page pairs (one pair of WORDs);
// "\StringFileInfo\%04x%04x\FileVersion" the version text. `buffer` points into `block`.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length);
