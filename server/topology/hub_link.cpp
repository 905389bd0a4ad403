#include "server/topology/hub_link.h"

#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/usb_hub_ioctl.h"
#include "platform/text/text.h"

#include <cstring>
#include <new>

namespace {

constexpr DWORD kConnectionInfoSize = 365; // header and room for 30 pipes
constexpr unsigned kNameAttempts = 4;
constexpr BYTE kMassStorageClass = 8;

// A name request of the hub driver: ask with the bare record for the length, then again
// with room for the whole name. `step` numbers the failing step for the debug line.
bool AskName(HANDLE handle, DWORD code, ULONG port, bool withPort, std::string& name, bool keyLines)
{
    const std::size_t header = withPort ? 8 : 4;
    std::vector<BYTE> record(header + 2, 0);
    std::memcpy(record.data(), &port, withPort ? sizeof port : 0);
    DWORD returned = 0;
    auto fail = [&](const char* line) {
        if (keyLines)
            platform::DebugPrintf("%s", line);
        return false;
    };
    if (!DeviceIoControl(handle, code, record.data(), static_cast<DWORD>(record.size()), record.data(),
                         static_cast<DWORD>(record.size()), &returned, nullptr))
        return fail("Key1");
    ULONG actual;
    std::memcpy(&actual, record.data() + (withPort ? 4 : 0), sizeof actual);
    if (actual < header + 2 || actual > 0x10000)
        return fail("Key2");
    // Room for the whole name: a failure to get it is a step of its own.
    try {
        record.assign(actual, 0);
    } catch (const std::bad_alloc&) {
        return fail("Key3");
    }
    std::memcpy(record.data(), &port, withPort ? sizeof port : 0);
    if (!DeviceIoControl(handle, code, record.data(), actual, record.data(), actual, &returned, nullptr))
        return fail("Key4");
    std::u16string wide((actual - header) / 2, u'\0');
    std::memcpy(wide.data(), record.data() + header, wide.size() * 2);
    wide.resize(platform::WideLength(wide.c_str()));
    name = platform::WideToAnsi(wide);
    return true;
}

bool AskDescriptor(HANDLE hub, ULONG port, BYTE type, BYTE index, WORD language, WORD length, std::vector<BYTE>& out,
                   DWORD& dataReturned)
{
    std::vector<BYTE> request(offsetof(USB_DESCRIPTOR_REQUEST, Data) + length, 0);
    USB_DESCRIPTOR_REQUEST head{};
    head.ConnectionIndex = port;
    head.SetupPacket.bmRequest = 0x80;
    head.SetupPacket.bRequest = 6; // GET_DESCRIPTOR
    head.SetupPacket.wValue = static_cast<USHORT>((type << 8) | index);
    head.SetupPacket.wIndex = language;
    head.SetupPacket.wLength = length;
    std::memcpy(request.data(), &head, offsetof(USB_DESCRIPTOR_REQUEST, Data));
    DWORD returned = 0;
    if (!DeviceIoControl(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, request.data(),
                         static_cast<DWORD>(request.size()), request.data(), static_cast<DWORD>(request.size()), &returned,
                         nullptr))
        return false;
    if (returned < offsetof(USB_DESCRIPTOR_REQUEST, Data))
        return false;
    dataReturned = returned - static_cast<DWORD>(offsetof(USB_DESCRIPTOR_REQUEST, Data));
    out.assign(request.begin() + offsetof(USB_DESCRIPTOR_REQUEST, Data), request.begin() + offsetof(USB_DESCRIPTOR_REQUEST, Data) + dataReturned);
    return true;
}

} // namespace

bool GetHubPortCount(HANDLE hub, unsigned& portCount)
{
    USB_NODE_INFORMATION info{};
    DWORD returned = 0;
    if (!DeviceIoControl(hub, IOCTL_USB_GET_NODE_INFORMATION, &info, sizeof info, &info, sizeof info, &returned, nullptr))
        return false;
    portCount = info.HubInformation.HubDescriptor.bNumberOfPorts;
    return true;
}

DWORD OpenHub(const std::string& path, HANDLE& hub, unsigned& portCount)
{
    OutputDebugStringA(path.c_str());
    hub = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hub == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        OutputDebugStringA("create hub fail");
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    if (!GetHubPortCount(hub, portCount)) {
        DWORD error = GetLastError();
        OutputDebugStringA("get hub info fail");
        CloseHandle(hub);
        hub = INVALID_HANDLE_VALUE;
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    return 0;
}

bool GetConnection(HANDLE hub, ULONG port, HubConnection& connection)
{
    std::vector<BYTE> buffer(kConnectionInfoSize, 0);
    std::memcpy(buffer.data(), &port, sizeof port);
    DWORD returned = 0;
    if (!DeviceIoControl(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, buffer.data(), kConnectionInfoSize,
                         buffer.data(), kConnectionInfoSize, &returned, nullptr))
        return false;
    USB_NODE_CONNECTION_INFORMATION_EX info;
    std::memcpy(&info, buffer.data(), offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList));
    connection.status = info.ConnectionStatus;
    connection.speed = info.Speed;
    connection.isHub = info.DeviceIsHub != 0;
    connection.bcdUsb = info.DeviceDescriptor.bcdUSB;
    connection.vendorId = info.DeviceDescriptor.idVendor;
    connection.productId = info.DeviceDescriptor.idProduct;
    connection.manufacturerIndex = info.DeviceDescriptor.iManufacturer;
    connection.productIndex = info.DeviceDescriptor.iProduct;
    connection.serialIndex = info.DeviceDescriptor.iSerialNumber;
    return true;
}

bool ReadConnectedPort(HANDLE hub, ULONG port, HubConnection& connection, DWORD& error)
{
    if (!GetConnection(hub, port, connection)) {
        error = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
        OutputDebugStringA("get port info fail");
        return false;
    }
    platform::DebugPrintf("PortIndex%d=%x", static_cast<int>(port), static_cast<unsigned>(connection.status));
    return connection.status != 0;
}

bool GetConfigDescriptor(HANDLE hub, ULONG port, std::vector<BYTE>& descriptor)
{
    DWORD returned = 0;
    if (!AskDescriptor(hub, port, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, 9, descriptor, returned) || returned != 9)
        return false;
    const WORD total = static_cast<WORD>(descriptor[2] | (descriptor[3] << 8));
    if (total < 9)
        return false;
    return AskDescriptor(hub, port, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, total, descriptor, returned) && returned == total;
}

bool FirstInterfaceIsMassStorage(const std::vector<BYTE>& config)
{
    std::size_t at = 0;
    while (at + 2 <= config.size()) {
        const std::size_t length = config[at];
        // Bytes of a descriptor that is cut off, or of the next one, are no class.
        if (length < 2 || at + length > config.size())
            return false;
        const BYTE type = config[at + 1];
        if (type == 4)
            return length > 5 && config[at + 5] == kMassStorageClass;
        if (type != 2 && type != 5)
            return false;
        at += length;
    }
    return false;
}

bool GetStringDescriptor(HANDLE hub, ULONG port, BYTE index, WORD language, std::vector<BYTE>& descriptor)
{
    DWORD returned = 0;
    if (!AskDescriptor(hub, port, USB_STRING_DESCRIPTOR_TYPE, index, language, 255, descriptor, returned))
        return false;
    return returned >= 2 && returned == descriptor[0] && descriptor[0] % 2 == 0 && descriptor[1] == USB_STRING_DESCRIPTOR_TYPE;
}

bool GetConnectionName(HANDLE hub, ULONG port, std::string& name)
{
    return AskName(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, port, true, name, false) && !name.empty();
}

bool GetHubName(HANDLE hub, ULONG port, unsigned& attempts, std::string& name)
{
    for (;;) {
        ++attempts;
        if (GetConnectionName(hub, port, name))
            return true;
        if (attempts >= kNameAttempts) {
            platform::DebugPrintf("get hub name fail=%x", GetLastError());
            return false;
        }
    }
}

bool GetDriverKeyName(HANDLE hub, ULONG port, std::string& name)
{
    return AskName(hub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, port, true, name, true);
}

bool GetRootHubName(HANDLE controller, std::string& name)
{
    return AskName(controller, IOCTL_USB_GET_ROOT_HUB_NAME, 0, false, name, false);
}
