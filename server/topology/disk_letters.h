// The drive letters of a disk: each lettered volume that lies wholly on it (one extent, on
// the disk's physical-drive number), in letter order.
#pragma once

#include "portwarden/records.h"

#include <string>

// Appends the letters to the entry's letters (at most 25); a disk whose number cannot be
// read gets none (debug line).
void GetDriveLetterForGPTFormat(const std::string& diskPath, DiskEntry& entry);
