// The volumes of one disk, as the lock around raw writes and the dismount before a rebuild
// find them: every volume whose only extent lies on the disk.
#pragma once

#include "platform/base/wintypes.h"

#include <string>
#include <vector>

// The disk number the port's handle reports; false, with the debug line "<failureName>=<code>",
// when the request fails.
bool DiskNumberOf(HANDLE disk, DWORD& number, const char* failureName);

// The names ("\\?\Volume{...}") of the volumes that lie wholly on the disk; false when the
// volume list cannot be read.
bool VolumesOnDisk(DWORD diskNumber, std::vector<std::string>& names);

// Dismounts the volume that lies on the port's disk, so that a rebuild starts from a disk no
// file system holds; 1 when the disk number was read and no dismount failed.
INT DisMountVolume(HANDLE disk, BOOL force);
