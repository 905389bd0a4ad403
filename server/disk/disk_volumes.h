// The volumes that lie wholly on one disk (physical drive number), as the lock and the
// dismount before firmware loading need them.
#pragma once

#include "platform/base/wintypes.h"

#include <functional>
#include <string>

// Calls `each` with the name of every volume that lies wholly on the disk ("\\?\Volume{...}",
// without the trailing backslash, as CreateFile opens it); stops at the first false. False
// when the volume list cannot be read or `each` said so.
bool ForEachVolumeOnDisk(DWORD diskNumber, const std::function<bool(const std::string& volumeName)>& each);
