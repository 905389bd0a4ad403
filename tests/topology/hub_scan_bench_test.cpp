// The hub list over benches of the maker's hubs, other makers' hubs and devices:
//   usb1 port 1: stick
//        port 2: maker hub M1 (4 ports)  port 1: stick
//                                        port 2: maker hub M2 (7 ports)  port 3: stick, port 5: stick
//                                        port 3: keyboard
//                                        port 4: full-speed stick
//        port 3: other maker's hub (4 ports)  port 1: stick, port 2: maker hub
//        port 4: stick
#include "hub_bench.h"

#include <set>
#include <string>

namespace {

using hubtest::Add;
using hubtest::GuardedHubRecords;
using hubtest::Keyboard;
using hubtest::Stick;

constexpr const char* kRootHub = "\\\\?\\usb#root_hub20#";
constexpr const char* kMakerHubName = "\\\\.\\USB#VID_2F52&PID_5421#";

class HubScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::BenchHub(sim::RootHubSpec(1, 4)).Add(testbed);
        Add(testbed, Stick({1}, 2));
        sim::BenchHub(sim::MakerHubSpec(1, {2}, 3, 4)).Add(testbed);
        Add(testbed, Stick({2, 1}, 4));
        sim::BenchHub(sim::MakerHubSpec(1, {2, 2}, 5, 7)).Add(testbed);
        Add(testbed, Stick({2, 2, 3}, 6));
        Add(testbed, Stick({2, 2, 5}, 7));
        Add(testbed, Keyboard({2, 3}, 8));
        Add(testbed, Stick({2, 4}, 9, 12));
        sim::BenchHub(sim::HubSpec(1, {3}, 10, 4)).Add(testbed);
        Add(testbed, Stick({3, 1}, 11));
        sim::BenchHub(sim::MakerHubSpec(1, {3, 2}, 12, 4)).Add(testbed);
        Add(testbed, Stick({4}, 13));
    }

    sim::Testbed testbed;
};

struct ExpectedHub {
    const char* name;
    int parent; // index of the parent's record, -1 for the root hub
    BYTE parentPortCount;
    BYTE port;
    HubPortSlot slots[4];
};

TEST_F(HubScan, ListsTheMakersHubsWithTheDevicesOnTheirOwnPorts)
{
    GuardedHubRecords records(kHubRecordCount);
    ASSERT_EQ(ScanMakerHubs(records.records()), 1);
    const ExpectedHub expected[] = {
        {"M1", -1, 4, 2, {{4, 1, 1, 2, 0}, {}, {}, {4, 4, 1, 1, 0}}},
        {"M2", 0, 4, 2, {{}, {}, {7, 3, 1, 2, 0}, {}}},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ExpectedHub& e = expected[i];
        const HubRecord& r = records[i];
        SCOPED_TRACE(e.name);
        const std::string parentPath(RecordText(r.parentHubPath));
        if (e.parent < 0)
            EXPECT_EQ(parentPath.rfind(kRootHub, 0), 0u) << parentPath;
        else
            EXPECT_EQ(parentPath, RecordText(records[static_cast<std::size_t>(e.parent)].ownPath));
        EXPECT_EQ(r.parentPortCount, e.parentPortCount);
        EXPECT_EQ(r.portNumber, e.port);
        EXPECT_EQ(r.connectionStatus, 1);
        EXPECT_EQ(r.speed, 2);
        EXPECT_EQ(r.changed, 0);
        EXPECT_EQ(RecordText(r.ownPath).rfind(kMakerHubName, 0), 0u) << RecordText(r.ownPath);
        EXPECT_EQ(r.idVendor, 0x2F52);
        EXPECT_EQ(r.idProduct, 0x5421);
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(std::memcmp(&r.downstream[s], &e.slots[s], sizeof(HubPortSlot)), 0) << "slot of port " << s + 1;
    }
    EXPECT_NE(RecordText(records[0].ownPath), RecordText(records[1].ownPath));
    const HubRecord zero{};
    for (int i = 2; i < kHubRecordCount; ++i)
        EXPECT_EQ(std::memcmp(&records[static_cast<std::size_t>(i)], &zero, sizeof zero), 0)
            << "record " << i << ": the hub behind the other maker's hub is not listed";
    EXPECT_TRUE(records.GuardsIntact()) << "a device on a root hub port has no hub record to go to";
}

// Eight maker's hubs on the root hub, each with four more: 40 hubs for 32 records.
TEST(HubScanOverflow, HubsPastTheLastRecordAreLeftOut)
{
    sim::Testbed testbed;
    sim::BenchHub(sim::RootHubSpec(1, 8)).Add(testbed);
    unsigned devnum = 2;
    for (unsigned top = 1; top <= 8; ++top) {
        sim::BenchHub(sim::MakerHubSpec(1, {top}, devnum++, 4)).Add(testbed);
        for (unsigned port = 1; port <= 4; ++port)
            sim::BenchHub(sim::MakerHubSpec(1, {top, port}, devnum++, 4)).Add(testbed);
    }
    Add(testbed, Stick({7, 1, 1}, devnum++)); // on the hub of the last record
    Add(testbed, Stick({7, 2, 1}, devnum++)); // on a hub left out
    GuardedHubRecords records(kHubRecordCount);
    ASSERT_EQ(ScanMakerHubs(records.records()), 1);
    EXPECT_TRUE(records.GuardsIntact());
    std::set<std::string> ownPaths;
    for (int i = 0; i < kHubRecordCount; ++i) {
        const HubRecord& r = records[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.connectionStatus, 1) << "record " << i;
        ownPaths.insert(std::string(RecordText(r.ownPath)));
    }
    EXPECT_EQ(ownPaths.size(), static_cast<std::size_t>(kHubRecordCount));
    const HubRecord& last = records[kHubRecordCount - 1];
    EXPECT_EQ(RecordText(last.parentHubPath), RecordText(records[kHubRecordCount - 2].ownPath));
    EXPECT_EQ(last.portNumber, 1) << "the first hub on the seventh top hub";
    const HubPortSlot slot{4, 1, 1, 2, 0};
    EXPECT_EQ(std::memcmp(&last.downstream[0], &slot, sizeof slot), 0);
}

} // namespace
