#include "test_disk.h"

#include "tool_runner.h"

#include "platform/storage/disk_numbers.h"
#include "platform/storage/drive_letters.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

TestDisk::TestDisk(const std::string& name, std::uint64_t bytes, unsigned sectorBytes)
    : image_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()) + ".disk"))
{
    std::ofstream(image_).close();
    std::filesystem::resize_file(image_, bytes);
    loop_ = std::make_unique<LoopDevice>(image_, 0, 0, sectorBytes, true);
}

TestDisk::~TestDisk()
{
    Unmount();
    loop_.reset();
    std::error_code error;
    std::filesystem::remove(image_, error);
}

dev_t TestDisk::device() const
{
    struct stat info;
    return ::stat(node().c_str(), &info) == 0 ? info.st_rdev : 0;
}

int TestDisk::diskNumber() const
{
    return platform::storage::DiskNumberOfDevice(device()).value_or(-1);
}

char TestDisk::driveLetter() const
{
    return platform::storage::DriveLetterOfVolume(device());
}

std::string TestDisk::MountNtfs()
{
    if (RunTool({"mkntfs", "-Q", "-F", "-q", node()}).exitCode != 0)
        return "";
    std::string point = image_ + ".mnt";
    std::filesystem::create_directories(point);
    if (RunTool({"ntfs-3g", node(), point}).exitCode != 0)
        return "";
    return mountPoint_ = point;
}

void TestDisk::Unmount()
{
    if (mountPoint_.empty())
        return;
    // A mount still in use is detached lazily: the loop device and its file must go with
    // the test, and a destructor must not throw.
    if (RunTool({"umount", mountPoint_}).exitCode != 0)
        RunTool({"umount", "--lazy", mountPoint_});
    std::error_code error;
    std::filesystem::remove(mountPoint_, error);
    mountPoint_.clear();
}
