// Two identical drives reporting one serial number, as cheap drives often do: each port
// must get its own disk, or a worker on one port would write the other port's drive.
#include "bench_tree.h"
#include "tests/com/temporary_store.h"

#include "platform/devio/devio.h"

#include "walker.h"


namespace {

using topologytest::Drive;

class SharedSerial : public ::testing::Test, public topologytest::Walker {
protected:
    void SetUp() override
    {
        root.Add(testbed);
        for (auto* drive : {&twinA, &twinB})
            drive->Add(testbed);
    }

    // Sends INQUIRY through the record's disk path; returns whether it reached `drive`.
    bool PathReaches(const PortRecord& record, sim::BenchFlashDrive& drive)
    {
        drive.model().ClearCommands();
        HANDLE disk = CreateFileA(std::string(record.DevicePath()).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (disk == INVALID_HANDLE_VALUE)
            return false;
        BYTE inquiry[128];
        const bool answered = standard.SendInquiry(disk, 0, 0, inquiry) == 1;
        CloseHandle(disk);
        return answered && !drive.model().Commands().empty();
    }

    fabrun_test::TemporaryStore store;
    sim::BenchFlashDrive twinA = Drive({1}, 10, 6, 'b', "SAME0001");
    sim::BenchFlashDrive twinB = Drive({2}, 11, 7, 'c', "same0001"); // instance ids ignore letter case
    sim::BenchHub root{sim::RootHubSpec(1, 4)};
    sim::Testbed testbed;
};

TEST_F(SharedSerial, EachPortGetsItsOwnDisk)
{
    ASSERT_EQ(RunWalk(), 1);
    const PortRecord& a = records[0];
    const PortRecord& b = records[1];
    ASSERT_EQ(a.present, 1);
    ASSERT_EQ(b.present, 1);
    EXPECT_EQ(a.portNumber, 1u);
    EXPECT_EQ(b.portNumber, 2u);
    EXPECT_NE(a.DevicePath(), b.DevicePath());
    EXPECT_NE(a.diskIndex, b.diskIndex);
    EXPECT_NE(RecordText(a.driverKeyName), RecordText(b.driverKeyName));
    EXPECT_EQ(a.DevicePath().find("same0001"), std::string_view::npos) << "the shared serial names neither drive";
    EXPECT_EQ(RecordText(a.serialNumber), "SAME0001") << "the serial string itself is still read";
    EXPECT_TRUE(PathReaches(a, twinA));
    EXPECT_FALSE(PathReaches(a, twinB));
    EXPECT_TRUE(PathReaches(b, twinB));
    EXPECT_FALSE(PathReaches(b, twinA));
}

TEST_F(SharedSerial, ADriveAloneIsNamedByItsSerialAgain)
{
    twinB.Unplug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_NE(records[0].DevicePath().find("#same0001&0#"), std::string_view::npos) << records[0].DevicePath();
    EXPECT_EQ(records[1].hubTier, 0);
    EXPECT_TRUE(PathReaches(records[0], twinA));
}

// What a port's worker holds on to: its driver key, disk path and drive letter.
struct Held {
    std::string driverKey, path;
    std::vector<char> letters;
    explicit Held(const PortRecord& r)
        : driverKey(RecordText(r.driverKeyName)), path(r.DevicePath()),
          letters(r.disk.driveLetters, r.disk.driveLetters + r.disk.driveLetterCount)
    {
    }
    bool operator==(const Held&) const = default;
};

void PrintTo(const Held& held, std::ostream* out)
{
    *out << held.driverKey << " " << held.path << " " << std::string(held.letters.begin(), held.letters.end());
}

TEST_F(SharedSerial, WhenOneTwinLeavesTheOtherKeepsItsNameWhileItStaysAndTakesItsSerialOnlyWhenItComesBack)
{
    ASSERT_EQ(RunWalk(), 1);
    const Held a(records[0]);
    ASSERT_EQ(a.letters.size(), 1u);
    twinB.Unplug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_EQ(Held(records[0]), a) << "its port may be running";
    EXPECT_EQ(records[1].hubTier, 0);
    EXPECT_TRUE(PathReaches(records[0], twinA));
    PortRecord polled = records[0];
    EXPECT_EQ(topology.PollingSingleUSBPort(&polled), 1);
    EXPECT_EQ(polled.changed, 0);
    EXPECT_EQ(Held(polled), a);

    twinA.Unplug(testbed);
    twinA.Plug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_NE(records[0].DevicePath().find("#same0001&0#"), std::string_view::npos) << records[0].DevicePath();
    EXPECT_TRUE(PathReaches(records[0], twinA));
}

TEST_F(SharedSerial, ATwinArrivingBesideADriveNamedByItsSerialIsNamedByItsPlace)
{
    twinB.Unplug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    const Held a(records[0]);
    ASSERT_NE(a.path.find("#same0001&0#"), std::string::npos) << a.path;
    twinB.Plug(testbed);
    ASSERT_EQ(RunWalk(), 1);
    EXPECT_EQ(Held(records[0]), a) << "its port may be running";
    ASSERT_EQ(records[1].present, 1);
    EXPECT_EQ(records[1].DevicePath().find("same0001"), std::string_view::npos) << records[1].DevicePath();
    EXPECT_NE(RecordText(records[1].driverKeyName), a.driverKey);
    EXPECT_TRUE(PathReaches(records[0], twinA));
    EXPECT_FALSE(PathReaches(records[0], twinB));
    EXPECT_TRUE(PathReaches(records[1], twinB));
    EXPECT_FALSE(PathReaches(records[1], twinA));
}

TEST_F(SharedSerial, APollKeepsEachPortOnItsOwnDisk)
{
    ASSERT_EQ(RunWalk(), 1);
    PortRecord b = records[1];
    const std::string path(b.DevicePath());
    EXPECT_EQ(topology.PollingSingleUSBPort(&b), 1);
    EXPECT_EQ(std::string(b.DevicePath()), path);
    EXPECT_TRUE(PathReaches(b, twinB));
}

} // namespace
