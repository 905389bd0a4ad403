// CopyFileW. The new file is written beside the target and then renamed over it, so that a
// program or library that has the old file open or mapped keeps its old contents intact
// and no reader ever sees a half-copied file. The permission bits are kept.
#pragma once

#include "platform/base/wintypes.h"

// `failIfExists`: an existing target makes the copy fail with ERROR_FILE_EXISTS.
BOOL CopyFileW(LPCWSTR existingFile, LPCWSTR newFile, BOOL failIfExists);
