// Loading a library by file name and binding its functions by name.
// A bare name is looked for, as Windows looks for it, beside the program and then in the
// system folder; a name with a '/' is taken as it stands. Failures leave
// ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND as the last error.
#pragma once

#include "platform/base/wintypes.h"

using FARPROC = void (*)();

HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
