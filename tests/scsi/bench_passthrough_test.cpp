// IOCTL_SCSI_PASS_THROUGH as the platform carries it out with SG_IO: request checks,
// status and sense, bytes moved, transport failures and the choice of logical unit.
#include "platform/base/lasterror.h"
#include "platform/devio/scsi_passthrough.h"
#include "server/scsi/scsi_request.h"
#include "tests/scsi/bench_fixture.h"

#include <cstring>
#include <functional>
#include <memory>

namespace {

using scsitest::DiskBench;

struct Request {
    std::unique_ptr<scsi::RequestBuffer> buffer = std::make_unique<scsi::RequestBuffer>();
    DWORD inSize = 80;
    DWORD outSize = 80;
    SCSI_PASS_THROUGH& header() { return buffer->header; }
};

// INQUIRY for `length` bytes, as the server builds it.
Request Inquiry(DWORD length = 128)
{
    Request request;
    SCSI_PASS_THROUGH& h = request.header();
    h.Length = sizeof(SCSI_PASS_THROUGH);
    h.CdbLength = 6;
    h.SenseInfoLength = 24;
    h.DataIn = SCSI_IOCTL_DATA_IN;
    h.DataTransferLength = length;
    h.TimeOutValue = 3;
    h.DataBufferOffset = 80;
    h.SenseInfoOffset = 48;
    h.Cdb[0] = 0x12;
    h.Cdb[4] = static_cast<UCHAR>(length);
    request.outSize = 80 + length;
    return request;
}

BOOL Send(HANDLE device, Request& request, DWORD* returned = nullptr)
{
    DWORD bytes = 0;
    BOOL result = DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH, request.buffer.get(), request.inSize,
                                  request.buffer.get(), request.outSize, &bytes, nullptr);
    if (returned != nullptr)
        *returned = bytes;
    return result;
}

TEST_F(DiskBench, MalformedRequestsAreRefusedBeforeSending)
{
    struct Case {
        const char* name;
        std::function<void(Request&)> spoil;
    };
    const Case cases[] = {
        {"header length", [](Request& r) { r.header().Length = 40; }},
        {"no CDB", [](Request& r) { r.header().CdbLength = 0; }},
        {"CDB beyond 16 bytes", [](Request& r) { r.header().CdbLength = 17; }},
        {"unknown direction", [](Request& r) { r.header().DataIn = 3; }},
        {"data without a direction", [](Request& r) { r.header().DataIn = SCSI_IOCTL_DATA_UNSPECIFIED; }},
        {"data beyond the output buffer", [](Request& r) { r.outSize = 80 + 64; }},
        {"data inside the header", [](Request& r) { r.header().DataBufferOffset = 8; }},
        {"sense inside the header", [](Request& r) { r.header().SenseInfoOffset = 30; }},
        {"sense beyond the buffer", [](Request& r) { r.header().SenseInfoOffset = 80 + 128 - 10; }},
        {"input shorter than the header", [](Request& r) { r.inSize = 40; }},
        {"data out beyond the input", [](Request& r) { r.header().DataIn = SCSI_IOCTL_DATA_OUT; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Request request = Inquiry();
        c.spoil(request);
        EXPECT_FALSE(Send(device, request));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_TRUE(model().Commands().empty()) << "nothing reached the controller";
}

TEST_F(DiskBench, CheckConditionBringsStatusAndSenseBack)
{
    Request request = Inquiry(512);
    SCSI_PASS_THROUGH& h = request.header();
    h.CdbLength = 10;
    std::memset(h.Cdb, 0, sizeof h.Cdb);
    h.Cdb[0] = 0x28;
    scsi::PutBigEndian32(&h.Cdb[2], static_cast<DWORD>(scsitest::kLun0Sectors)); // first sector beyond the unit
    h.Cdb[8] = 1;
    ASSERT_TRUE(Send(device, request)) << "a SCSI status is no transport failure";
    EXPECT_EQ(h.ScsiStatus, 2);
    EXPECT_EQ(h.SenseInfoLength, 18);
    EXPECT_EQ(request.buffer->sense[2], 0x05) << "illegal request";
    EXPECT_EQ(request.buffer->sense[12], 0x21) << "LBA out of range";
}

TEST_F(DiskBench, ShortTransfersReportTheBytesMoved)
{
    Request request = Inquiry(128);
    request.header().Cdb[4] = 36; // the device sends only what the CDB allows
    DWORD returned = 0;
    ASSERT_TRUE(Send(device, request, &returned));
    EXPECT_EQ(request.header().ScsiStatus, 0);
    EXPECT_EQ(request.header().DataTransferLength, 36u);
    EXPECT_EQ(returned, 80u + 36);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&request.buffer->data[8]), 5), "TARVO");
    EXPECT_EQ(request.buffer->data[36], 0) << "nothing beyond what was moved";
}

TEST_F(DiskBench, TransportFailuresFailTheCallAndKeepTheHeader)
{
    const sim::FaultKind kinds[] = {sim::FaultKind::FailedCall, sim::FaultKind::AdapterError};
    for (auto kind : kinds) {
        Request request = Inquiry();
        request.header().ScsiStatus = 1; // a status preset must survive a failed call
        model().FailCommand(1, kind);
        EXPECT_FALSE(Send(device, request));
        EXPECT_EQ(GetLastError(), ERROR_IO_DEVICE);
        EXPECT_EQ(request.header().ScsiStatus, 1);
    }
}

TEST_F(DiskBench, LunSelectsTheLogicalUnit)
{
    HANDLE second = OpenUnit(1);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    struct Case {
        HANDLE opened;
        UCHAR lun;
    };
    const Case cases[] = {{device, 0}, {device, 1}, {second, 0}, {second, 1}, {device, 1}, {second, 0}};
    for (const auto& c : cases) {
        model().ClearCommands();
        Request request = Inquiry();
        request.header().Lun = c.lun;
        ASSERT_TRUE(Send(c.opened, request));
        auto commands = model().Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].lun, c.lun);
    }
    EXPECT_EQ(disk.Opens(0), 2u) << "each unit's node is opened once beside a handle, not per command";
    Request missing = Inquiry();
    missing.header().Lun = 2;
    EXPECT_FALSE(Send(device, missing));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "the target has no unit 2";
    CloseHandle(second);
}

TEST_F(DiskBench, AFileIsNoScsiDevice)
{
    std::string path = ::testing::TempDir() + "scsi_not_a_disk.bin";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Request request = Inquiry();
    EXPECT_FALSE(Send(file, request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    CloseHandle(file);
}

} // namespace
