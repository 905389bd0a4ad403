// Physical-drive numbers: the one place that decides which disk "\\.\PhysicalDrive%d" is.
// Real disks are numbered from 0 in device-number order, with or without a medium, so that
// a card coming or going never renumbers another disk; loop devices (test disks) follow
// them at (count of real disks + loop index), so that binding or releasing one loop device
// never renumbers another disk. Only disks that hold a medium are physical drives.
#pragma once

#include "platform/storage/block_devices.h"

#include <optional>

namespace platform::storage {

struct NumberedDisk {
    int number = -1;
    BlockDevice disk;
};

std::vector<NumberedDisk> NumberedDisks();
std::optional<NumberedDisk> DiskByNumber(int number);
// The number of a whole disk of ListWholeDisks.
int NumberOfDisk(const BlockDevice& disk);
// The number of the whole disk that holds a device (a disk or one of its partitions);
// `node` as for FindDevice.
std::optional<int> DiskNumberOfDevice(dev_t dev, const std::string& node = {});

} // namespace platform::storage
