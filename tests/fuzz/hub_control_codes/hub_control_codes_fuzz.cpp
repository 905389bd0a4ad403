// The hub driver's control codes as the platform serves them from sysfs, under any hub and
// device there: any descriptors, speed, port count, strings, configuration value and
// address, and any request (port, descriptor asked for, buffer sizes). Whatever sysfs holds,
// a reply never exceeds the caller's buffer and says how much it filled; a port the hub
// does not have is refused; the device descriptor handed over is the device's own; a
// configuration descriptor is the device's first configuration, never more than it holds
// nor more than was asked; a string descriptor is the attribute's text as UTF-16, at most
// 126 units and never half a character, its length byte its size; a name record either
// holds the whole name or only says how long it is.
//
// The tree is built in a scratch folder that stands in for /sys: a hub (the root hub
// "usb1", or the hub "1-3") with at most one device on one of its ports.
//
// Input: a hub byte (bit 0: the hub is "1-3", else "usb1"; bit 1: the requests go to the
// host controller above it), the hub's maxchild, speed and descriptors texts, a device byte
// (bits 0-2: its port - 1; bit 7: no device), the device's descriptors (two texts, joined),
// speed, manufacturer, product, serial, bConfigurationValue and devnum texts (each a
// length byte and its bytes), then requests until the input ends: a code byte (0 node
// information or root hub name, 1 connection information, 2 a descriptor, 3 the connection
// name, 4 the driver key name; bit 7: the caller's buffer is too small), a port byte, the
// descriptor's type, index and wLength (two bytes), and a byte for the buffer size.
#include "platform/base/handle.h"
#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/devio/usb_hub_ioctl.h"
#include "platform/text/text.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_tree.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Files {
    std::optional<std::string> descriptors, speed, maxchild, manufacturer, product, serial, configuration, devnum;
};

struct Tree {
    std::string root;
    std::string hubName, hubFolder;
    bool toController = false;
    Files hub;
    std::optional<unsigned> devicePort;
    std::string deviceFolder;
    Files device;
};

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void Write(const std::string& folder, const char* name, const std::optional<std::string>& text)
{
    if (text)
        fuzz::WriteFile(folder + "/" + name, *text);
}

void WriteFiles(const std::string& folder, const Files& files)
{
    fs::create_directories(folder);
    Write(folder, "descriptors", files.descriptors);
    Write(folder, "speed", files.speed);
    Write(folder, "maxchild", files.maxchild);
    Write(folder, "manufacturer", files.manufacturer);
    Write(folder, "product", files.product);
    Write(folder, "serial", files.serial);
    Write(folder, "bConfigurationValue", files.configuration);
    Write(folder, "devnum", files.devnum);
}

std::optional<std::string> Text(fuzz::Input& input, std::size_t limit = 255)
{
    return std::string(input.Bytes(limit));
}

const std::string& Root()
{
    static const std::string root = [] {
        std::string made = fuzz::ScratchFolder() + "/sys";
        setenv("FABRUN_SYSFS_ROOT", made.c_str(), 1);
        setenv("FABRUN_REGISTRY", (fuzz::ScratchFolder() + "/registry").c_str(), 1);
        return made;
    }();
    return root;
}

Tree BuildTree(fuzz::Input& input)
{
    Tree tree;
    tree.root = Root();
    fs::remove_all(tree.root);
    const BYTE hub = input.Byte();
    tree.toController = (hub & 2) != 0;
    const std::string controller = tree.root + "/devices/pci0000:00/0000:00:14.0";
    tree.hubName = (hub & 1) != 0 ? "1-3" : "usb1";
    tree.hubFolder = (hub & 1) != 0 ? controller + "/usb1/1-3" : controller + "/usb1";
    tree.hub.maxchild = Text(input, 16);
    tree.hub.speed = Text(input, 16);
    tree.hub.descriptors = Text(input);
    WriteFiles(tree.hubFolder, tree.hub);
    const BYTE device = input.Byte();
    if ((device & 0x80) == 0) {
        tree.devicePort = 1u + (device & 7);
        const std::string name = (hub & 1) != 0 ? tree.hubName + "." + std::to_string(*tree.devicePort)
                                                : "1-" + std::to_string(*tree.devicePort);
        tree.deviceFolder = tree.hubFolder + "/" + name;
        tree.device.descriptors = *Text(input) + *Text(input);
        tree.device.speed = Text(input, 16);
        tree.device.manufacturer = Text(input);
        tree.device.product = Text(input);
        tree.device.serial = Text(input);
        tree.device.configuration = Text(input, 8);
        tree.device.devnum = Text(input, 8);
        WriteFiles(tree.deviceFolder, tree.device);
    }
    return tree;
}

BYTE DescriptorByte(const std::optional<std::string>& descriptors, std::size_t at)
{
    return static_cast<BYTE>((*descriptors)[at]);
}

bool HasDeviceDescriptor(const Files& files)
{
    return files.descriptors && files.descriptors->size() >= sizeof(USB_DEVICE_DESCRIPTOR);
}

// What the platform reads a decimal attribute as, by the attribute readers' own rules
// (checked by the sysfs target): only a text that fits the field is compared.
std::optional<unsigned> FieldValue(const std::string& folder, const char* name, unsigned limit)
{
    auto value = platform::usbsys::ReadDecimalAttribute(folder, name);
    return value && *value <= limit ? value : std::nullopt;
}

unsigned Speed(const std::string& folder)
{
    return platform::usbsys::ReadSpeedMbps(folder);
}

bool HubIsHub(const Tree& tree)
{
    if (!HasDeviceDescriptor(tree.hub))
        return false;
    return tree.hubName == "usb1" || DescriptorByte(tree.hub.descriptors, 4) == 9 ||
           platform::usbsys::ReadDecimalAttribute(tree.hubFolder, "maxchild").value_or(0) > 0;
}

unsigned PortCount(const Tree& tree)
{
    return platform::usbsys::ReadDecimalAttribute(tree.hubFolder, "maxchild").value_or(0);
}

bool DevicePresentOn(const Tree& tree, ULONG port)
{
    return tree.devicePort && *tree.devicePort == port && HasDeviceDescriptor(tree.device);
}

struct Reply {
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD returned = 0;
    std::vector<BYTE> out;
};

Reply Ask(HANDLE handle, DWORD code, std::vector<BYTE> in, DWORD outSize)
{
    Reply reply;
    reply.out.assign(outSize, 0xCC);
    // Exactly the sizes given, so that a write past either buffer is seen.
    auto inBuffer = std::make_unique<BYTE[]>(in.size());
    std::copy(in.begin(), in.end(), inBuffer.get());
    auto outBuffer = std::make_unique<BYTE[]>(outSize);
    std::fill_n(outBuffer.get(), outSize, BYTE{0xCC});
    reply.returned = 0xDEADBEEF;
    SetLastError(0);
    reply.ok = DeviceIoControl(handle, code, inBuffer.get(), static_cast<DWORD>(in.size()), outBuffer.get(), outSize,
                               &reply.returned, nullptr);
    reply.error = GetLastError();
    std::copy_n(outBuffer.get(), outSize, reply.out.begin());
    if (reply.ok)
        FUZZ_CHECK(reply.returned <= outSize);
    return reply;
}

std::vector<BYTE> PortRequest(ULONG port, std::size_t size)
{
    std::vector<BYTE> in(size, 0);
    std::memcpy(in.data(), &port, sizeof port);
    return in;
}

void CheckNodeInformation(const Tree& tree, HANDLE handle, DWORD outSize)
{
    const Reply reply = Ask(handle, IOCTL_USB_GET_NODE_INFORMATION, {}, outSize);
    if (!tree.toController) {
        if (!HubIsHub(tree)) {
            FUZZ_CHECK(!reply.ok); // read as a host controller: what hangs off it is no root hub
            return;
        }
        FUZZ_CHECK(reply.ok == (outSize >= sizeof(USB_NODE_INFORMATION)));
        if (!reply.ok)
            return;
        USB_NODE_INFORMATION info;
        std::memcpy(&info, reply.out.data(), sizeof info);
        FUZZ_CHECK(reply.returned == sizeof info && info.NodeType == 0);
        FUZZ_CHECK(info.HubInformation.HubDescriptor.bNumberOfPorts == std::min(PortCount(tree), 255u));
        FUZZ_CHECK(info.HubInformation.HubDescriptor.bDescriptorType == (Speed(tree.hubFolder) >= 5000 ? 0x2A : 0x29));
        return;
    }
    const bool rootHub = tree.hubName == "usb1" && HasDeviceDescriptor(tree.hub);
    if (!rootHub) {
        FUZZ_CHECK(!reply.ok);
        return;
    }
    FUZZ_CHECK(reply.ok == (outSize >= sizeof(USB_ROOT_HUB_NAME)));
    if (!reply.ok)
        return;
    ULONG actual;
    std::memcpy(&actual, reply.out.data(), sizeof actual);
    FUZZ_CHECK(actual > offsetof(USB_ROOT_HUB_NAME, RootHubName) && actual % 2 == 0);
    if (outSize >= actual) {
        FUZZ_CHECK(reply.returned == actual);
        std::u16string name((actual - 4) / 2, u'\0');
        std::memcpy(name.data(), reply.out.data() + 4, name.size() * 2);
        FUZZ_CHECK(name.back() == u'\0' && name.find(u'\0') == name.size() - 1);
        FUZZ_CHECK(name.rfind(u"USB#ROOT_HUB", 0) == 0);
    }
}

void CheckConnection(const Tree& tree, HANDLE handle, ULONG port, DWORD outSize)
{
    constexpr DWORD header = offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList);
    const Reply reply = Ask(handle, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, PortRequest(port, header), outSize);
    if (tree.toController || !HubIsHub(tree) || outSize < header || port == 0 || port > PortCount(tree)) {
        FUZZ_CHECK(!reply.ok);
        return;
    }
    FUZZ_CHECK(reply.ok && reply.returned == header);
    USB_NODE_CONNECTION_INFORMATION_EX info;
    std::memcpy(&info, reply.out.data(), header);
    FUZZ_CHECK(info.ConnectionIndex == port);
    if (!DevicePresentOn(tree, port)) {
        FUZZ_CHECK(info.ConnectionStatus == NoDeviceConnected);
        return;
    }
    FUZZ_CHECK(info.ConnectionStatus == DeviceConnected);
    FUZZ_CHECK(std::memcmp(&info.DeviceDescriptor, tree.device.descriptors->data(), sizeof info.DeviceDescriptor) == 0);
    const unsigned mbps = Speed(tree.deviceFolder);
    FUZZ_CHECK(info.Speed == (mbps >= 5000 ? UsbSuperSpeed : mbps >= 480 ? UsbHighSpeed : mbps >= 12 ? UsbFullSpeed : UsbLowSpeed));
    if (auto configuration = FieldValue(tree.deviceFolder, "bConfigurationValue", 0xFF))
        FUZZ_CHECK(info.CurrentConfigurationValue == *configuration);
    if (auto address = FieldValue(tree.deviceFolder, "devnum", 0xFFFF))
        FUZZ_CHECK(info.DeviceAddress == *address);
}

bool HasCharacterCut(const std::u16string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] < 0xDC00;
        if (high && i + 1 == text.size())
            return true;
    }
    return false;
}

void CheckDescriptor(const Tree& tree, HANDLE handle, ULONG port, BYTE type, BYTE index, WORD wLength, DWORD outSize)
{
    constexpr DWORD header = offsetof(USB_DESCRIPTOR_REQUEST, Data);
    USB_DESCRIPTOR_REQUEST request{};
    request.ConnectionIndex = port;
    request.SetupPacket.bmRequest = 0x80;
    request.SetupPacket.bRequest = 6;
    request.SetupPacket.wValue = static_cast<USHORT>(type << 8 | index);
    request.SetupPacket.wLength = wLength;
    std::vector<BYTE> in(header);
    std::memcpy(in.data(), &request, header);
    const Reply reply = Ask(handle, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, in, outSize);
    const bool placed = !tree.toController && HubIsHub(tree) && port != 0 && port <= PortCount(tree) && outSize >= header;
    if (!placed || !tree.devicePort || *tree.devicePort != port || !tree.device.descriptors) {
        FUZZ_CHECK(!reply.ok);
        return;
    }
    const std::string& all = *tree.device.descriptors;
    std::optional<std::string> expected; // the whole descriptor the device holds
    const std::optional<std::string>* text = nullptr;
    bool stringDescriptor = false;
    if (type == USB_CONFIGURATION_DESCRIPTOR_TYPE && index == 0 && all.size() >= 22) {
        const std::size_t total = static_cast<BYTE>(all[20]) | static_cast<BYTE>(all[21]) << 8;
        expected = all.substr(18, total);
    } else if (type == USB_STRING_DESCRIPTOR_TYPE) {
        stringDescriptor = true;
        if (index == 0)
            expected = std::string("\x04\x03\x09\x04", 4);
        else if (all.size() >= 18) {
            text = index == static_cast<BYTE>(all[14])   ? &tree.device.manufacturer
                                                     : index == static_cast<BYTE>(all[15]) ? &tree.device.product
                                                     : index == static_cast<BYTE>(all[16]) ? &tree.device.serial
                                                                                           : nullptr;
            if (text != nullptr && *text)
                expected = std::string(); // checked below: the text as UTF-16, whole characters
        }
    }
    FUZZ_CHECK(reply.ok == expected.has_value());
    if (!reply.ok)
        return;
    FUZZ_CHECK(std::memcmp(reply.out.data(), &request, header) == 0);
    const std::size_t count = reply.returned - header;
    FUZZ_CHECK(count <= wLength && count <= outSize - header);
    const std::string given(reinterpret_cast<const char*>(reply.out.data()) + header, count);
    if (!stringDescriptor || index == 0) {
        FUZZ_CHECK(given == expected->substr(0, std::min<std::size_t>({expected->size(), wLength, outSize - header})));
        return;
    }
    if (count == 0)
        return;
    const BYTE length = static_cast<BYTE>(given[0]);
    FUZZ_CHECK(length >= 2 && length % 2 == 0 && length <= 254);
    if (count < length)
        return; // cut by the caller's buffer or wLength
    FUZZ_CHECK(count == length && static_cast<BYTE>(given[1]) == USB_STRING_DESCRIPTOR_TYPE);
    std::u16string units((length - 2) / 2, u'\0');
    std::memcpy(units.data(), given.data() + 2, units.size() * 2);
    FUZZ_CHECK(!HasCharacterCut(units));
    const std::u16string whole = platform::Utf8ToWide(Trimmed(**text));
    FUZZ_CHECK(whole.compare(0, units.size(), units) == 0 && (units.size() == whole.size() || units.size() >= 125));
}

void CheckName(const Tree& tree, HANDLE handle, DWORD code, ULONG port, DWORD outSize)
{
    const Reply reply = Ask(handle, code, PortRequest(port, sizeof(ULONG)), outSize);
    const bool present = !tree.toController && HubIsHub(tree) && outSize >= 8 && DevicePresentOn(tree, port) &&
                         port <= PortCount(tree);
    if (!present) {
        FUZZ_CHECK(!reply.ok);
        return;
    }
    if (!reply.ok)
        return; // the registry store failed (the driver key only)
    ULONG index, actual;
    std::memcpy(&index, reply.out.data(), sizeof index);
    std::memcpy(&actual, reply.out.data() + 4, sizeof actual);
    FUZZ_CHECK(index == port && actual >= 10 && actual % 2 == 0);
    if (outSize < actual) {
        FUZZ_CHECK(reply.returned <= std::min<DWORD>(outSize, 10));
        return;
    }
    FUZZ_CHECK(reply.returned == actual);
    std::u16string name((actual - 8) / 2, u'\0');
    std::memcpy(name.data(), reply.out.data() + 8, name.size() * 2);
    FUZZ_CHECK(name.find(u'\0') == name.size() - 1);
    name.pop_back();
    if (code == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME)
        FUZZ_CHECK(name.size() == 43 && name.rfind(u"{36fc9e60-c465-11cf-8056-444553540000}\\", 0) == 0);
    else if (!name.empty())
        FUZZ_CHECK(name.rfind(u"USB#VID_", 0) == 0 && name.find(u"#{f18a0e88-c30c-11d0-8815-00a0c906bed8}") == name.size() - 39);
}

DWORD OutSize(BYTE choice, DWORD needed)
{
    return choice < 0x80 ? needed + choice % 64 : (choice & 0x7F) * needed / 128;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    const Tree tree = BuildTree(input);
    const std::string folder = tree.toController ? tree.hubFolder.substr(0, tree.hubFolder.find("/usb1")) : tree.hubFolder;
    // What opening a hub or host controller by its name gives: a handle on its sysfs folder.
    HANDLE handle =
        platform::IssueHandle(std::make_shared<platform::FileObject>(-1, "\\\\.\\fuzzed-hub", folder, GENERIC_WRITE));
    for (int requests = 0; requests < 12 && !input.Empty(); ++requests) {
        const BYTE code = input.Byte();
        const BYTE portByte = input.Byte();
        const ULONG port = portByte == 0xFF ? 0x10001 : portByte % 10;
        const BYTE type = input.Byte(), index = input.Byte();
        const WORD wLength = static_cast<WORD>(input.Byte() | input.Byte() << 8);
        const BYTE sizeChoice = input.Byte();
        switch (code % 5) {
        case 0:
            CheckNodeInformation(tree, handle, OutSize(sizeChoice, sizeof(USB_NODE_INFORMATION)));
            break;
        case 1:
            CheckConnection(tree, handle, port, OutSize(sizeChoice, offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList)));
            break;
        case 2:
            CheckDescriptor(tree, handle, port, type, index, wLength,
                            OutSize(sizeChoice, offsetof(USB_DESCRIPTOR_REQUEST, Data) + 255));
            break;
        case 3:
            CheckName(tree, handle, IOCTL_USB_GET_NODE_CONNECTION_NAME, port, OutSize(sizeChoice, 128));
            break;
        default:
            CheckName(tree, handle, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, port, OutSize(sizeChoice, 96));
            break;
        }
    }
    CloseHandle(handle);
    return 0;
}
