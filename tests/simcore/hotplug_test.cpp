// Devices come and go on the bench as on a real bus: sysfs and /dev follow, udev
// listeners get the uevents, and a vanished device fails the calls of handles still open.
#include "echo_device.h"
#include "sim/core/testbed.h"

#include <gtest/gtest.h>
#include <libudev.h>
#include <poll.h>
#include <usb.h>

#include <memory>
#include <set>
#include <string>

namespace {

std::set<std::string> ListedDevices()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    std::set<std::string> names;
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next)
            names.insert(std::string(bus->dirname) + "/" + device->filename);
    return names;
}

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

class Hotplug : public ::testing::Test {
protected:
    // The next uevent, or an empty action when none arrives within a generous guard time.
    std::pair<std::string, std::string> NextEvent(udev_monitor* monitor)
    {
        pollfd poller{udev_monitor_get_fd(monitor), POLLIN, 0};
        if (poll(&poller, 1, 10000) != 1)
            return {};
        UdevPtr<udev_device> device(udev_monitor_receive_device(monitor));
        if (!device)
            return {};
        return {udev_device_get_action(device.get()), udev_device_get_syspath(device.get())};
    }

    sim::Testbed testbed;
    UdevPtr<udev> context{udev_new()};
};

TEST_F(Hotplug, SysfsAttributesAreSeenThroughLibudev)
{
    simtest::EchoDevice device({.bus = 2, .device = 4, .portPath = "2-1.3", .vendorId = 0x1D6B, .productId = 0x0101, .bcdDevice = 0x0538, .speedMbps = 5000});
    testbed.Add(device.Record());

    UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device");
    ASSERT_EQ(udev_enumerate_scan_devices(enumerate.get()), 0);
    int found = 0;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        UdevPtr<udev_device> listed(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        ASSERT_TRUE(listed);
        EXPECT_EQ(std::string(udev_device_get_syspath(listed.get())), device.SysPath());
        EXPECT_STREQ(udev_device_get_sysname(listed.get()), "2-1.3");
        EXPECT_STREQ(udev_device_get_devnode(listed.get()), "/dev/bus/usb/002/004");
        EXPECT_STREQ(udev_device_get_sysattr_value(listed.get(), "idVendor"), "1d6b");
        EXPECT_STREQ(udev_device_get_sysattr_value(listed.get(), "bcdDevice"), "0538");
        EXPECT_STREQ(udev_device_get_sysattr_value(listed.get(), "speed"), "5000");
        ++found;
    }
    EXPECT_EQ(found, 1);
}

TEST_F(Hotplug, UnplugAndPlugAreAnnouncedAndFollowedByTheBus)
{
    simtest::EchoDevice first({.bus = 1, .device = 5, .vendorId = 0x1D6B, .productId = 0x0001});
    testbed.Add(first.Record());
    testbed.Attach(first.DevNode(), first);
    ASSERT_EQ(ListedDevices(), std::set<std::string>{"001/005"});

    UdevPtr<udev_monitor> monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    ASSERT_TRUE(monitor);
    udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", nullptr);
    ASSERT_EQ(udev_monitor_enable_receiving(monitor.get()), 0);

    usb_dev_handle* handle = nullptr;
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        if (bus->devices != nullptr)
            handle = usb_open(bus->devices);
    ASSERT_NE(handle, nullptr);

    first.MarkGone();
    testbed.Unplug(first.SysPath());
    EXPECT_EQ(NextEvent(monitor.get()), std::make_pair(std::string("remove"), first.SysPath()));
    char byte = 0;
    EXPECT_LT(usb_control_msg(handle, 0xC0, 0x01, 0, 0, &byte, 1, 1000), 0) << "a handle to a vanished device fails";
    usb_close(handle);
    EXPECT_TRUE(ListedDevices().empty());

    // Plugged in again, the device comes back under a new device number.
    simtest::EchoDevice again({.bus = 1, .device = 6, .vendorId = 0x1D6B, .productId = 0x0001});
    testbed.Plug(again.Record());
    testbed.Attach(again.DevNode(), again);
    EXPECT_EQ(NextEvent(monitor.get()), std::make_pair(std::string("add"), again.SysPath()));
    EXPECT_EQ(ListedDevices(), std::set<std::string>{"001/006"});
}

} // namespace
