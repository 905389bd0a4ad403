// Drive letters of volumes: the one place that decides which letter a volume has.
// Volumes of real disks take letters from C upward in physical-drive order; the volume of
// loop device N (a test disk) takes the letter Z - N, so that a test's letter does not move
// when other loop devices come and go. A letter a real volume already holds is not given
// to a loop volume.
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
std::optional<Volume> VolumeOfDriveLetter(char letter);
// The letter of a volume, or 0 when it has none.
char DriveLetterOfVolume(dev_t volumeDevice);

} // namespace platform::storage
