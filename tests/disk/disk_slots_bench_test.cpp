// The disk slots against a bench drive through SG_IO: chunked transfers with failures in
// the middle, index guards and the handle table's close and reopen.
#include "platform/devio/devio.h"
#include "server/disk/disk_slots.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class DiskSlotsBench : public ::testing::Test {
protected:
    void SetUp() override
    {
        drive.Add(testbed);
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
        ASSERT_EQ(slots.OpenDiskPathBySymbolicName(handles, 3, drive.DiskNode().c_str()), 1);
        drive.model().SetRecording(true);
        drive.model().ClearCommands();
    }
    void TearDown() override { slots.CloseDiskPath(handles, 3); }

    std::vector<std::vector<std::uint8_t>> Cdbs()
    {
        std::vector<std::vector<std::uint8_t>> cdbs;
        for (auto& command : drive.model().Commands())
            cdbs.push_back(command.cdb);
        return cdbs;
    }

    sim::DrivePlacement place{1, {1}, 10, 6, 'b'};
    sim::BenchFlashDrive drive{sim::FlashDriveSpec(place), sim::DiskIdentity{}, {4096}, place};
    sim::Testbed testbed;
    CSTDCMDControl standard;
    DiskSlots slots{standard};
    HANDLE handles[kPortCount];
};

TEST_F(DiskSlotsBench, TransfersSplitInto64KiBCommands)
{
    std::vector<BYTE> out(3 * 65536 / 2), in(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(i * 7);
    ASSERT_EQ(slots.WriteDisk(handles, 3, 100, static_cast<DWORD>(out.size()), out.data()), 1);
    ASSERT_EQ(slots.ReadDisk(handles, 3, 100, static_cast<DWORD>(in.size()), in.data()), 1);
    EXPECT_EQ(in, out);
    auto cdbs = Cdbs();
    ASSERT_EQ(cdbs.size(), 4u);
    EXPECT_EQ(cdbs[1][5], 100 + 128) << "the second chunk starts 128 blocks on";
    EXPECT_EQ(cdbs[1][8], 64) << "the last chunk carries what is left";
}

struct MiddleFailure {
    const char* name;
    unsigned failNth;   // command that fails (1 = first)
    unsigned failTimes; // how many in a row
    INT result;
    std::size_t commands;
};

class ChunkFailures : public DiskSlotsBench, public ::testing::WithParamInterface<MiddleFailure> {};

TEST_P(ChunkFailures, WriteStopsAtTheFirstChunkThatStillFails)
{
    const auto& c = GetParam();
    for (unsigned i = 0; i < c.failTimes; ++i)
        drive.model().FailCommand(c.failNth + i, sim::FaultKind::CheckCondition);
    std::vector<BYTE> data(3 * 65536, 0x5A);
    EXPECT_EQ(slots.WriteDisk(handles, 3, 0, static_cast<DWORD>(data.size()), data.data()), c.result);
    EXPECT_EQ(Cdbs().size(), c.commands);
}

INSTANTIATE_TEST_SUITE_P(Table, ChunkFailures,
                         ::testing::Values(MiddleFailure{"middle chunk recovers", 2, 2, 1, 5},
                                           MiddleFailure{"middle chunk fails three times", 2, 3, 0, 4},
                                           MiddleFailure{"first chunk recovers", 1, 2, 1, 5}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (auto& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(DiskSlotsBench, ReadFailingInTheMiddleIsNotSuccessAndTimedMinimumDropsToZero)
{
    std::vector<BYTE> data(3 * 65536);
    drive.model().FailCommand(2, sim::FaultKind::FailedCall);
    EXPECT_EQ(slots.ReadDisk(handles, 3, 0, static_cast<DWORD>(data.size()), data.data()), 0);
    EXPECT_EQ(Cdbs().size(), 2u) << "nothing is sent after the failed chunk";
    DWORD ticks = 1234;
    drive.model().FailCommand(2, sim::FaultKind::AdapterError);
    EXPECT_EQ(slots.ReadDiskEx(handles, 3, 0, 0, static_cast<DWORD>(data.size()), data.data(), &ticks), 0);
    EXPECT_EQ(ticks, 0u);
}

TEST_F(DiskSlotsBench, IndexesPastTheTableAreRefused)
{
    BYTE buffer[512];
    DWORD lba = 1, length = 1;
    EXPECT_EQ(slots.ReadDisk(handles, 32, 0, 512, buffer), 0);
    EXPECT_EQ(slots.ReadCapacity(handles, 200, &lba, &length), 0);
    EXPECT_EQ(lba, 0u);
    EXPECT_EQ(slots.CloseDiskPath(handles, 32), 0);
    EXPECT_EQ(slots.OpenDiskPath(handles, 24), 0) << "past Z:";
    EXPECT_EQ(slots.OpenDiskPath(handles, -1), 0);
}

TEST_F(DiskSlotsBench, CloseMarksTheEntryAndReopenClosesTheOldHandle)
{
    DWORD lastLba = 0, blockLength = 0;
    ASSERT_EQ(slots.ReadCapacity(handles, 3, &lastLba, &blockLength), 1);
    EXPECT_EQ(lastLba, 4095u);
    EXPECT_EQ(blockLength, 512u);
    const std::size_t open = OpenDescriptors();
    ASSERT_EQ(slots.OpenDiskPathBySymbolicName(handles, 3, drive.DiskNode().c_str()), 1);
    EXPECT_EQ(OpenDescriptors(), open) << "the reopen closed the old handle";
    EXPECT_EQ(slots.CloseDiskPath(handles, 3), 1);
    EXPECT_EQ(handles[3], INVALID_HANDLE_VALUE);
    EXPECT_EQ(slots.CloseDiskPath(handles, 3), 1) << "a second close touches nothing";
}

TEST(LinkTest, AnswersOnlyTheProbe)
{
    BYTE probe = 0x55;
    EXPECT_EQ(DiskSlots::LinkTest(&probe), 1);
    EXPECT_EQ(probe, 0xAA);
    EXPECT_EQ(DiskSlots::LinkTest(&probe), 0);
    EXPECT_EQ(probe, 0xAA);
}

} // namespace
