// One lock per device, held by every vendor slot for its command or command sequence, so
// that a sequence (a protected block transfer that changes two controller registers, a
// read-modify-write of firmware and EEPROM) is never interleaved with another caller's
// commands to the same device. Devices are told apart by the node their handle was opened
// on, so two handles on one device share its lock. A handle that is no open device takes
// no lock: its commands fail anyway. A thread that holds a device's lock takes it again
// without waiting (a slot that calls another slot on the same device), so one device's
// lock never deadlocks its own holder; no slot holds two devices' locks.
#pragma once

#include "platform/base/wintypes.h"

#include <memory>
#include <mutex>

namespace scsi {

class DeviceLock {
public:
    explicit DeviceLock(HANDLE device);
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    std::shared_ptr<std::recursive_mutex> mutex_;
    std::unique_lock<std::recursive_mutex> lock_;
};

} // namespace scsi
