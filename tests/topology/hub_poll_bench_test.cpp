// The hub-port poll on a bench of two maker's hubs, one behind the other:
//   usb1 port 2: maker hub M1 (4 ports)  port 3: maker hub M2 (4 ports)
#include "hub_bench.h"

#include <string>

namespace {

using hubtest::Add;
using hubtest::GuardedHubRecords;
using hubtest::Stick;

class HubPoll : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::BenchHub(sim::RootHubSpec(1, 4)).Add(testbed);
        m1.Add(testbed);
        m2.Add(testbed);
        ASSERT_EQ(ScanMakerHubs(listed.records()), 1);
        ASSERT_EQ(listed[0].portNumber, 2);
        ASSERT_EQ(listed[1].portNumber, 3);
    }

    const sim::BenchHub m1{sim::MakerHubSpec(1, {2}, 3, 4)};
    const sim::BenchHub m2{sim::MakerHubSpec(1, {2, 3}, 4, 4)};
    GuardedHubRecords listed{kHubRecordCount};
    sim::Testbed testbed;
};

enum class Step { Nothing, UnplugHubs, PlugHubs, StickOnPolledPort };

struct PollCase {
    const char* name;
    Step step;
    bool callerClearsFirst;
    INT result;
    BYTE status;
    BYTE changed;
};

TEST_F(HubPoll, SeesTheHubComeAndGoAndKeepsTheChangedFlagForTheCaller)
{
    const PollCase cases[] = {
        {"nothing happened", Step::Nothing, false, 1, 1, 0},
        {"hub pulled", Step::UnplugHubs, false, 1, 0, 1},
        {"still gone, flag not yet read", Step::Nothing, false, 1, 0, 1},
        {"hub plugged back", Step::PlugHubs, true, 1, 1, 1},
        {"nothing new, flag not yet read", Step::Nothing, false, 1, 1, 1},
        {"nothing new, flag read", Step::Nothing, true, 1, 1, 0},
        {"hub swapped for a stick", Step::StickOnPolledPort, true, 1, 0, 1},
    };
    GuardedHubRecords polled(1);
    polled[0] = listed[0];
    for (const PollCase& c : cases) {
        SCOPED_TRACE(c.name);
        switch (c.step) {
        case Step::Nothing:
            break;
        case Step::UnplugHubs:
            m2.Unplug(testbed);
            m1.Unplug(testbed);
            break;
        case Step::PlugHubs:
            m1.Plug(testbed);
            m2.Plug(testbed);
            break;
        case Step::StickOnPolledPort:
            m2.Unplug(testbed);
            m1.Unplug(testbed);
            testbed.Plug(sim::UsbNodeRecord(Stick({2}, 9)));
            break;
        }
        if (c.callerClearsFirst)
            polled[0].changed = 0;
        EXPECT_EQ(PollMakerHubPort(&polled[0]), c.result);
        EXPECT_EQ(polled[0].connectionStatus, c.status);
        EXPECT_EQ(polled[0].changed, c.changed);
        EXPECT_TRUE(polled.GuardsIntact());
        if (c.status != 0) {
            HubRecord expected = listed[0];
            expected.changed = c.changed;
            EXPECT_EQ(std::memcmp(&polled[0], &expected, sizeof expected), 0) << "the record is the listed one again";
        }
    }
}

TEST_F(HubPoll, RefreshesTheSlotsOfThePolledHubsOwnPorts)
{
    HubRecord record = listed[0];
    const sim::UsbNodeSpec stick = Stick({2, 1}, 9);
    testbed.Plug(sim::UsbNodeRecord(stick));
    ASSERT_EQ(PollMakerHubPort(&record), 1);
    const HubPortSlot filled{4, 1, 1, 2, 0};
    EXPECT_EQ(std::memcmp(&record.downstream[0], &filled, sizeof filled), 0);
    sim::UnplugUsbNode(testbed, stick);
    ASSERT_EQ(PollMakerHubPort(&record), 1);
    const HubPortSlot empty{};
    EXPECT_EQ(std::memcmp(&record.downstream[0], &empty, sizeof empty), 0);
}

struct FailCase {
    const char* name;
    int listedIndex; // the record polled, -1 for a record never filled
    int portNumber; // -1: as listed
    bool parentGone;
};

TEST_F(HubPoll, APortThatCannotBeWalkedFailsAndTouchesOnlyStatusAndFlag)
{
    const FailCase cases[] = {
        {"record never filled", -1, -1, false},
        {"port 0 of the parent", 1, 0, false},
        {"port past the parent's ports", 1, 9, false},
        {"parent hub pulled", 1, -1, true}, // last: the bench stays without it
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.parentGone) {
            m2.Unplug(testbed);
            m1.Unplug(testbed);
        }
        HubRecord record{};
        if (c.listedIndex >= 0)
            record = listed[static_cast<std::size_t>(c.listedIndex)];
        if (c.portNumber >= 0)
            record.portNumber = static_cast<BYTE>(c.portNumber);
        HubRecord expected = record;
        expected.connectionStatus = 0;
        expected.changed = 1;
        EXPECT_EQ(PollMakerHubPort(&record), 0);
        EXPECT_EQ(std::memcmp(&record, &expected, sizeof expected), 0);
    }
}

} // namespace
