// The system folder: on this platform a folder configured at build time (FABRUN_SYSTEM_DIR,
// under the install prefix), which the environment variable FABRUN_SYSTEM_DIR overrides
// (the bench and the tests use a folder of their own). Given without a trailing '/'.
#pragma once

#include "platform/base/wintypes.h"

// Windows semantics: the characters copied without the NUL; when `size` is too small,
// nothing is copied and the size needed (with the NUL) is returned.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
