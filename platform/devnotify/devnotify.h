// Device notifications: a window registered for the USB device interface class is posted
// WM_DEVICECHANGE with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE (wParam) whenever a
// USB device is added or removed, as the kernel's uevents (through libudev) report it;
// lParam points at a DEV_BROADCAST_DEVICEINTERFACE_W whose name is the device's sysfs path.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/com/guid.h"
#include "platform/window/window.h"

constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT DBT_DEVICEARRIVAL = 0x8000;
constexpr UINT DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr DWORD DBT_DEVTYP_DEVICEINTERFACE = 5;
constexpr DWORD DEVICE_NOTIFY_WINDOW_HANDLE = 0;

// {A5DCBF10-6530-11D2-901F-00C04FB951ED}
constexpr GUID GUID_DEVINTERFACE_USB_DEVICE = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

struct DEV_BROADCAST_DEVICEINTERFACE_W {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    WCHAR dbcc_name[1];
};
static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);

using HDEVNOTIFY = HANDLE;

// Only the USB device interface class is known here (ERROR_NOT_SUPPORTED for others);
// null with the last error set when the monitor cannot be started.
HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, LPVOID filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);
