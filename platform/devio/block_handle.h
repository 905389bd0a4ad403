// What the block-device namespaces and handlers of this library share: opening a device
// node for a CreateFile access mode, and finding the block device behind a handle.
#pragma once

#include "platform/devio/devio.h"

#include <optional>
#include <sys/types.h>

namespace platform {

// Opens a device node for the access of a CreateFile call; `extraFlags` such as O_EXCL are
// added. No access asks only for the device's properties, which sysfs and the node's path
// answer: the node is not opened at all (kNoDescriptor) once it is known to be a device.
// Returns the descriptor, kNoDescriptor, or -1 with the last error set.
int OpenDeviceNode(const std::string& node, DWORD access, int extraFlags);

// The block device behind a handle (for a handle without a descriptor, the one its node
// names), or nothing (last error ERROR_INVALID_FUNCTION) when it is a file or another kind
// of device. Found once and remembered with the handle.
std::optional<dev_t> BlockDeviceOfHandle(const FileObject& handle);

// A descriptor on which block-device ioctls work: the handle's own, or, for a handle
// opened without access, a short-lived read-only one. fd() is -1 (last error set) when
// the device cannot be opened.
class IoctlDescriptor {
public:
    explicit IoctlDescriptor(const FileObject& handle);
    ~IoctlDescriptor();
    IoctlDescriptor(const IoctlDescriptor&) = delete;
    IoctlDescriptor& operator=(const IoctlDescriptor&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
    bool owned_;
};

// Copies a control code's output record: ERROR_INSUFFICIENT_BUFFER when it does not fit.
BOOL CopyRecordOut(const void* record, DWORD size, LPVOID out, DWORD outSize, LPDWORD returned);

// Volume handles ("\\.\E:", "\\?\Volume{...}") as opposed to physical drives.
bool IsVolumeHandle(const FileObject& handle);

} // namespace platform
