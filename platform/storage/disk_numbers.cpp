#include "platform/storage/disk_numbers.h"

#include <algorithm>
#include <limits>

namespace platform::storage {

std::vector<NumberedDisk> NumberedDisks()
{
    std::vector<BlockDevice> real, loops;
    for (BlockDevice& disk : ListDataDisks())
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
    // An empty disk keeps its number but is no physical drive until a medium comes.
    std::erase_if(numbered, [](const NumberedDisk& entry) { return entry.disk.lengthBytes == 0; });
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

int NumberOfDisk(const BlockDevice& disk)
{
    // As NumberedDisks numbers them, counting only what comes before this disk.
    const int loop = LoopIndex(disk.kernelName);
    if (loop >= 0)
        return static_cast<int>(CountRealDisksBelow(std::numeric_limits<dev_t>::max())) + loop;
    return static_cast<int>(CountRealDisksBelow(disk.dev));
}

std::optional<int> DiskNumberOfDevice(dev_t dev, const std::string& node)
{
    auto disk = WholeDiskOf(dev, node);
    return disk ? std::optional<int>(NumberOfDisk(*disk)) : std::nullopt;
}

} // namespace platform::storage
