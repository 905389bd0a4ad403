// The LUN capacities of a device's CIS through a stand-in server: the system addresses,
// the first CIS block, and every failed step leaving the record's own values.
#include "console/format_page/cis_capacities.h"
#include "console/server_link.h"
#include "format_fakes.h"
#include "portwarden/records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace formattest {
namespace {

constexpr int kPort = 3;

class CisCapacities : public ::testing::Test {
protected:
    CisCapacities()
    {
        PortwardenCtrl = &device;
        PortwardenCtrl2 = &device;
        const char path[] = "\\\\?\\usbstor#disk&ven_bench#3";
        std::memcpy(record.disk.devicePath, path, sizeof path);
        record.SetDevicePathFromDisk();
        image.bytes[cis::kBlockAccessFlags] = 0x35;
    }
    ~CisCapacities() override
    {
        PortwardenCtrl = nullptr;
        PortwardenCtrl2 = nullptr;
    }

    CisDevice device;
    PortRecord record{};
    CISImage image{};
};

TEST_F(CisCapacities, ReadFromTheFirstCisBlock)
{
    const std::optional<LunCapacities> capacities = ReadCisCapacities(kPort, record, image);
    ASSERT_TRUE(capacities.has_value());
    EXPECT_EQ(*capacities, device.capacities);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(image.Dword(cis::kBlockAddresses + 4 * k), device.blockAddresses[k]) << "address " << k;
    ASSERT_EQ(device.blockCalls.size(), 1u);
    const CisDevice::BlockCall& call = device.blockCalls[0];
    EXPECT_EQ(call.rd, 1);
    EXPECT_EQ(call.kind, 2);
    EXPECT_EQ(call.flags, 0x05) << "the low nibble of the image's block-access flags";
    EXPECT_EQ(call.tag, "CISSYS");
    EXPECT_EQ(call.block, 0x120);
    EXPECT_EQ(call.length, 1024);
    EXPECT_EQ(device.openedPath, "\\\\?\\usbstor#disk&ven_bench#3");
    EXPECT_EQ(device.closeCalls, 1);
}

TEST_F(CisCapacities, NothingIsTakenFromAFailedOrMissingRead)
{
    struct Case {
        const char* name;
        bool opens, addressesRead, blockRead;
        DWORD firstAddress;
        int closes;
        bool addressesStored;
    } cases[] = {
        {"the disk does not open", false, true, true, 0x120, 0, false},
        {"the system addresses are not read", true, false, true, 0x120, 1, false},
        {"the device has no CIS yet", true, true, true, 0xFFFFFFFF, 1, false},
        {"the CIS block is not read", true, true, false, 0x120, 1, true},
    };
    for (const Case& c : cases) {
        CisDevice failing;
        failing.opens = c.opens;
        failing.addressesRead = c.addressesRead;
        failing.blockRead = c.blockRead;
        failing.blockAddresses[0] = c.firstAddress;
        PortwardenCtrl = &failing;
        PortwardenCtrl2 = &failing;
        CISImage read{};
        EXPECT_FALSE(ReadCisCapacities(kPort, record, read).has_value()) << c.name;
        EXPECT_EQ(failing.closeCalls, c.closes) << c.name;
        EXPECT_EQ(read.Dword(cis::kBlockAddresses), c.addressesStored ? 0x120u : 0u) << c.name;
    }
}

TEST_F(CisCapacities, NeedBothInterfacesAndAPortOfTheTable)
{
    EXPECT_FALSE(ReadCisCapacities(32, record, image).has_value());
    EXPECT_FALSE(ReadCisCapacities(-1, record, image).has_value());
    PortwardenCtrl2 = nullptr;
    EXPECT_FALSE(ReadCisCapacities(kPort, record, image).has_value());
    EXPECT_EQ(device.openCalls, 0);
}

} // namespace
} // namespace formattest
