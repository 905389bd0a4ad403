// Reads and writes in chunks of at most 64 KiB. A chunk that still fails after its
// attempts ends the transfer with 0: the data behind it was not moved, so the transfer
// must never be reported as done. A transfer holds its device's lock from its first chunk
// to its last, so no chunk runs inside another caller's sequence on the same device (a
// protected block transfer has the device's encryption switched off meanwhile).
#include "server/disk/disk_slots.h"

#include "server/disk/disk_index.h"
#include "server/scsi/device_lock.h"

#include <algorithm>

namespace {

constexpr DWORD kChunkBytes = 65536;
constexpr unsigned kWriteAttempts = 3;

// send(lba, bytes, offset, chunkTicks) -> 1/0 for one chunk.
template <class Send>
INT Chunked(HANDLE device, DWORD lba, DWORD byteCount, unsigned attempts, DWORD* ticks, Send send)
{
    scsi::DeviceLock lock(device);
    DWORD minimum = 0xFFFFFFFF;
    for (DWORD done = 0; done < byteCount;) {
        const DWORD chunk = std::min(byteCount - done, kChunkBytes);
        DWORD chunkTicks = 0;
        INT ok = 0;
        for (unsigned attempt = 0; attempt < attempts && ok != 1; ++attempt)
            ok = send(lba, chunk, done, chunkTicks);
        if (ticks != nullptr)
            *ticks = minimum = std::min(minimum, ok == 1 ? chunkTicks : 0);
        if (ok != 1) {
            platform::DebugPrintf("transfer failed at lba %u (%u of %u bytes done)", lba, done, byteCount);
            return 0;
        }
        lba += chunk >> 9;
        done += chunk;
    }
    return 1;
}

} // namespace

INT DiskSlots::ReadDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, BYTE* buffer)
{
    OutputDebugStringA("ReadDisk()");
    if (!PortIndexFits(index))
        return 0;
    return Chunked(handles[index], lba, byteCount, 1, nullptr, [&](DWORD at, DWORD chunk, DWORD offset, DWORD&) {
        return standard_.SendRead10(handles[index], 0, 0, 0, at, chunk, buffer + offset);
    });
}

INT DiskSlots::WriteDisk(HANDLE* handles, BYTE index, DWORD lba, DWORD byteCount, const BYTE* buffer)
{
    if (!PortIndexFits(index))
        return 0;
    auto send = [&](DWORD at, DWORD chunk, DWORD offset, DWORD&) {
        return standard_.SendWrite10(handles[index], 0, 0, 0, at, chunk, buffer + offset);
    };
    return Chunked(handles[index], lba, byteCount, kWriteAttempts, nullptr, send);
}

INT DiskSlots::ReadDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, BYTE* buffer, DWORD* ticks)
{
    OutputDebugStringA("ReadDiskEx()");
    if (!PortIndexFits(index))
        return 0;
    auto send = [&](DWORD at, DWORD chunk, DWORD offset, DWORD& chunkTicks) {
        return standard_.SendRead10Timed(handles[index], lun, 0, 0, at, chunk, buffer + offset, &chunkTicks);
    };
    return Chunked(handles[index], lba, byteCount, 1, ticks, send);
}

INT DiskSlots::WriteDiskEx(HANDLE* handles, BYTE index, BYTE lun, DWORD lba, DWORD byteCount, const BYTE* buffer,
                           DWORD* ticks)
{
    OutputDebugStringA("WriteDisk()");
    if (!PortIndexFits(index))
        return 0;
    auto send = [&](DWORD at, DWORD chunk, DWORD offset, DWORD& chunkTicks) {
        return standard_.SendWrite10Timed(handles[index], lun, 0, 0, at, chunk, buffer + offset, &chunkTicks);
    };
    return Chunked(handles[index], lba, byteCount, 1, ticks, send);
}
