// Devices of the bus listing are kept per listing entry, but a hub listed before its
// driver has counted its ports is read again until it has.
#include "sysfs_tree.h"

#include "platform/usbsys/usb_tree.h"

#include <gtest/gtest.h>

namespace {

TEST(ListedDevices, AHubIsReadAgainUntilItsPortsAreCounted)
{
    usbsystest::SysfsTree tree({}, "0");
    auto early = platform::usbsys::ListedUsbDevice("usb1");
    ASSERT_TRUE(early);
    EXPECT_EQ(early->portCount, 0u);
    EXPECT_TRUE(early->IsHub()) << "a hub tells by its class before its ports are counted";

    std::ofstream(tree.Folder("usb1") + "/maxchild") << "4\n";
    auto counted = platform::usbsys::ListedUsbDevice("usb1");
    ASSERT_TRUE(counted);
    EXPECT_EQ(counted->portCount, 4u);
}

} // namespace
