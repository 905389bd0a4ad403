#include "sim/disk/sg_io_node.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/fs.h>
#include <scsi/sg.h>

namespace sim {
namespace {

constexpr unsigned char kDriverSense = 0x08;
constexpr unsigned kMaxCdb = 16;

DataDirection DirectionOf(int sgDirection)
{
    switch (sgDirection) {
    case SG_DXFER_TO_DEV: return DataDirection::ToDevice;
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV: return DataDirection::FromDevice;
    default: return DataDirection::None;
    }
}

} // namespace

void SgIoNode::Opened(ClientId)
{
    ++opens_;
}

Reply SgIoNode::Ioctl(DeviceCall& call)
{
    switch (call.request()) {
    case SG_IO: return SgIo(call);
    case BLKGETSIZE64:
        call.Argument<std::uint64_t>() = disk_.mediumLoaded() ? disk_.lunSectors(lun_) * LunStore::kSectorSize : 0;
        return Reply::Ok(0);
    case BLKSSZGET: call.Argument<int>() = LunStore::kSectorSize; return Reply::Ok(0);
    case BLKRRPART: return Reply::Ok(0); // a bench disk's partition nodes are fixed when it is made
    default: return Reply::Fail(ENOTTY);
    }
}

Reply SgIoNode::Read(DeviceCall&)
{
    return Transfer();
}

Reply SgIoNode::Write(DeviceCall&)
{
    return Transfer();
}

// The node's file is the unit's store: the transfer is carried out on it, at the caller's position.
Reply SgIoNode::Transfer() const
{
    return disk_.mediumLoaded() ? Reply::PassOn() : Reply::Fail(ENOMEDIUM);
}

Reply SgIoNode::SgIo(DeviceCall& call)
{
    auto& io = call.Argument<sg_io_hdr_t>();
    if (io.interface_id != 'S' || io.cmd_len == 0 || io.cmd_len > kMaxCdb || io.iovec_count != 0)
        return Reply::Fail(EINVAL);

    ScsiExchange exchange;
    exchange.lun = lun_;
    exchange.cdb = call.Pointee(io.cmdp, io.cmd_len);
    exchange.direction = DirectionOf(io.dxfer_direction);
    if (exchange.direction != DataDirection::None && io.dxfer_len != 0)
        exchange.data = call.Pointee(io.dxferp, io.dxfer_len);
    exchange.timeoutMs = io.timeout;

    ScsiAnswer answer = disk_.Execute(exchange);
    if (answer.callErrno != 0)
        return Reply::Fail(answer.callErrno);

    io.status = answer.status;
    io.masked_status = static_cast<unsigned char>(answer.status >> 1);
    io.host_status = answer.hostStatus;
    io.driver_status = 0;
    io.sb_len_wr = 0;
    if (!answer.sense.empty() && io.mx_sb_len != 0) {
        auto sense = call.Pointee(io.sbp, io.mx_sb_len);
        std::size_t length = std::min<std::size_t>(answer.sense.size(), io.mx_sb_len);
        std::memcpy(sense.data(), answer.sense.data(), length);
        io.sb_len_wr = static_cast<unsigned char>(length);
        io.driver_status = kDriverSense;
    }
    io.resid = static_cast<int>(exchange.data.size() - std::min<std::size_t>(answer.moved, exchange.data.size()));
    io.duration = 0;
    bool problem = io.status != 0 || io.host_status != 0 || io.driver_status != 0;
    io.info = problem ? SG_INFO_CHECK : SG_INFO_OK;
    return Reply::Ok(0);
}

} // namespace sim
