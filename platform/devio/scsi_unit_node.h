// Linux gives every logical unit of a SCSI target a disk node of its own; a pass-through
// request names the unit by its Lun. This finds, through sysfs, the disk node of one logical
// unit of the target that an opened disk node belongs to.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct UnitNode {
    bool isOpenedDisk; // the unit is the opened disk itself
    std::string path;  // else the /dev node of the unit's disk
};

// A disk that sysfs does not place under a SCSI device (a plain file, a loop device) has
// only unit 0, itself. Returns nothing when the target has no such unit.
std::optional<UnitNode> FindUnitNode(const std::string& diskPath, unsigned lun);

} // namespace platform
