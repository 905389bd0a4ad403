// Device instance names on a small sysfs tree built by the test (FABRUN_SYSFS_ROOT): a
// serial number names a device only while no other present device of the same vendor
// and product id reports it too.
#include "sysfs_tree.h"
#include "tests/com/temporary_store.h"

#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_names.h"
#include "platform/usbsys/usb_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using platform::usbsys::UsbDevice;
using usbsystest::Device;
using usbsystest::SysfsTree;

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
