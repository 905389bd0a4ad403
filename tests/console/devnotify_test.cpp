// Device notifications on the bench: plugging and unplugging a USB device posts
// WM_DEVICECHANGE to the registered window; other kinds of notification are refused.
#include "platform/base/lasterror.h"
#include "platform/devnotify/devnotify.h"
#include "platform/text/text.h"
#include "sim/core/testbed.h"
#include "sim/core/usb_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

class SilentDevice : public sim::UsbDevice {
public:
    using sim::UsbDevice::UsbDevice;

protected:
    long Control(const sim::ControlSetup&, std::span<std::uint8_t>) override { return -EPIPE; }
};

struct Notification {
    UINT event;
    std::u16string name;
};

class RecordingWindow final : public MessageWindow {
public:
    ~RecordingWindow() override { StopReceiving(); }

    void Post(PostedMessage message) override
    {
        const auto& broadcast = message.Record<DEV_BROADCAST_DEVICEINTERFACE_W>();
        EXPECT_EQ(message.message, WM_DEVICECHANGE);
        EXPECT_EQ(broadcast.dbcc_devicetype, DBT_DEVTYP_DEVICEINTERFACE);
        EXPECT_EQ(message.lParam, 0) << "the receiver's copy is set on delivery";
        std::lock_guard guard(lock_);
        received_.push_back({static_cast<UINT>(message.wParam),
                             std::u16string(platform::WideFieldView(reinterpret_cast<const char16_t*>(message.copy.data() + 28),
                                                                    (message.copy.size() - 28) / 2))});
        arrived_.notify_all();
    }

    // The next notification; a safety limit keeps a lost one from hanging the test.
    Notification Next()
    {
        std::unique_lock guard(lock_);
        if (!arrived_.wait_for(guard, std::chrono::seconds(30), [&] { return !received_.empty(); }))
            return {};
        Notification next = received_.front();
        received_.erase(received_.begin());
        return next;
    }

private:
    std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Notification> received_;
};

DEV_BROADCAST_DEVICEINTERFACE_W UsbFilter()
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    return filter;
}

TEST(DeviceNotifications, PlugAndUnplugReachTheWindow)
{
    sim::Testbed testbed;
    RecordingWindow window;
    DEV_BROADCAST_DEVICEINTERFACE_W filter = UsbFilter();
    HDEVNOTIFY registration = RegisterDeviceNotificationW(&window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(registration, nullptr);

    SilentDevice device({.bus = 1, .device = 7, .portPath = "1-2", .vendorId = 0x2F52, .productId = 0x5202});
    testbed.Plug(device.Record());
    Notification arrival = window.Next();
    EXPECT_EQ(arrival.event, DBT_DEVICEARRIVAL);
    EXPECT_EQ(arrival.name, platform::AnsiToWide(device.SysPath()));
    testbed.Unplug(device.SysPath());
    // The testbed may announce an added device more than once.
    Notification removal = window.Next();
    while (removal.event == DBT_DEVICEARRIVAL)
        removal = window.Next();
    EXPECT_EQ(removal.event, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(removal.name, arrival.name);

    EXPECT_TRUE(UnregisterDeviceNotification(registration));
    EXPECT_FALSE(UnregisterDeviceNotification(registration)) << "a registration ends once";
}

TEST(DeviceNotifications, OnlyUsbDeviceInterfacesAreKnown)
{
    RecordingWindow window;
    DEV_BROADCAST_DEVICEINTERFACE_W filter = UsbFilter();
    filter.dbcc_classguid.Data1 ^= 1;
    EXPECT_EQ(RegisterDeviceNotificationW(&window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    filter = UsbFilter();
    EXPECT_EQ(RegisterDeviceNotificationW(nullptr, &filter, DEVICE_NOTIFY_WINDOW_HANDLE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
