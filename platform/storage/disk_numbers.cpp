#include "platform/storage/disk_numbers.h"

#include <algorithm>

namespace platform::storage {

std::vector<NumberedDisk> NumberedDisks()
{
    std::vector<BlockDevice> real, loops;
    for (BlockDevice& disk : ListWholeDisks())
        (LoopIndex(disk.kernelName) >= 0 ? loops : real).push_back(std::move(disk));
    std::sort(real.begin(), real.end(), [](const BlockDevice& a, const BlockDevice& b) { return a.dev < b.dev; });
    std::vector<NumberedDisk> numbered;
    int next = 0;
    for (BlockDevice& disk : real)
        numbered.push_back({next++, std::move(disk)});
    int loopBase = next;
    for (BlockDevice& disk : loops) {
        int number = loopBase + LoopIndex(disk.kernelName);
        numbered.push_back({number, std::move(disk)});
    }
    std::sort(numbered.begin(), numbered.end(),
              [](const NumberedDisk& a, const NumberedDisk& b) { return a.number < b.number; });
    return numbered;
}

std::optional<NumberedDisk> DiskByNumber(int number)
{
    for (NumberedDisk& entry : NumberedDisks())
        if (entry.number == number)
            return entry;
    return std::nullopt;
}

std::optional<int> NumberOfDisk(const BlockDevice& disk)
{
    for (const NumberedDisk& entry : NumberedDisks())
        if (entry.disk.dev == disk.dev)
            return entry.number;
    return std::nullopt;
}

std::optional<int> DiskNumberOfDevice(dev_t dev, const std::string& node)
{
    auto disk = WholeDiskOf(dev, node);
    return disk ? NumberOfDisk(*disk) : std::nullopt;
}

} // namespace platform::storage
