// CD-ROM volumes of USB devices in the disk scan: their drive letters from the
// mounted-device records, and whether a CD-ROM belongs to the same device as a disk.
#pragma once

#include "portwarden/records.h"

#include <string>

// Appends the letter of the first mounted-device record (in letter order) that names the
// volume path (its interface path from the fifth character on, compared without letter
// case): a CD-ROM volume has one letter, and a second record naming it is a stale one.
void GetVolumLetterEx(const std::string& volumePath, DiskEntry& entry);

// Whether a disk path and a CD-ROM path name logical units of one USB device. The paths
// after "\\?\usbstor#disk&" and "\\?\usbstor#cdrom&", split into tokens at '#' and '&',
// may differ in at most 2 token pairs (the unit number and the interface class), and the
// device instance (the instance part of the path without its unit number) must be the
// same: two drives of one model differ in their instance and the class alone, and one's
// CD-ROM must never be taken for a unit of the other.
bool SameDiskInstance(const std::string& diskPath, const std::string& cdromPath);
