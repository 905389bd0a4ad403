// The pass-through request as it reaches DeviceIoControl: a stand-in handler for the
// control code records each request and answers with a chosen call result and status.
#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_passthrough.h"
#include "server/scsi/scsi_request.h"
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "tests/scsi/sender_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Reply {
    BOOL result = TRUE;
    std::optional<UCHAR> status = 0; // none: the driver leaves the byte as it was sent
    DWORD error = ERROR_IO_DEVICE;
    std::vector<BYTE> data;
    std::function<void()> during; // runs while the "device" works
    std::optional<ULONG> moved;   // the bytes the driver reports moved (default: those asked for)
};

struct Capture {
    int calls = 0;
    std::vector<BYTE> request; // the input buffer as sent
    DWORD inSize = 0, outSize = 0;
    bool sameBuffer = false;
    Reply reply;
};

Capture capture;

BOOL Answer(platform::FileObject&, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD)
{
    ++capture.calls;
    auto* bytes = static_cast<BYTE*>(in);
    capture.request.assign(bytes, bytes + inSize);
    capture.inSize = inSize;
    capture.outSize = outSize;
    capture.sameBuffer = in == out;
    // The "device" works once it has the request and before the call returns; `during` is
    // copied since it may replace the reply.
    auto during = capture.reply.during;
    if (!capture.reply.result) {
        if (during)
            during();
        SetLastError(capture.reply.error);
        return FALSE;
    }
    auto* header = static_cast<SCSI_PASS_THROUGH*>(out);
    if (capture.reply.status)
        header->ScsiStatus = *capture.reply.status;
    if (capture.reply.moved)
        header->DataTransferLength = *capture.reply.moved;
    std::size_t n = std::min<std::size_t>(capture.reply.data.size(), header->DataTransferLength);
    if (n != 0)
        std::memcpy(static_cast<BYTE*>(out) + header->DataBufferOffset, capture.reply.data.data(), n);
    if (during)
        during();
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

class RequestCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, Answer);
        capture = Capture{};
        std::string path = ::testing::TempDir() + "scsi_capture_device.bin";
        device_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(device_, INVALID_HANDLE_VALUE);
        platform::SetDebugSink([this](std::string_view line) {
            std::lock_guard guard(linesLock_);
            lines_.emplace_back(line);
        });
        in_.assign(65536, 0xCC);
    }
    void TearDown() override
    {
        platform::SetDebugSink({});
        CloseHandle(device_);
    }
    SCSI_PASS_THROUGH SentHeader() const
    {
        SCSI_PASS_THROUGH header;
        std::memcpy(&header, capture.request.data(), sizeof header);
        return header;
    }
    std::vector<std::string> TakeLines()
    {
        std::lock_guard guard(linesLock_);
        return std::exchange(lines_, {});
    }

    HANDLE device_ = INVALID_HANDLE_VALUE;
    std::vector<BYTE> in_;
    std::mutex linesLock_;
    std::vector<std::string> lines_;
};

TEST(RequestLayout, FieldOffsetsAsTheDriverReadsThem)
{
    struct Field {
        const char* name;
        std::size_t offset, expected;
    };
    const Field fields[] = {
        {"Length", offsetof(SCSI_PASS_THROUGH, Length), 0},
        {"ScsiStatus", offsetof(SCSI_PASS_THROUGH, ScsiStatus), 2},
        {"PathId", offsetof(SCSI_PASS_THROUGH, PathId), 3},
        {"TargetId", offsetof(SCSI_PASS_THROUGH, TargetId), 4},
        {"Lun", offsetof(SCSI_PASS_THROUGH, Lun), 5},
        {"CdbLength", offsetof(SCSI_PASS_THROUGH, CdbLength), 6},
        {"SenseInfoLength", offsetof(SCSI_PASS_THROUGH, SenseInfoLength), 7},
        {"DataIn", offsetof(SCSI_PASS_THROUGH, DataIn), 8},
        {"DataTransferLength", offsetof(SCSI_PASS_THROUGH, DataTransferLength), 12},
        {"TimeOutValue", offsetof(SCSI_PASS_THROUGH, TimeOutValue), 16},
        {"DataBufferOffset", offsetof(SCSI_PASS_THROUGH, DataBufferOffset), 20},
        {"SenseInfoOffset", offsetof(SCSI_PASS_THROUGH, SenseInfoOffset), 24},
        {"Cdb", offsetof(SCSI_PASS_THROUGH, Cdb), 28},
        {"sense", offsetof(scsi::RequestBuffer, sense), 48},
        {"data", offsetof(scsi::RequestBuffer, data), 80},
    };
    for (const auto& field : fields)
        EXPECT_EQ(field.offset, field.expected) << field.name;
}

TEST_F(RequestCapture, EverySenderBuildsItsRequest)
{
    platform::ScopedVirtualClock clock;
    const auto& pattern = scsitest::OutgoingPattern();
    for (const auto& c : scsitest::SenderCases()) {
        SCOPED_TRACE(c.name);
        capture = Capture{};
        TakeLines();
        std::int64_t before = clock.clock().SleptTotal();
        std::int64_t sleptBeforeSending = -1;
        capture.reply.during = [&] { sleptBeforeSending = clock.clock().SleptTotal() - before; };
        ASSERT_EQ(c.send(device_, pattern.data(), in_.data()), 1);
        ASSERT_EQ(capture.calls, 1);
        EXPECT_EQ(sleptBeforeSending, std::int64_t{c.preWaitMs} * 10'000) << "pre-wait in 100 ns units";
        SCSI_PASS_THROUGH header = SentHeader();
        EXPECT_EQ(header.Length, 44);
        EXPECT_EQ(header.ScsiStatus, c.statusPreset ? 1 : 0) << "status preset";
        EXPECT_EQ(header.PathId, c.pathId);
        EXPECT_EQ(header.TargetId, c.targetId);
        EXPECT_EQ(header.Lun, c.lun);
        EXPECT_EQ(header.CdbLength, c.cdbLength);
        EXPECT_EQ(header.SenseInfoLength, 24);
        EXPECT_EQ(header.DataIn, c.direction);
        EXPECT_EQ(header.DataTransferLength, c.dataLength);
        EXPECT_EQ(header.TimeOutValue, c.timeoutSeconds);
        EXPECT_EQ(header.DataBufferOffset, 80u);
        EXPECT_EQ(header.SenseInfoOffset, 48u);
        std::vector<BYTE> cdb(header.Cdb, header.Cdb + 16);
        std::vector<BYTE> expected = scsitest::CdbBytes(c);
        expected.resize(16, 0);
        EXPECT_EQ(cdb, expected);
        EXPECT_TRUE(capture.sameBuffer);
        EXPECT_EQ(capture.outSize, 80 + c.dataLength);
        EXPECT_EQ(capture.inSize, 80 + (c.carriesCallerData ? c.dataLength : 0));
        if (c.carriesCallerData) {
            EXPECT_TRUE(std::equal(pattern.begin(), pattern.begin() + c.dataLength, capture.request.begin() + 80));
        }
        EXPECT_TRUE(std::all_of(capture.request.begin() + 44, capture.request.begin() + 80, [](BYTE b) { return b == 0; }))
            << "the sense area and the reserved bytes start zeroed";
        EXPECT_EQ(TakeLines(), c.lines);
    }
}

TEST_F(RequestCapture, RefusedCommandsAreNeverSent)
{
    const auto& pattern = scsitest::OutgoingPattern();
    for (const auto& c : scsitest::RefusedCases()) {
        SCOPED_TRACE(c.name);
        capture = Capture{};
        TakeLines();
        EXPECT_EQ(c.send(device_, pattern.data(), in_.data()), 0);
        EXPECT_EQ(capture.calls, 0);
        EXPECT_FALSE(TakeLines().empty()) << "a refusal leaves a debug line";
    }
}

// Success needs a successful call and SCSI status 0; data reaches the caller only then.
TEST_F(RequestCapture, SuccessRule)
{
    struct Case {
        BOOL call;
        std::optional<UCHAR> status;
        int readResult;
        int vendorResult;
    };
    const Case cases[] = {
        {TRUE, 0, 1, 1},
        {TRUE, 2, 0, 0},    // CHECK CONDITION
        {TRUE, 0x18, 0, 0}, // RESERVATION CONFLICT
        {FALSE, 0, 0, 0},
        {TRUE, std::nullopt, 1, 0}, // a request the driver never completed
    };
    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "call " << c.call << " status " << (c.status ? int{*c.status} : -1));
        capture.reply = Reply{c.call, c.status, ERROR_IO_DEVICE, std::vector<BYTE>(512, 0x5A), {}, {}};
        std::fill(in_.begin(), in_.end(), 0xCC);
        EXPECT_EQ(standard.SendRead10(device_, 0, 0, 0, 0, 512, in_.data()), c.readResult);
        EXPECT_EQ(in_[0], c.readResult ? 0x5A : 0xCC);
        std::fill(in_.begin(), in_.end(), 0xCC);
        EXPECT_EQ(vendor.VendorRead(device_, 0x02, 0, 0, 0, 16, in_.data()), c.vendorResult);
        EXPECT_EQ(in_[0], c.vendorResult ? 0x5A : 0xCC);
    }

    // Only the status preset tells a request the driver never completed from a success.
    platform::ScopedVirtualClock clock;
    const auto& pattern = scsitest::OutgoingPattern();
    for (const auto& c : scsitest::SenderCases()) {
        SCOPED_TRACE(c.name);
        capture.reply = Reply{TRUE, std::nullopt, ERROR_IO_DEVICE, {}, {}, {}};
        EXPECT_EQ(c.send(device_, pattern.data(), in_.data()), c.statusPreset ? 0 : 1);
    }
}

// TEST UNIT READY reports whether the request went through and hands the status back.
TEST_F(RequestCapture, TestUnitReadyRule)
{
    struct Case {
        BOOL call;
        UCHAR status;
        int result;
        UCHAR statusOut;
    };
    const Case cases[] = {
        {TRUE, 0, 1, 0},
        {TRUE, 2, 1, 2},
        {FALSE, 0, 0, 0},
    };
    CSTDCMDControl standard;
    for (const auto& c : cases) {
        capture.reply = Reply{c.call, c.status, ERROR_IO_DEVICE, {}, {}, {}};
        UCHAR status = 0x77;
        EXPECT_EQ(standard.SendTestUnitReady(device_, 0, 0, 0, &status), c.result);
        EXPECT_EQ(status, c.statusOut);
    }
}

TEST_F(RequestCapture, SendersAnnounceTheirCreation)
{
    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    EXPECT_EQ(TakeLines(), (std::vector<std::string>{"Create CSTDCMDControl class", "Create CVCommCMDControl class"}));
}

TEST_F(RequestCapture, FailureLines)
{
    platform::ScopedVirtualClock clock;
    CVCommCMDControl vendor;
    BYTE data[0x8000] = {};
    struct Case {
        const char* name;
        BOOL call;
        UCHAR status;
        std::function<int()> send;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"BlockCheckErase call failed, preset stayed", FALSE, 0,
         [&] { return vendor.BlockCheckErase(device_, 0, 0, 0, 0, 512, 0, 0, 0, 0, data); },
         {"status err", "SCSI status err", "ErrorCode=45d"}},
        {"BlockCheckErase status", TRUE, 2, [&] { return vendor.BlockCheckErase(device_, 0, 0, 0, 0, 512, 0, 0, 0, 0, data); },
         {"SCSI status err", "ErrorCode=0"}},
        {"VBCommandRead status", TRUE, 2, [&] { return vendor.VBCommandRead(device_, 0x80, 0, 0, 0, 0, 512, data); },
         {"SCSI status err", "ErrorCode=0"}},
        {"FillMainFIFO call failed", FALSE, 0, [&] { return vendor.FillMainFIFO(device_, 0x86, 0x8000, data); },
         {"Fill Main FIFO", "  FMF_ERR", "  ErrorCode = 0x45d"}},
        {"MLCVBWrite status", TRUE, 2, [&] { return vendor.MLCVBWrite(device_, 0x88, 1, 0); },
         {"MLCVBWrite: BlockAddr=0x00000001", "  MVW_SCSI_ERR", "  ErrorCode = 0x0"}},
        {"BlockAccessWrite call failed", FALSE, 0,
         [&] { return vendor.BlockAccessWrite(device_, 0x8B, 2, 0, {'C', 'I', 'S', 'S', 'Y', 'S'}, 0, 0, 0, 1024, data); },
         {" @@ BAW_ERR=45D", "BAW_ERR"}},
        {"BlockAccessWrite status", TRUE, 2,
         [&] { return vendor.BlockAccessWrite(device_, 0x8B, 2, 0, {'C', 'I', 'S', 'S', 'Y', 'S'}, 0, 0, 0, 1024, data); },
         {" @@ BAW_ERR=0"}},
        {"ConfigAccessWrite call failed", FALSE, 0,
         [&] { return vendor.ConfigAccessWrite(device_, 0x8C, 3, 0, {'C', 'I', 'S', 'S', 'Y', 'S'}, 0, 0, 0, 1024, data, 1); },
         {" @@ WAW_ERR=45D", "WAW_ERR"}},
        {"BlockAccessRead call failed", FALSE, 0,
         [&] { return vendor.BlockAccessRead(device_, 0x89, 2, 0, 0, 0, 0, 1024, data); }, {"BAR_ERR"}},
        {"BlockAccessRead status", TRUE, 2, [&] { return vendor.BlockAccessRead(device_, 0x89, 2, 0, 0, 0, 0, 1024, data); },
         {}},
        {"ConfigAccessRead call failed", FALSE, 0,
         [&] { return vendor.ConfigAccessRead(device_, 0x8D, 3, 0, 0, 0, 0, 1024, data, 1); }, {"WAR_ERR"}},
        {"BlockAccessErase status", TRUE, 2, [&] { return vendor.BlockAccessErase(device_, 0x8E, 0, 0, 0, 1, data); },
         {" @@ BOR_ERR=0"}},
        {"SystemAccessRead call failed", FALSE, 0, [&] { return vendor.SystemAccessRead(device_, 0x82, 0, 0, 0, 0, 64, data); },
         {"Errorcode=45d"}},
    };
    TakeLines();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        capture.reply = Reply{c.call, c.status, ERROR_IO_DEVICE, {}, {}, {}};
        EXPECT_EQ(c.send(), 0);
        EXPECT_EQ(TakeLines(), c.lines);
    }
}

// What a read hands its caller is what the device sent and zeros after it: nothing of an
// earlier command of the same thread, and nothing of a command sent while it was under way.
// (A READ(10) that came back short fails all the same.)
TEST_F(RequestCapture, ReadsHandBackOnlyWhatTheDeviceSent)
{
    CSTDCMDControl standard;
    capture.reply = Reply{TRUE, 0, ERROR_IO_DEVICE, std::vector<BYTE>(1024, 0x5A), {}, {}};
    ASSERT_EQ(standard.SendRead10(device_, 0, 0, 0, 0, 1024, in_.data()), 1);

    struct Case {
        const char* name;
        ULONG moved;        // what the device sent of 1024 bytes
        bool nestedCommand; // another command is sent on this thread while the read is under way
    };
    for (const Case& c : {Case{"short transfer", 16, false}, Case{"whole transfer", 1024, false},
                          Case{"command sent meanwhile", 1024, true}}) {
        SCOPED_TRACE(c.name);
        std::fill(in_.begin(), in_.end(), 0xCC);
        capture.reply = Reply{TRUE, 0, ERROR_IO_DEVICE, std::vector<BYTE>(1024, 0x11), {}, c.moved};
        std::vector<BYTE> nestedIn(512, 0xCC);
        if (c.nestedCommand)
            capture.reply.during = [&] {
                Reply outer = capture.reply;
                capture.reply = Reply{TRUE, 0, ERROR_IO_DEVICE, std::vector<BYTE>(512, 0x77), {}, 16};
                EXPECT_EQ(standard.SendRead10(device_, 0, 0, 0, 8, 512, nestedIn.data()), 0) << "a short read fails";
                capture.reply = outer;
            };
        ASSERT_EQ(standard.SendRead10(device_, 0, 0, 0, 0, 1024, in_.data()), c.moved == 1024 ? 1 : 0);
        std::vector<BYTE> expected(1024, 0);
        std::fill(expected.begin(), expected.begin() + c.moved, 0x11);
        EXPECT_EQ(std::vector<BYTE>(in_.begin(), in_.begin() + 1024), expected);
        EXPECT_EQ(in_[1024], 0xCC) << "nothing past the transfer";
        if (c.nestedCommand) {
            std::vector<BYTE> nestedExpected(512, 0);
            std::fill(nestedExpected.begin(), nestedExpected.begin() + 16, 0x77);
            EXPECT_EQ(nestedIn, nestedExpected);
        }
    }
}

TEST_F(RequestCapture, TimedTransfersCountTheRequestOnly)
{
    platform::ScopedVirtualClock clock;
    CSTDCMDControl standard;
    capture.reply.during = [&] { clock.clock().Advance(500); };
    DWORD ticks = 0;
    EXPECT_EQ(standard.SendRead10Timed(device_, 0, 0, 0, 0, 512, in_.data(), &ticks), 1);
    EXPECT_EQ(ticks, 500u);
    EXPECT_EQ(standard.SendWrite10Timed(device_, 0, 0, 0, 0, 512, in_.data(), &ticks), 1);
    EXPECT_EQ(ticks, 500u);
    capture.reply.result = FALSE;
    EXPECT_EQ(standard.SendRead10Timed(device_, 0, 0, 0, 0, 512, in_.data(), &ticks), 0);
    EXPECT_EQ(ticks, 0u) << "a failed request counts no ticks";
}

} // namespace
