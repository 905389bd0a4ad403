// The enumeration records of USB mass-storage units in the registry store, as the Plug and
// Play manager keeps them beside their USB device's record:
// HKLM\SYSTEM\CurrentControlSet\Enum\USBSTOR\DISK&VEN_..&PROD_..&REV_..\<instance> with
// the unit's "FriendlyName". Nothing in the station reads them back; the server's clean-up
// removes them with the USB records.
#pragma once

#include "platform/usbsys/usb_tree.h"

#include <string>

namespace platform::usbsys {

// Creates or completes the record of a disk named `instanceId`; does nothing for a disk
// that is not a USB mass-storage unit ("USBSTOR\..."). A store that cannot be written
// leaves a debug line: the disk is listed all the same.
void KeepStorageRecord(const std::string& instanceId, const Disk& disk);

} // namespace platform::usbsys
