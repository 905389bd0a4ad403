// Files and devices: CreateFile, ReadFile, WriteFile, file pointers, flushing and
// DeviceIoControl. Regular paths open regular files (creating or replacing one never
// writes a device, pipe or socket that has the path). Windows device names ("\\.\...",
// "\\?\...") are resolved by the device namespaces of this library (physical drives,
// volumes, interface paths), each registered by the file that implements it; control codes
// are dispatched to the handler that registered them. An unknown code fails with
// ERROR_INVALID_FUNCTION, an unknown device name with ERROR_FILE_NOT_FOUND.
#pragma once

#include "platform/base/handle.h"
#include "platform/base/wintypes.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_NO_BUFFERING = 0x20000000;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;

struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;
struct SECURITY_ATTRIBUTES;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                     LPOVERLAPPED overlapped);

namespace platform {

// An open file or device: a Linux descriptor and what it was opened as.
class FileObject : public HandleObject {
public:
    FileObject(int fd, std::string windowsName, std::string linuxPath, DWORD access)
        : fd_(fd), windowsName_(std::move(windowsName)), linuxPath_(std::move(linuxPath)), access_(access)
    {
    }
    ~FileObject() override;
    int fd() const { return fd_; }
    const std::string& windowsName() const { return windowsName_; }
    const std::string& linuxPath() const { return linuxPath_; }
    DWORD access() const { return access_; }
    // The block device behind this handle once BlockDeviceOfHandle has found it (0 before):
    // an open file's device cannot change, and a handle without a descriptor stays with the
    // device it first found behind its node.
    std::uint64_t knownDevice() const { return knownDevice_.load(std::memory_order_relaxed); }
    void RememberDevice(std::uint64_t dev) const { knownDevice_.store(dev, std::memory_order_relaxed); }
    // The descriptor that requests for logical unit `lun` of this disk go to: found by
    // `find` on first use and kept until this object closes, so that no request has to
    // look its unit up again (the units of the device this handle holds open stay what
    // they are). `find` returns the descriptor and whether it was opened beside this one
    // (and must be closed with it), or a descriptor of -1 (errno set), which is not kept.
    struct Unit {
        int fd;
        bool openedBeside;
    };
    template <class Find>
    int UnitDescriptor(unsigned lun, Find find)
    {
        std::lock_guard guard(unitLock_);
        auto known = units_.find(lun);
        if (known != units_.end())
            return known->second.fd;
        const Unit unit = find();
        if (unit.fd >= 0)
            units_.emplace(lun, unit);
        return unit.fd;
    }

private:
    int fd_;
    std::string windowsName_;
    std::string linuxPath_;
    DWORD access_;
    mutable std::atomic<std::uint64_t> knownDevice_{0};
    std::mutex unitLock_;
    std::map<unsigned, Unit> units_;
};

// A device namespace turns a Windows device name into an open descriptor. It returns
// false when the name is not one of its own; otherwise it sets `fd` (or -1 with the last
// error set) and the Linux path it opened. A device opened without access is only asked
// about (its number, where it lies): the namespace may then set kNoDescriptor, and the
// handle holds no descriptor of it (FileObject::fd() is negative).
constexpr int kNoDescriptor = -2;
using DeviceNamespace = bool (*)(const std::string& name, DWORD access, DWORD share, DWORD flags, int& fd,
                                 std::string& linuxPath);
void RegisterDeviceNamespace(DeviceNamespace resolver);

// A control-code handler: returns the result of DeviceIoControl for the codes it owns.
using IoctlHandler = BOOL (*)(FileObject& device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                              LPDWORD returned);
void RegisterIoctlHandler(DWORD code, IoctlHandler handler);

// Registers at load time: `static platform::Registration r{[] { ... }};`
struct Registration {
    explicit Registration(void (*registerAll)()) { registerAll(); }
};

} // namespace platform
