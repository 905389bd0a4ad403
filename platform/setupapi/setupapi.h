// SetupAPI's device-interface lists: the present interfaces of one class, each with its
// device path and the device node it belongs to. A list is a snapshot of the device tree
// taken when it is made; the configuration manager's calls then see that same tree.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/setupapi/class_guid.h"

using HDEVINFO = void*;
using HWND = void*;
using DEVINST = DWORD;

constexpr DWORD DIGCF_PRESENT = 0x02;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;
constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;

// 64-bit layouts: Reserved is pointer-sized, DevicePath follows a 4-byte cbSize.
struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    ULONG_PTR Reserved;
};

struct SP_DEVINFO_DATA {
    DWORD cbSize;
    GUID ClassGuid;
    DWORD DevInst;
    ULONG_PTR Reserved;
};

struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize;
    CHAR DevicePath[1];
};

static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 32 && sizeof(SP_DEVINFO_DATA) == 32);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8);

inline HDEVINFO const INVALID_HANDLE_DEVINFO = reinterpret_cast<HDEVINFO>(static_cast<std::intptr_t>(-1));

// Only interface lists (DIGCF_DEVICEINTERFACE) of present devices exist; anything else
// fails with ERROR_INVALID_PARAMETER. The enumerator is not supported (must be null).
HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, LPCSTR enumerator, HWND parent, DWORD flags);
// ERROR_NO_MORE_ITEMS past the last interface.
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, SP_DEVINFO_DATA* device, const GUID* classGuid, DWORD index,
                                 SP_DEVICE_INTERFACE_DATA* interfaceData);
// Asking with no buffer (or too small a one) fails with ERROR_INSUFFICIENT_BUFFER and
// gives the size needed; detail->cbSize must be sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A).
BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize, DWORD* requiredSize,
                                      SP_DEVINFO_DATA* device);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list);
