// What the per-device vendor slots of both interfaces check before they send: the caller's
// handle table and port index (an index past the 32 entries is refused, not read past the
// table), the data buffer, and values that must fit a 16-bit field. A refusal is a debug
// line and result 0, and nothing is sent. The commands then run holding the device's lock.
#pragma once

#include "platform/base/wintypes.h"
#include "server/disk/disk_index.h"
#include "server/scsi/device_lock.h"

namespace portwarden {

// A buffer must be given when `length` bytes are to move.
bool BufferGiven(const void* buffer, INT length);
// `value` must lie in 0..0xFFFF to go into a 16-bit field.
bool FitsWord(INT value, const char* what);

// Runs commands(device) on the port's device under its lock; 0 when refused.
template <class Commands>
INT OnPortDevice(HANDLE* handles, BYTE index, Commands commands)
{
    if (!PortDeviceGiven(handles, index))
        return 0;
    HANDLE device = handles[index];
    scsi::DeviceLock lock(device);
    return commands(device);
}

} // namespace portwarden
