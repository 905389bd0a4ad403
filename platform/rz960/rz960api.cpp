#include "platform/rz960/rz960api.h"

#include "platform/debug/debug.h"
#include "platform/rz960/hub_enumeration.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr std::size_t EntrySize = 7;
constexpr unsigned RequestTimeoutMs = 1000;

struct LibraryState {
    std::mutex lock;
    std::vector<platform::HubIdentity> wanted;
    std::vector<std::string> hubs;
};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

WORD Le16(const BYTE* bytes)
{
    return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

} // namespace

int VA_SetIniInfo(const BYTE* enumTable, DWORD* accepted)
{
    if (enumTable == nullptr)
        return 0;
    std::vector<platform::HubIdentity> wanted;
    const BYTE* entry = enumTable + 1;
    for (int i = 0; i < enumTable[0]; ++i, entry += EntrySize)
        wanted.push_back({Le16(entry), Le16(entry + 2), Le16(entry + 4), entry[6]});
    auto& state = State();
    std::lock_guard guard(state.lock);
    state.wanted = std::move(wanted);
    state.hubs.clear();
    if (accepted != nullptr)
        *accepted = static_cast<DWORD>(state.wanted.size());
    return 1;
}

int VA_GetEnumInfo(BYTE* info, int)
{
    auto& state = State();
    std::lock_guard guard(state.lock);
    state.hubs = platform::FindHubs(state.wanted);
    if (state.hubs.empty())
        platform::DebugPrintf("RZ960API: no hub to drive among the USB devices");
    const int count = static_cast<int>(std::min<std::size_t>(state.hubs.size(), 255));
    if (info != nullptr) {
        std::memset(info, 0, VA_EnumInfoSize);
        info[0] = static_cast<BYTE>(count);
    }
    return count;
}

int VA_AccessReg(int hubIndex, int direction, BYTE command, WORD reg, BYTE value, BYTE* data)
{
    std::string node;
    {
        auto& state = State();
        std::lock_guard guard(state.lock);
        if (hubIndex < 0 || static_cast<std::size_t>(hubIndex) >= state.hubs.size()) {
            platform::DebugPrintf("RZ960API: no hub %d", hubIndex);
            return 1;
        }
        node = state.hubs[hubIndex];
    }
    const bool read = direction == VA_RegRead;
    if (read && data == nullptr)
        return 1;
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        platform::DebugPrintf("RZ960API: cannot open %s: %s", node.c_str(), std::strerror(errno));
        return 2;
    }
    BYTE byte = read ? 0 : value;
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = read ? 0xC0 : 0x40;
    transfer.bRequest = command;
    transfer.wValue = reg;
    transfer.wIndex = 0;
    transfer.wLength = 1;
    transfer.timeout = RequestTimeoutMs;
    transfer.data = &byte;
    const int moved = ioctl(fd, USBDEVFS_CONTROL, &transfer);
    const int error = errno;
    close(fd);
    if (moved != 1) {
        platform::DebugPrintf("RZ960API: hub %d register 0x%04X %s failed: %s", hubIndex, reg, read ? "read" : "write",
                              moved < 0 ? std::strerror(error) : "short transfer");
        return 3;
    }
    if (read)
        *data = byte;
    return 0;
}
