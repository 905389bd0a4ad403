// The hub driver's control codes over sysfs: a hub handle holds the hub's sysfs folder,
// and each request looks at the port it names afresh, so a device plugged or pulled since
// the last request is seen at once. What is fixed at a device's enumeration comes from the
// bus listing's kept entry of that device, which exists only while the device does; what
// can change (its configuration) is read each time.
#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/devio/usb_hub_ioctl.h"
#include "platform/text/text.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_names.h"
#include "platform/usbsys/usb_tree.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

using platform::usbsys::ReadUsbDevice;
using platform::usbsys::UsbDevice;
using platform::usbsys::UsbDeviceAt;

std::string LastPart(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// The device at a place: the bus listing's device when the listing leads there, else read
// from the place itself (a device being listed); nothing when no device is there.
std::optional<UsbDevice> DeviceAt(const std::optional<UsbDevice>& place)
{
    if (!place)
        return std::nullopt;
    if (auto listed = platform::usbsys::ListedUsbDevice(place->sysName); listed && listed->folder == place->folder)
        return listed;
    return ReadUsbDevice(place->sysName, place->folder);
}

// The hub a handle is on, with its port count; nothing for a host controller, or for a hub
// that has gone.
std::optional<UsbDevice> HubOf(const platform::FileObject& handle)
{
    auto hub = DeviceAt(UsbDeviceAt(LastPart(handle.linuxPath()), handle.linuxPath()));
    return hub && hub->IsHub() ? hub : std::nullopt;
}

// Where the device on a port would be, with nothing read yet; nothing for a port the hub
// does not have.
std::optional<UsbDevice> PlaceOnPort(const UsbDevice& hub, ULONG port)
{
    if (port == 0 || port > hub.portCount)
        return std::nullopt;
    const std::string name = hub.ChildName(port);
    return UsbDeviceAt(name, hub.folder + "/" + name);
}

std::optional<UsbDevice> DeviceOnPort(const UsbDevice& hub, ULONG port)
{
    return DeviceAt(PlaceOnPort(hub, port));
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

UCHAR SpeedCode(unsigned mbps)
{
    return mbps >= 5000 ? UsbSuperSpeed : mbps >= 480 ? UsbHighSpeed : mbps >= 12 ? UsbFullSpeed : UsbLowSpeed;
}

// The device and configuration descriptors as the kernel read them at enumeration; nothing
// when the device has gone.
std::optional<std::vector<std::uint8_t>> DescriptorsOf(const UsbDevice& device)
{
    return platform::usbsys::ReadBinaryAttribute(device.folder, "descriptors");
}

// A wide name into a name record: ActualLength is what the whole name needs; a buffer too
// small gets that length and an empty name, and the caller asks again.
BOOL PutName(ULONG* actualLength, WCHAR* name, std::size_t nameOffset, const std::u16string& text, DWORD outSize,
             LPDWORD returned)
{
    const std::size_t needed = nameOffset + (text.size() + 1) * sizeof(WCHAR);
    *actualLength = static_cast<ULONG>(needed);
    if (outSize < needed) {
        if (outSize >= nameOffset + sizeof(WCHAR))
            name[0] = 0;
        *returned = static_cast<DWORD>(std::min<std::size_t>(outSize, nameOffset + sizeof(WCHAR)));
        return TRUE;
    }
    std::memcpy(name, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    *returned = static_cast<DWORD>(needed);
    return TRUE;
}

BOOL NodeInformationOrRootHubName(platform::FileObject& handle, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    if (out == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (auto hub = HubOf(handle)) {
        if (outSize < sizeof(USB_NODE_INFORMATION))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        const bool superSpeed = platform::usbsys::ReadSpeedMbps(hub->folder) >= 5000;
        USB_NODE_INFORMATION info{};
        info.NodeType = 0;
        info.HubInformation.HubDescriptor.bDescriptorLength = 9;
        info.HubInformation.HubDescriptor.bDescriptorType = superSpeed ? 0x2A : 0x29;
        info.HubInformation.HubDescriptor.bNumberOfPorts = static_cast<UCHAR>(std::min(hub->portCount, 255u));
        std::memcpy(out, &info, sizeof info);
        *returned = sizeof info;
        return TRUE;
    }
    // A host controller: the name of its first root hub.
    for (const auto& child : platform::usbsys::ListFolder(handle.linuxPath())) {
        auto rootHub = ReadUsbDevice(child, handle.linuxPath() + "/" + child);
        if (!rootHub || !rootHub->IsRootHub())
            continue;
        if (outSize < sizeof(USB_ROOT_HUB_NAME))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        auto* record = static_cast<USB_ROOT_HUB_NAME*>(out);
        const auto names = platform::usbsys::NamesOf(*rootHub, nullptr);
        return PutName(&record->ActualLength, record->RootHubName, offsetof(USB_ROOT_HUB_NAME, RootHubName),
                       platform::AnsiToWide(platform::usbsys::HubName(names.instanceId)), outSize, returned);
    }
    return Fail(ERROR_DEVICE_NOT_CONNECTED);
}

BOOL ConnectionInformation(platform::FileObject& handle, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                           LPDWORD returned)
{
    constexpr std::size_t header = offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList);
    if (in == nullptr || out == nullptr || inSize < sizeof(ULONG) || outSize < header)
        return Fail(ERROR_INVALID_PARAMETER);
    auto hub = HubOf(handle);
    if (!hub)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    ULONG port;
    std::memcpy(&port, in, sizeof port);
    if (port == 0 || port > hub->portCount)
        return Fail(ERROR_INVALID_PARAMETER);
    USB_NODE_CONNECTION_INFORMATION_EX info{};
    info.ConnectionIndex = port;
    if (auto device = DeviceOnPort(*hub, port)) {
        const auto descriptors = DescriptorsOf(*device).value_or(std::vector<std::uint8_t>{});
        if (descriptors.size() >= sizeof(USB_DEVICE_DESCRIPTOR))
            std::memcpy(&info.DeviceDescriptor, descriptors.data(), sizeof(USB_DEVICE_DESCRIPTOR));
        info.DeviceDescriptor.idVendor = device->vendorId;
        info.DeviceDescriptor.idProduct = device->productId;
        info.DeviceDescriptor.bcdDevice = device->bcdDevice;
        info.CurrentConfigurationValue =
            static_cast<UCHAR>(platform::usbsys::ReadDecimalAttribute(device->folder, "bConfigurationValue").value_or(1));
        info.Speed = SpeedCode(device->speedMbps);
        info.DeviceIsHub = device->IsHub() ? 1 : 0;
        info.DeviceAddress = static_cast<USHORT>(platform::usbsys::ReadDecimalAttribute(device->folder, "devnum").value_or(0));
        info.ConnectionStatus = DeviceConnected;
    }
    std::memcpy(out, &info, header);
    *returned = static_cast<DWORD>(header);
    return TRUE;
}

std::optional<std::vector<std::uint8_t>> StringDescriptor(const UsbDevice& device, const std::vector<std::uint8_t>& all,
                                                          std::uint8_t index)
{
    if (index == 0)
        return std::vector<std::uint8_t>{4, USB_STRING_DESCRIPTOR_TYPE, 0x09, 0x04}; // US English
    if (all.size() < sizeof(USB_DEVICE_DESCRIPTOR))
        return std::nullopt;
    const char* attribute = index == all[14] ? "manufacturer" : index == all[15] ? "product" : index == all[16] ? "serial" : nullptr;
    if (attribute == nullptr)
        return std::nullopt;
    auto text = platform::usbsys::ReadAttribute(device.folder, attribute);
    if (!text)
        return std::nullopt; // the device did not answer for this string
    std::u16string wide = platform::Utf8ToWide(*text);
    wide.resize(std::min<std::size_t>(wide.size(), 126));
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(2 + 2 * wide.size()), USB_STRING_DESCRIPTOR_TYPE};
    for (char16_t unit : wide) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

BOOL DescriptorFromConnection(platform::FileObject& handle, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                              LPDWORD returned)
{
    constexpr std::size_t header = offsetof(USB_DESCRIPTOR_REQUEST, Data);
    if (in == nullptr || out == nullptr || inSize < header || outSize < header)
        return Fail(ERROR_INVALID_PARAMETER);
    USB_DESCRIPTOR_REQUEST request;
    std::memcpy(&request, in, header);
    auto hub = HubOf(handle);
    if (!hub)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    const auto device = PlaceOnPort(*hub, request.ConnectionIndex);
    const auto descriptors = device ? DescriptorsOf(*device) : std::nullopt;
    if (!descriptors)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    const auto& all = *descriptors;
    const std::uint8_t type = static_cast<std::uint8_t>(request.SetupPacket.wValue >> 8);
    const std::uint8_t index = static_cast<std::uint8_t>(request.SetupPacket.wValue & 0xFF);
    std::optional<std::vector<std::uint8_t>> descriptor;
    if (type == USB_CONFIGURATION_DESCRIPTOR_TYPE && index == 0 && all.size() >= sizeof(USB_DEVICE_DESCRIPTOR) + 4) {
        const std::size_t total = all[18 + 2] | (all[18 + 3] << 8);
        const std::size_t available = std::min(total, all.size() - sizeof(USB_DEVICE_DESCRIPTOR));
        descriptor.emplace(all.begin() + sizeof(USB_DEVICE_DESCRIPTOR), all.begin() + sizeof(USB_DEVICE_DESCRIPTOR) + available);
    } else if (type == USB_STRING_DESCRIPTOR_TYPE) {
        descriptor = StringDescriptor(*device, all, index);
    }
    if (!descriptor)
        return Fail(ERROR_GEN_FAILURE); // the device stalled the request
    const std::size_t count = std::min<std::size_t>({descriptor->size(), request.SetupPacket.wLength, outSize - header});
    std::memcpy(out, &request, header);
    std::copy_n(descriptor->begin(), count, static_cast<BYTE*>(out) + header); // an empty descriptor has no data()
    *returned = static_cast<DWORD>(header + count);
    return TRUE;
}

// The connection-name and driver-key records share one layout.
static_assert(offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName) == offsetof(USB_NODE_CONNECTION_NAME, NodeName));

BOOL ConnectionText(platform::FileObject& handle, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                    bool hubsOnly)
{
    constexpr std::size_t nameOffset = 8;
    if (in == nullptr || out == nullptr || inSize < sizeof(ULONG) || outSize < nameOffset)
        return Fail(ERROR_INVALID_PARAMETER);
    auto hub = HubOf(handle);
    if (!hub)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    ULONG port;
    std::memcpy(&port, in, sizeof port);
    auto device = DeviceOnPort(*hub, port);
    if (!device)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    auto* record = static_cast<USB_NODE_CONNECTION_NAME*>(out);
    record->ConnectionIndex = port;
    device->serialShared = platform::usbsys::SerialIsShared(*device);
    const auto names = platform::usbsys::NamesOf(*device, &*hub);
    if (!hubsOnly && names.driverKey.empty())
        return FALSE; // the registry store failed; its error is the last error
    std::string text = hubsOnly ? (device->IsHub() ? platform::usbsys::HubName(names.instanceId) : std::string())
                                : names.driverKey;
    return PutName(&record->ActualLength, record->NodeName, nameOffset, platform::AnsiToWide(text), outSize, returned);
}

BOOL ConnectionName(platform::FileObject& handle, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    return ConnectionText(handle, in, inSize, out, outSize, returned, true);
}

BOOL DriverKeyName(platform::FileObject& handle, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    return ConnectionText(handle, in, inSize, out, outSize, returned, false);
}

platform::Registration registration{[] {
    platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_INFORMATION,
                                   [](platform::FileObject& h, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                      LPDWORD returned) { return NodeInformationOrRootHubName(h, in, inSize, out, outSize, returned); });
    platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX,
                                   [](platform::FileObject& h, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                      LPDWORD returned) { return ConnectionInformation(h, in, inSize, out, outSize, returned); });
    platform::RegisterIoctlHandler(IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                                   [](platform::FileObject& h, DWORD, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                      LPDWORD returned) { return DescriptorFromConnection(h, in, inSize, out, outSize, returned); });
    platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_NAME, &ConnectionName);
    platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &DriverKeyName);
}};

} // namespace
