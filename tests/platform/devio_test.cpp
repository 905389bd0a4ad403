#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath(const char* name)
{
    return (::testing::TempDir() + name);
}

} // namespace

TEST(Devio, RegularFileWriteSeekReadRoundTrip)
{
    std::string path = TempPath("devio_roundtrip.bin");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "0123456789", 10, &written, nullptr));
    EXPECT_EQ(written, 10u);
    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 6u) << "a read at the end of the file succeeds with fewer bytes";
    EXPECT_EQ(std::string(buffer, read), "456789");
    LARGE_INTEGER size;
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 10);
    EXPECT_TRUE(FlushFileBuffers(file));
    EXPECT_TRUE(CloseHandle(file));
    std::remove(path.c_str());
}

TEST(Devio, DispositionsFollowWindowsRules)
{
    std::string path = TempPath("devio_disposition.bin");
    std::remove(path.c_str());
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    HANDLE created = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    CloseHandle(created);
    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    std::remove(path.c_str());
}

TEST(Devio, UnknownDeviceNamesAndControlCodesAreRefused)
{
    EXPECT_EQ(CreateFileA("\\\\.\\NoSuchDevice7", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::string path = TempPath("devio_ioctl.bin");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 99;
    EXPECT_FALSE(DeviceIoControl(file, 0x12345678, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(returned, 0u);
    CloseHandle(file);
    std::remove(path.c_str());
}
