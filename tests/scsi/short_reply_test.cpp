// Replies that came back with bytes missing, as the pass-through reports them (fewer data
// bytes moved than asked, GOOD status): READ CAPACITY and READ(10) have no shorter form, so
// such a reply fails them; INQUIRY may answer with less than it was asked for.
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_passthrough.h"
#include "server/scsi/stdcmd_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

ULONG movedReported = 0; // the data bytes the "device" sends

BOOL ShortAnswer(platform::FileObject&, DWORD, LPVOID, DWORD, LPVOID out, DWORD, LPDWORD)
{
    auto* header = static_cast<SCSI_PASS_THROUGH*>(out);
    header->ScsiStatus = 0;
    const ULONG moved = std::min(movedReported, header->DataTransferLength);
    std::memset(static_cast<BYTE*>(out) + header->DataBufferOffset, 0x5A, moved);
    header->DataTransferLength = moved;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

TEST(ShortReplies, FailWhereTheCommandHasNoShorterReply)
{
    platform::RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, ShortAnswer);
    platform::SetDebugSink([](std::string_view) {});
    const std::string path = ::testing::TempDir() + "scsi_short_reply_device.bin";
    HANDLE device = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    struct Case {
        const char* command;
        DWORD asked;
        ULONG moved;
        int expected;
    };
    const Case cases[] = {
        {"READ CAPACITY", 8, 8, 1}, {"READ CAPACITY", 8, 4, 0}, {"READ CAPACITY", 8, 0, 0},
        {"READ(10)", 1024, 1024, 1}, {"READ(10)", 1024, 1023, 0}, {"READ(10)", 1024, 0, 0},
        {"INQUIRY", 128, 36, 1},
    };
    CSTDCMDControl standard;
    std::vector<BYTE> data(1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << ": " << c.moved << " of " << c.asked << " bytes");
        movedReported = c.moved;
        const std::string command = c.command;
        const int result = command == "INQUIRY"         ? standard.SendInquiry(device, 0, 0, data.data())
                           : command == "READ CAPACITY" ? standard.SendReadCapacity(device, 0, data.data())
                                                        : standard.SendRead10(device, 0, 0, 0, 0, c.asked, data.data());
        EXPECT_EQ(result, c.expected);
    }
    CloseHandle(device);
}

} // namespace
