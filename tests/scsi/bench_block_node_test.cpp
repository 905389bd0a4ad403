// A bench unit's disk node as the raw-disk path sees it: positioned reads and writes, size
// queries and flushes on the node, with one set of contents shared with the unit's SCSI
// commands, the end of the unit, a missing medium, and a program of another process.
#include "platform/base/lasterror.h"
#include "platform/devio/storage_ioctl.h"
#include "server/scsi/stdcmd_control.h"
#include "tests/scsi/bench_fixture.h"

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using scsitest::DiskBench;
using scsitest::Pattern;

constexpr DWORD kBytes = 3 * 512;

class BlockNode : public DiskBench {
public:
    // For the table of ways below.
    using DiskBench::device;
    using DiskBench::disk;
    using DiskBench::OpenUnit;

    // Positioned transfers through a handle, as the image builder moves its sectors.
    bool NodeWrite(HANDLE handle, std::uint64_t offset, const std::vector<BYTE>& data)
    {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD moved = 0;
        return SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
               WriteFile(handle, data.data(), static_cast<DWORD>(data.size()), &moved, nullptr) && moved == data.size();
    }
    std::vector<BYTE> NodeRead(HANDLE handle, std::uint64_t offset, DWORD length)
    {
        std::vector<BYTE> data(length);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD moved = 0;
        if (!SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) || !ReadFile(handle, data.data(), length, &moved, nullptr))
            return {};
        data.resize(moved);
        return data;
    }

    CSTDCMDControl standard;
};

// Each way of writing a unit, and each way of reading it back: every pair sees one content.
struct Way {
    const char* name;
    std::function<bool(BlockNode&, unsigned lun, DWORD lba, const std::vector<BYTE>&)> write;
    std::function<std::vector<BYTE>(BlockNode&, unsigned lun, DWORD lba)> read;
};

const Way kWays[] = {
    {"node read and write",
     [](BlockNode& t, unsigned lun, DWORD lba, const std::vector<BYTE>& data) {
         HANDLE node = t.OpenUnit(lun);
         bool ok = t.NodeWrite(node, std::uint64_t{lba} * 512, data) && FlushFileBuffers(node);
         CloseHandle(node);
         return ok;
     },
     [](BlockNode& t, unsigned lun, DWORD lba) {
         HANDLE node = t.OpenUnit(lun);
         auto data = t.NodeRead(node, std::uint64_t{lba} * 512, kBytes);
         CloseHandle(node);
         return data;
     }},
    {"pread and pwrite",
     [](BlockNode& t, unsigned lun, DWORD lba, const std::vector<BYTE>& data) {
         int fd = ::open(t.disk.DevNode(lun).c_str(), O_RDWR | O_CLOEXEC);
         bool ok = fd >= 0 && ::pwrite(fd, data.data(), data.size(), off_t{lba} * 512) == static_cast<ssize_t>(data.size()) &&
                   ::fsync(fd) == 0;
         if (fd >= 0)
             ::close(fd);
         return ok;
     },
     [](BlockNode& t, unsigned lun, DWORD lba) {
         std::vector<BYTE> data(kBytes);
         int fd = ::open(t.disk.DevNode(lun).c_str(), O_RDONLY | O_CLOEXEC);
         ssize_t moved = fd >= 0 ? ::pread(fd, data.data(), data.size(), off_t{lba} * 512) : -1;
         if (fd >= 0)
             ::close(fd);
         data.resize(moved > 0 ? static_cast<std::size_t>(moved) : 0);
         return data;
     }},
    {"SCSI READ(10) and WRITE(10) on the first unit's handle",
     [](BlockNode& t, unsigned lun, DWORD lba, const std::vector<BYTE>& data) {
         return t.standard.SendWrite10(t.device, static_cast<UCHAR>(lun), 0, 0, lba, kBytes, data.data()) == 1;
     },
     [](BlockNode& t, unsigned lun, DWORD lba) {
         std::vector<BYTE> data(kBytes);
         if (t.standard.SendRead10(t.device, static_cast<UCHAR>(lun), 0, 0, lba, kBytes, data.data()) != 1)
             return std::vector<BYTE>{};
         return data;
     }},
};

TEST_F(BlockNode, EveryWayOfWritingIsSeenByEveryWayOfReading)
{
    BYTE seed = 1;
    for (unsigned lun : {0u, 1u}) {
        for (const Way& writer : kWays) {
            for (const Way& reader : kWays) {
                SCOPED_TRACE(std::string("unit ") + std::to_string(lun) + ": " + writer.name + " -> " + reader.name);
                // Far out in the unit, and off the 64 KiB grid.
                const DWORD lba = static_cast<DWORD>(lun == 0 ? scsitest::kLun0Sectors - 700 : 0x123457) + seed;
                const auto data = Pattern(kBytes, seed++);
                ASSERT_TRUE(writer.write(*this, lun, lba, data));
                EXPECT_EQ(reader.read(*this, lun, lba), data);
                EXPECT_EQ(model().ReadSectors(lun, lba, kBytes / 512), data);
            }
        }
    }
}

TEST_F(BlockNode, SizeQueriesAnswerFromTheUnit)
{
    for (unsigned lun : {0u, 1u}) {
        SCOPED_TRACE(lun);
        HANDLE node = OpenUnit(lun);
        GET_LENGTH_INFORMATION length{};
        DISK_GEOMETRY geometry{};
        DWORD returned = 0;
        ASSERT_TRUE(DeviceIoControl(node, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr));
        EXPECT_EQ(static_cast<std::uint64_t>(length.Length.QuadPart), model().lunSectors(lun) * 512);
        ASSERT_TRUE(DeviceIoControl(node, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                                    nullptr));
        EXPECT_EQ(geometry.BytesPerSector, 512u);
        EXPECT_TRUE(DeviceIoControl(node, IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0, &returned, nullptr))
            << "the partition table is re-read";
        CloseHandle(node);
    }
}

TEST_F(BlockNode, TheUnitEndsWhereItsCapacitySays)
{
    const std::uint64_t end = model().lunSectors(1) * 512;
    HANDLE node = OpenUnit(1);
    const auto data = Pattern(1024, 9);
    DWORD moved = 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(end - 512);
    ASSERT_TRUE(SetFilePointerEx(node, at, nullptr, FILE_BEGIN));
    EXPECT_FALSE(WriteFile(node, data.data(), 1024, &moved, nullptr)) << "a write reaching past the end";
    EXPECT_EQ(moved, 512u) << "what fits is written";
    EXPECT_FALSE(NodeWrite(node, end, data)) << "a write at the end";
    EXPECT_EQ(NodeRead(node, end - 512, 1024), std::vector<BYTE>(data.begin(), data.begin() + 512))
        << "a read stops at the end";
    EXPECT_EQ(model().ReadSectors(1, model().lunSectors(1) - 1, 1), std::vector<BYTE>(data.begin(), data.begin() + 512));
    CloseHandle(node);
}

TEST_F(BlockNode, WithoutAMediumTheNodeMovesNothing)
{
    ASSERT_EQ(standard.SCSI_LoadUnload(device, 0, 0, 0, 0x02), 1); // eject
    HANDLE node = OpenUnit(0);
    EXPECT_FALSE(NodeWrite(node, 0, Pattern(512, 3)));
    EXPECT_TRUE(NodeRead(node, 0, 512).empty());
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(node, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr));
    EXPECT_EQ(length.Length.QuadPart, 0);
    ASSERT_EQ(standard.SCSI_LoadUnload(device, 0, 0, 0, 0x03), 1); // load
    EXPECT_TRUE(NodeWrite(node, 0, Pattern(512, 3)));
    CloseHandle(node);
}

TEST_F(BlockNode, AProgramOfAnotherProcessSeesTheSameSectors)
{
    const auto data = Pattern(512, 0x41);
    ASSERT_EQ(standard.SendWrite10(device, 0, 0, 0, 77, 512, data.data()), 1);
    const std::string command = "dd if=" + disk.DevNode(0) + " bs=512 skip=77 count=1 status=none";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<BYTE> seen(1024);
    seen.resize(std::fread(seen.data(), 1, seen.size(), pipe));
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(seen, data);
}

} // namespace
