// SetFilePointerEx on SetFilePointer, as the library exports it.
#pragma once

#include "platform/base/wintypes.h"

// On failure -1 in both halves of the new position and FALSE; else the new position and TRUE.
BOOL FilePointerExOnSetFilePointer(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
