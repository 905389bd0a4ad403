// The disk and volume stand-ins on real loop devices: numbering, letters, the device
// namespaces, and the disk and volume control codes.
#include "test_disk.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/mounts.h"
#include "platform/storage/volume_api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string DriveName(int number)
{
    return "\\\\.\\PhysicalDrive" + std::to_string(number);
}

std::string VolumeName(char letter)
{
    return std::string("\\\\.\\") + letter + ":";
}

HANDLE Open(const std::string& name, DWORD access)
{
    return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

BOOL Control(HANDLE handle, DWORD code, void* out = nullptr, DWORD outSize = 0)
{
    DWORD returned = 0;
    return DeviceIoControl(handle, code, nullptr, 0, out, outSize, &returned, nullptr);
}

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(disk_.ok()) << disk_.error(); }
    TestDisk disk_{"storage_test", 64ull << 20};
};

} // namespace

TEST_F(StorageTest, ALoopDeviceIsANumberedDiskWithOneLetteredVolume)
{
    int number = disk_.diskNumber();
    ASSERT_GE(number, 0);
    char letter = disk_.driveLetter();
    ASSERT_NE(letter, 0);
    EXPECT_EQ(letter, 'Z' - disk_.loopIndex()) << "a loop device's letter follows its index";
    EXPECT_NE(GetLogicalDrives() & (1u << (letter - 'A')), 0u);

    HANDLE volume = Open(VolumeName(letter), 0);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE) << GetLastError();
    VOLUME_DISK_EXTENTS extents{};
    ASSERT_TRUE(Control(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, sizeof extents));
    EXPECT_EQ(extents.NumberOfDiskExtents, 1u);
    EXPECT_EQ(extents.Extents[0].DiskNumber, static_cast<DWORD>(number));
    EXPECT_EQ(extents.Extents[0].StartingOffset.QuadPart, 0);
    EXPECT_EQ(extents.Extents[0].ExtentLength.QuadPart, 64ll << 20);
    CloseHandle(volume);

    bool listed = false;
    char name[MAX_PATH];
    HANDLE search = FindFirstVolumeA(name, sizeof name);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        std::string volumeName = name;
        ASSERT_EQ(volumeName.back(), '\\');
        volumeName.pop_back();
        HANDLE byName = Open(volumeName, 0);
        VOLUME_DISK_EXTENTS found{};
        if (byName != INVALID_HANDLE_VALUE && Control(byName, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &found, sizeof found))
            listed = listed || found.Extents[0].DiskNumber == static_cast<DWORD>(number);
        if (byName != INVALID_HANDLE_VALUE)
            CloseHandle(byName);
    } while (FindNextVolumeA(search, name, sizeof name));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindVolumeClose(search));
    EXPECT_TRUE(listed) << "the volume enumeration lists the loop device's volume";
}

TEST_F(StorageTest, DiskControlCodesReportSizeGeometryNumberAndRereadThePartitionTable)
{
    HANDLE drive = Open(DriveName(disk_.diskNumber()), GENERIC_READ);
    ASSERT_NE(drive, INVALID_HANDLE_VALUE) << GetLastError();
    GET_LENGTH_INFORMATION length{};
    ASSERT_TRUE(Control(drive, IOCTL_DISK_GET_LENGTH_INFO, &length, sizeof length));
    EXPECT_EQ(length.Length.QuadPart, 64ll << 20);
    DISK_GEOMETRY_EX geometry{};
    ASSERT_TRUE(Control(drive, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, &geometry, kGeometryExBytes));
    EXPECT_EQ(geometry.DiskSize.QuadPart, 64ll << 20);
    EXPECT_EQ(geometry.Geometry.BytesPerSector, 512u);
    EXPECT_EQ(geometry.Geometry.TracksPerCylinder, 255u);
    EXPECT_EQ(geometry.Geometry.SectorsPerTrack, 63u);
    EXPECT_EQ(geometry.Geometry.Cylinders.QuadPart, (64ll << 20) / (255 * 63 * 512));
    DISK_GEOMETRY small{};
    EXPECT_FALSE(Control(drive, IOCTL_DISK_GET_DRIVE_GEOMETRY, &small, sizeof small - 1));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(Control(drive, IOCTL_DISK_UPDATE_PROPERTIES)) << GetLastError();
    EXPECT_FALSE(Control(drive, FSCTL_LOCK_VOLUME)) << "a disk is not a volume";
    CloseHandle(drive);

    // The disk and its volume both report the disk's number; the whole disk is partition 0.
    for (const std::string& name : {DriveName(disk_.diskNumber()), VolumeName(disk_.driveLetter())}) {
        HANDLE handle = Open(name, 0);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << name;
        STORAGE_DEVICE_NUMBER number{};
        ASSERT_TRUE(Control(handle, IOCTL_STORAGE_GET_DEVICE_NUMBER, &number, sizeof number)) << name << GetLastError();
        EXPECT_EQ(number.DeviceType, FILE_DEVICE_DISK);
        EXPECT_EQ(number.DeviceNumber, static_cast<DWORD>(disk_.diskNumber())) << name;
        EXPECT_EQ(number.PartitionNumber, 0u) << name;
        CloseHandle(handle);
    }

    TestDisk fourK("storage_test_4k", 64ull << 20, 4096);
    ASSERT_TRUE(fourK.ok()) << fourK.error();
    HANDLE drive4k = Open(DriveName(fourK.diskNumber()), 0);
    ASSERT_NE(drive4k, INVALID_HANDLE_VALUE);
    DISK_GEOMETRY geometry4k{};
    ASSERT_TRUE(Control(drive4k, IOCTL_DISK_GET_DRIVE_GEOMETRY, &geometry4k, sizeof geometry4k));
    EXPECT_EQ(geometry4k.BytesPerSector, 4096u);
    CloseHandle(drive4k);
}

TEST_F(StorageTest, AWholeDiskIsWrittenByOneHandleAtATime)
{
    std::string name = DriveName(disk_.diskNumber());
    HANDLE writer = Open(name, GENERIC_READ | GENERIC_WRITE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(Open(name, GENERIC_READ | GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE reader = Open(name, GENERIC_READ);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading stays possible";
    CloseHandle(reader);
    CloseHandle(writer);
    EXPECT_EQ(Open("\\\\.\\PhysicalDrive99", GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(StorageTest, AMountedVolumeIsNeitherLockedNorWrittenUnderAndDismountUnmountsIt)
{
    std::string mountPoint = disk_.MountNtfs();
    ASSERT_FALSE(mountPoint.empty());
    std::string drive = DriveName(disk_.diskNumber());
    EXPECT_EQ(Open(drive, GENERIC_READ | GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE volume = Open(VolumeName(disk_.driveLetter()), GENERIC_READ | GENERIC_WRITE);
    ASSERT_NE(volume, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Control(volume, FSCTL_LOCK_VOLUME));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Control(volume, FSCTL_DISMOUNT_VOLUME)) << GetLastError();
    struct stat info;
    ASSERT_EQ(::stat(disk_.node().c_str(), &info), 0);
    EXPECT_FALSE(platform::storage::DeviceIsMounted(info.st_rdev));
    EXPECT_TRUE(Control(volume, FSCTL_LOCK_VOLUME)) << GetLastError();
    HANDLE second = Open(VolumeName(disk_.driveLetter()), GENERIC_READ | GENERIC_WRITE);
    EXPECT_FALSE(Control(second, FSCTL_LOCK_VOLUME)) << "one lock at a time";
    CloseHandle(second);
    HANDLE writer = Open(drive, GENERIC_READ | GENERIC_WRITE);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "the locked volume's disk can be written";
    CloseHandle(writer);
    EXPECT_TRUE(Control(volume, FSCTL_UNLOCK_VOLUME));
    CloseHandle(volume);
    disk_.Unmount();
}
