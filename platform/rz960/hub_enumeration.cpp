#include "platform/rz960/hub_enumeration.h"

#include "platform/debug/debug.h"
#include "platform/usbsys/sysfs.h"

#include <libudev.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

struct UdevRelease {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

// A missing attribute, or one that is no number of the field, counts 0.
WORD HexAttribute(const char* text)
{
    return text != nullptr ? static_cast<WORD>(usbsys::ParseHexNumber(text, 0xFFFF).value_or(0)) : 0;
}

// sysfs "speed" in Mbit/s: 5000 and above is USB 3, 480 USB 2, below that USB 1; 0 unknown.
BYTE Generation(const char* speed)
{
    const auto mbps = speed != nullptr ? usbsys::ParseDecimalNumber(speed) : std::nullopt;
    if (!mbps)
        return 0;
    return *mbps >= 5000 ? 3 : *mbps >= 480 ? 2 : 1;
}

} // namespace

HubIdentity HubIdentityOf(const char* idProduct, const char* idVendor, const char* bcdDevice, const char* speed)
{
    return {HexAttribute(idProduct), HexAttribute(idVendor), HexAttribute(bcdDevice), Generation(speed)};
}

std::vector<std::string> FindHubs(const std::vector<HubIdentity>& wanted)
{
    std::vector<std::string> found;
    std::unique_ptr<udev, UdevRelease> context(udev_new());
    if (!context) {
        DebugPrintf("RZ960API: udev is not available");
        return found;
    }
    std::unique_ptr<udev_enumerate, UdevRelease> enumerate(udev_enumerate_new(context.get()));
    udev_enumerate_add_match_subsystem(enumerate.get(), "usb");
    udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device");
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) {
        DebugPrintf("RZ960API: USB device scan failed");
        return found;
    }
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        std::unique_ptr<udev_device, UdevRelease> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device || udev_device_get_devnode(device.get()) == nullptr)
            continue;
        auto attribute = [&](const char* name) { return udev_device_get_sysattr_value(device.get(), name); };
        const HubIdentity identity =
            HubIdentityOf(attribute("idProduct"), attribute("idVendor"), attribute("bcdDevice"), attribute("speed"));
        if (std::find(wanted.begin(), wanted.end(), identity) != wanted.end())
            found.emplace_back(udev_device_get_devnode(device.get()));
    }
    return found;
}

} // namespace platform
