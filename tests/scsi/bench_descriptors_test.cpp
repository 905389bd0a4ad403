// What a handle keeps open of a drive's nodes: a handle opened without access holds none
// of them, a logical unit's node is opened once beside the handle whatever number of
// requests go to it, and closing the handle closes everything it opened.
#include "platform/base/lasterror.h"
#include "platform/devio/storage_ioctl.h"
#include "server/scsi/scsi_request.h"
#include "tests/scsi/bench_fixture.h"
#include "tests/scsi/unit_descriptors.h"

#include <string>

namespace {

using scsitest::DiskBench;

BOOL TestUnitReady(HANDLE device, UCHAR lun)
{
    scsi::RequestBuffer buffer{};
    SCSI_PASS_THROUGH& h = buffer.header;
    h.Length = sizeof(SCSI_PASS_THROUGH);
    h.Lun = lun;
    h.CdbLength = 6;
    h.SenseInfoLength = 24;
    h.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    h.TimeOutValue = 3;
    h.SenseInfoOffset = 48;
    DWORD returned = 0;
    return DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, &buffer, 80, &buffer, 80, &returned, nullptr);
}

TEST_F(DiskBench, AHandleWithoutAccessHoldsNoDescriptorYetAnswersWhatTheDeviceIs)
{
    STORAGE_DEVICE_NUMBER ofOpened{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &ofOpened, sizeof ofOpened,
                                &returned, nullptr));
    const std::string drive = "\\\\.\\PhysicalDrive" + std::to_string(ofOpened.DeviceNumber);
    const unsigned before = scsitest::UnitDescriptors();
    HANDLE asked = CreateFileA(drive.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(asked, INVALID_HANDLE_VALUE) << drive;
    EXPECT_EQ(scsitest::UnitDescriptors(), before);

    STORAGE_DEVICE_NUMBER number{};
    ASSERT_TRUE(DeviceIoControl(asked, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &returned,
                                nullptr));
    EXPECT_EQ(number.DeviceNumber, ofOpened.DeviceNumber);
    GET_LENGTH_INFORMATION length{};
    ASSERT_TRUE(DeviceIoControl(asked, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr));
    EXPECT_EQ(length.Length.QuadPart, static_cast<LONGLONG>(scsitest::kLun0Sectors * 512));
    EXPECT_FALSE(TestUnitReady(asked, 0)) << "a handle without access sends no command";
    EXPECT_EQ(scsitest::UnitDescriptors(), before) << "what was opened to answer is closed again";
    CloseHandle(asked);

    const std::string missing = "\\\\.\\PhysicalDrive" + std::to_string(ofOpened.DeviceNumber + 40);
    EXPECT_EQ(CreateFileA(missing.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(DiskBench, AUnitsNodeIsOpenedOnceBesideItsHandleAndClosedWithIt)
{
    const unsigned before = scsitest::UnitDescriptors();
    HANDLE opened = OpenUnit(0);
    ASSERT_NE(opened, INVALID_HANDLE_VALUE);
    struct Case {
        UCHAR lun;
        unsigned held; // descriptors the handle holds after the request
    };
    const Case cases[] = {{0, 1}, {1, 2}, {1, 2}, {0, 2}, {1, 2}};
    for (const Case& c : cases) {
        EXPECT_TRUE(TestUnitReady(opened, c.lun)) << unsigned{c.lun};
        EXPECT_EQ(scsitest::UnitDescriptors(), before + c.held) << unsigned{c.lun};
    }
    EXPECT_FALSE(TestUnitReady(opened, 2)) << "the target has no unit 2";
    EXPECT_EQ(scsitest::UnitDescriptors(), before + 2) << "a missing unit keeps nothing open";
    CloseHandle(opened);
    EXPECT_EQ(scsitest::UnitDescriptors(), before);
}

} // namespace
