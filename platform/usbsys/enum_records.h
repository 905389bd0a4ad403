// The enumeration records of USB devices in the registry store, as the Plug and Play
// manager keeps them: HKLM\SYSTEM\CurrentControlSet\Enum\<instance id> with the device's
// driver key ("Driver"), the ParentIdPrefix of a device named by its place, and
// "Device Parameters\SymbolicName". Driver keys ("{36fc9e60-...}\0004") are allocated once
// per device instance under Control\Class\{36fc9e60-...}: a device keeps its key while it
// comes and goes and across restarts, and no two instances ever share one.
#pragma once

#include <string>

namespace platform::usbsys {

// Creates the record or completes it; returns the device's driver key, or "" (last error
// set, debug line) when the store cannot be read or written.
std::string KeepEnumRecord(const std::string& instanceId, const std::string& parentIdPrefix,
                           const std::string& symbolicName);

} // namespace platform::usbsys
