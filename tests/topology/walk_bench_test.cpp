// The full walk and the single-port polls over a bench of three hub tiers.
#include "bench_tree.h"

#include "walker.h"

#include <cstring>
#include <functional>
#include <memory>
#include <set>

namespace {

using topologytest::BenchTree;

class Walk : public BenchTree, public topologytest::Walker {};

struct Expected {
    const char* name;
    BYTE tier;
    DWORD port;
    const char* serial;
    std::vector<BYTE> chain; // the tier chain's bytes up to the record's tier
};

TEST_F(Walk, FillsRecordsInTreeOrderWithTiersIdsStringsAndOwnDisks)
{
    ASSERT_EQ(RunWalk(), 1);
    const Expected expected[] = {
        {"drive 2", 2, 1, "", {0x10, 0x14, 0x20, 0x14}},
        {"drive 3", 2, 2, "", {0x10, 0x14, 0x20, 0x24}},
        {"drive 4", 3, 3, "SN0004", {0x10, 0x14, 0x20, 0x44, 0x30, 0x34}},
        {"drive 1", 1, 2, "SN0001", {0x10, 0x24}},
    };
    std::set<std::string> paths;
    std::set<int> diskIndexes;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const PortRecord& r = records[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(r.hubTier, expected[i].tier);
        EXPECT_EQ(r.portNumber, expected[i].port);
        EXPECT_EQ(r.hubPortCount, 4u);
        EXPECT_EQ(r.present, 1);
        EXPECT_EQ(r.idVendor, 0x1E3D);
        EXPECT_EQ(r.idProduct, 0x6025);
        EXPECT_EQ(RecordText(r.manufacturer), "Tarvo");
        EXPECT_EQ(RecordText(r.product), "Flash Disk");
        EXPECT_EQ(RecordText(r.serialNumber), expected[i].serial);
        EXPECT_EQ(std::vector<BYTE>(r.tierChain, r.tierChain + 2 * r.hubTier), expected[i].chain);
        EXPECT_EQ(r.disk.valid, 1);
        EXPECT_EQ(r.disk.makerDevice, 1);
        EXPECT_EQ(r.DevicePath().rfind("\\\\?\\usbstor#disk&ven_tarvo&prod_flash_disk", 0), 0u) << r.DevicePath();
        EXPECT_EQ(RecordText(r.disk.hardwareId), "USB\\VID_1E3D&PID_6025&REV_0100");
        paths.insert(std::string(r.DevicePath()));
        diskIndexes.insert(r.diskIndex);
    }
    EXPECT_EQ(paths.size(), 4u) << "identical drives without serial numbers are two devices; no disk is given twice";
    EXPECT_EQ(diskIndexes.size(), 4u);
    EXPECT_EQ(records[4].hubTier, 0) << "the other maker's drive is not recorded";
    EXPECT_NE(records[2].DevicePath().find("#sn0004&0#"), std::string_view::npos);
    EXPECT_EQ(RecordText(records[2].hubPath).rfind("\\\\.\\USB#VID_05E3&PID_0610#", 0), 0u);
}

TEST_F(Walk, TheSystemDiskNeverAppears)
{
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    std::memset(disks.get(), 0, sizeof(DiskEntry) * kPortCount);
    ASSERT_EQ(topology.ScanDiskPathBySymbolicName(disks.get()), 1);
    int listed = 0;
    for (int i = 0; i < kPortCount; ++i)
        if (!RecordText(disks[i].devicePath).empty()) {
            ++listed;
            EXPECT_EQ(RecordText(disks[i].devicePath).find("ide#"), std::string_view::npos);
        }
    EXPECT_EQ(listed, 5) << "the five USB disks, not the virtio system disk";
}

TEST_F(Walk, PollsSeeUnplugAndReplug)
{
    ASSERT_EQ(RunWalk(), 1);
    PortRecord& port = records[3]; // drive 1 on the root hub
    const std::string path(port.DevicePath());
    port.changed = 0;

    drive1.Unplug(testbed);
    topology.PollingSingleUSBPort(&port);
    EXPECT_EQ(port.present, 0);
    EXPECT_EQ(port.changed, 1);

    port.changed = 0;
    drive1.Plug(testbed);
    EXPECT_EQ(topology.PollingSingleUSBPort(&port), 1);
    EXPECT_EQ(port.present, 1);
    EXPECT_EQ(port.changed, 1);
    EXPECT_EQ(std::string(port.DevicePath()), path);
    EXPECT_EQ(port.hubTier, 1);
    EXPECT_EQ(port.tierChain[1], 0x24) << "the poll keeps the record's place in the tree";
}

// Every poll of a port says "changed" only when its presence, its device or its disk
// changed: a view re-enables, and in automatic-start mode restarts, a changed port.
struct PollKind {
    const char* name;
    std::function<INT(UsbTopology&, PortRecord&)> poll;
};

void PrintTo(const PollKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class PollChanges : public Walk, public ::testing::WithParamInterface<PollKind> {
protected:
    void Poll(PortRecord& port) { GetParam().poll(topology, port); }
};

TEST_P(PollChanges, ALetterlessDriveThatStaysIsUnchangedWhileAnotherDeviceOrAnUnplugIsAChange)
{
    Drive1LosesItsMedium();
    ASSERT_EQ(RunWalk(), 1);
    PortRecord& port = records[3];
    ASSERT_EQ(port.present, 1);
    ASSERT_EQ(port.disk.driveLetterCount, 0) << "a disk without a medium has no volume to letter";
    const std::string path(port.DevicePath());
    for (int poll = 1; poll <= 2; ++poll) {
        Poll(port);
        EXPECT_EQ(port.changed, 0) << "poll " << poll << ": the drive stayed";
        EXPECT_EQ(port.present, 1);
        EXPECT_EQ(std::string(port.DevicePath()), path);
    }

    AnotherDeviceAnswersBehindDrive1();
    Poll(port);
    EXPECT_EQ(port.changed, 1) << "another device on the port";
    EXPECT_EQ(port.present, 1);
    EXPECT_NE(port.DevicePath().find("#sn0009&0#"), std::string_view::npos) << port.DevicePath();

    port.changed = 0;
    drive1.Unplug(testbed);
    Poll(port);
    EXPECT_EQ(port.changed, 1) << "unplugged";
    EXPECT_EQ(port.present, 0);
    port.changed = 0;
    Poll(port);
    EXPECT_EQ(port.changed, 0) << "a port that stays empty";
    EXPECT_EQ(port.present, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PollChanges,
    ::testing::Values(PollKind{"plain", [](UsbTopology& t, PortRecord& r) { return t.PollingSingleUSBPort(&r); }},
                      PollKind{"extended_rescanning_a_letterless_drive",
                               [](UsbTopology& t, PortRecord& r) { return t.PollingSingleUSBPortEx(&r, 0x03, 3); }},
                      PollKind{"extended_without_check_bits",
                               [](UsbTopology& t, PortRecord& r) { return t.PollingSingleUSBPortEx(&r, 0x00, 3); }}),
    [](const ::testing::TestParamInfo<PollKind>& info) { return std::string(info.param.name); });

TEST_F(Walk, ExtendedPollWithConfig0x80AndNoCheckBitLeavesTheRecord)
{
    ASSERT_EQ(RunWalk(), 1);
    PortRecord before = records[0];
    records[0].disk.driveLetterCount = 1; // no check bit: letters known, same driver key
    before.disk.driveLetterCount = 1;
    EXPECT_EQ(topology.PollingSingleUSBPortEx(&records[0], 0x80, 0), 1);
    EXPECT_EQ(std::memcmp(&before, &records[0], sizeof before), 0);
}

} // namespace
