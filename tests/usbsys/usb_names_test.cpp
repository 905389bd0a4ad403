// Device instance names on a small sysfs tree built by the test (FABRUN_SYSFS_ROOT): a
// serial number names a device only while no other present device of the same vendor
// and product id reports it too.
#include "tests/com/temporary_store.h"

#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_names.h"
#include "platform/usbsys/usb_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

namespace fs = std::filesystem;
using platform::usbsys::UsbDevice;

struct Device {
    const char* sysName; // on root hub usb1
    unsigned productId;
    std::optional<std::string> serial;
    unsigned vendorId = 0x1E3D;
};

// A sysfs tree with root hub usb1 and devices on its ports, pointed at by FABRUN_SYSFS_ROOT.
class SysfsTree {
public:
    explicit SysfsTree(const std::vector<Device>& devices)
    {
        char pattern[] = "/tmp/fabrun-sysfs-XXXXXX";
        root_ = mkdtemp(pattern);
        Add("usb1", 0x1D6B, 0x0002, std::nullopt, "4");
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

private:
    void Add(const std::string& name, unsigned vendor, unsigned product, const std::optional<std::string>& serial,
             const char* maxchild)
    {
        const std::string controller = root_ + "/devices/pci0000:00/0000:00:14.0";
        const std::string folder = name == "usb1" ? controller + "/usb1" : controller + "/usb1/" + name;
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

// Each device's instance id, in tree order after the root hub.
std::vector<std::string> InstanceIds()
{
    const auto tree = platform::usbsys::ReadUsbTree();
    std::vector<std::string> ids;
    for (std::size_t i = 1; i < tree.devices.size(); ++i)
        ids.push_back(platform::usbsys::NamesOf(tree.devices[i], &tree.devices[0]).instanceId);
    return ids;
}

std::string InstancePart(const std::string& id)
{
    return id.substr(id.find_last_of('\\') + 1);
}

struct Case {
    const char* what;
    std::vector<Device> devices;
    std::vector<bool> byPort; // per device: named by its port rather than its serial
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.what;
}

class SerialNames : public ::testing::TestWithParam<Case> {
protected:
    fabrun_test::TemporaryStore store;
};

TEST_P(SerialNames, ASerialNamesADeviceOnlyWhenNoOtherOfItsKindReportsIt)
{
    const Case& c = GetParam();
    SysfsTree tree(c.devices);
    const auto ids = InstanceIds();
    ASSERT_EQ(ids.size(), c.byPort.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        // A name by port is the hub's prefix and the port number ("5&1a2b3c4d&0&2").
        const std::string expected = c.byPort[i] ? "&" + std::to_string(i + 1) : *c.devices[i].serial;
        const std::string instance = InstancePart(ids[i]);
        EXPECT_EQ(instance.substr(instance.size() - std::min(instance.size(), expected.size())), expected) << ids[i];
        EXPECT_EQ(instance.find('&') != std::string::npos, c.byPort[i]) << ids[i];
    }
    for (std::size_t i = 0; i + 1 < ids.size(); ++i)
        EXPECT_NE(ids[i], ids[i + 1]) << "two present devices never share an instance id";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SerialNames,
    ::testing::Values(Case{"alone", {{"1-1", 0x6025, "SN01"}}, {false}},
                      Case{"two_serials", {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, "SN02"}}, {false, false}},
                      Case{"one_serial_twice", {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, "SN01"}}, {true, true}},
                      Case{"letter_case_differs", {{"1-1", 0x6025, "sn01"}, {"1-2", 0x6025, "SN01"}}, {true, true}},
                      Case{"another_product", {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6026, "SN01"}}, {false, false}},
                      Case{"twins_beside_a_third",
                           {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, "SN02"}, {"1-3", 0x6025, "SN01"}},
                           {true, false, true}},
                      Case{"no_serial_beside_one", {{"1-1", 0x6025, std::nullopt}, {"1-2", 0x6025, "SN01"}}, {true, false}},
                      Case{"separator_in_the_serial", {{"1-1", 0x6025, "SN&01"}}, {true}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.what); });

struct SharedCase {
    const char* what;
    std::vector<Device> devices;
    std::vector<bool> shared; // per device
};

void PrintTo(const SharedCase& c, std::ostream* out)
{
    *out << c.what;
}

class SerialShared : public ::testing::TestWithParam<SharedCase> {
protected:
    fabrun_test::TemporaryStore store;
};

// A control code reads one device and asks about the others; a tree read compares all the
// devices it read. Both must give the same answer.
TEST_P(SerialShared, ADeviceReadAloneIsComparedWithTheOthersPresentAsInATreeRead)
{
    const SharedCase& c = GetParam();
    SysfsTree tree(c.devices);
    const auto read = platform::usbsys::ReadUsbDevices();
    ASSERT_EQ(read.size(), c.devices.size() + 1);
    const std::string devices = platform::usbsys::SysfsRoot() + "/bus/usb/devices/";
    for (std::size_t i = 0; i < c.devices.size(); ++i) {
        const char* name = c.devices[i].sysName;
        auto device = platform::usbsys::ReadUsbDevice(name, platform::usbsys::ResolvePath(devices + name));
        ASSERT_TRUE(device) << name;
        EXPECT_EQ(platform::usbsys::SerialIsShared(*device), c.shared[i]) << name;
        EXPECT_EQ(read[i + 1].serialShared, c.shared[i]) << name << " in the tree read";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SerialShared,
    ::testing::Values(SharedCase{"twins_beside_a_third",
                                 {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, "SN01"}, {"1-3", 0x6025, "SN03"}},
                                 {true, true, false}},
                      SharedCase{"letter_case_differs", {{"1-1", 0x6025, "sn01"}, {"1-2", 0x6025, "SN01"}}, {true, true}},
                      SharedCase{"another_product", {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6026, "SN01"}}, {false, false}},
                      SharedCase{"another_vendor",
                                 {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, "SN01", 0x0951}},
                                 {false, false}},
                      SharedCase{"no_serials", {{"1-1", 0x6025, std::nullopt}, {"1-2", 0x6025, std::nullopt}}, {false, false}},
                      SharedCase{"empty_serials", {{"1-1", 0x6025, ""}, {"1-2", 0x6025, ""}}, {false, false}},
                      SharedCase{"a_serial_beside_none", {{"1-1", 0x6025, "SN01"}, {"1-2", 0x6025, std::nullopt}}, {false, false}}),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return std::string(info.param.what); });

} // namespace
