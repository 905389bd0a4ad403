// CD-ROM volumes of USB devices in the disk scan: their drive letters from the
// mounted-device records, and whether a CD-ROM belongs to the same device as a disk.
#pragma once

#include "portwarden/records.h"

#include <string>

// Appends the letters whose mounted-device record names the volume path (its interface
// path from the fifth character on, compared without letter case).
void GetVolumLetterEx(const std::string& volumePath, DiskEntry& entry);

// Whether a disk path and a CD-ROM path name logical units of one USB device: the device
// instance (the instance part of the path without its unit number) is the same.
bool SameDiskInstance(const std::string& diskPath, const std::string& cdromPath);
