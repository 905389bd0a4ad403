// One call that reached a simulated device node (ioctl, read or write), as its handler
// sees it, and the interface a device model implements to answer such calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

struct _UMockdevIoctlClient;
struct _UMockdevIoctlData;

namespace sim {

// What the caller's system call returns: a result and, when negative, an errno. A read or
// write can instead be passed on to the node's own file, where it moves the bytes at the
// caller's file position (lseek, pread and pwrite never reach a handler: they always act on
// that file).
struct Reply {
    long result = 0;
    int error = 0;
    bool passOn = false;

    static Reply Ok(long result) { return {result, 0, false}; }
    static Reply Fail(int error) { return {-1, error, false}; }
    static Reply PassOn() { return {0, 0, true}; }
};

// Thrown when the caller's memory behind an argument cannot be reached; answered with EFAULT.
class CallFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Identifies one open file description of a node, from its open to its close.
using ClientId = const void*;

class DeviceCall {
public:
    explicit DeviceCall(_UMockdevIoctlClient* client);
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    ClientId client() const { return client_; }
    // The ioctl request code.
    unsigned long request() const;
    // read/write: the caller's buffer; its size is the length asked for.
    std::span<std::uint8_t> Buffer();

    // ioctl: the argument struct, resolved from the caller's memory. Changes go back to
    // the caller when the call completes. Resolve it once per call.
    template <class Struct>
    Struct& Argument()
    {
        return *static_cast<Struct*>(ResolveArgument(sizeof(Struct)));
    }

    // ioctl: the memory a pointer field of the resolved argument points to (a transfer's
    // data stage, a command block). Pass the field itself; resolve each field once.
    template <class T>
    std::span<std::uint8_t> Pointee(T* const& field, std::size_t length)
    {
        return ResolvePointer(reinterpret_cast<const std::uint8_t*>(&field), length);
    }

private:
    void* ResolveArgument(std::size_t size);
    std::span<std::uint8_t> ResolvePointer(const std::uint8_t* field, std::size_t length);

    _UMockdevIoctlClient* client_;
    _UMockdevIoctlData* argument_ = nullptr;
};

// A simulated device behind a /dev node. Calls arrive on the testbed's own thread, one at
// a time per testbed; a model shared with other threads guards its state itself.
class DeviceNode {
public:
    virtual ~DeviceNode() = default;
    virtual Reply Ioctl(DeviceCall& call) = 0;
    virtual Reply Read(DeviceCall& call);
    virtual Reply Write(DeviceCall& call);
    virtual void Opened(ClientId client);
    virtual void Closed(ClientId client);
};

} // namespace sim
