#include "sim/core/usb_device.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

std::string Format(const char* format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void PutLe16(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (auto byte : bytes)
        text += Format("%02x", byte);
    return text;
}

// Device numbers run 1..127 on a bus; the root hub would hold 1.
int NextDeviceNumber()
{
    static std::atomic<int> next{2};
    const int number = next++;
    return 2 + (number - 2) % 126;
}

} // namespace

UsbDevice::UsbDevice(UsbDeviceDescription description) : description_(std::move(description))
{
    if (description_.device == 0)
        description_.device = NextDeviceNumber();
    if (description_.portPath.empty())
        description_.portPath = std::to_string(description_.bus) + "-" + std::to_string(description_.device);
    const bool superSpeed = description_.speedMbps >= 5000;
    auto& d = descriptors_;
    d = {18, 1};
    PutLe16(d, superSpeed ? 0x0300 : 0x0200);
    d.insert(d.end(), {description_.deviceClass, 0, 0, static_cast<std::uint8_t>(superSpeed ? 9 : 64)});
    PutLe16(d, description_.vendorId);
    PutLe16(d, description_.productId);
    PutLe16(d, description_.bcdDevice);
    d.insert(d.end(), {0, 0, 0, 1});
    d.insert(d.end(), {9, 2, 18, 0, 1, 1, 0, 0x80, 50});
    d.insert(d.end(), {9, 4, 0, 0, 0, 0xFF, 0, 0, 0});
}

std::string UsbDevice::DevNode() const
{
    return "/dev/bus/usb/" + Format("%03u", description_.bus) + "/" + Format("%03u", description_.device);
}

std::string UsbDevice::SysPath() const
{
    // Each hop of the port chain is a folder of its own, as in the kernel's tree.
    std::string path = "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(description_.bus);
    const std::string& chain = description_.portPath;
    for (std::size_t dot = chain.find('.'); dot != std::string::npos; dot = chain.find('.', dot + 1))
        path += "/" + chain.substr(0, dot);
    return path + "/" + chain;
}

std::string UsbDevice::Record() const
{
    const auto& d = description_;
    std::string r;
    r += "P: " + SysPath().substr(4) + "\n";
    r += "N: " + DevNode().substr(5) + "\n";
    r += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
    r += "E: DEVNAME=" + DevNode() + "\n";
    r += "E: BUSNUM=" + Format("%03u", d.bus) + "\nE: DEVNUM=" + Format("%03u", d.device) + "\n";
    r += "E: PRODUCT=" + Format("%x", d.vendorId) + "/" + Format("%x", d.productId) + "/" + Format("%x", d.bcdDevice) + "\n";
    r += "A: idVendor=" + Format("%04x", d.vendorId) + "\n";
    r += "A: idProduct=" + Format("%04x", d.productId) + "\n";
    r += "A: bcdDevice=" + Format("%04x", d.bcdDevice) + "\n";
    r += "A: bDeviceClass=" + Format("%02x", d.deviceClass) + "\n";
    r += "A: busnum=" + std::to_string(d.bus) + "\nA: devnum=" + std::to_string(d.device) + "\n";
    r += "A: speed=" + std::to_string(d.speedMbps) + "\n";
    r += "H: descriptors=" + Hex(descriptors_) + "\n";
    return r;
}

void UsbDevice::Opened(ClientId client)
{
    std::lock_guard guard(positionsLock_);
    readPositions_[client] = 0;
}

void UsbDevice::Closed(ClientId client)
{
    std::lock_guard guard(positionsLock_);
    readPositions_.erase(client);
}

Reply UsbDevice::Read(DeviceCall& call)
{
    if (gone_)
        return Reply::Fail(ENODEV);
    auto buffer = call.Buffer();
    std::lock_guard guard(positionsLock_);
    std::size_t& position = readPositions_[call.client()];
    const std::size_t count = std::min(buffer.size(), descriptors_.size() - std::min(position, descriptors_.size()));
    std::memcpy(buffer.data(), descriptors_.data() + position, count);
    position += count;
    return Reply::Ok(static_cast<long>(count));
}

Reply UsbDevice::Ioctl(DeviceCall& call)
{
    if (gone_)
        return Reply::Fail(ENODEV);
    switch (call.request()) {
    case USBDEVFS_CONNECTINFO: {
        auto& info = call.Argument<usbdevfs_connectinfo>();
        info.devnum = static_cast<unsigned>(description_.device);
        info.slow = 0;
        return Reply::Ok(0);
    }
    case USBDEVFS_CONTROL: {
        auto& transfer = call.Argument<usbdevfs_ctrltransfer>();
        const ControlSetup setup{transfer.bRequestType, transfer.bRequest, transfer.wValue,
                                 transfer.wIndex,       transfer.wLength,  transfer.timeout};
        auto data = call.Pointee(transfer.data, transfer.wLength);
        const long moved = Control(setup, data);
        return moved >= 0 ? Reply::Ok(moved) : Reply::Fail(static_cast<int>(-moved));
    }
    case USBDEVFS_GETDRIVER:
        return Reply::Fail(ENODATA);
    default:
        return Reply::Fail(ENOTTY);
    }
}

} // namespace sim
