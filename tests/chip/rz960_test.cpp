// The hub-access stand-in finds exactly the hubs its table names and drives their
// registers through usbfs; a failing access is reported, never taken for success.
#include "chip_test_support.h"
#include "platform/rz960/rz960api.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using chiptest::DebugCapture;

// Two hub kinds: a USB 3 hub (0x5420, release 0x0518) and the USB 2 half of another (0x5431, 0x0538).
std::vector<BYTE> Table()
{
    return {2, 0x20, 0x54, 0x52, 0x2F, 0x18, 0x05, 3, 0x31, 0x54, 0x52, 0x2F, 0x38, 0x05, 2};
}

sim::HubConfig Hub(WORD productId, WORD release, unsigned speed)
{
    return {.bus = 2, .vendorId = MakerVendorId, .productId = productId, .bcdDevice = release, .speedMbps = speed};
}

class Rz960 : public ::testing::Test {
protected:
    int Enumerate()
    {
        DWORD accepted = 0;
        EXPECT_EQ(VA_SetIniInfo(Table().data(), &accepted), 1);
        EXPECT_EQ(accepted, 2u);
        std::vector<BYTE> info(VA_EnumInfoSize, 0xCC);
        const int count = VA_GetEnumInfo(info.data(), 0);
        EXPECT_EQ(info[0], count);
        return count;
    }

    DebugCapture debug;
    sim::ChipBench bench;
};

TEST_F(Rz960, FindsOnlyHubsMatchingProductReleaseAndGeneration)
{
    bench.AddHub(Hub(0x5420, 0x0518, 5000));
    bench.AddHub(Hub(0x5420, 0x0518, 480));  // right ids, wrong generation
    bench.AddHub(Hub(0x5431, 0x0539, 480));  // wrong release
    bench.AddHub(Hub(0x5431, 0x0538, 480));
    bench.AddChip(chiptest::ConfigFor(ChipProductId::RZ522));
    EXPECT_EQ(Enumerate(), 2);
}

TEST_F(Rz960, ReadsAndWritesTheRegistersOfTheHubAtAnIndex)
{
    auto& hub = bench.AddHub(Hub(0x5420, 0x0518, 5000));
    ASSERT_EQ(Enumerate(), 1);
    BYTE value = 0;
    ASSERT_EQ(VA_AccessReg(0, VA_RegRead, 0xF7, 0xA9, 0, &value), 0);
    EXPECT_EQ(value, 0x30);
    ASSERT_EQ(VA_AccessReg(0, VA_RegWrite, 0xF7, 0xA9, 0xF4, &value), 0);
    EXPECT_EQ(hub.Register(0xA9), 0xF4);
    EXPECT_NE(VA_AccessReg(1, VA_RegRead, 0xF7, 0xA9, 0, &value), 0) << "there is no second hub";
}

TEST_F(Rz960, AFailingAccessIsReported)
{
    auto config = Hub(0x5420, 0x0518, 5000);
    config.failingRegister = 0xB1;
    bench.AddHub(config);
    ASSERT_EQ(Enumerate(), 1);
    BYTE value = 0;
    EXPECT_NE(VA_AccessReg(0, VA_RegWrite, 0xF7, 0xB1, 0x80, &value), 0);
    EXPECT_FALSE(debug.Starting("RZ960API: hub 0 register 0x00B1 write failed").empty());
}

TEST_F(Rz960, WithoutItsHubsItFindsNoneAndSaysSo)
{
    bench.AddChip(chiptest::ConfigFor(ChipProductId::RZ522));
    EXPECT_EQ(Enumerate(), 0);
    EXPECT_TRUE(debug.Has("RZ960API: no hub to drive among the USB devices"));
}

} // namespace
