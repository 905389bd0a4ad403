// Every open takes the first supported device of the bus, and each open keeps the ids of
// the device it opened even when another thread's open has recorded a different one. A
// session keeps the device to its own thread across several opens.
#include "chip_test_support.h"

#include <gtest/gtest.h>
#include <usb.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using chiptest::ConfigFor;

// The ids of the first device libusb lists that the station supports.
UsbDeviceIds FirstListedSupported()
{
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus != nullptr; bus = bus->next)
        for (struct usb_device* device = bus->devices; device != nullptr; device = device->next)
            if (IsSupportedDevice(device->descriptor.idVendor, device->descriptor.idProduct))
                return {device->descriptor.idVendor, device->descriptor.idProduct};
    return {};
}

TEST(TargetDevice, NoSupportedDeviceOpensNothing)
{
    sim::ChipBench bench;
    bench.AddHub({.vendorId = MakerVendorId, .productId = 0x5410, .bcdDevice = 0x0D12});
    OpenedDeviceIds.Set({0x1111, 0x2222});
    EXPECT_EQ(TargetDevice::Open(), nullptr);
    EXPECT_EQ(OpenedDeviceIds.Get(), (UsbDeviceIds{0, 0}));
}

TEST(TargetDevice, ADeviceWhoseNodeHasGoneIsNotOpened)
{
    {
        sim::ChipBench before;
        before.AddChip(ConfigFor(ChipProductId::RZ522));
        ASSERT_NE(TargetDevice::Open(), nullptr);
    }
    // The whole bus has gone: libusb-0.1 keeps listing the device it knew and hands out a
    // handle without an open node for it.
    sim::ChipBench empty;
    EXPECT_EQ(TargetDevice::Open(), nullptr);
}

TEST(TargetDevice, EveryOpenTakesTheFirstSupportedDeviceOfTheBus)
{
    sim::ChipBench bench;
    bench.AddChip(ConfigFor(ChipProductId::RZ521));
    bench.AddChip(ConfigFor(ChipProductId::RZ524));
    const UsbDeviceIds first = FirstListedSupported();
    ASSERT_NE(first.idProduct, 0);
    for (int open = 0; open < 3; ++open) {
        auto device = TargetDevice::Open();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->ids(), first);
        EXPECT_EQ(OpenedDeviceIds.Get(), first);
    }
}

TEST(TargetDevice, AnOpenKeepsItsOwnIdsWhenALaterOpenFindsAnotherDevice)
{
    sim::ChipBench bench;
    auto& only = bench.AddChip(ConfigFor(ChipProductId::RZ522));
    auto first = TargetDevice::Open();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->model(), ChipModel::RZ522);

    // The chip leaves while the first open still holds it; another takes its place.
    bench.Unplug(only);
    bench.AddChip(ConfigFor(ChipProductId::RZ521));
    auto second = TargetDevice::Open();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->model(), ChipModel::RZ521);
    EXPECT_EQ(OpenedDeviceIds.Get().idProduct, ChipProductId::RZ521);
    EXPECT_EQ(first->model(), ChipModel::RZ522) << "the first open still drives the chip it opened";
}

TEST(TargetDevice, ASessionLetsItsOwnThreadOpenAndKeepsOthersWaiting)
{
    sim::ChipBench bench;
    bench.AddChip(ConfigFor(ChipProductId::RZ526));
    std::mutex lock;
    std::vector<std::string> events;
    auto note = [&](const char* event) {
        std::lock_guard guard(lock);
        events.emplace_back(event);
    };
    std::thread other;
    {
        DeviceSession session;
        other = std::thread([&] {
            const bool opened = TargetDevice::Open() != nullptr;
            note(opened ? "other opened" : "other failed");
        });
        for (int open = 0; open < 2; ++open)
            EXPECT_NE(TargetDevice::Open(), nullptr) << "the session's own thread never waits for itself";
        note("session ended");
    }
    other.join();
    EXPECT_EQ(events, (std::vector<std::string>{"session ended", "other opened"}));
}

} // namespace
