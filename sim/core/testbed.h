// The bench's testbed: a umockdev sandbox of sysfs and /dev that a process run under
// umockdev-wrapper sees in place of the real ones. Devices are described in umockdev's
// record format ("P:" sysfs path, "N:" device node, "E:" properties, "A:"/"H:" attributes);
// a DeviceNode attached to a node answers the ioctl(), read() and write() calls made on it,
// or passes a read or write on to the node's file in the sandbox.
// umockdev delivers those calls on a worker thread of its own, so nothing here needs a
// main loop of the caller's.
#pragma once

#include "sim/core/device_call.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;

namespace sim {

class Testbed {
public:
    // Throws std::runtime_error when the process does not run under umockdev-wrapper.
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // Adds the devices of a record, as present from the start; returns the sysfs path
    // ("/sys/devices/...") of its first device. Throws std::runtime_error on a bad record.
    std::string Add(std::string_view record);
    // Adds them as newly plugged in: the same, followed by an "add" uevent.
    std::string Plug(std::string_view record);
    // Unplugs a device: a "remove" uevent, then the device leaves sysfs and /dev. A node
    // attached to it stays attached, so descriptors still open reach it (it should now
    // fail their calls, as a vanished device does).
    void Unplug(const std::string& sysPath);
    void Uevent(const std::string& sysPath, const char* action);

    // Routes the calls made on a device node ("/dev/bus/usb/001/002") to `node`, which
    // must outlive the testbed.
    void Attach(const std::string& devNode, DeviceNode& node);

    // The sandbox's root folder (holds its sys/ and dev/ trees).
    std::string RootDir() const;

    struct Gate;

private:
    struct Attachment {
        std::string devNode;
        _UMockdevIoctlBase* handler;
        Gate* gate;
    };

    _UMockdevTestbed* testbed_;
    std::vector<Attachment> attachments_;
    mutable std::mutex lock_;
};

} // namespace sim
