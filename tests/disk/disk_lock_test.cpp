// The volume lock around raw writes, on a loop disk with two mounted ext4 partitions: every
// volume of the disk is locked, a lock that cannot be had fails whole and keeps nothing,
// and the unlock lets everything go.
#include "loop_device.h"
#include "tool_runner.h"

#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/disk_numbers.h"
#include "platform/storage/mounts.h"
#include "platform/storage/volumes.h"
#include "server/disk/disk_slots.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr BYTE kPort = 2;
constexpr std::int64_t kUnitsPerMs = platform::kPerformanceFrequency / 1000;

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

dev_t DeviceOf(const std::string& node)
{
    struct stat info;
    return ::stat(node.c_str(), &info) == 0 ? info.st_rdev : 0;
}

BOOL Control(HANDLE handle, DWORD code)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, nullptr, 0, &returned, nullptr);
}

// A 64 MiB disk whose two partitions carry mounted ext4 file systems. The kernel here
// reads no partition tables, so the partitions are added from the table with partx.
class PartitionedDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string base = std::filesystem::temp_directory_path() / ("disk_lock_" + std::to_string(::getpid()));
        image = base + ".disk";
        std::ofstream(image).close();
        std::filesystem::resize_file(image, 64ull << 20);
        ASSERT_EQ(RunTool({"sh", "-c", "printf 'label: dos\\n,16M,83\\n,16M,83\\n' | sfdisk -q " + image}).exitCode, 0);
        loop = std::make_unique<LoopDevice>(image);
        ASSERT_TRUE(loop->ok()) << loop->error();
        ToolResult added = RunTool({"partx", "-a", loop->node()});
        ASSERT_EQ(added.exitCode, 0) << added.output;
        for (int i = 0; i < 2; ++i) {
            partitions[i] = loop->node() + "p" + std::to_string(i + 1);
            mounts[i] = base + ".mnt" + std::to_string(i + 1);
            std::filesystem::create_directories(mounts[i]);
            ToolResult made = RunTool({"mkfs.ext4", "-q", "-F", partitions[i]});
            ASSERT_EQ(made.exitCode, 0) << made.output;
            ToolResult mounted = RunTool({"mount", "-t", "ext4", partitions[i], mounts[i]});
            ASSERT_EQ(mounted.exitCode, 0) << mounted.output;
            devices[i] = DeviceOf(partitions[i]);
        }
        auto number = platform::storage::DiskNumberOfDevice(DeviceOf(loop->node()));
        ASSERT_TRUE(number);
        const std::string drive = "\\\\.\\PhysicalDrive" + std::to_string(*number);
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
        // Read access: a disk is not opened for writing while one of its volumes is mounted.
        handles[kPort] = CreateFileA(drive.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handles[kPort], INVALID_HANDLE_VALUE) << GetLastError();
    }

    void TearDown() override
    {
        if (handles[kPort] != INVALID_HANDLE_VALUE)
            CloseHandle(handles[kPort]);
        for (int i = 0; i < 2; ++i) {
            if (mounts[i].empty())
                continue;
            // Still mounted when a test failed half-way; the loop device must go all the same.
            if (Mounted(i) && RunTool({"umount", mounts[i]}).exitCode != 0)
                RunTool({"umount", "--lazy", mounts[i]});
            std::filesystem::remove(mounts[i]);
        }
        loop.reset();
        std::filesystem::remove(image);
    }

    bool Mounted(int i) const { return platform::storage::DeviceIsMounted(devices[i]); }

    // Opens a partition as a volume, by its volume name.
    HANDLE OpenVolume(int i) const
    {
        auto volume = platform::storage::VolumeOfDevice(devices[i]);
        if (!volume)
            return INVALID_HANDLE_VALUE;
        return CreateFileA(volume->guidName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    }

    // Whether someone else can take the volume's lock now (and gives it back at once).
    bool Lockable(int i) const
    {
        HANDLE volume = OpenVolume(i);
        if (volume == INVALID_HANDLE_VALUE)
            return false;
        const bool locked = Control(volume, FSCTL_LOCK_VOLUME);
        if (locked)
            Control(volume, FSCTL_UNLOCK_VOLUME);
        CloseHandle(volume);
        return locked;
    }

    std::string image;
    std::unique_ptr<LoopDevice> loop;
    std::string partitions[2], mounts[2];
    dev_t devices[2] = {};
    CSTDCMDControl standard;
    DiskSlots slots{standard};
    HANDLE handles[kPortCount];
};

TEST_F(PartitionedDisk, LocksEveryVolumeOfTheDiskAndTheUnlockReleasesThem)
{
    platform::ScopedVirtualClock clock;
    const std::size_t before = OpenDescriptors();
    HANDLE volume = INVALID_HANDLE_VALUE;
    ASSERT_EQ(slots.Disk_Lock(handles, kPort, &volume), 1);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(partitions[i]);
        EXPECT_FALSE(Mounted(i)) << "no file system stays mounted under raw writes";
        EXPECT_FALSE(Lockable(i)) << "the lock is held";
    }
    EXPECT_EQ(clock.clock().SleptTotal(), 0);

    EXPECT_EQ(slots.Disk_Unlock(handles, kPort, volume), 1);
    EXPECT_EQ(OpenDescriptors(), before) << "every volume was closed";
    EXPECT_FALSE(CloseHandle(volume)) << "the volume handle is gone";
}

TEST_F(PartitionedDisk, TheDeviceNumberNamesTheDiskAndThePartition)
{
    auto number = platform::storage::DiskNumberOfDevice(DeviceOf(loop->node()));
    ASSERT_TRUE(number);
    HANDLE second = OpenVolume(1);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    for (auto [handle, partition] : {std::pair{handles[kPort], 0u}, std::pair{second, 2u}}) {
        STORAGE_DEVICE_NUMBER record{};
        DWORD returned = 0;
        ASSERT_TRUE(DeviceIoControl(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &record, sizeof record,
                                    &returned, nullptr));
        EXPECT_EQ(returned, sizeof record);
        EXPECT_EQ(record.DeviceNumber, static_cast<DWORD>(*number));
        EXPECT_EQ(record.PartitionNumber, partition);
    }
    CloseHandle(second);
}

enum class Obstacle { LockedByAnother, FileOpenOnIt };

struct Refusal {
    const char* name;
    Obstacle obstacle;
    bool staysMounted;
};

class LockRefused : public PartitionedDisk, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LockRefused, FailsWholeAfterFourAttemptsAndKeepsNothing)
{
    // The second volume cannot be had: the first is locked on the way and must be let go.
    HANDLE other = INVALID_HANDLE_VALUE;
    int file = -1;
    if (GetParam().obstacle == Obstacle::LockedByAnother) {
        other = OpenVolume(1);
        ASSERT_TRUE(Control(other, FSCTL_DISMOUNT_VOLUME) && Control(other, FSCTL_LOCK_VOLUME)) << GetLastError();
    } else {
        file = ::open((mounts[1] + "/busy").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        ASSERT_GE(file, 0);
    }
    platform::ScopedVirtualClock clock;
    const std::size_t before = OpenDescriptors();
    HANDLE volume = nullptr;
    EXPECT_EQ(slots.Disk_Lock(handles, kPort, &volume), 0);
    EXPECT_EQ(volume, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenDescriptors(), before) << "a failed lock leaves no volume open";
    EXPECT_EQ(clock.clock().SleptTotal(), 3 * 300 * kUnitsPerMs) << "four attempts, 300 ms apart";
    EXPECT_TRUE(Lockable(0)) << "the volume locked on the way was let go";
    EXPECT_EQ(Mounted(1), GetParam().staysMounted);

    if (other != INVALID_HANDLE_VALUE) {
        Control(other, FSCTL_UNLOCK_VOLUME);
        CloseHandle(other);
    }
    if (file >= 0)
        ::close(file);
}

INSTANTIATE_TEST_SUITE_P(Table, LockRefused,
                         ::testing::Values(Refusal{"LockedByAnother", Obstacle::LockedByAnother, false},
                                           Refusal{"FileOpenOnIt", Obstacle::FileOpenOnIt, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
