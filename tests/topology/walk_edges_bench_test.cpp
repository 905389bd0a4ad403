// Walk edges on small benches: a string the device fails to return, and a sixth hub tier.
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"
#include "walker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

class WalkEdges : public ::testing::Test, public topologytest::Walker {};

TEST_F(WalkEdges, AStringThatFailsLeavesOnlyItsOwnFieldEmpty)
{
    sim::DrivePlacement place{1, {2}, 10, 6, 'b'};
    auto usb = sim::FlashDriveSpec(place, "SN77");
    usb.productAnswers = false;
    sim::BenchFlashDrive drive(usb, sim::DiskIdentity{}, {65536}, place);
    sim::Testbed testbed;
    sim::BenchHub(sim::RootHubSpec(1, 4)).Add(testbed);
    drive.Add(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_EQ(RecordText(records[0].manufacturer), "Tarvo");
    EXPECT_EQ(RecordText(records[0].product), "");
    EXPECT_EQ(RecordText(records[0].serialNumber), "SN77");
}

TEST_F(WalkEdges, ASixthTierKeepsThePresentAndChangedFlags)
{
    sim::DrivePlacement place{1, {1, 1, 1, 1, 1, 2}, 20, 6, 'b'};
    sim::BenchFlashDrive drive(sim::FlashDriveSpec(place, "DEEP1"), sim::DiskIdentity{}, {65536}, place);
    sim::Testbed testbed;
    sim::BenchHub(sim::RootHubSpec(1, 2)).Add(testbed);
    std::vector<unsigned> chain;
    for (unsigned depth = 0; depth < 5; ++depth) {
        chain.push_back(1);
        sim::BenchHub(sim::HubSpec(1, chain, 2 + depth, 2)).Add(testbed);
    }
    drive.Add(testbed);
    ASSERT_EQ(RunWalk(), 1);
    const PortRecord& r = records[0];
    EXPECT_EQ(r.hubTier, 6);
    EXPECT_EQ(r.present, 1);
    EXPECT_EQ(r.changed, 0) << "the sixth tier has no room in the chain";
    EXPECT_EQ(r.tierChain[9], 0x12) << "the fifth tier's hub: port 1 of 2";
}

} // namespace
