// The drive letters of disks: each lettered volume that lies wholly on a disk (one extent,
// on the disk's physical-drive number), in letter order.
#pragma once

#include "portwarden/records.h"

#include <string>
#include <vector>

struct LetteredVolumeDisk {
    char letter;
    DWORD diskNumber;
};

// Every lettered volume that lies wholly on one disk, opened once: read once per disk scan,
// not once per disk, as each letter costs an open of its volume.
std::vector<LetteredVolumeDisk> ReadLetteredVolumeDisks();

// Appends the letters of the volumes on the disk to the entry's letters (at most 25); a
// disk whose number cannot be read gets none (debug line).
void GetDriveLetterForGPTFormat(const std::string& diskPath, const std::vector<LetteredVolumeDisk>& volumes,
                                DiskEntry& entry);
