#include "platform/devnotify/devnotify.h"

#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <thread>

namespace {

// The record posted with each notification: DEV_BROADCAST_DEVICEINTERFACE_W with room for its name.
struct DeviceInterfaceBroadcast {
    DWORD dbcc_size;
    DWORD dbcc_devicetype;
    DWORD dbcc_reserved;
    GUID dbcc_classguid;
    WCHAR dbcc_name[MAX_PATH];
};
static_assert(offsetof(DeviceInterfaceBroadcast, dbcc_name) == offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name));

class UsbMonitor final : public platform::HandleObject {
public:
    UsbMonitor(HWND recipient, udev* context, udev_monitor* monitor, int stopFd)
        : recipient_(recipient), context_(context), monitor_(monitor), stopFd_(stopFd), thread_([this] { Run(); })
    {
    }

    ~UsbMonitor() override
    {
        const std::uint64_t one = 1;
        if (write(stopFd_, &one, sizeof one) != sizeof one)
            platform::DebugPrintf("Device notifications: the monitor could not be told to stop (errno %d)", errno);
        thread_.join();
        close(stopFd_);
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }

private:
    void Run()
    {
        pollfd watched[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stopFd_, POLLIN, 0}};
        for (;;) {
            if (poll(watched, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                platform::DebugPrintf("Device notifications: poll failed (errno %d); no more notifications", errno);
                return;
            }
            if ((watched[1].revents & POLLIN) != 0)
                return;
            if ((watched[0].revents & POLLIN) != 0)
                Deliver(udev_monitor_receive_device(monitor_));
        }
    }

    void Deliver(udev_device* device)
    {
        if (device == nullptr)
            return;
        const char* action = udev_device_get_action(device);
        UINT event = action == nullptr ? 0 : std::strcmp(action, "add") == 0 ? DBT_DEVICEARRIVAL
                                         : std::strcmp(action, "remove") == 0 ? DBT_DEVICEREMOVECOMPLETE
                                                                              : 0;
        if (event != 0) {
            DeviceInterfaceBroadcast record{};
            record.dbcc_size = sizeof record;
            record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            record.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
            platform::CopyWideToWideField(record.dbcc_name, MAX_PATH, platform::AnsiToWide(udev_device_get_syspath(device)));
            if (!platform::PostMessageWithCopy(recipient_, WM_DEVICECHANGE, event, &record, sizeof record))
                platform::DebugPrintf("Device notifications: the window is gone; %s of %s not delivered", action,
                                      udev_device_get_syspath(device));
        }
        udev_device_unref(device);
    }

    HWND recipient_;
    udev* context_;
    udev_monitor* monitor_;
    int stopFd_;
    std::thread thread_;
};

} // namespace

HDEVNOTIFY RegisterDeviceNotificationW(HWND recipient, LPVOID filter, DWORD flags)
{
    const auto* wanted = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(filter);
    if (recipient == nullptr || wanted == nullptr || flags != DEVICE_NOTIFY_WINDOW_HANDLE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (wanted->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE || !(wanted->dbcc_classguid == GUID_DEVINTERFACE_USB_DEVICE)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    udev* context = udev_new();
    udev_monitor* monitor = context != nullptr ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    int stopFd = eventfd(0, EFD_CLOEXEC);
    bool ready = monitor != nullptr && stopFd >= 0 && udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") >= 0 &&
                 udev_monitor_enable_receiving(monitor) >= 0;
    if (!ready) {
        platform::DebugPrintf("Device notifications: the USB monitor could not be started (errno %d)", errno);
        if (stopFd >= 0)
            close(stopFd);
        udev_monitor_unref(monitor);
        udev_unref(context);
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    return platform::IssueHandle(std::make_shared<UsbMonitor>(recipient, context, monitor, stopFd));
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle)
{
    if (platform::HandleAs<UsbMonitor>(handle) == nullptr)
        return FALSE;
    return CloseHandle(handle);
}
