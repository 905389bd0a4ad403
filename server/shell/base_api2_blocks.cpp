// The vendor slots with logic of their own: XDATA access with one retry, the block
// transfer that protects CIS and ISP blocks (server/vendor/protected_block.h), and the
// block erase. None writes an entry line.
#include "server/shell/base_api2.h"

#include "platform/debug/debug.h"
#include "server/scsi/controller_calls.h"
#include "server/shell/port_device.h"
#include "server/vendor/protected_block.h"
#include "server/vendor/xdata_access.h"

#include <cstring>

using portwarden::BufferGiven;
using portwarden::FitsWord;
using portwarden::OnPortDevice;

namespace {

constexpr INT kMaxBlockTransfer = 65536;
constexpr INT kSector = 512;

bool BlockLengthFits(INT length)
{
    if (length >= 0 && length <= kMaxBlockTransfer && length % kSector == 0)
        return true;
    platform::DebugPrintf("block transfer of %d bytes refused: not whole sectors within 64 KiB", length);
    return false;
}

} // namespace

INT CBaseAPI2::ReadWriteXdata(HANDLE* handles, BYTE index, BYTE rd, INT reg, INT length, BYTE* buffer)
{
    if (!FitsWord(reg, "XDATA register") || !FitsWord(length, "XDATA length") || !BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return vendor::XdataTransfer(*vendor_, device, rd == 1, static_cast<WORD>(reg), static_cast<DWORD>(length),
                                     buffer);
    });
}

INT CBaseAPI2::ReadWriteBlock(HANDLE* handles, BYTE index, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block,
                              INT length, BYTE* buffer)
{
    if (!BlockLengthFits(length) || !BufferGiven(buffer, length))
        return 0;
    vendor::BlockRequest request;
    request.read = rd == 1;
    request.kind = static_cast<BYTE>(kind);
    request.flags = static_cast<BYTE>(flags);
    std::memcpy(request.tag.data(), tag.characters, request.tag.size());
    request.block = static_cast<DWORD>(block);
    request.length = static_cast<DWORD>(length);
    request.buffer = buffer;
    return OnPortDevice(handles, index, [&](HANDLE device) { return vendor::TransferBlock(*vendor_, device, request); });
}

INT CBaseAPI2::EraseBlock(HANDLE* handles, BYTE index, INT block, BYTE* out1)
{
    if (!BufferGiven(out1, 1))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        return scsi::EraseFlashBlock(*vendor_, device, static_cast<DWORD>(block), out1);
    });
}
