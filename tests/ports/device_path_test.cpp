// The port record keeps where its matched disk's path lies, not a pointer to it, so every
// copy of the record (the views and the device list take copies) names its own path.
#include "portwarden/records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

PortRecord MatchedRecord(const char* path)
{
    PortRecord record{};
    std::strcpy(record.disk.devicePath, path);
    record.SetDevicePathFromDisk();
    return record;
}

} // namespace

TEST(DevicePath, IsEmptyUntilADiskIsMatched)
{
    PortRecord record{};
    std::strcpy(record.disk.devicePath, "\\\\?\\usbstor#disk&ven_x");
    EXPECT_TRUE(record.DevicePath().empty());
    record.SetDevicePathFromDisk();
    EXPECT_EQ(record.DevicePath(), "\\\\?\\usbstor#disk&ven_x");
}

TEST(DevicePath, ACopyNamesItsOwnPath)
{
    PortRecord original = MatchedRecord("\\\\?\\usbstor#disk&first");
    PortRecord copy = original;
    std::strcpy(original.disk.devicePath, "\\\\?\\usbstor#disk&second");
    EXPECT_EQ(copy.DevicePath(), "\\\\?\\usbstor#disk&first");
    EXPECT_EQ(original.DevicePath(), "\\\\?\\usbstor#disk&second");
}

TEST(DevicePath, AFullFieldIsReadNoFurtherThanTheField)
{
    PortRecord record = MatchedRecord("");
    std::memset(record.disk.devicePath, 'p', sizeof record.disk.devicePath);
    record.disk.driveLetterCount = 'X';
    EXPECT_EQ(record.DevicePath(), std::string(sizeof record.disk.devicePath, 'p'));
}

TEST(DevicePath, AnOffsetThatIsNotThePathsGivesNoPath)
{
    PortRecord record = MatchedRecord("\\\\?\\usbstor#disk");
    for (DWORD stale : {DWORD{1}, kPortRecordDevicePathOffset + 1, DWORD{0x0012F3A8}}) {
        record.devicePathOffset = stale;
        EXPECT_TRUE(record.DevicePath().empty()) << stale;
    }
}
