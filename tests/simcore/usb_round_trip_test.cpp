// Control transfers through the real libusb-0.1 (usbfs: descriptor reads, CONNECTINFO,
// USBDEVFS_CONTROL) reach a simulated device and come back with its answer.
#include "echo_device.h"
#include "sim/core/testbed.h"

#include <gtest/gtest.h>
#include <usb.h>

#include <thread>

namespace {

struct usb_device* FindDevice(std::uint16_t vendorId, std::uint16_t productId)
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next)
            if (device->descriptor.idVendor == vendorId && device->descriptor.idProduct == productId)
                return device;
    return nullptr;
}

class UsbRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        testbed.Add(device.Record());
        testbed.Attach(device.DevNode(), device);
    }

    sim::Testbed testbed;
    simtest::EchoDevice device{{.bus = 3, .device = 7, .portPath = "3-2", .vendorId = 0x1D6B, .productId = 0x4242, .bcdDevice = 0x0D12}};
};

TEST_F(UsbRoundTrip, LibusbFindsTheDeviceWithItsDescriptor)
{
    struct usb_device* found = FindDevice(0x1D6B, 0x4242);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->filename, "007");
    EXPECT_STREQ(found->bus->dirname, "003");
    EXPECT_EQ(found->descriptor.bcdDevice, 0x0D12);
    ASSERT_NE(found->config, nullptr);
    EXPECT_EQ(found->config[0].bNumInterfaces, 1);
}

TEST_F(UsbRoundTrip, InAndOutDataStagesCrossTheBench)
{
    struct usb_device* found = FindDevice(0x1D6B, 0x4242);
    ASSERT_NE(found, nullptr);
    usb_dev_handle* handle = usb_open(found);
    ASSERT_NE(handle, nullptr);

    char in[32] = {};
    ASSERT_EQ(usb_control_msg(handle, 0xC0, 0x01, 0x1200, 0x0003, in, sizeof in, 1000), 32);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(static_cast<std::uint8_t>(in[i]), 0x12 + 0x03 + i) << i;

    char out[5] = {'a', 'b', 'c', 'd', 'e'};
    ASSERT_EQ(usb_control_msg(handle, 0x40, 0x02, 0, 0, out, sizeof out, 1000), 5);
    EXPECT_EQ(device.LastOut(), (std::vector<std::uint8_t>{'a', 'b', 'c', 'd', 'e'}));

    EXPECT_LT(usb_control_msg(handle, 0x40, 0x7E, 0, 0, nullptr, 0, 1000), 0) << "an unknown request stalls";
    usb_close(handle);
}

TEST_F(UsbRoundTrip, ConcurrentHandlesEachGetTheirOwnAnswers)
{
    struct usb_device* found = FindDevice(0x1D6B, 0x4242);
    ASSERT_NE(found, nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            usb_dev_handle* handle = usb_open(found);
            if (handle == nullptr) {
                ++wrong;
                return;
            }
            for (int i = 0; i < 200; ++i) {
                char in[4] = {};
                const int value = (t * 16 + i % 16) << 8;
                if (usb_control_msg(handle, 0xC0, 0x01, value, 0, in, sizeof in, 1000) != 4 ||
                    static_cast<std::uint8_t>(in[0]) != (value >> 8))
                    ++wrong;
            }
            usb_close(handle);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
