// Configuration Manager: walking the device tree by device-instance number, a device's
// hardware ids, and the safe removal of a USB device. The tree is the one of the last
// device-interface list made (SetupDiGetClassDevsA), so numbers from a list and the tree
// always agree.
#pragma once

#include "platform/base/wintypes.h"

using CONFIGRET = DWORD;
using PULONG = ULONG*;
using DEVINST = DWORD;
using PDEVINST = DEVINST*;

constexpr CONFIGRET CR_SUCCESS = 0x00;
constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
constexpr CONFIGRET CR_FAILURE = 0x13;
constexpr CONFIGRET CR_REMOVE_VETOED = 0x17;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;
constexpr CONFIGRET CR_ACCESS_DENIED = 0x33;
constexpr CONFIGRET CR_INVALID_PROPERTY = 0x35;

constexpr ULONG CM_DRP_HARDWAREID = 0x02;
constexpr ULONG CM_DRP_DRIVER = 0x0A;

CONFIGRET CM_Get_Parent(PDEVINST parent, DEVINST device, ULONG flags);
CONFIGRET CM_Get_Child(PDEVINST child, DEVINST device, ULONG flags);
CONFIGRET CM_Get_Sibling(PDEVINST sibling, DEVINST device, ULONG flags);
// CM_DRP_HARDWAREID: the ids as a multi-string (each NUL-terminated, one more NUL at the
// end), type REG_MULTI_SZ; CM_DRP_DRIVER: the driver key, REG_SZ. *length is the buffer
// size in, the size needed out.
CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST device, ULONG property, PULONG type, LPVOID buffer, PULONG length,
                                            ULONG flags);

// Why a removal was refused.
enum PNP_VETO_TYPE {
    PNP_VetoTypeUnknown = 0,
    PNP_VetoOutstandingOpen = 5, // a volume of the device is in use (mounted)
};
using PPNP_VETO_TYPE = PNP_VETO_TYPE*;

// Removes a USB device as a safe removal does: refused (CR_REMOVE_VETOED, *vetoType
// PNP_VetoOutstandingOpen, vetoName the instance id of the volume or disk in use) while
// any disk of the device or a partition of one is mounted; otherwise each of its disks is
// flushed and the device is logically disconnected through its sysfs "remove" attribute,
// so that the kernel drops it as if it had been pulled. Read from the device tree as it
// stands now. `vetoType` and `vetoName` may be null; the name is cut to `nameLength` units.
CONFIGRET CM_Request_Device_EjectW(DEVINST device, PPNP_VETO_TYPE vetoType, LPWSTR vetoName, ULONG nameLength,
                                   ULONG flags);
