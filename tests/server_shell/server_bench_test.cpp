// The server as the station reaches it, through CoCreateInstance, on a bench of hubs and
// drives: the walk, a poll, and a drive opened, written, read back and closed by its port.
#include "tests/server_shell/server_on_bench.h"

#include <memory>
#include <vector>

namespace {

using namespace fabrun_test;

class ServerOnBench : public BenchServer {
protected:
    void SetUp() override
    {
        BenchServer::SetUp();
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
    }

    static int Recorded(const PortRecord* records)
    {
        int count = 0;
        for (int i = 0; i < kPortCount; ++i)
            count += records[i].present;
        return count;
    }

    HANDLE handles[kPortCount];
};

TEST_F(ServerOnBench, WalksPollsAndMovesDataThroughTheInterface)
{
    ASSERT_EQ(ctrl->EnumerateScanUSBPort(records.get()), 1);
    ASSERT_EQ(Recorded(records.get()), 4) << "the maker's four drives";
    PortRecord& port = records[3]; // drive 1 on the root hub
    ASSERT_EQ(RecordText(port.serialNumber), "SN0001");
    port.changed = 0;
    EXPECT_EQ(ctrl->PollingSingleUSBPort(&port), 1);
    EXPECT_EQ(port.present, 1);

    const BYTE index = 5;
    ASSERT_EQ(ctrl->OpenDiskPathBySymbolicName(handles, index, port.disk.devicePath), 1);
    drive1.model().SetRecording(true);
    drive1.model().ClearCommands();
    std::vector<BYTE> out(2 * 65536), in(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(i * 13 + 1);
    ASSERT_EQ(ctrl->WriteDisk(handles, index, 40, static_cast<DWORD>(out.size()), out.data()), 1);
    ASSERT_EQ(ctrl->ReadDisk(handles, index, 40, static_cast<DWORD>(in.size()), in.data()), 1);
    EXPECT_EQ(in, out);
    EXPECT_EQ(drive1.model().Commands().size(), 4u) << "two 64 KiB writes and two reads, on the port's own drive";
    EXPECT_EQ(ctrl->CloseDiskPath(handles, index), 1);
    EXPECT_EQ(handles[index], INVALID_HANDLE_VALUE);
}

// The start-up switches steer the walk of the object they were set on, and no other.
TEST_F(ServerOnBench, SwitchesSteerOnlyTheirOwnObjectsWalk)
{
    struct Case {
        const char* name;
        INT (IPortwardenCtrl::*set)();
        int recorded;
    };
    const Case cases[] = {
        {"every disk counts as the maker's", &IPortwardenCtrl::DisableProductFilter, 5},
        {"USB 3.0 root hubs only", &IPortwardenCtrl::ForceInUSB30, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* switched = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(switched, nullptr);
        EXPECT_NE((switched->*c.set)(), 0);
        ASSERT_EQ(switched->EnumerateScanUSBPort(records.get()), 1);
        EXPECT_EQ(Recorded(records.get()), c.recorded);
        switched->Release();
        ASSERT_EQ(ctrl->EnumerateScanUSBPort(records.get()), 1);
        EXPECT_EQ(Recorded(records.get()), 4) << "the other object keeps its own switches";
    }
}

} // namespace
