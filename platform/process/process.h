// The program's own path and folder.
#pragma once

#include "platform/base/wintypes.h"

#include <string>

// Only the program itself (module nullptr) is supported; the path comes from /proc/self/exe.
// Windows semantics: the count of characters copied without the NUL; a too-small buffer
// gets a truncated, terminated copy, the buffer size as result and ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

namespace platform {

// Splits a path into drive and folder the way the station builds its default paths
// ("%s%sFabrun.ini" from drive, folder): on this platform the drive is empty and the
// folder keeps its trailing '/'.
void SplitDriveAndFolder(const std::u16string& path, std::u16string& drive, std::u16string& folder);

// The folder holding the running program, with a trailing '/'.
std::u16string ProgramFolder();

} // namespace platform
