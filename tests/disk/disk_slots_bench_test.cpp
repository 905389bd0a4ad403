// The disk slots against a bench drive through SG_IO: chunked transfers with failures in
// the middle, index guards and the handle table's close and reopen.
#include "platform/devio/devio.h"
#include "server/disk/disk_slots.h"
#include "sim/core/testbed.h"
#include "sim/usbbus/bench_flash_drive.h"

#include <gtest/gtest.h>

#include <cstring>
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

TEST_F(DiskSlotsBench, AReplugKeepsWhatTheDrivesNodeShows)
{
    std::vector<BYTE> out(2 * 512);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(i * 3 + 1);
    ASSERT_EQ(slots.WriteDisk(handles, 3, 8, static_cast<DWORD>(out.size()), out.data()), 1);
    drive.Unplug(testbed);
    drive.Plug(testbed);
    std::vector<BYTE> in(out.size());
    HANDLE node = CreateFileA(drive.DiskNode().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(node, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = 8 * 512;
    DWORD moved = 0;
    ASSERT_TRUE(SetFilePointerEx(node, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(node, in.data(), static_cast<DWORD>(in.size()), &moved, nullptr));
    CloseHandle(node);
    EXPECT_EQ(in, out) << "the node of the drive plugged in again shows its unit";
}

// The drive-letter scan: a drive is ready once TEST UNIT READY passes, and its capacity is
// what READ CAPACITY read, else zero; entries of letters without a drive keep nothing of
// what the caller's array held.
struct LetterScanCase {
    const char* name;
    unsigned failingCommand; // 0: none; 2: TEST UNIT READY; 3: READ CAPACITY
    BYTE ready;
    bool capacityRead;
};

void PrintTo(const LetterScanCase& c, std::ostream* out)
{
    *out << c.name;
}

class LetterScan : public DiskSlotsBench, public ::testing::WithParamInterface<LetterScanCase> {};

TEST_P(LetterScan, ReadyFollowsTestUnitReadyAndACapacityNotReadIsZero)
{
    const LetterScanCase& c = GetParam();
    std::vector<DiskEntry> entries(24);
    std::memset(entries.data(), 0xEE, sizeof(DiskEntry) * entries.size());
    if (c.failingCommand != 0)
        drive.model().FailCommand(c.failingCommand, sim::FaultKind::CheckCondition);
    ASSERT_EQ(slots.ScanDiskPath(entries.data()), 1);
    int answered = 0;
    for (const DiskEntry& entry : entries) {
        const std::vector<BYTE> capacity(entry.capacity, entry.capacity + 8);
        if (entry.valid != 1) {
            EXPECT_EQ(entry.valid, 0);
            EXPECT_EQ(entry.ready, 0);
            EXPECT_EQ(capacity, std::vector<BYTE>(8, 0));
            continue;
        }
        ++answered;
        EXPECT_EQ(entry.ready, c.ready);
        const std::vector<BYTE> read = {0, 0, 0x0F, 0xFF, 0, 0, 0x02, 0x00}; // last LBA 4095, 512-byte blocks
        EXPECT_EQ(capacity, c.capacityRead ? read : std::vector<BYTE>(8, 0));
    }
    EXPECT_EQ(answered, 1) << "the bench's one drive, under its letter";
}

INSTANTIATE_TEST_SUITE_P(Table, LetterScan,
                         ::testing::Values(LetterScanCase{"all_answer", 0, 1, true},
                                           LetterScanCase{"not_ready", 2, 0, false},
                                           LetterScanCase{"capacity_fails", 3, 1, false}),
                         [](const ::testing::TestParamInfo<LetterScanCase>& info) { return std::string(info.param.name); });

TEST(LinkTest, AnswersOnlyTheProbe)
{
    BYTE probe = 0x55;
    EXPECT_EQ(DiskSlots::LinkTest(&probe), 1);
    EXPECT_EQ(probe, 0xAA);
    EXPECT_EQ(DiskSlots::LinkTest(&probe), 0);
    EXPECT_EQ(probe, 0xAA);
}

} // namespace
