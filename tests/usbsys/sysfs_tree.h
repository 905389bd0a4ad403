// A small sysfs tree built by a test: root hub usb1 and devices on its ports, pointed at by
// FABRUN_SYSFS_ROOT while it lives.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace usbsystest {

namespace fs = std::filesystem;

struct Device {
    const char* sysName; // on root hub usb1
    unsigned productId;
    std::optional<std::string> serial;
    unsigned vendorId = 0x1E3D;
};

class SysfsTree {
public:
    // `rootPorts`: the root hub's port count as its driver has set it ("0" before it has).
    explicit SysfsTree(const std::vector<Device>& devices, const char* rootPorts = "4")
    {
        char pattern[] = "/tmp/fabrun-sysfs-XXXXXX";
        root_ = mkdtemp(pattern);
        Add("usb1", 0x1D6B, 0x0002, std::nullopt, rootPorts);
        for (const Device& device : devices)
            Add(device.sysName, device.vendorId, device.productId, device.serial, "0");
        setenv("FABRUN_SYSFS_ROOT", root_.c_str(), 1);
    }
    ~SysfsTree()
    {
        unsetenv("FABRUN_SYSFS_ROOT");
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    // Where a device's attributes are ("usb1", or a device on its ports).
    std::string Folder(const std::string& name) const
    {
        const std::string controller = root_ + "/devices/pci0000:00/0000:00:14.0";
        return name == "usb1" ? controller + "/usb1" : controller + "/usb1/" + name;
    }

private:
    void Add(const std::string& name, unsigned vendor, unsigned product, const std::optional<std::string>& serial,
             const char* maxchild)
    {
        const std::string folder = Folder(name);
        fs::create_directories(folder);
        auto write = [&](const char* attribute, const std::string& text) { std::ofstream(folder + "/" + attribute) << text << "\n"; };
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x", vendor);
        write("idVendor", hex);
        std::snprintf(hex, sizeof hex, "%04x", product);
        write("idProduct", hex);
        write("bcdDevice", "0100");
        // The device descriptor as the kernel keeps it: a hub for usb1, else a device.
        const unsigned char descriptor[18] = {18, 1, 0x00, 0x02, static_cast<unsigned char>(name == "usb1" ? 9 : 0), 0, 0, 64,
                                              static_cast<unsigned char>(vendor), static_cast<unsigned char>(vendor >> 8),
                                              static_cast<unsigned char>(product), static_cast<unsigned char>(product >> 8),
                                              0x00, 0x01, 1, 2, 3, 1};
        std::ofstream(folder + "/descriptors", std::ios::binary).write(reinterpret_cast<const char*>(descriptor), sizeof descriptor);
        write("speed", "480");
        write("maxchild", maxchild);
        if (serial)
            write("serial", *serial);
        fs::create_directories(root_ + "/bus/usb/devices");
        fs::create_directory_symlink(folder, root_ + "/bus/usb/devices/" + name);
    }

    std::string root_;
};

} // namespace usbsystest
