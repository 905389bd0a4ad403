#include "fsbuild/ntfs/block_device.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/storage_ioctl.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace ntfs {
namespace {

constexpr std::int64_t kSector = 512;
constexpr std::int64_t kMaxRequest = std::int64_t{1} << 31;
constexpr std::int64_t kPieceSize = 65536;
constexpr std::size_t kPage = 4096;
constexpr char kPhysicalDrivePrefix[] = "\\\\.\\PhysicalDrive";

int Fail(int error)
{
    errno = error;
    return -1;
}

bool IsPhysicalDriveName(const std::string& name)
{
    constexpr std::size_t prefix = sizeof kPhysicalDrivePrefix - 1;
    if (name.compare(0, prefix, kPhysicalDrivePrefix) != 0)
        return false;
    std::size_t digits = name.size() - prefix;
    return (digits == 1 || digits == 2) &&
           std::all_of(name.begin() + prefix, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
using AlignedBuffer = std::unique_ptr<std::uint8_t, FreeDeleter>;

AlignedBuffer AllocateSectors(std::int64_t bytes)
{
    auto size = static_cast<std::size_t>((bytes + kPage - 1) / kPage * kPage);
    return AlignedBuffer(static_cast<std::uint8_t*>(std::aligned_alloc(kPage, size)));
}

// One piece at a device-area position, retried as the build allows. A read that ends at
// the end of an image file gives zeros for the rest: nothing was written there yet.
bool MovePiece(NtfsDevice& device, std::int64_t position, std::uint8_t* buffer, DWORD size, bool write)
{
    Win32DeviceState& state = *device.state;
    const NtfsDeviceIo& io = device.options->io;
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(io.startOffset) + state.partitionOffset + position;
    for (int attempt = 0; attempt <= io.retries; ++attempt) {
        DWORD moved = 0;
        if (!SetFilePointerEx(state.handle, distance, nullptr, FILE_BEGIN))
            continue;
        BOOL ok = write ? WriteFile(state.handle, buffer, size, &moved, nullptr)
                        : ReadFile(state.handle, buffer, size, &moved, nullptr);
        if (ok && (moved == size || !write)) {
            if (!write && moved < size)
                std::memset(buffer + moved, 0, size - moved);
            if (write && io.progress)
                io.progress(size);
            return true;
        }
    }
    platform::DebugPrintf("%s of %u bytes at %lld on %s failed, error %u", write ? "write" : "read", size,
                          static_cast<long long>(distance.QuadPart), device.name.c_str(), GetLastError());
    return false;
}

bool MoveRange(NtfsDevice& device, std::int64_t position, std::uint8_t* buffer, std::int64_t count, bool write)
{
    for (std::int64_t done = 0; done < count; done += kPieceSize) {
        auto piece = static_cast<DWORD>(std::min(kPieceSize, count - done));
        if (!MovePiece(device, position + done, buffer + done, piece, write))
            return false;
    }
    return true;
}

std::int64_t Transfer(NtfsDevice& device, std::uint8_t* buffer, std::int64_t count, bool write)
{
    if (!(device.flags & kDeviceOpen) || buffer == nullptr || count < 0)
        return Fail(EINVAL);
    if (write && (device.flags & kDeviceReadOnly))
        return Fail(EROFS);
    Win32DeviceState& state = *device.state;
    count = std::min(count, kMaxRequest);
    if (count == 0)
        return 0;
    std::int64_t position = state.position;
    if (position + count > state.partitionLength)
        return Fail(ENOSPC);
    if (write)
        device.flags |= kDeviceDirty;
    bool aligned = reinterpret_cast<std::uintptr_t>(buffer) % kSector == 0 && position % kSector == 0 &&
                   count % kSector == 0;
    if (aligned) {
        if (!MoveRange(device, position, buffer, count, write))
            return Fail(EIO);
    } else {
        std::int64_t first = position / kSector * kSector;
        std::int64_t end = (position + count + kSector - 1) / kSector * kSector;
        AlignedBuffer bounce = AllocateSectors(end - first);
        if (!bounce)
            return Fail(ENOMEM);
        std::uint8_t* sectors = bounce.get();
        std::int64_t lead = position - first;
        if (write) {
            // Keep the bytes around the caller's range in the partial first and last sectors.
            if (lead != 0 && !MoveRange(device, first, sectors, kSector, false))
                return Fail(EIO);
            if ((position + count) % kSector != 0 &&
                !MoveRange(device, end - kSector, sectors + (end - kSector - first), kSector, false))
                return Fail(EIO);
            std::memcpy(sectors + lead, buffer, static_cast<std::size_t>(count));
        }
        if (!MoveRange(device, first, sectors, end - first, write))
            return Fail(EIO);
        if (!write)
            std::memcpy(buffer, sectors + lead, static_cast<std::size_t>(count));
    }
    state.position = position + count;
    return count;
}

} // namespace

bool AreaFitsTheDisk(HANDLE drive, std::int64_t end, const std::string& name)
{
    GET_LENGTH_INFORMATION length{};
    DWORD returned = 0;
    if (!DeviceIoControl(drive, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr)) {
        platform::DebugPrintf("the length of %s is unknown, error %u", name.c_str(), GetLastError());
        return false;
    }
    if (end > length.Length.QuadPart) {
        platform::DebugPrintf("%s has %lld bytes; the build area ends at %lld: nothing written", name.c_str(),
                              static_cast<long long>(length.Length.QuadPart), static_cast<long long>(end));
        return false;
    }
    return true;
}

int Win32DeviceOpen(NtfsDevice& device, int access)
{
    if (device.flags & kDeviceOpen)
        return Fail(EBUSY);
    if (device.name.size() >= MAX_PATH)
        return Fail(ENAMETOOLONG);
    const NtfsOptions* options = device.options;
    if (options == nullptr || options->sectorSize <= 0 || options->sectors <= 0 || options->hiddenSectors < 0)
        return Fail(EINVAL);
    DWORD rights = access == kAccessRead ? GENERIC_READ
                   : access == kAccessWrite ? GENERIC_WRITE
                                            : GENERIC_READ | GENERIC_WRITE;
    if (access == kAccessWrite)
        rights |= GENERIC_READ; // partial sectors are read back before they are written
    bool drive = IsPhysicalDriveName(device.name);
    DWORD share = drive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD flags = drive ? FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING : 0;
    HANDLE handle = CreateFileA(device.name.c_str(), rights, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("cannot open %s, error %u", device.name.c_str(), GetLastError());
        return Fail(EIO);
    }
    auto* state = new Win32DeviceState;
    state->handle = handle;
    // The partition sits at the hidden sectors in the target's own sector size.
    state->partitionOffset = options->hiddenSectors * options->sectorSize;
    state->partitionLength = options->sectors * options->sectorSize;
    state->partitionSectors = state->partitionLength / kSector;
    state->isPartitionOfDisk = drive;
    std::int64_t end = static_cast<std::int64_t>(options->io.startOffset) + state->partitionOffset + state->partitionLength;
    if (drive && !AreaFitsTheDisk(handle, end, device.name)) {
        CloseHandle(handle);
        delete state;
        return Fail(ENOSPC);
    }
    device.state = state;
    device.flags = access == kAccessRead ? kDeviceOpen | kDeviceReadOnly : kDeviceOpen;
    return 0;
}

int Win32DeviceClose(NtfsDevice& device)
{
    if (!(device.flags & kDeviceOpen))
        return Fail(EBADF);
    std::unique_ptr<Win32DeviceState> state(device.state);
    device.state = nullptr;
    device.flags = 0;
    DWORD returned = 0;
    bool refreshed = !state->isPartitionOfDisk || DeviceIoControl(state->handle, IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0,
                                                                  nullptr, 0, &returned, nullptr);
    if (!refreshed)
        platform::DebugPrintf("the partition table of %s was not re-read, error %u", device.name.c_str(), GetLastError());
    if (!CloseHandle(state->handle)) {
        platform::DebugPrintf("closing %s failed, error %u", device.name.c_str(), GetLastError());
        return Fail(EIO);
    }
    return 0;
}

std::int64_t Win32DeviceSeek(NtfsDevice& device, std::int64_t offset, int whence)
{
    if (!(device.flags & kDeviceOpen))
        return Fail(EBADF);
    Win32DeviceState& state = *device.state;
    std::int64_t base = 0;
    switch (whence) {
    case SEEK_SET: break;
    case SEEK_CUR: base = state.position; break;
    case SEEK_END:
        if (state.partitionLength <= 0)
            return Fail(EFAULT);
        base = state.partitionLength;
        break;
    default: return Fail(EINVAL);
    }
    std::int64_t target = base + offset;
    if (target < 0 || target > state.partitionLength)
        return Fail(EINVAL);
    state.position = target;
    return target;
}

std::int64_t Win32DeviceRead(NtfsDevice& device, void* buffer, std::int64_t count)
{
    return Transfer(device, static_cast<std::uint8_t*>(buffer), count, false);
}

std::int64_t Win32DeviceWrite(NtfsDevice& device, const void* buffer, std::int64_t count)
{
    // The buffer is only read on this path; the transfer helper serves both directions.
    return Transfer(device, static_cast<std::uint8_t*>(const_cast<void*>(buffer)), count, true);
}

int Win32DeviceSync(NtfsDevice& device)
{
    if (!(device.flags & kDeviceOpen))
        return Fail(EBADF);
    if ((device.flags & kDeviceReadOnly) || !(device.flags & kDeviceDirty))
        return 0;
    if (!FlushFileBuffers(device.state->handle)) {
        platform::DebugPrintf("flushing %s failed, error %u", device.name.c_str(), GetLastError());
        return Fail(EIO);
    }
    device.flags &= ~kDeviceDirty;
    return 0;
}

int Win32DeviceStat(NtfsDevice& device, NtfsDeviceStat& status)
{
    if (!(device.flags & kDeviceOpen))
        return Fail(EBADF);
    auto file = platform::HandleAs<platform::FileObject>(device.state->handle);
    struct stat info;
    if (file == nullptr || ::fstat(file->fd(), &info) != 0)
        return Fail(EBADF);
    // Image files count as disks, as they do for the Windows file-type query.
    if (S_ISCHR(info.st_mode))
        status.type = NtfsDeviceType::CharacterDevice;
    else if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        status.type = NtfsDeviceType::Fifo;
    else
        status.type = NtfsDeviceType::BlockDevice;
    status.size = device.state->partitionLength;
    status.blocks = device.state->partitionSectors;
    return 0;
}

int Win32DeviceIoctl(NtfsDevice&, unsigned long, void*)
{
    return Fail(EFAULT);
}

const NtfsDeviceOps Win32DeviceOps = {Win32DeviceOpen,  Win32DeviceClose, Win32DeviceSeek, Win32DeviceRead,
                                      Win32DeviceWrite, Win32DeviceSync,  Win32DeviceStat, Win32DeviceIoctl};

} // namespace ntfs
