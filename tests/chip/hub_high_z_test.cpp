// The hubs are set to high impedance one after the other; the first hub that fails ends
// the procedure and later hubs are not touched.
#include "chip_test_support.h"
#include "engine/chipworker/hub_high_z.h"

#include <gtest/gtest.h>

namespace {

using chiptest::DebugCapture;

constexpr BYTE ExpectedTable[43] = {6,    0x10, 0x54, 0x52, 0x2F, 0x12, 0x0D, 3, 0x11, 0x54, 0x52, 0x2F, 0x12, 0x0D, 3,
                                    0x20, 0x54, 0x52, 0x2F, 0x18, 0x05, 3,    0x21, 0x54, 0x52, 0x2F, 0x18, 0x05, 2,
                                    0x30, 0x54, 0x52, 0x2F, 0x38, 0x05, 3,    0x31, 0x54, 0x52, 0x2F, 0x38, 0x05, 2};

TEST(HubEnumTable, NamesTheSixHubsWithTheirReleasesAndGenerations)
{
    EXPECT_TRUE(std::equal(HubEnumTable.begin(), HubEnumTable.end(), std::begin(ExpectedTable)));
}

class HighZ : public ::testing::Test {
protected:
    // Hubs in udev's order: their device numbers sort as their sysfs paths do.
    sim::HubModel& AddHub(int failingRegister = -1, unsigned failures = sim::Never)
    {
        const int number = 101 + static_cast<int>(hubs.size());
        hubs.push_back(&bench.AddHub({.bus = 2, .device = number, .vendorId = MakerVendorId, .productId = 0x5420,
                                      .bcdDevice = 0x0518, .speedMbps = 5000, .failingRegister = failingRegister,
                                      .failures = failures}));
        return *hubs.back();
    }
    bool IsHighZ(const sim::HubModel& hub) const { return hub.Register(0xA9) == 0xF4 && hub.Register(0xB1) == 0x80; }

    platform::ScopedVirtualClock clock;
    DebugCapture debug;
    sim::ChipBench bench;
    std::vector<sim::HubModel*> hubs;
};

TEST_F(HighZ, EveryHubFoundIsSet)
{
    for (int i = 0; i < 3; ++i)
        AddHub();
    EXPECT_EQ(SearchHubsSetHighZ(), 1);
    EXPECT_TRUE(debug.Has(" 3_Hub_Find"));
    EXPECT_EQ(debug.Count(" Hub_Set_HighZ_OK"), 3u);
    for (auto* hub : hubs)
        EXPECT_TRUE(IsHighZ(*hub));
}

TEST_F(HighZ, TheFirstFailingHubEndsTheProcedure)
{
    AddHub();
    AddHub(0xB1);
    auto& third = AddHub();
    EXPECT_EQ(SearchHubsSetHighZ(), 1) << "one hub was set";
    EXPECT_TRUE(IsHighZ(*hubs[0]));
    EXPECT_TRUE(debug.Has("Hub_W2_Fail"));
    EXPECT_EQ(hubs[1]->Accesses(), 2u + 3u) << "the read, the first write, and three tries of the second";
    EXPECT_EQ(third.Accesses(), 0u);
}

TEST_F(HighZ, AnAccessThatFailsTwiceSucceedsOnTheThirdTry)
{
    auto& hub = AddHub(0xA9, 2);
    EXPECT_EQ(SearchHubsSetHighZ(), 1);
    EXPECT_TRUE(IsHighZ(hub));
}

TEST_F(HighZ, AFirstHubThatCannotBeReadSetsNothing)
{
    AddHub(0xA9);
    auto& second = AddHub();
    EXPECT_EQ(SearchHubsSetHighZ(), 0);
    EXPECT_TRUE(debug.Has("Hub_Rd_Fail"));
    EXPECT_EQ(second.Accesses(), 0u);
}

TEST_F(HighZ, NoHubAfterThreeSearches)
{
    bench.AddChip(chiptest::ConfigFor(ChipProductId::RZ522));
    const auto slept = clock.clock().SleptTotal();
    EXPECT_EQ(SearchHubsSetHighZ(), 0);
    EXPECT_EQ(debug.Starting(" Retry_Search_Hub_Cnt_"),
              (std::vector<std::string>{" Retry_Search_Hub_Cnt_1", " Retry_Search_Hub_Cnt_2", " Retry_Search_Hub_Cnt_3"}));
    EXPECT_EQ(clock.clock().SleptTotal() - slept, 3 * 1000 * 10'000);
}

} // namespace
