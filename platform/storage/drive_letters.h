// Drive letters of volumes: the one place that decides which letter a volume has.
// Every lettered volume can be opened as "\\.\E:" and written by the station's disk slots,
// so only volumes that cannot be the machine's own take letters:
// - volumes of USB disks, from C upward, kept in the registry store as mounted-device
//   records: a volume keeps its letter while other disks come and go, and gets it back
//   when it returns unless another present volume took it meanwhile. A new volume takes
//   the first letter that no present volume holds and no record keeps, or else the first
//   whose record names an absent volume;
// - the first volume of loop device N (a test disk) takes Z - N unless a USB volume holds it.
// Volumes of other disks (the system disk) have no letter.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/storage/volumes.h"

#include <optional>

namespace platform::storage {

struct LetteredVolume {
    char letter;
    Volume volume;
};

std::vector<LetteredVolume> LetteredVolumes();
// The block device of a letter's volume.
std::optional<BlockDevice> VolumeOfDriveLetter(char letter);
// The letter of a volume, or 0 when it has none.
char DriveLetterOfVolume(dev_t volumeDevice);

} // namespace platform::storage
