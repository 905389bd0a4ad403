// The mount manager's records in the registry store: HKLM\SYSTEM\MountedDevices holds one
// value "\DosDevices\E:" per kept drive letter, whose data names the volume the letter
// belongs to. A record outlives its volume, so that the volume gets its letter back when
// it returns.
#pragma once

#include "platform/base/wintypes.h"

#include <map>
#include <string>
#include <vector>

namespace platform::storage {

using VolumeRecordData = std::vector<BYTE>;

// What a record holds for a volume: its interface path as "\??\..." in UTF-16, as
// Windows keeps it for a removable volume.
VolumeRecordData RecordDataOfVolume(const std::string& interfacePath);
// The interface path ("\\?\...") a record names.
std::string InterfacePathOfRecord(const VolumeRecordData& data);

// The record of each letter C..`last` that has one (none yet is no failure), or the
// store's error.
LONG ReadLetterRecords(std::map<char, VolumeRecordData>& records, char last = 'Z');
LONG KeepLetterRecord(char letter, const VolumeRecordData& data);

} // namespace platform::storage
