// The Windows volume enumeration and the logical-drive mask, over the volumes and
// letters of this library. Volume names are "\\?\Volume{...}\" with the trailing
// backslash; without it they open the volume through CreateFile.
#pragma once

#include "platform/base/wintypes.h"

constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;

HANDLE FindFirstVolumeA(LPSTR volumeName, DWORD bufferLength);
BOOL FindNextVolumeA(HANDLE findVolume, LPSTR volumeName, DWORD bufferLength);
BOOL FindVolumeClose(HANDLE findVolume);

// Bit n set when drive letter 'A' + n is assigned.
DWORD GetLogicalDrives();
