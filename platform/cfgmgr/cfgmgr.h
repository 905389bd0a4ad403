// Configuration Manager: walking the device tree by device-instance number, and a
// device's hardware ids. The tree is the one of the last device-interface list made
// (SetupDiGetClassDevsA), so numbers from a list and the tree always agree.
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
constexpr CONFIGRET CR_INVALID_PROPERTY = 0x13;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;

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
