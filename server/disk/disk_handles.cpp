// Opening and closing disks in the caller's handle table. A closed entry is marked
// invalid: Linux reuses descriptor numbers at once, so a stale value could otherwise
// close someone else's file. Opening over a live entry closes the old handle first.
#include "server/disk/disk_slots.h"

#include "server/disk/disk_index.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"

#include <cstdint>

namespace {

constexpr int kDriveLetters = 24; // C: .. Z:

// Handles appear in debug lines as bare hexadecimal numbers.
unsigned long HandleBits(HANDLE handle)
{
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace

INT DiskSlots::OpenInto(HANDLE* handles, BYTE index, const char* name)
{
    if (handles[index] != INVALID_HANDLE_VALUE && handles[index] != nullptr) {
        CloseHandle(handles[index]);
        handles[index] = INVALID_HANDLE_VALUE;
    }
    handles[index] = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (handles[index] == INVALID_HANDLE_VALUE) {
        platform::DebugPrintf("open %s fail=%x", name, GetLastError());
        return 0;
    }
    UCHAR status = 0;
    if (standard_.SendTestUnitReady(handles[index], 0, 0, 0, &status) != 1 && status != 0)
        return 0;
    return 1; // a device that is merely not ready still opens
}

INT DiskSlots::OpenDiskPath(HANDLE* handles, INT letterIndex)
{
    OutputDebugStringA("OpenDiskPath()");
    if (letterIndex < 0 || letterIndex >= kDriveLetters) {
        platform::DebugPrintf("drive letter index %d refused", letterIndex);
        return 0;
    }
    const char name[] = {'\\', '\\', '.', '\\', static_cast<char>('C' + letterIndex), ':', '\0'};
    return OpenInto(handles, static_cast<BYTE>(letterIndex), name);
}

INT DiskSlots::OpenDiskPathBySymbolicName(HANDLE* handles, BYTE index, const char* path)
{
    if (!PortIndexFits(index) || path == nullptr)
        return 0;
    const INT result = OpenInto(handles, index, path);
    platform::DebugPrintf("OpenDiskPathBySymbolicName(Index=%d, Handle=%lx)", index, HandleBits(handles[index]));
    return result;
}

INT DiskSlots::CloseDiskPath(HANDLE* handles, BYTE index)
{
    if (!PortIndexFits(index))
        return 0;
    HANDLE handle = handles[index];
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr && !CloseHandle(handle))
        platform::DebugPrintf("CloseDiskPath close fail=%x", GetLastError());
    handles[index] = INVALID_HANDLE_VALUE;
    platform::DebugPrintf("CloseDiskPath(Index=%d, Handle=%lx)", index, HandleBits(handle));
    return 1;
}

INT DiskSlots::LinkTest(BYTE* probe)
{
    OutputDebugStringA("LinkTest()");
    if (probe == nullptr || *probe != 0x55)
        return 0;
    *probe = 0xAA;
    return 1;
}
