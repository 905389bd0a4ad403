// The file-level stand-ins: find-file listings, attributes, folders, copies, file length
// and drive-letter paths.
#include "test_disk.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/fileapi/drive_paths.h"
#include "platform/fileapi/fileapi.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <map>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

// A 32 KiB tmpfs, unmounted however the test ends.
class SmallVolume {
public:
    explicit SmallVolume(fs::path path) : path_(std::move(path))
    {
        fs::create_directories(path_);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=32k") == 0;
    }
    ~SmallVolume()
    {
        if (mounted_)
            ::umount(path_.c_str());
    }
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;
    bool mounted() const { return mounted_; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    bool mounted_ = false;
};

class FileApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(::testing::TempDir()) / ("fileapi_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "folder");
        std::ofstream(root_ / "data.bin") << std::string(70000, 'd');
        std::ofstream(root_ / "noext") << "n";
        ::mkfifo((root_ / "pipe").c_str(), 0600);
    }
    void TearDown() override { fs::remove_all(root_); }

    // Every name a pattern lists, with its attributes.
    std::map<std::string, DWORD> List(const std::string& pattern)
    {
        std::map<std::string, DWORD> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            names[data.cFileName] = data.dwFileAttributes;
            EXPECT_EQ(data.cAlternateFileName[0], '\0');
        } while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(find));
        return names;
    }

    fs::path root_;
};

} // namespace

TEST_F(FileApiTest, FindFileListsFilesAndFoldersByWindowsPatterns)
{
    auto all = List((root_ / "*.*").string());
    EXPECT_EQ(all.size(), 5u) << "., .., folder, data.bin and noext; the pipe is not listed";
    EXPECT_EQ(all["folder"], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(all["."], FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(all["data.bin"], FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(all.count("noext"), 1u) << "*.* matches names without a dot";
    EXPECT_EQ(List((root_ / "*.BIN").string()).size(), 1u) << "patterns ignore letter case";
    EXPECT_EQ(List((root_ / "n?ext").string()).size(), 1u);

    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((root_ / "*.none").string().c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA((root_ / "missing" / "*.*").string().c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    HANDLE find = FindFirstFileA((root_ / "data.bin").string().c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_EQ((ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow, 70000u);
    FindClose(find);
}

TEST_F(FileApiTest, AttributesFoldersAndLengths)
{
    std::string file = (root_ / "data.bin").string();
    EXPECT_EQ(GetFileAttributesA((root_ / "missing").string().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), FILE_ATTRIBUTE_ARCHIVE);

    std::string folder = (root_ / "new").string();
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA((root_ / "no" / "parent").string().c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = 5ll << 30;
    ASSERT_TRUE(SetFilePointerEx(handle, at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(handle));
    CloseHandle(handle);
    EXPECT_EQ(fs::file_size(file), 5ull << 30) << "a length beyond 4 GiB";
}

TEST_F(FileApiTest, CopiesKeepContentsAndTimesAndNeverLeaveAPartialFile)
{
    std::string from = (root_ / "data.bin").string(), to = (root_ / "copy.bin").string();
    struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, from.c_str(), old, 0), 0);
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), TRUE));
    EXPECT_EQ(fs::file_size(to), 70000u);
    struct stat copied;
    ASSERT_EQ(::stat(to.c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mtime, 1000000000);
    EXPECT_FALSE(CopyFileA(from.c_str(), to.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_TRUE(CopyFileA((root_ / "noext").string().c_str(), to.c_str(), FALSE)) << "overwrites";
    EXPECT_EQ(fs::file_size(to), 1u);
    EXPECT_FALSE(CopyFileA((root_ / "missing").string().c_str(), to.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    SmallVolume small(root_ / "small");
    ASSERT_TRUE(small.mounted());
    std::string full = (small.path() / "copy.bin").string(), kept = (small.path() / "kept.bin").string();
    std::ofstream(kept) << "old contents";
    for (const std::string& target : {full, kept}) {
        EXPECT_FALSE(CopyFileA(from.c_str(), target.c_str(), FALSE)) << "70000 bytes into 32 KiB";
        EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    }
    EXPECT_FALSE(fs::exists(full)) << "no partial copy stays behind";
    std::error_code error;
    EXPECT_EQ(fs::file_size(kept, error), 12u) << "a failed copy leaves the file it would have replaced";
    EXPECT_EQ(std::distance(fs::directory_iterator(small.path()), fs::directory_iterator()), 1) << "nothing else is left";
}

TEST_F(FileApiTest, CopiesNeverReplaceDevicesPipesFoldersOrReadOnlyFiles)
{
    std::string from = (root_ / "data.bin").string();
    std::string device = (root_ / "null_device").string(), readOnly = (root_ / "read_only.bin").string();
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0) << "a node of the null device, our own";
    std::ofstream(readOnly) << "keep";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::string& target : {device, (root_ / "pipe").string(), (root_ / "folder").string(), readOnly}) {
        EXPECT_FALSE(CopyFileA(from.c_str(), target.c_str(), FALSE)) << target;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << target;
    }
    struct stat info;
    ASSERT_EQ(::stat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode) && info.st_rdev == makedev(1, 3)) << "the node stays as it was";
    std::error_code error;
    EXPECT_EQ(fs::file_size(readOnly, error), 4u);
    EXPECT_TRUE(fs::is_fifo(root_ / "pipe"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 6) << "no copy left behind";
}

TEST(DrivePaths, ADriveLetterLeadsToItsVolumesMountPoint)
{
    TestDisk disk("drive_paths", 64ull << 20);
    ASSERT_TRUE(disk.ok()) << disk.error();
    char letter = disk.driveLetter();
    std::string root = std::string(1, letter) + ":\\";
    EXPECT_FALSE(platform::LinuxPathOf(root)) << "not mounted: no path";
    EXPECT_EQ(GetFileAttributesA(root.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string mountPoint = disk.MountNtfs();
    ASSERT_FALSE(mountPoint.empty());
    EXPECT_EQ(platform::LinuxPathOf(root + "dir\\file.txt"), mountPoint + "/dir/file.txt");
    EXPECT_EQ(platform::LinuxPathOf(std::string(1, static_cast<char>(std::tolower(letter))) + ":/a//b"),
              mountPoint + "/a/b");
    EXPECT_EQ(platform::LinuxPathOf("/plain/linux/path"), "/plain/linux/path");
    EXPECT_TRUE(CreateDirectoryA((root + "made here").c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(mountPoint + "/made here"));
    EXPECT_EQ(GetFileAttributesA(root.c_str()), FILE_ATTRIBUTE_DIRECTORY);
}
