// Opening a volume by its name ("\\?\Volume{...}"): the name the volume list gives opens
// that volume in any case of its letters, and a name that differs from it in any other way
// opens nothing.
#include "platform/base/lasterror.h"
#include "platform/devio/storage_ioctl.h"
#include "platform/storage/volumes.h"
#include "tests/scsi/bench_fixture.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

using scsitest::DiskBench;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST_F(DiskBench, AVolumeNameOpensItsOwnVolumeOnly)
{
    std::string listed;
    for (const auto& volume : platform::storage::ListVolumes())
        if (volume.device.node == disk.DevNode(0))
            listed = volume.guidName;
    ASSERT_FALSE(listed.empty()) << "the unpartitioned unit is a volume of its own";
    STORAGE_DEVICE_NUMBER ofDisk{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(device, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &ofDisk, sizeof ofDisk, &returned,
                                nullptr));

    const std::string digits = listed.substr(listed.size() - 13, 12); // the last group, without "}"
    std::string otherMinor = listed;
    otherMinor[otherMinor.size() - 2] = otherMinor[otherMinor.size() - 2] == '0' ? '1' : '0';
    std::string shortGroup = listed;
    shortGroup.erase(shortGroup.size() - 13, 1); // one leading zero less
    struct Case {
        std::string name;
        bool opens;
    };
    const Case cases[] = {
        {listed, true},
        {Upper(listed), true},
        {"\\\\?\\volume{" + listed.substr(11), true},
        {otherMinor, false},
        {shortGroup, false},
        {listed.substr(0, listed.size() - 1) + "0}", false},
        {listed.substr(0, listed.size() - 1) + " }", false},
        {listed.substr(0, 12) + "g" + listed.substr(13), false},
        {"\\\\?\\Volume{}", false},
        {"\\\\?\\Volume{" + digits + "}", false},
    };
    for (const Case& c : cases) {
        HANDLE volume = CreateFileA(c.name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        EXPECT_EQ(volume != INVALID_HANDLE_VALUE, c.opens) << c.name;
        if (volume == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << c.name;
            continue;
        }
        STORAGE_DEVICE_NUMBER number{};
        EXPECT_TRUE(DeviceIoControl(volume, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                                    &returned, nullptr))
            << c.name;
        EXPECT_EQ(number.DeviceNumber, ofDisk.DeviceNumber) << c.name;
        CloseHandle(volume);
    }
    // A name is all of its bytes: the listed name with more after a NUL names no volume.
    EXPECT_TRUE(platform::storage::VolumeDeviceOfGuidName(listed));
    EXPECT_FALSE(platform::storage::VolumeDeviceOfGuidName(listed + std::string(1, '\0') + "x"));
}

} // namespace
