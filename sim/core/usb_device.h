// A simulated USB device as usbfs shows it: its sysfs entry and /dev/bus/usb node, the
// descriptors that read() on the node returns, USBDEVFS_CONNECTINFO, and control transfers
// (USBDEVFS_CONTROL), which a derived model answers. libusb-0.1 needs no more than this.
// No kernel driver is bound to the device (GETDRIVER fails with ENODATA); any other usbfs
// call fails with ENOTTY; once unplugged, every call fails with ENODEV.
#pragma once

#include "sim/core/device_call.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace sim {

struct UsbDeviceDescription {
    int bus = 1;
    // 0: the next free number, as the kernel numbers devices in the order they arrive. A
    // number is never reused in a process, so libusb, which knows devices by their
    // number, never takes a device of one testbed for one of an earlier testbed.
    int device = 0;
    // sysfs name of the port chain, e.g. "1-1" or "1-1.3" (behind the hub on port 1);
    // empty: "<bus>-<device>", one port of its own per device.
    std::string portPath{};
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0x0100;
    unsigned speedMbps = 480; // 5000 for a SuperSpeed device
    std::uint8_t deviceClass = 0;
};

// The setup stage of a control transfer.
struct ControlSetup {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
    std::uint32_t timeoutMs = 0;

    bool in() const { return (requestType & 0x80) != 0; }
};

class UsbDevice : public DeviceNode {
public:
    explicit UsbDevice(UsbDeviceDescription description);

    const UsbDeviceDescription& description() const { return description_; }
    // The umockdev record of the device, for Testbed::Add or Testbed::Plug.
    std::string Record() const;
    std::string DevNode() const; // "/dev/bus/usb/BBB/DDD"
    std::string SysPath() const; // "/sys/devices/..."

    // From now on every call on the node fails as on a device that has left the bus.
    void MarkGone() { gone_ = true; }

    Reply Ioctl(DeviceCall& call) override;
    Reply Read(DeviceCall& call) override;
    void Opened(ClientId client) override;
    void Closed(ClientId client) override;

protected:
    // One control transfer. `data` is the data stage (wLength bytes: to fill for IN, as
    // sent for OUT). Returns the bytes moved, or a negative errno (-EPIPE stalls).
    virtual long Control(const ControlSetup& setup, std::span<std::uint8_t> data) = 0;

private:
    UsbDeviceDescription description_;
    // Device descriptor, then the one configuration with one vendor-class interface.
    std::vector<std::uint8_t> descriptors_;
    std::atomic<bool> gone_{false};
    std::mutex positionsLock_;
    std::map<ClientId, std::size_t> readPositions_;
};

} // namespace sim
