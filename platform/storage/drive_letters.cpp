#include "platform/storage/drive_letters.h"

#include <algorithm>
#include <cctype>

namespace platform::storage {

std::vector<LetteredVolume> LetteredVolumes()
{
    std::vector<LetteredVolume> lettered;
    std::vector<Volume> loopVolumes;
    char next = 'C';
    for (Volume& volume : ListVolumes()) {
        if (LoopIndex(volume.diskKernelName) >= 0)
            loopVolumes.push_back(std::move(volume));
        else if (next <= 'Z')
            lettered.push_back({next++, std::move(volume)});
    }
    for (Volume& volume : loopVolumes) {
        int letter = 'Z' - LoopIndex(volume.diskKernelName);
        if (volume.device.partitionNumber > 1 || letter < next)
            continue; // only a loop device's first volume has a letter, and never a real volume's
        lettered.push_back({static_cast<char>(letter), std::move(volume)});
    }
    std::sort(lettered.begin(), lettered.end(),
              [](const LetteredVolume& a, const LetteredVolume& b) { return a.letter < b.letter; });
    return lettered;
}

std::optional<Volume> VolumeOfDriveLetter(char letter)
{
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (LetteredVolume& entry : LetteredVolumes())
        if (entry.letter == upper)
            return std::move(entry.volume);
    return std::nullopt;
}

char DriveLetterOfVolume(dev_t volumeDevice)
{
    for (const LetteredVolume& entry : LetteredVolumes())
        if (entry.volume.device.dev == volumeDevice)
            return entry.letter;
    return 0;
}

} // namespace platform::storage
