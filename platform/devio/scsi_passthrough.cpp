#include "platform/devio/scsi_passthrough.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_unit_node.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

namespace platform {
namespace {

// Host adapter and driver codes of sg_io_hdr that are not transport failures.
constexpr unsigned kHostOk = 0x00;
constexpr unsigned kHostNoConnect = 0x01;
constexpr unsigned kHostTimeOut = 0x03;
constexpr unsigned kDriverMask = 0x0F;
constexpr unsigned kDriverOk = 0x00;
constexpr unsigned kDriverTimeOut = 0x06;
constexpr unsigned kDriverSense = 0x08;

bool Fits(ULONG offset, ULONG length, DWORD bufferSize)
{
    return std::uint64_t{offset} + length <= bufferSize && offset >= sizeof(SCSI_PASS_THROUGH);
}

bool RequestIsWellFormed(const SCSI_PASS_THROUGH& request, DWORD inSize, DWORD outSize)
{
    if (request.Length != sizeof(SCSI_PASS_THROUGH) || request.CdbLength == 0 || request.CdbLength > sizeof request.Cdb)
        return false;
    if (request.DataIn > SCSI_IOCTL_DATA_UNSPECIFIED)
        return false;
    if (request.SenseInfoLength != 0 && !Fits(request.SenseInfoOffset, request.SenseInfoLength, outSize))
        return false;
    if (request.DataTransferLength == 0)
        return true;
    if (request.DataIn == SCSI_IOCTL_DATA_UNSPECIFIED)
        return false; // data without a direction cannot be moved
    DWORD dataSide = request.DataIn == SCSI_IOCTL_DATA_OUT ? inSize : outSize;
    return Fits(request.DataBufferOffset, request.DataTransferLength, dataSide);
}

int SgDirection(const SCSI_PASS_THROUGH& request)
{
    switch (request.DataIn) {
    case SCSI_IOCTL_DATA_OUT: return SG_DXFER_TO_DEV;
    case SCSI_IOCTL_DATA_IN: return SG_DXFER_FROM_DEV;
    default: return SG_DXFER_NONE;
    }
}

DWORD TransportError(const sg_io_hdr_t& io)
{
    if (io.host_status == kHostTimeOut || (io.driver_status & kDriverMask) == kDriverTimeOut)
        return ERROR_TIMEOUT;
    if (io.host_status == kHostNoConnect)
        return ERROR_DEVICE_NOT_CONNECTED;
    return ERROR_IO_DEVICE;
}

bool TransportFailed(const sg_io_hdr_t& io)
{
    unsigned driver = io.driver_status & kDriverMask;
    return io.host_status != kHostOk || (driver != kDriverOk && driver != kDriverSense);
}

// The descriptor of the logical unit the request names: the opened disk's own, or the
// unit's own node, opened once beside it. Both are found once and kept with the handle:
// opening a removable disk makes the kernel poll its medium, which must not come between
// commands, and a lookup in sysfs for every command would cost more than many commands.
int UnitDescriptor(FileObject& disk, UCHAR lun)
{
    const int fd = disk.UnitDescriptor(lun, [&]() -> FileObject::Unit {
        auto unit = FindUnitNode(disk.linuxPath(), lun);
        if (!unit) {
            DebugPrintf("SCSI pass-through: %s has no logical unit %u", disk.linuxPath().c_str(), unsigned{lun});
            errno = EINVAL; // answered as ERROR_INVALID_PARAMETER
            return {-1, false};
        }
        if (unit->isOpenedDisk)
            return {disk.fd(), false};
        // O_NONBLOCK: a unit without a medium still takes commands such as TEST UNIT READY.
        int mode = (disk.access() & GENERIC_WRITE) != 0 ? O_RDWR : O_RDONLY;
        return {::open(unit->path.c_str(), mode | O_NONBLOCK | O_CLOEXEC), true};
    });
    if (fd < 0)
        SetLastError(ErrorFromErrno(errno));
    return fd;
}

BOOL SendBySgIo(FileObject& device, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    if (in == nullptr || out == nullptr || inSize < sizeof(SCSI_PASS_THROUGH) || outSize < sizeof(SCSI_PASS_THROUGH)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* inBytes = static_cast<BYTE*>(in);
    auto* outBytes = static_cast<BYTE*>(out);
    SCSI_PASS_THROUGH request;
    std::memcpy(&request, inBytes, sizeof request);
    if (!RequestIsWellFormed(request, inSize, outSize)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    unsigned char sense[UCHAR_MAX] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = SgDirection(request);
    io.cmd_len = request.CdbLength;
    io.cmdp = request.Cdb;
    io.mx_sb_len = request.SenseInfoLength;
    io.sbp = sense;
    io.dxfer_len = request.DataTransferLength;
    if (request.DataTransferLength != 0)
        io.dxferp = (request.DataIn == SCSI_IOCTL_DATA_OUT ? inBytes : outBytes) + request.DataBufferOffset;
    std::uint64_t milliseconds = std::uint64_t{request.TimeOutValue} * 1000;
    io.timeout = milliseconds > UINT_MAX ? UINT_MAX : static_cast<unsigned>(milliseconds);

    int fd = UnitDescriptor(device, request.Lun);
    if (fd < 0)
        return FALSE;
    if (::ioctl(fd, SG_IO, &io) != 0) {
        SetLastError(errno == ENOTTY ? ERROR_INVALID_FUNCTION : ErrorFromErrno(errno));
        return FALSE;
    }
    if (TransportFailed(io)) {
        DebugPrintf("SCSI pass-through: host status 0x%X, driver status 0x%X", unsigned{io.host_status},
                    unsigned{io.driver_status});
        SetLastError(TransportError(io));
        return FALSE;
    }

    UCHAR senseReturned = std::min<UCHAR>(io.sb_len_wr, request.SenseInfoLength);
    ULONG moved = request.DataTransferLength;
    if (io.resid > 0 && static_cast<ULONG>(io.resid) <= moved)
        moved -= static_cast<ULONG>(io.resid);
    request.ScsiStatus = io.status;
    request.SenseInfoLength = senseReturned;
    request.DataTransferLength = moved;
    if (senseReturned != 0)
        std::memcpy(outBytes + request.SenseInfoOffset, sense, senseReturned);
    std::memcpy(outBytes, &request, sizeof request);
    if (returned != nullptr)
        *returned = request.DataIn == SCSI_IOCTL_DATA_IN && moved != 0 ? request.DataBufferOffset + moved
                                                                        : static_cast<DWORD>(sizeof request);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

Registration registerScsiPassThrough{[] { RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, SendBySgIo); }};

} // namespace
} // namespace platform
