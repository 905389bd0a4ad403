// The disks of the machine (with their partitions) as sysfs shows them, each with the USB
// device it hangs off, if any: the part of a tree read that comes after its devices.
#pragma once

#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_tree.h"

namespace platform::usbsys {

// Adds the disks to a tree whose devices are read, resolving with the tree read's resolver.
void ReadDisks(UsbTree& tree, PathResolver& resolver);

} // namespace platform::usbsys
